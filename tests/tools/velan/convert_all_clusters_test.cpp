// Inputs without a SYSTEM that lists a cluster, through `velan convert` and
// `velan import`: the hint on the importer's error and --all-clusters.
#include <gtest/gtest.h>

#include "tool_runner.h"

namespace velan_test {
namespace {

std::string Replaced(std::string text, const std::string& from, const std::string& to) {
  for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
    text.replace(at, from.size(), to);
  return text;
}

// The CAN example without its SYSTEM element.
std::string WithoutSystem(const std::string& text) {
  const size_t begin = text.rfind('\n', text.find("<SYSTEM>")) + 1;
  const std::string close = "</SYSTEM>\n";
  return text.substr(0, begin) + text.substr(text.find(close) + close.size());
}

TEST_F(ToolTest, FilesWithoutASystemConvertWithAllClusters) {
  if (!ExporterBuilt()) GTEST_SKIP() << "DBC exporter not built";
  const std::string example = ReadFile(SourcePath("examples/can/system.arxml"));
  ASSERT_EQ(
      Run({"convert", SourcePath("examples/can/system.arxml"), "-o", "full.dbc", "-q"}).exitCode,
      0);
  const std::string fullDbc = ReadFile(Path("full.dbc"));
  const std::string canRef =
      "<FIBEX-ELEMENT-REF DEST=\"CAN-CLUSTER\">/Cluster/VehicleCAN</FIBEX-ELEMENT-REF>";
  struct Case {
    const char* file;
    std::string text;
    std::string error;  // the importer's error the hint is added to
    std::string hint;
  } cases[] = {
      {"nosys.arxml", WithoutSystem(example), "Cannot find \"<SYSTEM>\" element.",
       "(the file holds 1 CAN cluster; --all-clusters converts it)"},
      {"norefs.arxml", Replaced(example, canRef, ""),
       "Could not find any cluster. Maybe the file has clusters of unsupported types only.",
       "(the file holds 1 CAN cluster; --all-clusters converts it)"},
      {"flexray.arxml", Replaced(WithoutSystem(example), "CAN-CLUSTER", "FLEXRAY-CLUSTER"),
       "Cannot find \"<SYSTEM>\" element.",
       "(the file holds 1 FlexRay cluster; --all-clusters --flexray converts it)"},
  };
  for (const Case& c : cases) {
    WriteFile(Path(c.file), c.text);
    RunResult plain = Run({"convert", c.file, "--only-file", "-o", "plain.dbc"});
    EXPECT_EQ(plain.exitCode, 1) << c.file;
    EXPECT_NE(plain.err.find("velan: error: " + c.error + " " + c.hint + "\n"), std::string::npos)
        << c.file << "\n"
        << plain.err;
    // The option converts the cluster; the log line itself is unchanged.
    RunResult all = Run({"convert", c.file, "--only-file", "-o", "all.dbc", "--all-clusters",
                         "--flexray", "--log", "log.txt"});
    EXPECT_EQ(all.exitCode, c.file == std::string("flexray.arxml") ? 1 : 0) << c.file << all.err;
    EXPECT_EQ(all.err.find("--all-clusters"), std::string::npos) << c.file << all.err;
    EXPECT_NE(ReadFile(Path("log.txt"))
                  .find("converting every cluster of an enabled type in document order (1 found)"),
              std::string::npos)
        << c.file;
    if (all.exitCode == 0) {
      EXPECT_EQ(ReadFile(Path("all.dbc")), fullDbc) << c.file;
    }
    unlink(Path("all.dbc").c_str());
  }
  // A SYSTEM that lists the cluster gets no hint when the import fails otherwise.
  WriteFile(Path("nocan.xml"),
            "<cfg:CONFIGURATION xmlns:cfg=\"urn:velan:velanar-cfg:1\"><cfg:Policies>"
            "<cfg:LINCluster Enabled=\"true\"/></cfg:Policies></cfg:CONFIGURATION>");
  RunResult noCan =
      Run({"convert", SourcePath("examples/can/system.arxml"), "--config", "nocan.xml"});
  EXPECT_NE(noCan.err.find("Could not find any cluster"), std::string::npos) << noCan.err;
  EXPECT_EQ(noCan.err.find("--all-clusters"), std::string::npos) << noCan.err;

  // `velan import` takes the option too.
  EXPECT_EQ(Run({"import", "nosys.arxml", "--only-file"}).exitCode, 1);
  RunResult imported = Run({"import", "nosys.arxml", "--only-file", "--all-clusters", "--dump"});
  EXPECT_EQ(imported.exitCode, 0) << imported.err;
  EXPECT_NE(imported.out.find("CLUSTER \"VehicleCAN\""), std::string::npos);
}

}  // namespace
}  // namespace velan_test
