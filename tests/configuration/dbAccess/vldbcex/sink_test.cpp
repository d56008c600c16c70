// The text sink, the output file, number formatting and the text helpers of
// the writers.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <clocale>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>

#include "dbc/dbc_writer.h"
#include "dbc/to_logfile.h"
#include "dbc/to_xfile.h"
#include "export/to_driver.h"
#include "export/to_scoped.h"
#include "export/to_status.h"
#include "fake_host.h"
#include "golden_scenarios.h"
#include "test_util.h"

namespace vldbcex_test {
namespace {

using vldbcex::ToLogFile;
using vldbcex::ToXFile;

std::string Repeat(char c, size_t n) {
  return std::string(n, c);
}

TEST(TextSink, LongTextReachesTheFileWholeAcrossBuffers) {
  TempDir dir;
  const std::string path = dir.File("out.txt");
  // Pieces that end exactly at, just before and well after the capacity.
  const std::string a = Repeat('a', 1024);
  const std::string b = Repeat('b', 1023);
  const std::string c = Repeat('c', 3000);
  {
    ToLogFile sink;
    sink.SetMode(ToLogFile::kModeFile);
    sink.Attach(ToXFile::Open(path.c_str(), 1));
    sink.Write(a.c_str());
    sink.Write(b.c_str());
    sink.WriteSpaces(5);
    sink.Write(c.c_str());
    sink.Write(nullptr);
    sink.Write("");
    EXPECT_LE(sink.Count(), ToLogFile::kCapacity);
  }
  EXPECT_EQ(ReadFile(path), a + b + "     " + c);
}

TEST(TextSink, DiscardModeKeepsOneBufferAndWritesNothing) {
  TempDir dir;
  const std::string path = dir.File("out.txt");
  {
    ToLogFile sink;  // made in mode 3
    EXPECT_EQ(sink.Mode(), ToLogFile::kModeDiscard);
    sink.Attach(ToXFile::Open(path.c_str(), 1));
    sink.Write(Repeat('x', 2000).c_str());
    EXPECT_EQ(sink.Count(), ToLogFile::kCapacity);
    sink.Flush();
  }
  EXPECT_EQ(ReadFile(path), "");
}

TEST(TextSink, UnbufferedSinkWritesEveryTextAtOnce) {
  TempDir dir;
  const std::string path = dir.File("out.txt");
  ToLogFile sink;
  sink.SetMode(ToLogFile::kModeFile);
  sink.SetBuffered(false);
  sink.Attach(ToXFile::Open(path.c_str(), 1));
  sink.Write("abc");
  EXPECT_EQ(ReadFile(path), "abc");
  sink.WriteSpaces(2);
  EXPECT_EQ(ReadFile(path), "abc  ");
}

TEST(TextSink, LineEndIsCrLfOnlyWithAFile) {
  TempDir dir;
  const std::string path = dir.File("out.txt");
  ToLogFile sink;
  sink.SetMode(ToLogFile::kModeFile);
  sink.Eol();
  EXPECT_EQ(sink.Count(), 1u);  // LF alone while no file is attached
  sink.ResetCount();
  sink.Attach(ToXFile::Open(path.c_str(), 1));
  sink.SetIndent(2);
  sink.LineStart();
  sink.Write("x");
  sink.Eol();
  sink.Flush();
  EXPECT_EQ(ReadFile(path), "  x\r\n");
}

TEST(TextSink, FailedWriteIsRecordedUnlessAnErrorIsThere) {
  if (::access("/dev/full", W_OK) != 0) GTEST_SKIP() << "/dev/full is not available";
  dbaStatus status = {0, 0};
  {
    ToLogFile sink;
    sink.SetStatus(&status);
    sink.SetMode(ToLogFile::kModeFile);
    sink.Attach(ToXFile::Open("/dev/full", 1));
    ASSERT_NE(sink.File(), nullptr);
    sink.Write(Repeat('x', 3000).c_str());  // hands out a full buffer
    EXPECT_TRUE(sink.WriteFailed());
  }
  EXPECT_EQ(status.detail, vldbcex::kDetailOutputFile);
  EXPECT_EQ(status.code, vldbcex::kCodeOutputFile);

  dbaStatus earlier = {5, 0x80000005u};
  {
    ToLogFile sink;
    sink.SetStatus(&earlier);
    sink.SetMode(ToLogFile::kModeFile);
    sink.Attach(ToXFile::Open("/dev/full", 1));
    sink.Write("short text, written when the sink ends");
  }
  EXPECT_EQ(earlier.detail, 5u);
  EXPECT_EQ(earlier.code, 0x80000005u);
}

TEST(TextSink, ExportToAFullDeviceIsAFailure) {
  if (::access("/dev/full", W_OK) != 0) GTEST_SKIP() << "/dev/full is not available";
  FakeHost host;
  const TRefs refs = BuildFake(host, ClassicCluster());
  dbaStatus status = {0, 0};
  vldbcex::DbcWrite(refs.cluster, "/dev/full", &status);
  EXPECT_EQ(status.detail, vldbcex::kDetailOutputFile);
  EXPECT_EQ(status.code, vldbcex::kCodeOutputFile);
  // The database's flag was still put back.
  EXPECT_EQ(host.Bytes(refs.database, vldbcex::prop::kDatabaseShowInvalid),
            std::vector<uint8_t>{0});
}

TEST(OutputFile, OpenModes) {
  TempDir dir;
  const std::string path = dir.File("f.txt");
  auto write = [](ToXFile* f, const char* text) {
    ASSERT_NE(f, nullptr);
    EXPECT_TRUE(f->Write(text, std::strlen(text)));
    delete f;
  };
  // 0: create new only.
  write(ToXFile::Open(path.c_str(), 0), "first");
  EXPECT_EQ(ToXFile::Open(path.c_str(), 0), nullptr);
  EXPECT_EQ(ReadFile(path), "first");
  // 3: open or create, no truncation.
  write(ToXFile::Open(path.c_str(), 3), "F");
  EXPECT_EQ(ReadFile(path), "First");
  // 2 and any other value: existing file, no truncation; a missing file fails.
  write(ToXFile::Open(path.c_str(), 2), "FI");
  write(ToXFile::Open(path.c_str(), 77), "FIR");
  EXPECT_EQ(ReadFile(path), "FIRst");
  EXPECT_EQ(ToXFile::Open(dir.File("missing").c_str(), 2), nullptr);
  // 4: truncate an existing file; a missing file fails.
  write(ToXFile::Open(path.c_str(), 4), "4");
  EXPECT_EQ(ReadFile(path), "4");
  EXPECT_EQ(ToXFile::Open(dir.File("missing").c_str(), 4), nullptr);
  EXPECT_FALSE(FileExists(dir.File("missing")));
  // 1: create or truncate.
  write(ToXFile::Open(path.c_str(), 1), "one");
  EXPECT_EQ(ReadFile(path), "one");
  write(ToXFile::Open(dir.File("new").c_str(), 1), "");
  EXPECT_TRUE(FileExists(dir.File("new")));
  // A folder, an empty path and no path are refused.
  EXPECT_EQ(ToXFile::Open(dir.Path().c_str(), 1), nullptr);
  EXPECT_EQ(ToXFile::Open("", 1), nullptr);
  EXPECT_EQ(ToXFile::Open(nullptr, 1), nullptr);
}

TEST(OutputFile, NamedPipeWithoutReaderFailsInsteadOfHanging) {
  TempDir dir;
  const std::string path = dir.File("pipe");
  ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(ToXFile::Open(path.c_str(), 1), nullptr);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
}

TEST(RealFormat, TwentySignificantDigitsWithoutTrailingZeros) {
  char area[256];
  EXPECT_STREQ(vldbcex::FormatReal(0.1, area), "0.10000000000000000555");
  EXPECT_STREQ(vldbcex::FormatReal(1.0, area), "1");
  EXPECT_STREQ(vldbcex::FormatReal(-10.0, area), "-10");
  EXPECT_STREQ(vldbcex::FormatReal(53.5, area), "53.5");
  EXPECT_STREQ(vldbcex::FormatReal(0.0, area), "0");
  EXPECT_STREQ(vldbcex::FormatReal(1e300, area), "1.0000000000000000525e+300");
}

// Switches LC_NUMERIC to a locale whose decimal separator is a comma: one
// the system has, or one compiled into a temporary folder.
class CommaLocale {
 public:
  CommaLocale() {
    const char* old = std::setlocale(LC_NUMERIC, nullptr);
    saved_ = old != nullptr ? old : "C";
    for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "de_DE", "fr_FR"}) {
      if (Use(name)) return;
    }
    if (::access("/usr/bin/localedef", X_OK) != 0) return;
    const std::string target = dir_.File("de_DE.UTF-8");
    const std::string command =
        "/usr/bin/localedef -i de_DE -f UTF-8 '" + target + "' >/dev/null 2>&1";
    if (std::system(command.c_str()) != 0 && !FileExists(target)) return;
    const char* locpath = std::getenv("LOCPATH");
    if (locpath != nullptr) savedLocpath_ = locpath;
    hadLocpath_ = locpath != nullptr;
    ::setenv("LOCPATH", dir_.Path().c_str(), 1);
    Use("de_DE.UTF-8");
  }
  ~CommaLocale() {
    std::setlocale(LC_NUMERIC, saved_.c_str());
    if (hadLocpath_) {
      ::setenv("LOCPATH", savedLocpath_.c_str(), 1);
    } else {
      ::unsetenv("LOCPATH");
    }
  }
  bool Active() const { return active_; }

