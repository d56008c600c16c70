// Helpers of the robustness tests: temporary folders, the import plug-in
// loaded the way a host loads it, and an import into a fresh database of the
// reference host that reports the returned code, the number of host calls
// and the object tree.
#ifndef VELAN_TESTS_ROBUSTNESS_SUPPORT_H
#define VELAN_TESTS_ROBUSTNESS_SUPPORT_H

#include <cstdint>
#include <functional>
#include <string>

#include "temp_dir.h"
#include "velan/velandb_read.h"

namespace robust {

using velan_test::TempDir;

void WriteText(const std::string& path, const std::string& text);
std::string ReadText(const std::string& path);

struct HostFault {
  uint64_t call = 0;  // import call answering `code` (from 1); 0 = none
  int32_t code = 0;
  bool performCall = false;
};

// Allocation failure for the test allocator (failing_allocator.h): the
// n-th allocation inside Import fails, and every later one too when
// `persistent`. `count` without `failAt` only counts.
struct AllocFault {
  uint64_t failAt = 0;
  bool persistent = false;
  bool count = false;
};

struct RunResult {
  uint32_t code = 0;     // what Import returned
  uint64_t calls = 0;    // import calls the host counted
  uint64_t objects = 0;  // objects created besides the DATABASE object
  std::string tree;      // object tree print
  // With an AllocFault: allocations inside Import, whether one failed, and
  // the host calls counted when the first one failed.
  uint64_t allocations = 0;
  bool allocFailed = false;
  uint64_t callsAtAllocFailure = 0;
};

// Imports `path` into a new database of the reference host. The importer
// reads its configuration from `configDir` (an empty folder gives the
// defaults and no log). With `withTree` the object tree print is returned.
// `inspect`, when given, sees the database handle before the database is
// destroyed.
RunResult RunImport(const std::string& path, const std::string& configDir,
                    const HostFault& fault = HostFault(), bool withTree = false,
                    const std::function<void(uint32_t handle)>& inspect = nullptr,
                    const AllocFault& alloc = AllocFault());

// Writes a configuration file into `configDir` that logs every category to
// `logPath`.
void WriteLogConfig(const std::string& configDir, const std::string& logPath);

// The DBC exporter's entry point, loaded the way a host loads it; writes the
// cluster `clusterName` of the database to `path`.
dbaStatus ExportCluster(uint32_t handle, const std::string& clusterName, const std::string& path,
                        const AllocFault& alloc = AllocFault(), uint64_t* allocations = nullptr);

// True when the process runs with root privileges (permission bits do not
// keep root out, so tests of unreadable files must skip).
bool RunningAsRoot();

// Path of a bundled example ("can", "lin", "ar3").
std::string ExamplePath(const std::string& name);

// Path of a program of the build ("velan").
std::string BuildProgram(const std::string& name);

// Runs a shell command line, returns its exit status (-1 when it did not
// exit normally) and its standard error text.
int RunCommand(const std::string& command, std::string* errorText = nullptr);

}  // namespace robust

#endif
