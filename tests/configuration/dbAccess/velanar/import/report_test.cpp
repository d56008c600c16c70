#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "import/report.h"
#include "temp_folder.h"

namespace {

// Runs `body` against a report logging to a fresh file and returns the text.
template <typename Body>
std::string LogOf(Body body) {
  TempFolder folder;
  const std::string path = folder / "log.txt";
  {
    cReport report;
    EXPECT_TRUE(report.OpenLogFile(path.c_str()));
    body(report);
  }
  return ReadWholeFile(path);
}

TEST(Report, LineFormat) {
  const std::string log = LogOf([](cReport& r) {
    r.Write(kCatErr, kSubErrDefault, "file \"%s\": parser error", "/x/a.arxml");
    r.Write(kCatInfo, kSubInfoDefault, "file[%u]; \"%s\"", 3u, "p");
  });
  EXPECT_EQ(log, "2,0,'file \"/x/a.arxml\": parser error'\r\n0,0,'file[3]; \"p\"'\r\n");
}

TEST(Report, IndentationAndEmptyLines) {
  const std::string log = LogOf([](cReport& r) {
    ToIndent outer(4, r.Sink());
    r.Write(kCatWarn, kSubWarnDefault, "a");
    r.WriteEmptyLine(kCatWarn, kSubWarnDefault);
    {
      ToIndent inner(2, r.Sink());
      r.Write(kCatWarn, kSubWarnDefault, "b");
    }
    r.Write(kCatWarn, kSubWarnDefault, "c");
  });
  EXPECT_EQ(log, "    1,0,'a'\r\n\r\n      1,0,'b'\r\n    1,0,'c'\r\n");
}

TEST(Report, IndentationNeverNegative) {
  ToLogFile sink;
  {
    ToIndent minus(-3, sink);
    EXPECT_EQ(sink.Indentation(), 0);
  }
  EXPECT_EQ(sink.Indentation(), 0);
  {
    ToIndent plus(2, sink);
    ToIndent minus(-3, sink);  // would go below 0: not made, not undone
    EXPECT_EQ(sink.Indentation(), 2);
  }
  EXPECT_EQ(sink.Indentation(), 0);
}

TEST(Report, LongMessagesAreWrittenWhole) {
  const std::string longText(1000, 'x');
  const std::string exact(255, 'y');  // fills the first 256-byte buffer with its NUL
  const std::string log = LogOf([&](cReport& r) {
    r.Write(kCatInfo, kSubInfoDefault, "%s", longText.c_str());
    r.Write(kCatInfo, kSubInfoDefault, "%s", exact.c_str());
    r.Write(kCatInfo, kSubInfoDefault, "%s|%s", exact.c_str(), "z");
  });
  EXPECT_EQ(log, "0,0,'" + longText + "'\r\n0,0,'" + exact + "'\r\n0,0,'" + exact + "|z'\r\n");
}

TEST(Report, OutputLargerThanTheBufferIsKeptInOrder) {
  std::string expected;
  const std::string log = LogOf([&](cReport& r) {
    for (int i = 0; i < 500; ++i) {
      r.Write(kCatInfo, kSubInfoDefault, "line %d", i);
      expected += "0,0,'line " + std::to_string(i) + "'\r\n";
    }
  });
  EXPECT_EQ(log, expected);
}

TEST(Report, DefaultCategories) {
  cReport report;
  EXPECT_TRUE(report.IsEnabled(kCatInfo, kSubInfoDefault));
  EXPECT_TRUE(report.IsEnabled(kCatWarn, kSubWarnDefault));
  EXPECT_TRUE(report.IsEnabled(kCatErr, kSubErrDefault));
  EXPECT_FALSE(report.IsEnabled(kCatInfo, kSubInfoVelanDb));
  EXPECT_FALSE(report.IsEnabled(kCatWarn, kSubWarnVelanDb));
  for (uint32_t s = 0; s < 6; ++s) EXPECT_FALSE(report.IsEnabled(kCatDebug, s));
  // Out of range never writes.
  EXPECT_FALSE(report.IsEnabled(4, 0));
  EXPECT_FALSE(report.IsEnabled(kCatErr, 1));
}

TEST(Report, CategorySwitchesStayWithinTheCategory) {
  cReport report;
  report.EnableAll(kCatInfo);
  for (uint32_t s = 0; s < 4; ++s) EXPECT_TRUE(report.IsEnabled(kCatInfo, s));
  EXPECT_FALSE(report.IsEnabled(kCatInfo, 4));
  report.EnableAll(kCatErr);
  EXPECT_FALSE(report.IsEnabled(kCatErr, 1));
  report.DisableAll(kCatWarn);
  EXPECT_FALSE(report.IsEnabled(kCatWarn, kSubWarnDefault));
  report.EnableSubcategory(kCatDebug, kSubDebugListShortNameResolver);
  EXPECT_TRUE(report.IsEnabled(kCatDebug, kSubDebugListShortNameResolver));
  report.EnableSubcategory(kCatDebug, 6);  // beyond the count: ignored
  EXPECT_FALSE(report.IsEnabled(kCatDebug, 6));
  report.EnableSubcategory(9, 0);
  EXPECT_FALSE(report.IsEnabled(9, 0));
}

TEST(Report, DisabledLinesAreNotWritten) {
  const std::string log = LogOf([](cReport& r) {
    r.Write(kCatInfo, kSubInfoVelanDb, "hidden");
    r.WriteEmptyLine(kCatDebug, kSubDebug0);
    r.Write(kCatDebug, kSubDebug0, "hidden");
    r.Write(7, 0, "hidden");
    r.Write(kCatInfo, kSubInfoDefault, "shown");
  });
  EXPECT_EQ(log, "0,0,'shown'\r\n");
}

TEST(Report, ElementMessageForm) {
  const std::string log = LogOf([](cReport& r) {
    r.WriteElement(kCatWarn, kSubWarnDefault, "AR:FRAME", 2, 17, 4, "missing <AR:FRAME-LENGTH>");
  });
  EXPECT_EQ(log, "1,0,'<AR:FRAME> (file=2, line=17, column=4): missing <AR:FRAME-LENGTH>'\r\n");
}

TEST(Report, NothingWithoutLogFile) {
  TempFolder folder;
  cReport report;
  EXPECT_FALSE(report.OpenLogFile(nullptr));
  EXPECT_FALSE(report.OpenLogFile(""));
  EXPECT_FALSE(report.OpenLogFile((folder / "no/such/folder/log.txt").c_str()));
  report.Write(kCatInfo, kSubInfoDefault, "dropped");
  EXPECT_FALSE(report.Sink().IsOpen());
}

TEST(Report, OpeningEmptiesAnExistingFile) {
  TempFolder folder;
  const std::string path = folder.Write("log.txt", "old content that is longer\r\n");
  {
    cReport report;
    ASSERT_TRUE(report.OpenLogFile(path.c_str()));
    report.Write(kCatErr, kSubErrDefault, "new");
  }
  EXPECT_EQ(ReadWholeFile(path), "2,0,'new'\r\n");
}

TEST(Report, ReopeningDropsBufferedTextOfTheFirstFile) {
  TempFolder folder;
  const std::string first = folder / "first.txt";
  const std::string second = folder / "second.txt";
  {
    cReport report;
    ASSERT_TRUE(report.OpenLogFile(first.c_str()));
    report.Write(kCatErr, kSubErrDefault, "one");
    ASSERT_TRUE(report.OpenLogFile(second.c_str()));
    report.Write(kCatErr, kSubErrDefault, "two");
  }
  EXPECT_EQ(ReadWholeFile(first), "");
  EXPECT_EQ(ReadWholeFile(second), "2,0,'two'\r\n");
}

}  // namespace