 private:
  bool Use(const char* name) {
    if (std::setlocale(LC_NUMERIC, name) == nullptr) return false;
    char text[16];
    std::snprintf(text, sizeof text, "%.1f", 0.5);
    active_ = std::string(text) == "0,5";
    if (!active_) std::setlocale(LC_NUMERIC, saved_.c_str());
    return active_;
  }

  TempDir dir_;
  std::string saved_;
  std::string savedLocpath_;
  bool hadLocpath_ = false;
  bool active_ = false;
};

TEST(RealFormat, CommaLocaleStillWritesFullStops) {
  CommaLocale comma;
  if (!comma.Active()) GTEST_SKIP() << "no locale with a decimal comma can be made";
  char area[256];
  EXPECT_STREQ(vldbcex::FormatReal(0.1, area), "0.10000000000000000555");
  EXPECT_STREQ(vldbcex::FormatReal(-0.5, area), "-0.5");

  FakeHost host;
  const TRefs refs = BuildFake(host, ClassicCluster());
  TempDir dir;
  dbaStatus status = {0, 0};
  vldbcex::DbcWrite(refs.cluster, dir.File("c.dbc").c_str(), &status);
  EXPECT_EQ(status.code, 0u);
  EXPECT_EQ(ReadFile(dir.File("c.dbc")), CrLf(ClassicExpected()));
}

