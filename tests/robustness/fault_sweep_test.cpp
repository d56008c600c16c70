// Every host call of the import of each bundled example answers an error in
// turn (and a warning for a sample of them): the import must return the
// host's own code, make no further host call after the error, and leave the
// object tree untouched by a warning. Leaks show up in the sanitizer build.
#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "robustness_support.h"

namespace {

using robust::HostFault;
using robust::RunImport;
using robust::RunResult;

constexpr uint32_t kHostWarningCode = 0x3FF63085u;
constexpr int32_t kInjectedError = -4242;
constexpr int32_t kInjectedWarning = 17;

class FaultSweep : public ::testing::TestWithParam<const char*> {
 protected:
  void SetUp() override {
    path_ = robust::ExamplePath(GetParam());
    baseline_ = RunImport(path_, config_.Path(), HostFault(), true);
    ASSERT_TRUE(baseline_.code == 0 || baseline_.code == kHostWarningCode)
        << std::hex << baseline_.code;
    ASSERT_GT(baseline_.calls, 0u);
    RecordProperty("host_calls", static_cast<int>(baseline_.calls));
  }

  std::string path_;
  robust::TempDir config_;  // empty: default configuration, no log
  RunResult baseline_;
};

// Collects mismatches of a sweep and prints the first few, so that a broken
// rule gives one readable failure instead of thousands.
class Mismatches {
 public:
  void Add(uint64_t n, const std::string& what) {
    if (++count_ <= 5) text_ << "  call " << n << ": " << what << "\n";
  }
  bool Empty() const { return count_ == 0; }
  std::string Text() const { return std::to_string(count_) + " mismatches\n" + text_.str(); }

 private:
  size_t count_ = 0;
  std::ostringstream text_;
};

std::string Hex(uint32_t v) {
  std::ostringstream s;
  s << "0x" << std::hex << std::uppercase << v;
  return s.str();
}

TEST_P(FaultSweep, EveryHostCallFailingEndsTheImportWithTheHostsCode) {
  Mismatches bad;
  for (uint64_t n = 1; n <= baseline_.calls; ++n) {
    // Mostly the call is refused outright; every third one is carried out
    // before the error is answered (objects created but the import stops).
    HostFault fault{n, kInjectedError, n % 3 == 0};
    const RunResult r = RunImport(path_, config_.Path(), fault);
    if (r.code != static_cast<uint32_t>(kInjectedError)) bad.Add(n, "returned " + Hex(r.code));
    if (r.calls != n) bad.Add(n, "host saw " + std::to_string(r.calls) + " calls");
  }
  EXPECT_TRUE(bad.Empty()) << GetParam() << " (" << baseline_.calls << " calls)\n" << bad.Text();
  std::printf("[  sweep   ] %s: %llu host calls, each failed once\n", GetParam(),
              static_cast<unsigned long long>(baseline_.calls));
}

TEST_P(FaultSweep, FailedCallIsLoggedOnceWithItsCode) {
  // With every log category on, for a sample of calls: the log names the
  // failed call once, with the host's code, and nothing after it.
  robust::TempDir logging;
  const std::string logPath = logging.File("import.log");
  robust::WriteLogConfig(logging.Path(), logPath);
  Mismatches bad;
  for (uint64_t n = 1; n <= baseline_.calls; n += 5) {
    HostFault fault{n, kInjectedError, false};
    const RunResult r = RunImport(path_, logging.Path(), fault);
    if (r.code != static_cast<uint32_t>(kInjectedError)) bad.Add(n, "returned " + Hex(r.code));
    if (r.calls != n) bad.Add(n, "host saw " + std::to_string(r.calls) + " calls");
    const std::string log = robust::ReadText(logPath);
    const size_t error = log.find("ERROR -- ");
    if (error == std::string::npos || log.find("ERROR -- ", error + 1) != std::string::npos) {
      bad.Add(n, "not exactly one ERROR line in the log");
      continue;
    }
    const size_t lineEnd = log.find('\n', error);
    const std::string line = log.substr(error, lineEnd - error);
    if (line.find("(Code=0xFFFFEF6E)") == std::string::npos) bad.Add(n, "logged as " + line);
    if (log.find("OK -- ", lineEnd) != std::string::npos)
      bad.Add(n, "host call logged after the error");
  }
  EXPECT_TRUE(bad.Empty()) << GetParam() << "\n" << bad.Text();
}

TEST_P(FaultSweep, HostWarningsAreReturnedAndChangeNothingElse) {
  // A sample of calls spread over the whole import, first and last included.
  const uint64_t step = baseline_.calls / 40 + 1;
  std::vector<uint64_t> calls;
  for (uint64_t n = 1; n < baseline_.calls; n += step) calls.push_back(n);
  calls.push_back(baseline_.calls);

  Mismatches bad;
  bool sawPlainZero = false;
  for (uint64_t n : calls) {
    HostFault fault{n, kInjectedWarning, true};
    const RunResult r = RunImport(path_, config_.Path(), fault, true);
    // A host warning is returned unless an input warning or assumption came
    // first (those keep the status); once that happened it stays so.
    if (r.code == 0) {
      sawPlainZero = true;
    } else if (r.code != kHostWarningCode || sawPlainZero) {
      bad.Add(n, "returned " + Hex(r.code));
    }
    if (r.calls != baseline_.calls) bad.Add(n, "host saw " + std::to_string(r.calls) + " calls");
    if (r.tree != baseline_.tree) bad.Add(n, "object tree differs");
  }
  EXPECT_TRUE(bad.Empty()) << GetParam() << "\n" << bad.Text();
}

INSTANTIATE_TEST_SUITE_P(Examples, FaultSweep, ::testing::Values("can", "lin", "ar3"));

}  // namespace
