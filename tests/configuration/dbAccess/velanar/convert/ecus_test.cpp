// ECUs with their CONNECTOR objects and the TX_TRIG / RX_TRIG objects of
// their frame ports.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "arxml_builder.h"
#include "import_harness.h"
#include "lin_schedule_documents.h"
#include "velan/velanar.h"

using namespace arxml;

namespace {

Node Port(const std::string& name, const std::string& direction) {
  return Named("FRAME-PORT", name, {Text("COMMUNICATION-DIRECTION", direction)});
}

// <type>-COMMUNICATION-CONNECTOR `name` with its frame ports and no controller.
Node PortConnector(const std::string& type, const std::string& name, std::vector<Node> ports) {
  return Connector(type, name, {El("ECU-COMM-PORT-INSTANCES", std::move(ports))});
}

// FRAME-PORT-REFS naming the given port paths.
Node PortRefs(const std::vector<std::string>& paths) {
  Node refs("FRAME-PORT-REFS");
  for (const std::string& path : paths) refs.Add(Ref("FRAME-PORT-REF", "FRAME-PORT", path));
  return refs;
}

// CAN cluster Can1 in package P whose channel lists the connectors and
// carries the triggerings; ECUs and other elements go to package E.
std::string CanDoc(const std::vector<std::string>& connectorPaths, std::vector<Node> triggerings,
                   std::vector<Node> frames, std::vector<Node> ecus,
                   std::vector<Node> morePackages = {}) {
  std::vector<Node> p = {
      System("Sys", {FibexRef("CAN-CLUSTER", "/P/Can1")}),
      CanCluster("Can1", {Text("BAUDRATE", "500000"),
                          Channels({Channel("CAN", "Ch",
                                            {CommConnectors("CAN", connectorPaths),
                                             FrameTriggerings(std::move(triggerings))})})})};
  for (Node& frame : frames) p.push_back(std::move(frame));
  std::vector<Node> packages = {Pkg("P", std::move(p)), Pkg("E", std::move(ecus))};
  for (Node& package : morePackages) packages.push_back(std::move(package));
  return Ar4(std::move(packages));
}

size_t Count(const std::string& text, const std::string& what) {
  size_t n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

TEST(Ecus, SameShortNameTwiceOnOneCanClusterWarns) {
  // The second ECU-INSTANCE Ecu lives in another package.
  auto ecu = [] { return EcuInstance("Ecu", {Connectors({PortConnector("CAN", "Conn", {})})}); };
  ImportResult r =
      ImportArxml(CanDoc({"/E/Ecu/Conn", "/F/Ecu/Conn"}, {}, {}, {ecu()}, {Pkg("F", {ecu()})}));
  ASSERT_TRUE(r.loaded) << r.error;
  EXPECT_EQ(r.code, VELANAR_OK) << r.log;
  EXPECT_EQ(Count(r.tree, "CONNECTOR \"\""), 1u) << r.tree;
  EXPECT_EQ(Count(r.tree, "ECU \"Ecu\""), 1u);
  EXPECT_EQ(r.LogCount("unable inserting that ECU several times to the cluster"), 1u) << r.log;
  EXPECT_TRUE(r.LogHas("1,0,'<AR:ECU-INSTANCE> (file=0, line="));
}

TEST(Ecus, EcuOnBothFlexRayChannelsIsOneConnector) {
  const std::vector<Node> ecus = {
      EcuInstance("Ecu", {Connectors({PortConnector("FLEXRAY", "ConnA", {Port("Out", "OUT")}),
                                      PortConnector("FLEXRAY", "ConnB", {})})})};
  Node triggering =
      FrameTriggering("FLEXRAY", "T1", "FLEXRAY-FRAME", "/P/F1", {PortRefs({"/E/Ecu/ConnA/Out"})});
  Node cluster =
      Cluster("FLEXRAY", "Fr1",
              {Text("BAUDRATE", "10000000"),
               Channels({Channel("FLEXRAY", "A",
                                 {CommConnectors("FLEXRAY", {"/E/Ecu/ConnA", "/E/Ecu/ConnB"}),
                                  FrameTriggerings({triggering})}),
                         Channel("FLEXRAY", "B", {CommConnectors("FLEXRAY", {"/E/Ecu/ConnB"})})})});
  std::string doc = Ar4({Pkg("P", {System("Sys", {FibexRef("FLEXRAY-CLUSTER", "/P/Fr1")}), cluster,
                                   Frame("FLEXRAY-FRAME", "F1", "16")}),
                         Pkg("E", ecus)});
  ImportOptions options;
  options.allClusterTypes = true;
  ImportResult r = ImportArxml(doc, options);
  ASSERT_TRUE(r.loaded) << r.error;
  EXPECT_EQ(Count(r.tree, "CONNECTOR \"\""), 1u) << r.tree;
  EXPECT_EQ(Count(r.tree, "ECU \"Ecu\""), 1u);
  EXPECT_FALSE(r.TreeHas("X_TRIG \""));
  EXPECT_FALSE(r.LogHas("unable inserting"));
  EXPECT_EQ(r.LogCount("1,0,'Cluster has no channels, or several channels. Assigning as Tx/Rx is "
                       "currently unsupported.'"),
            1u)
      << r.log;
}

TEST(FramePorts, InAndOutPortsOfOneEcu) {
  const std::vector<Node> ecus = {
      EcuInstance(
          "Ecu",
          {Connectors({PortConnector(
              "CAN", "Conn", {Port("In", "IN"), Port("Out", "OUT"), Port("Odd", "INOUT")})})}),
      EcuInstance("Other", {Connectors({PortConnector("CAN", "Conn", {Port("In", "IN")})})})};
  Node triggering = CanFrameTriggering(
      "T1", "/P/F1", "256",
      {PortRefs({"/E/Ecu/Conn/In", "/E/Ecu/Conn/Out", "/E/Ecu/Conn/Odd", "/E/Other/Conn/In"})});
  ImportResult r = ImportArxml(CanDoc({"/E/Ecu/Conn", "/E/Other/Conn"}, {triggering},
                                      {Frame("CAN-FRAME", "F1", "8")}, ecus));
  ASSERT_TRUE(r.loaded) << r.error;
  EXPECT_EQ(r.Subtree("CONNECTOR \"\" #2"),
            "    CONNECTOR \"\" #2\n"
            "      ECU \"Ecu\" #3\n"
            "        IDIP_ECU_COMMENT_STR = \"\"\n"
            "      RX_TRIG \"\" #7\n"
            "        IDIP_RX_TRIG_IOID = TRIGGERING #6\n"
            "      TX_TRIG \"\" #8\n"
            "        IDIP_TX_TRIG_IOID = TRIGGERING #6\n")
      << r.tree;
  EXPECT_EQ(r.Subtree("CONNECTOR \"\" #4"),
            "    CONNECTOR \"\" #4\n"
            "      ECU \"Other\" #5\n"
            "        IDIP_ECU_COMMENT_STR = \"\"\n"
            "      RX_TRIG \"\" #9\n"
            "        IDIP_RX_TRIG_IOID = TRIGGERING #6\n");
}

TEST(FramePorts, PortOfAnotherBusTypeIsSkippedSilently) {
  const std::vector<Node> ecus = {
      EcuInstance("Ecu", {Connectors({PortConnector("CAN", "Conn", {}),
                                      PortConnector("LIN", "LinConn", {Port("In", "IN")})})})};
  Node triggering = CanFrameTriggering("T1", "/P/F1", "256", {PortRefs({"/E/Ecu/LinConn/In"})});
  ImportResult r =
      ImportArxml(CanDoc({"/E/Ecu/Conn"}, {triggering}, {Frame("CAN-FRAME", "F1", "8")}, ecus));
  ASSERT_TRUE(r.loaded) << r.error;
  EXPECT_FALSE(r.TreeHas("X_TRIG \"")) << r.tree;
  EXPECT_FALSE(r.LogHas("<AR:FRAME-PORT"));
  EXPECT_FALSE(r.LogHas("COMMUNICATION-DIRECTION"));
}

TEST(Ecus, CommentAndMissingPieces) {
  Node described =
      EcuInstance("Ecu", {Desc("Engine control"), Connectors({PortConnector("CAN", "Conn", {})})});
  // A connector outside any ECU-INSTANCE gives no ECU.
  Node loose = Named("CAN-COMMUNICATION-CONNECTOR", "Loose");
  ImportResult r = ImportArxml(CanDoc({"/E/Ecu/Conn", "/E/Loose"}, {}, {}, {described, loose}));
  ASSERT_TRUE(r.loaded) << r.error;
  EXPECT_EQ(r.tree,
            "DATABASE \"test\" #0\n"
            "  CLUSTER \"Can1\" #1\n"
            "    IDIP_CLUSTER_COMMENT_STR = \"\"\n"
            "    IDIP_CLUSTER_PROTOCOL_I16 = 0\n"
            "    IDIP_CLUSTER_SPEED_U64 = 500000\n"
            "    CONNECTOR \"\" #2\n"
            "      ECU \"Ecu\" #3\n"
            "        IDIP_ECU_COMMENT_STR = \"Engine control\"\n");
  EXPECT_TRUE(r.LogHas("): missing <AR:COMM-CONTROLLER-REF> element'")) << r.log;
  EXPECT_TRUE(r.LogHas("1,0,'<AR:CAN-COMMUNICATION-CONNECTOR> (file=0, line="));
  EXPECT_TRUE(r.LogHas("):  missing <AR:ECU-INSTANCE> parent'"));
}

TEST(Ecus, InitialNadOfALinConnector) {
  lindoc::LinSystem s;
  s.connectedEcus = {"M", "S"};
  s.ecus = {lindoc::MasterEcu("M"), lindoc::LinEcu("S", lindoc::Slave("2.1", "10"), "LIN-SLAVE",
                                                   {Text("INITIAL-NAD", "0x10")})};
  ImportResult r = ImportArxml(s.Str());
  ASSERT_TRUE(r.loaded) << r.error;
  EXPECT_EQ(r.Subtree("CONNECTOR \"\" #4"),
            "    CONNECTOR \"\" #4\n"
            "      IDIP_CON_LIN_PROTOCOL_VERSION_U32 = 5\n"
            "      IDIP_CON_LIN_IS_MASTER_U32 = 0\n"
            "      IDIP_CON_INITIAL_NAD = 16\n"
            "      IDIP_CON_LIN_CONFIGURED_NAD_U8 = 10\n"
            "      IDIP_CON_LIN_SUPPLIER_ID_U16 = 300\n"
            "      IDIP_CON_LIN_FUNCTION_ID_U16 = 5\n"
            "      ECU \"S\" #5\n"
            "        IDIP_ECU_COMMENT_STR = \"\"\n")
      << r.tree;
}

}  // namespace