TEST(CommentEscaping, Rules) {
  using vldbcex::EscapeComment;
  EXPECT_EQ(EscapeComment("plain"), "plain");
  EXPECT_EQ(EscapeComment("ends in \\"), "ends in \\ ");
  EXPECT_EQ(EscapeComment("\\n stays"), "\\n stays");
  EXPECT_EQ(EscapeComment("a \"quote\""), "a \\\"quote\\\"");
  EXPECT_EQ(EscapeComment("two\nlines"), "two\r\nlines");
  EXPECT_EQ(EscapeComment("crlf\r\nend"), "crlf\r\r\nend");
  // A backslash takes the next character along unchanged, even a quote or
  // a line feed.
  EXPECT_EQ(EscapeComment("\\\"x"), "\\\"x");
  EXPECT_EQ(EscapeComment("a\\\nb"), "a\\\nb");
  EXPECT_EQ(EscapeComment("\\\\"), "\\\\");
  EXPECT_EQ(EscapeComment(""), "");
}

TEST(BigEndianStartBit, MovesToTheMostSignificantBit) {
  using vldbcex::MoveBigEndianStartBit;
  EXPECT_EQ(MoveBigEndianStartBit(8, 12), 3u);
  EXPECT_EQ(MoveBigEndianStartBit(20, 1), 20u);
  EXPECT_EQ(MoveBigEndianStartBit(20, 0), 20u);
  EXPECT_EQ(MoveBigEndianStartBit(0, 8), 7u);
  EXPECT_EQ(MoveBigEndianStartBit(56, 64), 7u);
  // The closed form agrees with walking bit by bit, wrap-around included.
  for (uint32_t start = 0; start < 80; ++start) {
    for (uint32_t bits = 1; bits < 70; ++bits) {
      uint32_t walk = start;
      for (uint32_t i = 1; i < bits; ++i) {
        walk += 1;
        if (walk % 8 == 0) walk -= 16;
      }
      ASSERT_EQ(MoveBigEndianStartBit(start, bits), walk) << start << " " << bits;
    }
  }
  // A bit count from a damaged database does not make the work grow.
  const auto begin = std::chrono::steady_clock::now();
  MoveBigEndianStartBit(8, 0xFFFFFFFFu);
  EXPECT_LT(std::chrono::steady_clock::now() - begin, std::chrono::seconds(1));
}

