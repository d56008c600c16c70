// Controller attributes of CAN and LIN connectors and the data bytes of the
// LIN node-configuration commands of schedule entries.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "arxml_builder.h"
#include "convert/lin_node_config.h"
#include "import_harness.h"
#include "lin_schedule_documents.h"
#include "pdus_test_builders.h"
#include "velan/velanar.h"

using namespace lindoc;

namespace {

ImportResult Import(const LinSystem& s) {
  ImportResult r = ImportArxml(s.Str());
  EXPECT_TRUE(r.loaded) << r.error;
  return r;
}

// Master M, slave S with `slave` as controller, frame F1 (IDENTIFIER 16) on
// triggering T1 and a table holding `entries`.
LinSystem SlaveSystem(Node slave, std::vector<Node> entries,
                      std::vector<Node> slaveConnectorChildren = {}) {
  LinSystem s;
  s.connectedEcus = {"M", "S"};
  s.ecus = {MasterEcu("M"),
            LinEcu("S", std::move(slave), "LIN-SLAVE", std::move(slaveConnectorChildren))};
  s.triggerings = {Triggering("T1", "F1", "16")};
  s.frames = {UnconditionalFrame("F1")};
  s.tables = {Table("Config", "RUN-ONCE", std::move(entries))};
  return s;
}

// The one schedule entry of the print.
std::string EntryOf(const ImportResult& r) {
  return r.Subtree("SCHED_ENTRY");
}

TEST(LinProtectedIdentifier, SetsBothParityBits) {
  EXPECT_EQ(LinProtectedIdentifier(0x00), 0x80);
  EXPECT_EQ(LinProtectedIdentifier(0x01), 0xC1);
  EXPECT_EQ(LinProtectedIdentifier(0x10), 0x50);
  EXPECT_EQ(LinProtectedIdentifier(0x3C), 0x3C);
  EXPECT_EQ(LinProtectedIdentifier(0x3D), 0x7D);
  EXPECT_EQ(LinProtectedIdentifier(0x3F), 0xBF);
  // Only the six identifier bits count.
  EXPECT_EQ(LinProtectedIdentifier(0xC1), 0xC1);
}

TEST(NodeAttributes, MasterAndSlaveParameters) {
  LinSystem s = SlaveSystem(Slave("2.1", "10", "0x20", "300", "5"), {});
  ImportResult r = Import(s);
  EXPECT_EQ(r.code, VELANAR_OK) << r.log;
  EXPECT_EQ(r.Subtree("CONNECTOR \"\" #2"),
            "    CONNECTOR \"\" #2\n"
            "      IDIP_CON_LIN_PROTOCOL_VERSION_U32 = 5\n"
            "      IDIP_CON_LIN_IS_MASTER_U32 = 1\n"
            "      IDIP_CON_LIN_TIMEBASE_F64 = 0.005\n"
            "      IDIP_CON_LIN_JITTER_F64 = 1e-04\n"
            "      ECU \"M\" #3\n"
            "        IDIP_ECU_COMMENT_STR = \"\"\n");
  EXPECT_EQ(r.Subtree("CONNECTOR \"\" #4"),
            "    CONNECTOR \"\" #4\n"
            "      IDIP_CON_LIN_PROTOCOL_VERSION_U32 = 5\n"
            "      IDIP_CON_LIN_IS_MASTER_U32 = 0\n"
            "      IDIP_CON_LIN_CONFIGURED_NAD_U8 = 10\n"
            "      IDIP_CON_LIN_SUPPLIER_ID_U16 = 300\n"
            "      IDIP_CON_LIN_FUNCTION_ID_U16 = 5\n"
            "      ECU \"S\" #5\n"
            "        IDIP_ECU_COMMENT_STR = \"\"\n");
}

TEST(NodeAttributes, ControllerOfAnotherKindOnlyWarns) {
  LinSystem s;
  s.connectedEcus = {"G"};
  s.ecus = {LinEcu("G", Named("LIN-GATEWAY", "Ctrl"), "LIN-GATEWAY")};
  ImportResult r = Import(s);
  EXPECT_EQ(r.code, VELANAR_OK);
  EXPECT_TRUE(r.LogHas("1,0,'<AR:LIN-GATEWAY> (file=0, line=")) << r.log;
  EXPECT_TRUE(r.LogHas("): unexpected, the name should be  <LIN-MASTER> or <LIN-SLAVE>'"));
  EXPECT_EQ(r.Subtree("CONNECTOR"),
            "    CONNECTOR \"\" #2\n"
            "      ECU \"G\" #3\n"
            "        IDIP_ECU_COMMENT_STR = \"\"\n");
}

TEST(NodeAttributes, CanBitRateSwitchMakesTheClusterCanFd) {
  Node controller = Named("CAN-COMMUNICATION-CONTROLLER", "Ctrl",
                          {El("CAN-COMMUNICATION-CONTROLLER-VARIANTS",
                              {El("CAN-COMMUNICATION-CONTROLLER-CONDITIONAL",
                                  {El("CAN-CONTROLLER-ATTRIBUTES",
                                      {El("CAN-CONTROLLER-CONFIGURATION",
                                          {El("CAN-CONTROLLER-FD-ATTRIBUTES",
                                              {Text("TX-BIT-RATE-SWITCH", "true")})})})})})});
  Node ecu = arxml::EcuInstance(
      "E1", {El("COMM-CONTROLLERS", {controller}),
             arxml::Connectors({arxml::Connector(
                 "CAN", "Conn",
                 {Ref("COMM-CONTROLLER-REF", "CAN-COMMUNICATION-CONTROLLER", "/E/E1/Ctrl")})})});
  // A frame sent as CAN FD sees the mode of the cluster.
  Node triggering = arxml::CanFrameTriggering(
      "T1", "/P/F1", "100",
      {Text("CAN-FD-FRAME-SUPPORT", "true"), Text("CAN-FRAME-TX-BEHAVIOR", "CAN-FD")});
  std::string doc = arxml::Ar4(
      {arxml::Pkg(
           "P", {arxml::System("Sys", {arxml::FibexRef("CAN-CLUSTER", "/P/Can1")}),
                 arxml::CanCluster("Can1", {Text("BAUDRATE", "500000"),
                                            arxml::Channels({arxml::Channel(
                                                "CAN", "Ch",
                                                {arxml::CommConnectors("CAN", {"/E/E1/Conn"}),
                                                 arxml::FrameTriggerings({triggering})})})}),
                 arxml::Frame("CAN-FRAME", "F1", "64")}),
       arxml::Pkg("E", {ecu})});
  ImportResult r = ImportArxml(doc);
  EXPECT_EQ(r.code, VELANAR_OK) << r.log;
  EXPECT_TRUE(r.TreeHas("    IDIP_CLUSTER_CAN_FD_MODE_U32 = 2\n")) << r.tree;
  EXPECT_FALSE(r.TreeHas("CAN_FD_SPEED"));
  EXPECT_TRUE(r.TreeHas("      IDIP_TRIG_CAN_FD_MODE_U32 = 2\n"));
}

TEST(Commands, AssignNadUsesSlaveParameters) {
  LinSystem s = SlaveSystem(
      Slave("2.1", "10"),
      {Entry("ASSIGN-NAD", "0", "0.02", {AssignedController("S"), Text("NEW-NAD", "11")})});
  ImportResult r = Import(s);
  EXPECT_EQ(EntryOf(r),
            "      SCHED_ENTRY \"ScheduleTableEntry\" #8\n"
            "        IDIP_CON_INITIAL_NAD = 10\n"
            "        IDIP_SCHED_ENTRY_DELAY_F64 = 0.02\n"
            "        IDIP_SCHED_ENTRY_TYPE_U32 = 3\n"
            "        IDIP_SCHED_ENTRY_SERVICE_TYPE_U8 = 1\n"
            "        IDIP_SCHED_ENTRY_CONNECTOR_IOID = CONNECTOR #4\n"
            "        IDIP_SCHED_ENTRY_FF_D1_D8_U8P = 0A 06 B0 2C 01 05 00 0B\n")
      << r.tree;

  // An initial NAD addresses the slave; an unreadable NEW-NAD keeps the NAD.
  s = SlaveSystem(
      Slave("2.1", "10", "0x20"),
      {Entry("ASSIGN-NAD", "0", "0.02", {AssignedController("S"), Text("NEW-NAD", "none")})});
  r = Import(s);
  EXPECT_TRUE(r.TreeHas("        IDIP_CON_INITIAL_NAD = 32\n")) << r.tree;
  EXPECT_TRUE(r.TreeHas("        IDIP_SCHED_ENTRY_FF_D1_D8_U8P = 20 06 B0 2C 01 05 00 0A\n"));
}

TEST(Commands, SaveConfigurationAndFrameIdRange) {
  Node pids = El("FRAME-PIDS", {Text("FRAME-PID", "0x80"), Text("FRAME-PID", "0xC1")});
  LinSystem s =
      SlaveSystem(Slave("2.1", "0x0A"),
                  {Entry("SAVE-CONFIGURATION-ENTRY", "0", "0.02", {AssignedController("S")}),
                   Entry("ASSIGN-FRAME-ID-RANGE", "1", "0.02",
                         {AssignedController("S"), Text("START-INDEX", "0"), pids})});
  ImportResult r = Import(s);
  EXPECT_EQ(r.code, VELANAR_OK) << r.log;
  const std::string table = r.Subtree("SCHED_TABLE");
  EXPECT_NE(table.find("        IDIP_SCHED_ENTRY_SERVICE_TYPE_U8 = 4\n"
                       "        IDIP_SCHED_ENTRY_CONNECTOR_IOID = CONNECTOR #4\n"
                       "        IDIP_SCHED_ENTRY_FF_D1_D8_U8P = 0A 06 B6 FF FF FF FF FF\n"),
            std::string::npos)
      << table;
  EXPECT_NE(table.find("        IDIP_SCHED_ENTRY_SERVICE_TYPE_U8 = 5\n"
                       "        IDIP_SCHED_ENTRY_CONNECTOR_IOID = CONNECTOR #4\n"
                       "        IDIP_SCHED_ENTRY_FF_D1_D8_U8P = 0A 06 B7 00 80 C1 FF FF\n"),
            std::string::npos);
}

TEST(Commands, ConditionalChangeNadAndDataDump) {
  Node values =
      El("BYTE-VALUES", {Text("BYTE-VALUE", "1"), Text("BYTE-VALUE", "2"), Text("BYTE-VALUE", "3"),
                         Text("BYTE-VALUE", "4"), Text("BYTE-VALUE", "0x05")});
  LinSystem s =
      SlaveSystem(Slave("2.1", "10"),
                  {Entry("CONDITIONAL-CHANGE-NAD", "0", "0.02",
                         {AssignedController("S"), Text("ID", "0"), Text("BYTE", "1"),
                          Text("MASK", "0xFF"), Text("INVERT", "0"), Text("NEW-NAD", "12")}),
                   Entry("DATA-DUMP-ENTRY", "1", "0.02", {AssignedController("S"), values})});
  ImportResult r = Import(s);
  EXPECT_EQ(r.code, VELANAR_OK) << r.log;
  EXPECT_TRUE(
      r.TreeHas("        IDIP_SCHED_ENTRY_SERVICE_TYPE_U8 = 2\n"
                "        IDIP_SCHED_ENTRY_CONNECTOR_IOID = CONNECTOR #4\n"
                "        IDIP_SCHED_ENTRY_FF_D1_D8_U8P = 0A 06 B3 00 01 FF 00 0C\n"))
      << r.tree;
  EXPECT_TRUE(
      r.TreeHas("        IDIP_SCHED_ENTRY_SERVICE_TYPE_U8 = 3\n"
                "        IDIP_SCHED_ENTRY_CONNECTOR_IOID = CONNECTOR #4\n"
                "        IDIP_SCHED_ENTRY_FF_D1_D8_U8P = 0A 06 B4 01 02 03 04 05\n"));
}

TEST(Commands, AssignFrameIdNeedsLin20) {
  const std::vector<Node> configurable = {
      El("LIN-CONFIGURABLE-FRAMES",
         {El("LIN-CONFIGURABLE-FRAME",
             {Ref("FRAME-REF", "LIN-UNCONDITIONAL-FRAME", "/P/F1"), Text("MESSAGE-ID", "515")})})};
  const std::vector<Node> entry = {
      Entry("ASSIGN-FRAME-ID", "0", "0.02",
            {AssignedController("S"),
             Ref("ASSIGNED-FRAME-TRIGGERING-REF", "LIN-FRAME-TRIGGERING", "/P/Lin1/Ch/T1")})};

  ImportResult lin20 = Import(SlaveSystem(Slave("2.0", "10"), entry, configurable));
  EXPECT_EQ(lin20.code, VELANAR_OK) << lin20.log;
  EXPECT_EQ(EntryOf(lin20),
            "      SCHED_ENTRY \"ScheduleTableEntry\" #8\n"
            "        IDIP_SCHED_ENTRY_DELAY_F64 = 0.02\n"
            "        IDIP_SCHED_ENTRY_TYPE_U32 = 3\n"
            "        IDIP_SCHED_ENTRY_SERVICE_TYPE_U8 = 6\n"
            "        IDIP_SCHED_ENTRY_CONNECTOR_IOID = CONNECTOR #4\n"
            "        IDIP_SCHED_ENTRY_FF_D1_D8_U8P = 0A 06 B1 2C 01 03 02 50\n"
            "        IDIP_SCHED_ENTRY_CFGFRM_TRIG_IOID = TRIGGERING #6\n")
      << lin20.tree;

  // Versions written after the bus name read the same.
  for (const char* version : {"LIN20", "lin 2.0", "LIN_2_0"}) {
    EXPECT_EQ(EntryOf(Import(SlaveSystem(Slave(version, "10"), entry, configurable))),
              EntryOf(lin20))
        << version;
  }

  // LIN 2.1 slaves have no message identifiers: only delay and service type.
  // (text, protocol version of the slave's connector; "" when not understood)
  for (const auto& v : std::vector<std::pair<const char*, std::string>>{
           {"2.1", "5"}, {"LIN21", "5"}, {"LIN22", "6"}, {"LIN23", ""}}) {
    ImportResult lin21 = Import(SlaveSystem(Slave(v.first, "10"), entry, configurable));
    EXPECT_EQ(EntryOf(lin21),
              "      SCHED_ENTRY \"ScheduleTableEntry\" #8\n"
              "        IDIP_SCHED_ENTRY_DELAY_F64 = 0.02\n"
              "        IDIP_SCHED_ENTRY_SERVICE_TYPE_U8 = 6\n")
        << v.first;
    EXPECT_EQ(pdutest::Properties(
                  lin21.Subtree("CONNECTOR \"\" #4"))["IDIP_CON_LIN_PROTOCOL_VERSION_U32"],
              v.second)
        << v.first;
  }

  // A frame that is not configurable for the slave gets nothing either.
  ImportResult notListed = Import(SlaveSystem(Slave("2.0", "10"), entry));
  EXPECT_EQ(EntryOf(notListed).find("FF_D1_D8"), std::string::npos);
}

TEST(Commands, FreeFormatNeedsEightBytes) {
  std::vector<Node> bytes;
  for (int i = 0; i < 7; ++i) bytes.push_back(Text("BYTE-VALUE", std::to_string(i)));
  Node seven = El("BYTE-VALUES", bytes);
  bytes.push_back(Text("BYTE-VALUE", "0xFF"));
  Node eight = El("BYTE-VALUES", bytes);
  LinSystem s = SlaveSystem(Slave("2.1", "10"), {Entry("FREE-FORMAT", "0", "0.01", {seven}),
                                                 Entry("FREE-FORMAT", "1", "0.02", {eight})});
  ImportResult r = Import(s);
  EXPECT_EQ(r.Subtree("SCHED_TABLE"),
            "    SCHED_TABLE \"Config\" #7\n"
            "      IDIP_SCHED_TABLE_RUN_MODE_U32 = 1\n"
            "      IDIP_SCHED_TABLE_COMMENT_STR = \"\"\n"
            "      SCHED_ENTRY \"ScheduleTableEntry\" #8\n"
            "        IDIP_SCHED_ENTRY_DELAY_F64 = 0.01\n"
            "        IDIP_SCHED_ENTRY_SERVICE_TYPE_U8 = 0\n"
            "      SCHED_ENTRY \"ScheduleTableEntry\" #9\n"
            "        IDIP_SCHED_ENTRY_DELAY_F64 = 0.02\n"
            "        IDIP_SCHED_ENTRY_TYPE_U32 = 3\n"
            "        IDIP_SCHED_ENTRY_SERVICE_TYPE_U8 = 0\n"
            "        IDIP_SCHED_ENTRY_FF_D1_D8_U8P = 00 01 02 03 04 05 06 FF\n")
      << r.tree;
}

TEST(Commands, NothingWithoutConfiguredNadOrWithAnEmptyByte) {
  Node values =
      El("BYTE-VALUES", {Text("BYTE-VALUE", "1"), Text("BYTE-VALUE", ""), Text("BYTE-VALUE", "3"),
                         Text("BYTE-VALUE", "4"), Text("BYTE-VALUE", "5")});
  LinSystem s =
      SlaveSystem(Slave("2.1", "ten"),
                  {Entry("SAVE-CONFIGURATION-ENTRY", "0", "0.02", {AssignedController("S")})});
  ImportResult r = Import(s);
  EXPECT_EQ(EntryOf(r).find("FF_D1_D8"), std::string::npos) << r.tree;

  s = SlaveSystem(Slave("2.1", "10"),
                  {Entry("DATA-DUMP-ENTRY", "0", "0.02", {AssignedController("S"), values})});
  r = Import(s);
  EXPECT_EQ(EntryOf(r).find("FF_D1_D8"), std::string::npos) << r.tree;
  EXPECT_TRUE(r.LogHas("1,0,'<AR:BYTE-VALUE> (file=0, line=")) << r.log;
  EXPECT_TRUE(r.LogHas("): missing text'"));
}

}  // namespace
