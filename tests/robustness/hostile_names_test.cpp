// Hostile names and references: SHORT-NAMEs of 10,000 characters carried
// through import, log and DBC export; reference paths of 10,000 segments;
// references that lead in circles.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <functional>
#include <string>

#include "robustness_support.h"

namespace {

using robust::RunImport;
using robust::RunResult;
using robust::TempDir;

// Replaces every occurrence of `from` in `text`.
std::string ReplaceAll(std::string text, const std::string& from, const std::string& to) {
  for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
    text.replace(at, from.size(), to);
  return text;
}

// Replaces the first occurrence; fails the test when there is none.
std::string ReplaceOnce(std::string text, const std::string& from, const std::string& to) {
  const size_t at = text.find(from);
  EXPECT_NE(at, std::string::npos) << from;
  if (at != std::string::npos) text.replace(at, from.size(), to);
  return text;
}

class HostileNames : public ::testing::Test {
 protected:
  RunResult Import(const std::string& content,
                   const std::function<void(uint32_t)>& inspect = nullptr) {
    robust::WriteText(input_.File("system.arxml"), content);
    return RunImport(input_.File("system.arxml"), config_.Path(), {}, true, inspect);
  }
  TempDir input_, config_, out_;
};

TEST_F(HostileNames, TenThousandCharacterNamesThroughImportLogAndExport) {
  const std::string example = robust::ReadText(robust::ExamplePath("can"));
  ASSERT_FALSE(example.empty());
  // Cluster, frame and signal names (and every reference to them) become
  // 10,000 characters long; the names stay unique.
  const std::string cluster = "VehicleCAN" + std::string(9990, 'C');
  const std::string frame = "EngineData" + std::string(9990, 'F');
  const std::string signal = "EngineSpeed" + std::string(9989, 'S');
  std::string text = ReplaceAll(example, "VehicleCAN", cluster);
  text = ReplaceAll(text, "EngineData", frame);
  text = ReplaceAll(text, "EngineSpeed", signal);

  robust::WriteLogConfig(config_.Path(), out_.File("import.log"));
  dbaStatus exported{0, 0};
  const RunResult r = Import(text, [&](uint32_t handle) {
    exported = robust::ExportCluster(handle, cluster, out_.File("long.dbc"));
  });
  EXPECT_EQ(r.code, 0u) << std::hex << r.code;
  EXPECT_NE(r.tree.find("CLUSTER \"" + cluster + "\""), std::string::npos);
  // Frame and PDU names are cut to 128 characters when they are made unique.
  EXPECT_NE(r.tree.find("TRIGGERING \"" + frame.substr(0, 128) + "\""), std::string::npos);
  EXPECT_NE(r.tree.find("SIGNAL \"" + signal + "\""), std::string::npos);
  // The resolver listing of the log names them in full.
  const std::string log = robust::ReadText(out_.File("import.log"));
  EXPECT_NE(log.find("SHORT-NAME=\"" + signal + "\""), std::string::npos);

  EXPECT_EQ(exported.code, 0u) << std::hex << exported.code << " detail " << exported.detail;
  const std::string dbc = robust::ReadText(out_.File("long.dbc"));
  EXPECT_NE(dbc.find("BO_ "), std::string::npos);
  EXPECT_NE(dbc.find(signal), std::string::npos);

  // The command-line tool names the DBC file after the cluster: a name
  // longer than the file system allows is reported, nothing is written.
  const std::string velan = robust::BuildProgram("velan");
  if (access(velan.c_str(), X_OK) != 0) GTEST_SKIP() << velan << " is not built";
  TempDir cliOut;
  std::string err;
  const int exit = robust::RunCommand(
      velan + " convert -q " + input_.File("system.arxml") + " -o " + cliOut.Path(), &err);
  EXPECT_EQ(exit, 1);
  EXPECT_NE(err.find(cluster), std::string::npos);
  EXPECT_TRUE(std::filesystem::is_empty(cliOut.Path()));
}

TEST_F(HostileNames, ReferencePathsOfTenThousandSegments) {
  // The cluster sits 10,000 packages deep; the system refers to it by its
  // full path, next to unresolvable references of the same length.
  const size_t depth = 10000;
  std::string open, close, deepPath;
  for (size_t i = 0; i < depth; ++i) {
    open += "<AR-PACKAGE><SHORT-NAME>p</SHORT-NAME><AR-PACKAGES>";
    close += "</AR-PACKAGES></AR-PACKAGE>";
    deepPath += "/p";
  }
  std::string missing, empty, dots;
  for (size_t i = 0; i < depth; ++i) {
    missing += "/q";
    empty += "/";
    dots += "/..";
  }
  auto ref = [](const std::string& path) {
    return "<FIBEX-ELEMENT-REF-CONDITIONAL><FIBEX-ELEMENT-REF DEST=\"CAN-CLUSTER\">" + path +
           "</FIBEX-ELEMENT-REF></FIBEX-ELEMENT-REF-CONDITIONAL>";
  };
  // The innermost package holds the cluster instead of sub-packages.
  open.erase(open.size() - std::string("<AR-PACKAGES>").size());
  close.erase(0, std::string("</AR-PACKAGES>").size());
  const std::string text =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<AUTOSAR xmlns=\"http://autosar.org/schema/r4.0\"><AR-PACKAGES>"
      "<AR-PACKAGE><SHORT-NAME>S</SHORT-NAME><ELEMENTS><SYSTEM><SHORT-NAME>Sys</SHORT-NAME>"
      "<FIBEX-ELEMENTS>" +
      ref(missing) + ref(empty) + ref(dots) + ref(deepPath + "/p/C") + ref(deepPath + "/C") +
      "</FIBEX-ELEMENTS></SYSTEM></ELEMENTS></AR-PACKAGE>" + open +
      "<ELEMENTS><CAN-CLUSTER><SHORT-NAME>C</SHORT-NAME><CAN-CLUSTER-VARIANTS>"
      "<CAN-CLUSTER-CONDITIONAL><BAUDRATE>500000</BAUDRATE><PHYSICAL-CHANNELS>"
      "<CAN-PHYSICAL-CHANNEL><SHORT-NAME>Ch</SHORT-NAME></CAN-PHYSICAL-CHANNEL>"
      "</PHYSICAL-CHANNELS></CAN-CLUSTER-CONDITIONAL></CAN-CLUSTER-VARIANTS></CAN-CLUSTER>"
      "</ELEMENTS>" +
      close + "</AR-PACKAGES></AUTOSAR>\n";
  const RunResult r = Import(text);
  EXPECT_EQ(r.code, 0u) << std::hex << r.code;
  EXPECT_NE(r.tree.find("CLUSTER \"C\""), std::string::npos) << r.tree;
  EXPECT_EQ(r.tree.find("CLUSTER \"C\""), r.tree.rfind("CLUSTER \"C\""));
}

TEST_F(HostileNames, CircularReferencesEndAndTheRestConverts) {
  std::string text = robust::ReadText(robust::ExamplePath("can"));
  ASSERT_FALSE(text.empty());
  // The multiplexed PDU is its own dynamic and static part.
  text = ReplaceOnce(text, "<I-PDU-REF DEST=\"I-SIGNAL-I-PDU\">/PDU/Diag_Mode1_PDU</I-PDU-REF>",
                     "<I-PDU-REF DEST=\"MULTIPLEXED-I-PDU\">/PDU/Diag_MPDU</I-PDU-REF>");
  text = ReplaceOnce(text, "<I-PDU-REF DEST=\"I-SIGNAL-I-PDU\">/PDU/Diag_Static_PDU</I-PDU-REF>",
                     "<I-PDU-REF DEST=\"MULTIPLEXED-I-PDU\">/PDU/Diag_MPDU</I-PDU-REF>");
  // A frame triggering names itself as its PDU triggering, a connector
  // itself as its controller, and the system itself as a cluster.
  text = ReplaceOnce(
      text, "/Cluster/VehicleCAN/VehicleCAN_Channel/EngineData_PDU_Triggering</PDU-TRIGGERING-REF>",
      "/Cluster/VehicleCAN/VehicleCAN_Channel/EngineData_Triggering</PDU-TRIGGERING-REF>");
  text = ReplaceOnce(text,
                     "<COMM-CONTROLLER-REF "
                     "DEST=\"CAN-COMMUNICATION-CONTROLLER\">/ECU/EngineECU/EngineECU_Controller",
                     "<COMM-CONTROLLER-REF "
                     "DEST=\"CAN-COMMUNICATION-CONTROLLER\">/ECU/EngineECU/EngineECU_Connector");
  text = ReplaceOnce(
      text, "<FIBEX-ELEMENT-REF DEST=\"CAN-CLUSTER\">/Cluster/VehicleCAN</FIBEX-ELEMENT-REF>",
      "<FIBEX-ELEMENT-REF DEST=\"CAN-CLUSTER\">/System/ExampleVehicle</FIBEX-ELEMENT-REF>"
      "</FIBEX-ELEMENT-REF-CONDITIONAL><FIBEX-ELEMENT-REF-CONDITIONAL>"
      "<FIBEX-ELEMENT-REF DEST=\"CAN-CLUSTER\">/Cluster/VehicleCAN</FIBEX-ELEMENT-REF>");
  const RunResult r = Import(text);
  EXPECT_EQ(r.code, 0u) << std::hex << r.code;
  EXPECT_NE(r.tree.find("CLUSTER \"VehicleCAN\""), std::string::npos);
  EXPECT_NE(r.tree.find("TRIGGERING \"GatewayStatus"), std::string::npos);
}

}  // namespace