TEST(Milliseconds, CutTowardZeroAndOutOfRangeGivesTheLowestValue) {
  EXPECT_EQ(vldbcex::MillisecondsToInt32(0.02), 20);
  EXPECT_EQ(vldbcex::MillisecondsToInt32(0.1), 100);
  EXPECT_EQ(vldbcex::MillisecondsToInt32(-0.0021), -1);
  const double nan = std::numeric_limits<double>::quiet_NaN();
  EXPECT_EQ(vldbcex::MillisecondsToInt32(nan), std::numeric_limits<int32_t>::min());
  EXPECT_EQ(vldbcex::MillisecondsToInt32(3e6), std::numeric_limits<int32_t>::min());
  EXPECT_EQ(vldbcex::MillisecondsToInt64(3e6), 3000000000);
  EXPECT_EQ(vldbcex::MillisecondsToInt64(nan), std::numeric_limits<int64_t>::min());
}

TEST(ScopedArray, SizingReplacesShrinksAndReleases) {
  vldbcex::ToScopedArray<uint32_t> a;
  ASSERT_TRUE(a.Resize(4));
  a[3] = 7;
  uint32_t* storage = a.Data();
  ASSERT_TRUE(a.Resize(2));  // within capacity: only the count changes
  EXPECT_EQ(a.Data(), storage);
  EXPECT_EQ(a.Capacity(), 4u);
  EXPECT_EQ(a.Count(), 2u);
  ASSERT_TRUE(a.Resize(4));
  EXPECT_EQ(a[3], 7u);       // the same storage again
  ASSERT_TRUE(a.Resize(9));  // beyond: new storage, old content not copied
  EXPECT_EQ(a.Capacity(), 9u);
  EXPECT_EQ(a[3], 0u);
  ASSERT_TRUE(a.Resize(0));
  EXPECT_EQ(a.Data(), nullptr);
  EXPECT_EQ(a.Capacity(), 0u);
  EXPECT_FALSE(a.Resize(uint64_t{1} << 62));  // no memory: count 0
  EXPECT_EQ(a.Count(), 0u);
}

TEST(ScopedArray, VcleanPutsTheValueBack) {
  uint64_t index = 5;
  {
    vldbcex::vclean<uint64_t> guard(&index, 5);
    index = 1;
  }
  EXPECT_EQ(index, 5u);
}

}  // namespace
}  // namespace vldbcex_test
