// Arbitrary bytes as the configuration file of an import of a small valid
// system description.
#include <sys/stat.h>

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "fuzz_support.h"

namespace {

const char kSystem[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<AUTOSAR xmlns=\"http://autosar.org/schema/r4.0\"><AR-PACKAGES><AR-PACKAGE>"
    "<SHORT-NAME>P</SHORT-NAME><ELEMENTS>"
    "<SYSTEM><SHORT-NAME>S</SHORT-NAME><FIBEX-ELEMENTS><FIBEX-ELEMENT-REF-CONDITIONAL>"
    "<FIBEX-ELEMENT-REF DEST=\"CAN-CLUSTER\">/P/C</FIBEX-ELEMENT-REF>"
    "</FIBEX-ELEMENT-REF-CONDITIONAL></FIBEX-ELEMENTS></SYSTEM>"
    "<CAN-CLUSTER><SHORT-NAME>C</SHORT-NAME><CAN-CLUSTER-VARIANTS><CAN-CLUSTER-CONDITIONAL>"
    "<BAUDRATE>500000</BAUDRATE><PHYSICAL-CHANNELS><CAN-PHYSICAL-CHANNEL><SHORT-NAME>Ch"
    "</SHORT-NAME></CAN-PHYSICAL-CHANNEL></PHYSICAL-CHANNELS></CAN-CLUSTER-CONDITIONAL>"
    "</CAN-CLUSTER-VARIANTS></CAN-CLUSTER></ELEMENTS></AR-PACKAGE></AR-PACKAGES></AUTOSAR>\n";

bool StartsWith(const std::string& s, const std::string& prefix) {
  return s.compare(0, prefix.size(), prefix) == 0;
}

// The configuration names the log file, so an input could name any file on
// the machine. Every fopen for writing in this program passes through here
// (linked with --wrap=fopen) and is refused unless it stays inside the
// scratch folder or the folder the fuzzer writes its corpus to.
bool MayWrite(const char* path) {
  if (!path) return false;
  const std::string p(path);
  if (p.find("..") != std::string::npos) return false;
  if (p.find('/') == std::string::npos) return true;  // the scratch folder is the cwd
  if (StartsWith(p, fuzz::ScratchDir() + "/")) return true;
  const char* work = getenv("VELAN_FUZZ_WRITABLE");
  return work && *work && StartsWith(p, std::string(work) + "/");
}

}  // namespace

extern "C" FILE* __real_fopen(const char* path, const char* mode);
extern "C" FILE* __wrap_fopen(const char* path, const char* mode) {
  const bool writes = mode && (std::strchr(mode, 'w') || std::strchr(mode, 'a') ||
                               std::strchr(mode, '+'));
  if (writes && !MayWrite(path)) {
    errno = EACCES;
    return nullptr;
  }
  return __real_fopen(path, mode);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string input = [] {
    const std::string d = fuzz::ScratchDir() + "/cfg-input";
    mkdir(d.c_str(), 0700);
    const std::string p = d + "/system.arxml";
    fuzz::WriteFile(p, reinterpret_cast<const uint8_t*>(kSystem), std::strlen(kSystem));
    const std::string c = fuzz::ScratchDir() + "/cfg";
    mkdir(c.c_str(), 0700);
    fuzz::UseConfigDir(c);
    return p;
  }();
  // A log file named by the configuration lands in the scratch folder's
  // current directory; keep the working directory there.
  static const bool cd = chdir(fuzz::ScratchDir().c_str()) == 0;
  (void)cd;
  fuzz::WriteFile(fuzz::ScratchDir() + "/cfg/velanar-cfg.xml", data, size);
  fuzz::ImportIntoFreshDatabase(input);
  return 0;
}
