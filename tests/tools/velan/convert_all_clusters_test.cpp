// Inputs without a SYSTEM that lists a cluster, through `velan convert` and
// `velan import`: the hint on the importer's error and --all-clusters.
#include <gtest/gtest.h>

#include "tool_runner.h"

namespace velan_test {
namespace {

TEST_F(ToolTest, FilesWithoutASystemConvertWithAllClusters) {
  if (!ExporterBuilt()) GTEST_SKIP() << "DBC exporter not built";
  const std::string example = SourcePath("examples/can/system.arxml");
  const std::string text = ReadFile(example);
  ASSERT_EQ(Run({"convert", example, "-o", "full.dbc", "-q"}).exitCode, 0);
  const size_t systemBegin = text.rfind('\n', text.find("<SYSTEM>")) + 1;
  const size_t systemEnd = text.find("</SYSTEM>\n") + 10;
  const std::string canRef =
      "<FIBEX-ELEMENT-REF DEST=\"CAN-CLUSTER\">/Cluster/VehicleCAN</FIBEX-ELEMENT-REF>";
  std::string noRefs = text;
  noRefs.erase(noRefs.find(canRef), canRef.size());
  const struct {
    const char* file;
    std::string text;
    std::string error;  // the importer's error that gets the hint
  } cases[] = {
      {"nosys.arxml", text.substr(0, systemBegin) + text.substr(systemEnd),
       "Cannot find \"<SYSTEM>\" element."},
      {"norefs.arxml", noRefs,
       "Could not find any cluster. Maybe the file has clusters of unsupported types only."},
  };
  for (const auto& c : cases) {
    WriteFile(Path(c.file), c.text);
    RunResult plain = Run({"convert", c.file, "--only-file", "-o", "plain.dbc"});
    EXPECT_EQ(plain.exitCode, 1) << c.file;
    EXPECT_NE(plain.err.find("velan: error: " + c.error +
                             " (the file holds 1 CAN cluster; --all-clusters converts it)\n"),
              std::string::npos)
        << plain.err;
    RunResult all = Run({"convert", c.file, "--only-file", "-o", "all.dbc", "--all-clusters"});
    EXPECT_EQ(all.exitCode, 0) << all.err;
    EXPECT_EQ(ReadFile(Path("all.dbc")), ReadFile(Path("full.dbc"))) << c.file;
  }
  // No hint when the SYSTEM lists the cluster and the import fails otherwise.
  WriteFile(Path("nocan.xml"),
            "<cfg:CONFIGURATION xmlns:cfg=\"urn:velan:velanar-cfg:1\"><cfg:Policies>"
            "<cfg:LINCluster Enabled=\"true\"/></cfg:Policies></cfg:CONFIGURATION>");
  RunResult noCan = Run({"convert", example, "--config", "nocan.xml"});
  EXPECT_NE(noCan.err.find("Could not find any cluster"), std::string::npos) << noCan.err;
  EXPECT_EQ(noCan.err.find("--all-clusters"), std::string::npos) << noCan.err;

  RunResult imported = Run({"import", "nosys.arxml", "--only-file", "--all-clusters", "--dump"});
  EXPECT_EQ(imported.exitCode, 0) << imported.err;
  EXPECT_NE(imported.out.find("CLUSTER \"VehicleCAN\""), std::string::npos);
}

}  // namespace
}  // namespace velan_test
