// Arbitrary bytes as the one ARXML file of a folder, imported in-process into
// the reference host.
#include <sys/stat.h>

#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string dir = [] {
    const std::string d = fuzz::ScratchDir() + "/one";
    mkdir(d.c_str(), 0700);
    fuzz::UseConfigDir(fuzz::ScratchDir() + "/no-config");
    return d;
  }();
  const std::string path = dir + "/input.arxml";
  fuzz::WriteFile(path, data, size);
  fuzz::ImportIntoFreshDatabase(path);
  return 0;
}
