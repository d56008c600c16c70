// Helpers of the exporter tests: temporary folders, file contents, line
// ends, and the independent reader check.
#ifndef VLDBCEX_TESTS_TEST_UTIL_H
#define VLDBCEX_TESTS_TEST_UTIL_H

#include <string>

#include "temp_dir.h"
#include "velan/velandb_read.h"

namespace vldbcex_test {

using velan_test::TempDir;

bool FileExists(const std::string& path);
std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::string& content);
// Sets or clears an environment variable for the life of the object.
class EnvVar {
 public:
  EnvVar(const char* name, const char* value);
  ~EnvVar();
  EnvVar(const EnvVar&) = delete;
  EnvVar& operator=(const EnvVar&) = delete;

 private:
  std::string name_;
  std::string old_;
  bool had_ = false;
};

// Every LF becomes CR LF (expected texts are written with LF line ends).
std::string CrLf(const std::string& text);

// Lists what python3-canmatrix reads from a DBC file: errors it logged
// ("LOGGED: ..."), then per frame by identifier "frame <id> <ext> <name>
// <size> <transmitters>[ complex]" and one line per signal
// "  <name> <start>|<bits>@<le|be> <kind> (<factor>,<offset>) [<min>|<max>]
// <unit> <receivers> <mux>". Gives "SKIP\n" when the module is missing and
// "ERROR: ..." when loading fails.
std::string CanmatrixListing(const std::string& path);

}  // namespace vldbcex_test

#endif
