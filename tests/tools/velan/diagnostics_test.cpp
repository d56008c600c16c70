// Mapping of the importer's log lines to compiler-style diagnostics.
#include "diagnostics.h"

#include <gtest/gtest.h>

namespace velan_tool {
namespace {

TEST(ImportLogDiagnostics, MapsElementLinesToTheirFilesByIndex) {
  const std::string log =
      "0,0,'List of ARXML Files'\r\n"
      "0,0,'file[0]; \"in/a.arxml\"'\r\n"
      "0,0,'file[1]; \"in/b.ARXML\"'\r\n"
      "\r\n"
      "0,0,'read file \"in/a.arxml\": success'\r\n"
      "1,0,'<AR:CAN-FRAME> (file=1, line=12, column=8): missing <AR:FRAME-LENGTH> element'\r\n"
      "    1,5,'<AR:I-SIGNAL> (file=0, line=300, column=0): missing <UNIT>'\r\n"
      "2,0,'<AR:SYSTEM> (file=0, line=3, column=4): it's an error'\r\n"
      "0,1,'<AR:SYSTEM> (file=0, line=3, column=4): info lines are not diagnostics'\r\n";
  LogSummary s = ParseImportLog(log);
  ASSERT_EQ(s.files.size(), 2u);
  EXPECT_EQ(s.files.at(1), "in/b.ARXML");
  ASSERT_EQ(s.diagnostics.size(), 3u);
  EXPECT_EQ(s.diagnostics[0].Format(),
            "in/b.ARXML:12:8: warning: missing <AR:FRAME-LENGTH> element [AR:CAN-FRAME]");
  // Indentation before the prefix does not hide a line.
  EXPECT_EQ(s.diagnostics[1].Format(), "in/a.arxml:300:0: warning: missing <UNIT> [AR:I-SIGNAL]");
  // A quote inside the message stays; only the closing quote of the line goes.
  EXPECT_EQ(s.diagnostics[2].Format(), "in/a.arxml:3:4: error: it's an error [AR:SYSTEM]");
  EXPECT_EQ(s.Count(Diagnostic::kWarning), 2u);
  EXPECT_EQ(s.Count(Diagnostic::kError), 1u);
}

TEST(ImportLogDiagnostics, OddLinesAndForms) {
  const std::string log =
      // No file list line for index 4.
      "1,0,'<AR:X> (file=4, line=1, column=2): lost'\n"
      // The count warning carries " element" after the name.
      "1,0,'<AR:PDU-TRIGGERINGS> element (file=4, line=7, column=9): found only 0 "
      "<AR:PDU-TRIGGERING> elements. Expected 1 elements.'\n"
      // Errors without an element.
      "2,0,'file \"x.arxml\": parser error'\n"
      // The unresolved-reference listing: title, rule and [none] are no findings.
      "\n1,3,'List unresolved FIBEX-ELEMENT-REF targets:'\n"
      "1,3,'------------------------------------------'\n"
      "  1,3,'<AR:FIBEX-ELEMENT-REF> (file=4, line=20, column=6): target not found.'\n"
      "1,3,'[none]'\n"
      // A host warning and the status text line that follows it.
      "1,2,'WARNING -- CreateChildObject (Code=0x00000005) -- Type=\"PDU\", Name=\"p\", "
      "ParentObjectType=\"CLUSTER\", ParentObjectID=1.'\n"
      "1,2,'\"some host text\"'\n"
      // A message broken over two lines.
      "1,0,'<AR:Y> (file=4, line=5, column=1): first\n"
      "second'\n"
      "garbage without prefix\n";
  LogSummary s = ParseImportLog(log);
  ASSERT_EQ(s.diagnostics.size(), 6u);
  EXPECT_EQ(s.diagnostics[0].Format(), "<file 4>:1:2: warning: lost [AR:X]");
  EXPECT_EQ(s.diagnostics[1].element, "AR:PDU-TRIGGERINGS");
  EXPECT_EQ(s.diagnostics[1].line, 7u);
  EXPECT_EQ(s.diagnostics[1].message,
            "found only 0 <AR:PDU-TRIGGERING> elements. Expected 1 elements.");
  EXPECT_EQ(s.diagnostics[2].Format(), "velan: error: file \"x.arxml\": parser error");
  EXPECT_EQ(s.diagnostics[3].message, "target not found.");
  EXPECT_NE(s.diagnostics[4].message.find("ParentObjectID=1. \"some host text\""),
            std::string::npos);
  EXPECT_EQ(s.diagnostics[5].message, "first second");
}

TEST(ImportLogDiagnostics, RendersFirstTenWarningsAndTheCount) {
  LogSummary s;
  s.files[0] = "f.arxml";
  for (int i = 1; i <= 12; ++i) {
    Diagnostic d;
    d.file = "f.arxml";
    d.line = static_cast<uint64_t>(i);
    d.message = "w" + std::to_string(i);
    s.diagnostics.push_back(d);
  }
  Diagnostic e;
  e.severity = Diagnostic::kError;
  e.message = "bad";
  s.diagnostics.push_back(e);

  std::string def = RenderDiagnostics(s, false, false);
  EXPECT_NE(def.find("f.arxml:10:0: warning: w10\n"), std::string::npos);
  EXPECT_EQ(def.find("w11"), std::string::npos);
  EXPECT_NE(def.find("velan: error: bad\n"), std::string::npos);
  EXPECT_NE(def.find("velan: 12 warnings (10 shown; --warnings shows all)\n"), std::string::npos);

  std::string all = RenderDiagnostics(s, true, false);
  EXPECT_NE(all.find("w12"), std::string::npos);
  EXPECT_NE(all.find("velan: 12 warnings\n"), std::string::npos);

  EXPECT_EQ(RenderDiagnostics(s, true, true), "velan: error: bad\n");
  EXPECT_EQ(RenderDiagnostics(LogSummary(), false, false), "");
}

}  // namespace
}  // namespace velan_tool
