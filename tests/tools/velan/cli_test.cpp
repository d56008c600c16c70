// The velan command-line tool as a user runs it: usage errors, exit codes,
// options reaching the importer, diagnostics with file positions, atomic
// outputs.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "tool_runner.h"

namespace velan_test {
namespace {

const char* const kCanExample = "examples/can/system.arxml";
const char* const kLinExample = "examples/lin/system.arxml";

std::string CanExampleText() {
  return ReadFile(SourcePath(kCanExample));
}

// The example split in two files: the PDU package moves to the second one,
// so findings about PDUs point into that file.
void SplitCanExample(const std::string& folder, std::string* first, std::string* second) {
  std::string text = CanExampleText();
  size_t name = text.find("<SHORT-NAME>PDU</SHORT-NAME>");
  ASSERT_NE(name, std::string::npos);
  size_t begin = text.rfind("    <AR-PACKAGE>", name);
  const std::string close = "    </AR-PACKAGE>\n";
  size_t end = text.find(close, name) + close.size();
  std::string package = text.substr(begin, end - begin);
  size_t rootEnd = text.find('\n', text.find("<AUTOSAR ")) + 1;
  *first = text.substr(0, begin) + text.substr(end);
  *second =
      text.substr(0, rootEnd) + "  <AR-PACKAGES>\n" + package + "  </AR-PACKAGES>\n</AUTOSAR>\n";
  WriteFile(folder + "/a.arxml", *first);
  WriteFile(folder + "/b.arxml", *second);
}

// The example with a second CAN cluster carrying the same channel content.
std::string TwoClusterExample() {
  std::string text = CanExampleText();
  size_t b = text.find("        <CAN-CLUSTER>");
  const std::string close = "        </CAN-CLUSTER>\n";
  size_t e = text.find(close, b) + close.size();
  std::string copy = text.substr(b, e - b);
  const std::string oldName = "<SHORT-NAME>VehicleCAN</SHORT-NAME>";
  copy.replace(copy.find(oldName), oldName.size(), "<SHORT-NAME>ChassisCAN</SHORT-NAME>");
  text.insert(e, copy);
  const std::string ref =
      "<FIBEX-ELEMENT-REF DEST=\"CAN-CLUSTER\">/Cluster/VehicleCAN</FIBEX-ELEMENT-REF>";
  size_t r = text.find(ref);
  text.insert(r + ref.size(),
              "</FIBEX-ELEMENT-REF-CONDITIONAL><FIBEX-ELEMENT-REF-CONDITIONAL>"
              "<FIBEX-ELEMENT-REF DEST=\"CAN-CLUSTER\">/Cluster/ChassisCAN</FIBEX-ELEMENT-REF>");
  return text;
}

// 1-based line and 0-based column of the first occurrence of `needle`.
std::pair<int, int> PositionOf(const std::string& text, const std::string& needle) {
  size_t at = text.find(needle);
  int line = 1;
  size_t lineStart = 0;
  for (size_t i = 0; i < at; ++i)
    if (text[i] == '\n') {
      ++line;
      lineStart = i + 1;
    }
  return {line, static_cast<int>(at - lineStart)};
}

const char* const kCfgNs = "urn:velan:velanar-cfg:1";

std::string CanDisabledConfig() {
  return std::string("<cfg:CONFIGURATION xmlns:cfg=\"") + kCfgNs +
         "\"><cfg:Policies><cfg:CANCluster Enabled=\"false\"/>"
         "<cfg:LINCluster Enabled=\"true\"/></cfg:Policies></cfg:CONFIGURATION>";
}

TEST_F(ToolTest, UsageErrorsExitWithTwo) {
  struct Case {
    std::vector<std::string> args;
    const char* message;
  };
  mkdir(Path("folder").c_str(), 0777);
  const Case cases[] = {
      {{}, "A subcommand is required"},
      {{"frobnicate"}, ""},
      {{"import"}, "PATH is required"},
      {{"import", "x.arxml", "--no-such-option"}, "--no-such-option"},
      {{"import", "x.arxml", "--config", "missing.xml"}, "missing.xml"},
      {{"import", SourcePath(kCanExample), "--log-all"}, "--log-all needs a log file"},
      {{"convert"}, "INPUT is required"},
      {{"convert", "folder", "--only-file"}, "--only-file needs an ARXML file"},
      {{"convert", SourcePath(kCanExample), "-o", "x.dbc", "--cluster", "A", "--cluster", "B"},
       "names one file"},
      {{"dump"}, "FILE is required"},
      {{"export", "x.vdb"}, "--output is required"},
  };
  for (const Case& c : cases) {
    RunResult r = Run(c.args);
    std::string shown;
    for (const auto& a : c.args) shown += a + " ";
    EXPECT_EQ(r.exitCode, 2) << shown << "\n" << r.err;
    EXPECT_NE(r.err.find(c.message), std::string::npos) << shown << "\n" << r.err;
  }
  EXPECT_FALSE(FileExists(Path("x.dbc")));
}

TEST_F(ToolTest, HelpDescribesEveryCommandWithExamples) {
  RunResult top = Run({"--help"});
  EXPECT_EQ(top.exitCode, 0);
  for (const char* word : {"convert", "import", "dump", "export", "Examples:", "Exit status"})
    EXPECT_NE(top.out.find(word), std::string::npos) << word;
  const std::vector<std::pair<std::string, std::vector<std::string>>> commands = {
      {"convert",
       {"--output", "--cluster", "--config", "--log", "--log-all", "--only-file", "--flexray",
        "--all-clusters", "--keep-db", "--warnings", "--quiet", "--no-value-tables"}},
      {"import",
       {"--dump", "--config", "--log", "--log-all", "--only-file", "--flexray", "--all-clusters",
        "--output"}},
      {"dump", {"--json"}},
      {"export", {"--cluster", "--output", "--no-value-tables"}}};
  for (const auto& [cmd, options] : commands) {
    RunResult r = Run({cmd, "--help"});
    EXPECT_EQ(r.exitCode, 0) << cmd;
    EXPECT_NE(r.out.find("Examples:\n  velan " + cmd), std::string::npos) << cmd;
    for (const auto& o : options) EXPECT_NE(r.out.find(o), std::string::npos) << cmd << " " << o;
  }
}

TEST_F(ToolTest, ImportPrintsTheReturnedCodeAndExitsByIt) {
  RunResult ok = Run({"import", SourcePath(kCanExample)});
  EXPECT_EQ(ok.exitCode, 0);
  EXPECT_EQ(ok.err, "velan: import returned 0x00000000 (ok)\n");
  EXPECT_EQ(ok.out, "");

  mkdir(Path("bad").c_str(), 0777);
  WriteFile(Path("bad/broken.arxml"),
            "<AUTOSAR xmlns=\"http://autosar.org/schema/r4.0\"><AR-PACKAGES>");
  RunResult bad = Run({"import", "bad/broken.arxml"});
  EXPECT_EQ(bad.exitCode, 1);
  EXPECT_NE(bad.err.find("velan: import failed (0xBFF63081): "), std::string::npos) << bad.err;

  WriteFile(Path("bad/v2.arxml"), "<AUTOSAR xmlns=\"http://autosar.org/\"/>");
  RunResult v2 = Run({"import", "bad/v2.arxml", "--only-file"});
  EXPECT_EQ(v2.exitCode, 1);
  EXPECT_NE(v2.err.find("(0xBFF63165): unsupported AUTOSAR version"), std::string::npos) << v2.err;

  // -o with a failed import writes nothing.
  RunResult noSave = Run({"import", "bad/broken.arxml", "-o", "x.vdb"});
  EXPECT_EQ(noSave.exitCode, 1);
  EXPECT_FALSE(FileExists(Path("x.vdb")));
}

TEST_F(ToolTest, ImportOptionsReachTheImporter) {
  // --log: the file list with CR LF line ends.
  RunResult logged = Run({"import", SourcePath(kCanExample), "--log", "import.txt"});
  EXPECT_EQ(logged.exitCode, 0);
  std::string log = ReadFile(Path("import.txt"));
  EXPECT_EQ(
      log.rfind(
          "0,0,'List of ARXML Files'\r\n0,0,'file[0]; \"" + SourcePath(kCanExample) + "\"'\r\n", 0),
      0u)
      << log.substr(0, 300);
  EXPECT_EQ(log.find("\n3,"), std::string::npos);  // no debug lines by default

  // --log-all: debug categories too.
  EXPECT_EQ(Run({"import", SourcePath(kCanExample), "--log", "all.txt", "--log-all"}).exitCode, 0);
  EXPECT_NE(ReadFile(Path("all.txt")).find("\n3,4,'List SHORT-NAME Resolver Tree'"),
            std::string::npos);

  // --config: a configuration that switches CAN off leaves no cluster.
  WriteFile(Path("nocan.xml"), CanDisabledConfig());
  RunResult noCan = Run({"import", SourcePath(kCanExample), "--config", "nocan.xml"});
  EXPECT_EQ(noCan.exitCode, 1) << noCan.err;

  // The usual configuration folder is honoured, also when options adjust it.
  WriteFile(Path("cfg/velanar-cfg.xml"), CanDisabledConfig());
  EXPECT_EQ(Run({"import", SourcePath(kCanExample)}).exitCode, 1);
  EXPECT_EQ(Run({"import", SourcePath(kCanExample), "--flexray"}).exitCode, 1);
  unlink(Path("cfg/velanar-cfg.xml").c_str());

  // --only-file: a broken sibling file is not read.
  mkdir(Path("two").c_str(), 0777);
  WriteFile(Path("two/a.arxml"), CanExampleText());
  WriteFile(Path("two/b.arxml"), "<AUTOSAR");
  EXPECT_EQ(Run({"import", "two/a.arxml"}).exitCode, 1);
  EXPECT_EQ(Run({"import", "two/a.arxml", "--only-file"}).exitCode, 0);

  // --flexray: a FlexRay cluster is converted only when asked for.
  std::string flexRay = CanExampleText();
  for (const char* kind : {"CLUSTER", "PHYSICAL-CHANNEL", "FRAME-TRIGGERING"}) {
    const std::string from = std::string("CAN-") + kind, to = std::string("FLEXRAY-") + kind;
    for (size_t at = flexRay.find(from); at != std::string::npos; at = flexRay.find(from, at))
      flexRay.replace(at, from.size(), to);
  }
  WriteFile(Path("fr.arxml"), flexRay);
  EXPECT_EQ(Run({"import", "fr.arxml", "--only-file"}).exitCode, 1);
  RunResult fr = Run({"import", "fr.arxml", "--only-file", "--flexray", "--dump"});
  EXPECT_EQ(fr.exitCode, 0) << fr.err;
  EXPECT_NE(fr.out.find("IDIP_CLUSTER_PROTOCOL_I16 = 1"), std::string::npos);

  // The private configuration does not outlive the run.
  EXPECT_EQ(system(("test -z \"$(ls -A " + Quote(Path("tmp")) + ")\"").c_str()), 0)
      << "temporary configuration folders left behind";
}

TEST_F(ToolTest, SavedDatabaseDumpsLikeTheImport) {
  RunResult direct = Run({"import", SourcePath(kCanExample), "--dump", "-o", "can.vdb"});
  ASSERT_EQ(direct.exitCode, 0) << direct.err;
  EXPECT_NE(direct.out.find("CLUSTER \"VehicleCAN\""), std::string::npos);
  RunResult dumped = Run({"dump", "can.vdb"});
  EXPECT_EQ(dumped.exitCode, 0) << dumped.err;
  EXPECT_EQ(dumped.out, direct.out);

  RunResult json = Run({"dump", "can.vdb", "--json"});
  ASSERT_EQ(json.exitCode, 0) << json.err;
  nlohmann::json root = nlohmann::json::parse(json.out);
  EXPECT_EQ(root["type"], "DATABASE");
  ASSERT_FALSE(root["children"].empty());
  const auto& cluster = root["children"][0];
  EXPECT_EQ(cluster["type"], "CLUSTER");
  EXPECT_EQ(cluster["name"], "VehicleCAN");
  EXPECT_EQ(cluster["properties"]["IDIP_CLUSTER_SPEED_U64"], 500000);
  EXPECT_EQ(cluster["properties"]["IDIP_CLUSTER_COMMENT_STR"], "Powertrain CAN FD bus");
  EXPECT_EQ(cluster["properties"]["IDIP_CLUSTER_CAN_FD_MODE_U32"], 2);
  // The multiplexer's switch codes and the unit text survive with their types.
  std::string text = json.out;
  EXPECT_NE(text.find("\"IDIP_SUBF_SWITCH_CODE_U32\": 2"), std::string::npos);
  EXPECT_NE(text.find("\"IDIP_COD_UNIT_STR\": \"\xC2\xB0"
                      "C\""),
            std::string::npos);

  WriteFile(Path("junk.vdb"), "not a database");
  RunResult junk = Run({"dump", "junk.vdb"});
  EXPECT_EQ(junk.exitCode, 1);
  EXPECT_NE(junk.err.find("junk.vdb"), std::string::npos);
}

TEST_F(ToolTest, ConvertMapsDiagnosticsToFilesLinesAndColumns) {
  mkdir(Path("in").c_str(), 0777);
  std::string first, second;
  SplitCanExample(Path("in"), &first, &second);
  RunResult r = Run({"convert", "in", "-o", "out", "--warnings"});
  auto [line, column] = PositionOf(second, "<MULTIPLEXED-I-PDU>");
  std::string expected = "in/b.arxml:" + std::to_string(line) + ":" + std::to_string(column) +
                         ": warning: missing <AR:I-PDU-TIMING-SPECIFICATIONS> element "
                         "[AR:MULTIPLEXED-I-PDU]\n";
  EXPECT_NE(r.err.find(expected), std::string::npos) << r.err;
  EXPECT_EQ(r.err.find("in/a.arxml:"), std::string::npos) << r.err;
  // With --warnings every warning line is printed, then their number.
  size_t lines = 0;
  for (size_t at = r.err.find(": warning: "); at != std::string::npos;
       at = r.err.find(": warning: ", at + 1))
    ++lines;
  EXPECT_NE(r.err.find("velan: " + std::to_string(lines) + " warnings\n"), std::string::npos)
      << r.err;

  // Quiet: warnings are not printed.
  RunResult quiet = Run({"convert", "in", "-o", "out", "--quiet"});
  EXPECT_EQ(quiet.err.find("warning"), std::string::npos) << quiet.err;
  EXPECT_EQ(quiet.out, "");

  // An XML error: the error line names the file, exit 1.
  WriteFile(Path("in/c.arxml"), "<AUTOSAR xmlns=\"http://autosar.org/schema/r4.0\">");
  RunResult broken = Run({"convert", "in", "-o", "out"});
  EXPECT_EQ(broken.exitCode, 1);
  EXPECT_NE(broken.err.find("velan: error: file \"in/c.arxml\": parser error"), std::string::npos)
      << broken.err;
  EXPECT_NE(broken.err.find("import failed (0xBFF63081): "), std::string::npos);

  // --log keeps the raw log with the warnings in it.
  unlink(Path("in/c.arxml").c_str());
  Run({"convert", "in", "-o", "out", "--log", "raw.txt"});
  EXPECT_NE(ReadFile(Path("raw.txt"))
                .find("1,0,'<AR:MULTIPLEXED-I-PDU> (file=1, line=" + std::to_string(line)),
            std::string::npos);
}

// The user's configuration still applies to convert; the tool adds the
// categories it needs for its diagnostics and writes the user's log too.
TEST_F(ToolTest, ConvertKeepsTheUsersConfiguration) {
  WriteFile(Path("cfg/velanar-cfg.xml"),
            std::string("<cfg:CONFIGURATION xmlns:cfg=\"") + kCfgNs +
                "\"><cfg:LogFile>user-log.txt</cfg:LogFile><cfg:CATEGORIES>"
                "<cfg:CatInfo Enabled=\"false\"/><cfg:CatWarn Enabled=\"false\"/>"
                "<cfg:CatDebug Enabled=\"true\"><cfg:SubDebug_ListShortNameResolver "
                "Enabled=\"true\"/></cfg:CatDebug></cfg:CATEGORIES></cfg:CONFIGURATION>");
  RunResult r = Run({"convert", SourcePath(kCanExample), "-o", "out"});
  EXPECT_NE(r.err.find("warning: missing <AR:I-PDU-TIMING-SPECIFICATIONS> element"),
            std::string::npos)
      << r.err;
  std::string log = ReadFile(Path("user-log.txt"));
  EXPECT_NE(log.find("3,4,'List SHORT-NAME Resolver Tree'"), std::string::npos);
  EXPECT_NE(log.find("1,0,'<AR:MULTIPLEXED-I-PDU>"), std::string::npos);

  // Cluster switches of the user's file are honoured.
  WriteFile(Path("cfg/velanar-cfg.xml"), CanDisabledConfig());
  RunResult off = Run({"convert", SourcePath(kCanExample), "-o", "out2"});
  EXPECT_EQ(off.exitCode, 1);
  EXPECT_NE(off.err.find("unsupported cluster type"), std::string::npos) << off.err;
}

TEST_F(ToolTest, ConvertExitCodesForWhatCannotBeWritten) {
  RunResult missing = Run({"convert", "nothing.arxml"});
  EXPECT_EQ(missing.exitCode, 1);
  EXPECT_NE(missing.err.find("nothing.arxml"), std::string::npos);

  RunResult lin = Run({"convert", SourcePath(kLinExample), "-o", "out"});
  EXPECT_EQ(lin.exitCode, 1);
  EXPECT_NE(lin.err.find("no CAN cluster to write (clusters: BodyLIN)"), std::string::npos)
      << lin.err;

  RunResult linNamed = Run({"convert", SourcePath(kLinExample), "--cluster", "BodyLIN"});
  EXPECT_EQ(linNamed.exitCode, 2);
  EXPECT_NE(linNamed.err.find("BodyLIN is a LIN cluster"), std::string::npos) << linNamed.err;

  RunResult unknown = Run({"convert", SourcePath(kCanExample), "--cluster", "Nope"});
  EXPECT_EQ(unknown.exitCode, 2);
  EXPECT_NE(unknown.err.find("no cluster named Nope in the input (CAN clusters: VehicleCAN)"),
            std::string::npos)
      << unknown.err;
}

TEST_F(ToolTest, ConvertWritesAtomicallyAndSummarises) {
  if (!ExporterBuilt()) GTEST_SKIP() << "DBC exporter not built";
  mkdir(Path("out").c_str(), 0777);
  WriteFile(Path("out/VehicleCAN.dbc"), "earlier output");

  // A failed import leaves the earlier file as it was.
  mkdir(Path("bad").c_str(), 0777);
  WriteFile(Path("bad/x.arxml"), "<AUTOSAR");
  EXPECT_EQ(Run({"convert", "bad/x.arxml", "-o", "out"}).exitCode, 1);
  EXPECT_EQ(ReadFile(Path("out/VehicleCAN.dbc")), "earlier output");

  // Two CAN clusters cannot go into one named file: nothing is written.
  WriteFile(Path("two.arxml"), TwoClusterExample());
  RunResult two = Run({"convert", "two.arxml", "--only-file", "-o", "out/VehicleCAN.dbc"});
  EXPECT_EQ(two.exitCode, 2);
  EXPECT_NE(two.err.find("2 CAN clusters (VehicleCAN, ChassisCAN)"), std::string::npos) << two.err;
  EXPECT_EQ(ReadFile(Path("out/VehicleCAN.dbc")), "earlier output");

  // Success replaces it; one file per cluster into a new folder.
  RunResult ok = Run({"convert", "two.arxml", "--only-file", "-o", "out", "--keep-db", "two.vdb"});
  ASSERT_EQ(ok.exitCode, 0) << ok.err;
  std::string dbc = ReadFile(Path("out/VehicleCAN.dbc"));
  EXPECT_EQ(dbc.rfind("VERSION \"\"", 0), 0u);
  EXPECT_NE(dbc.find("BO_ 256 EngineData: 8 EngineECU"), std::string::npos);
  EXPECT_TRUE(FileExists(Path("out/ChassisCAN.dbc")));
  EXPECT_TRUE(FileExists(Path("two.vdb")));
  EXPECT_NE(
      ok.out.find("wrote out/VehicleCAN.dbc: cluster VehicleCAN, 6 frames, 27 signals, 2 ECUs\n"),
      std::string::npos)
      << ok.out;
  EXPECT_EQ(
      system(("ls -A " + Quote(Path("out")) + " | grep -q tmp && exit 1; exit 0").c_str()) >> 8, 0)
      << "temporary files left in the output folder";

  // One cluster into a named file; a new folder is created on the way.
  RunResult one = Run({"convert", "two.arxml", "--only-file", "--cluster", "ChassisCAN", "-o",
                       "new/sub/chassis.dbc"});
  EXPECT_EQ(one.exitCode, 0) << one.err;
  EXPECT_EQ(ReadFile(Path("new/sub/chassis.dbc")), ReadFile(Path("out/ChassisCAN.dbc")));

  // A cluster name that cannot be a file name is refused, not written
  // somewhere else; a named output file still takes it.
  std::string unsafe = CanExampleText();
  for (const std::string from : {">VehicleCAN<", "/Cluster/VehicleCAN<"}) {
    size_t at = unsafe.find(from);
    unsafe.replace(at, from.size(), from.substr(0, from.size() - 4) + "&#9;CAN<");
  }
  WriteFile(Path("unsafe.arxml"), unsafe);
  RunResult refused = Run({"convert", "unsafe.arxml", "--only-file", "-o", "unsafe-out"});
  EXPECT_EQ(refused.exitCode, 1);
  EXPECT_NE(refused.err.find("cannot be used as a file name"), std::string::npos) << refused.err;
  EXPECT_EQ(system(("test -z \"$(ls -A " + Quote(Path("unsafe-out")) + ")\"").c_str()), 0);
  EXPECT_EQ(Run({"convert", "unsafe.arxml", "--only-file", "-o", "named.dbc"}).exitCode, 0);
  EXPECT_TRUE(FileExists(Path("named.dbc")));

  // Without -o the current folder receives <cluster>.dbc.
  EXPECT_EQ(Run({"convert", SourcePath(kCanExample), "-q"}).exitCode, 0);
  EXPECT_EQ(ReadFile(Path("VehicleCAN.dbc")), dbc);
}

TEST_F(ToolTest, ExportWritesOneClusterOfADatabaseFile) {
  if (!ExporterBuilt()) GTEST_SKIP() << "DBC exporter not built";
  WriteFile(Path("two.arxml"), TwoClusterExample());
  ASSERT_EQ(Run({"import", "two.arxml", "--only-file", "-o", "two.vdb"}).exitCode, 0);
  ASSERT_EQ(Run({"import", SourcePath(kCanExample), "-o", "can.vdb"}).exitCode, 0);
  ASSERT_EQ(Run({"import", SourcePath(kLinExample), "-o", "lin.vdb"}).exitCode, 0);

  RunResult several = Run({"export", "two.vdb", "-o", "x.dbc"});
  EXPECT_EQ(several.exitCode, 2);
  EXPECT_NE(several.err.find("--cluster: VehicleCAN, ChassisCAN"), std::string::npos)
      << several.err;
  EXPECT_FALSE(FileExists(Path("x.dbc")));

  EXPECT_EQ(Run({"export", "two.vdb", "--cluster", "Nope", "-o", "x.dbc"}).exitCode, 2);
  RunResult lin = Run({"export", "lin.vdb", "-o", "x.dbc"});
  EXPECT_EQ(lin.exitCode, 1);
  EXPECT_NE(lin.err.find("holds no CAN cluster"), std::string::npos);

  RunResult chassis = Run({"export", "two.vdb", "--cluster", "ChassisCAN", "-o", "c.dbc"});
  EXPECT_EQ(chassis.exitCode, 0) << chassis.err;
  RunResult only = Run({"export", "can.vdb", "-o", "v.dbc"});
  EXPECT_EQ(only.exitCode, 0) << only.err;
  // The same cluster written through convert and through export is the same text.
  ASSERT_EQ(Run({"convert", SourcePath(kCanExample), "-o", "conv", "-q"}).exitCode, 0);
  EXPECT_EQ(ReadFile(Path("v.dbc")), ReadFile(Path("conv/VehicleCAN.dbc")));

  RunResult noFile = Run({"export", "missing.vdb", "-o", "x.dbc"});
  EXPECT_EQ(noFile.exitCode, 1);
  EXPECT_NE(noFile.err.find("cannot open missing.vdb"), std::string::npos) << noFile.err;
}

// The texts of text-table values: VAL_ lines unless --no-value-tables, which
// changes nothing else; decoded in the JSON dump.
TEST_F(ToolTest, ValueTablesAndTheirOption) {
  if (!ExporterBuilt()) GTEST_SKIP() << "DBC exporter not built";
  const std::string in = SourcePath(kCanExample);
  ASSERT_EQ(Run({"convert", in, "-q", "-o", "a", "--keep-db", "can.vdb"}).exitCode, 0);
  ASSERT_EQ(Run({"convert", in, "-q", "-o", "b", "--no-value-tables"}).exitCode, 0);
  ASSERT_EQ(Run({"export", "can.vdb", "-o", "c.dbc", "--no-value-tables"}).exitCode, 0);
  std::string dbc = ReadFile(Path("a/VehicleCAN.dbc"));
  EXPECT_NE(dbc.find("\nVAL_ 512 GearPosition 0 \"Park\" 1 \"Reverse\" 2 \"Neutral\" 3 "
                     "\"Drive\" ;\r\nVAL_ 384 ParkBrakeState 0 \"Released\" 1 \"Applied\" 3 "
                     "\"Fault\" ;\r\nSIG_VALTYPE_ "),
            std::string::npos);
  for (size_t at = dbc.find("\nVAL_ "); at != std::string::npos; at = dbc.find("\nVAL_ "))
    dbc.erase(at + 1, dbc.find('\n', at + 1) - at);
  EXPECT_EQ(ReadFile(Path("b/VehicleCAN.dbc")), dbc);
  EXPECT_EQ(ReadFile(Path("c.dbc")), dbc);
  const std::string json = nlohmann::json::parse(Run({"dump", "can.vdb", "--json"}).out).dump();
  EXPECT_NE(json.find(R"("IDIP_COD_VALUE_DESCS_VTAB":[{"text":"SNA","value":65535}])"),
            std::string::npos);
}

}  // namespace
}  // namespace velan_test
