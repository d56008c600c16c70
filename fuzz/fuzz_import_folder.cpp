// Arbitrary bytes split into two ARXML files of one folder (the first byte
// chooses where), imported together.
#include <sys/stat.h>

#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string dir = [] {
    const std::string d = fuzz::ScratchDir() + "/two";
    mkdir(d.c_str(), 0700);
    fuzz::UseConfigDir(fuzz::ScratchDir() + "/no-config");
    return d;
  }();
  if (size == 0) return 0;
  const size_t rest = size - 1;
  const size_t cut = rest == 0 ? 0 : (static_cast<size_t>(data[0]) * rest) / 255;
  fuzz::WriteFile(dir + "/a.arxml", data + 1, cut);
  fuzz::WriteFile(dir + "/b.ARXML", data + 1 + cut, rest - cut);
  fuzz::ImportIntoFreshDatabase(dir + "/a.arxml");
  return 0;
}
