// AUTOSAR 3 LIN clusters: controllers read without variant containers, and
// schedule tables built from the relatively scheduled timings of the frame
// triggerings, with the collision-resolving tables of event-triggered frames.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "ar3_documents_test.h"
#include "arxml_builder.h"
#include "import_harness.h"
#include "velan/velanar.h"

using namespace ar3;

namespace {

// RELATIVELY-SCHEDULED-TIMING (or another timing kind) in table /P/<table>.
Node Timing(const std::string& table, const std::string& position, const std::string& delay,
            const std::string& kind = "RELATIVELY-SCHEDULED-TIMING", std::vector<Node> extra = {}) {
  return El(kind, Join({Ref("SCHEDULE-TABLE-REF", "LIN-SCHEDULE-TABLE", "/P/" + table),
                        Text("POSITION-IN-TABLE", position), Text("DELAY", delay)},
                       extra));
}

Node LinTriggering(const std::string& name, const std::string& frame, const std::string& id,
                   std::vector<Node> timings, const std::string& dest = "FRAME") {
  return Triggering("LIN", name, frame, id,
                    {El("RELATIVELY-SCHEDULED-TIMINGS", std::move(timings))}, dest);
}

Node Table(const std::string& name, std::vector<Node> extra = {}) {
  return Named("LIN-SCHEDULE-TABLE", name, std::move(extra));
}

Node SubstitutionFrame(const std::string& name, const std::string& type,
                       const std::vector<std::string>& frames) {
  std::vector<Node> refs;
  for (const std::string& frame : frames) {
    refs.push_back(Ref("SUBSTITUTED-FRAME-REF", "FRAME", "/P/" + frame));
  }
  return Named("SUBSTITUTION-FRAME", name,
               {Text("FRAME-LENGTH", "8"), Text("SUBSTITUTION-TYPE", type),
                El("SUBSTITUTED-FRAME-REFS", std::move(refs))});
}

std::string LinSystem(std::vector<Node> triggerings, std::vector<Node> elements,
                      std::vector<Node> e = {}, std::vector<Node> systemRefs = {}) {
  std::vector<Node> refs = {FibRef("LIN-CLUSTER", "/P/Lin1")};
  refs = Join(std::move(refs), systemRefs);
  std::vector<Node> p = {System(std::move(refs)),
                         Cluster("LIN", "Lin1", {ar3::FrameTriggerings(std::move(triggerings))},
                                 {Text("SPEED", "19200")})};
  return Document(Join(std::move(p), elements), std::move(e));
}

TEST(Ar3LinSchedule, TimingsOfOneTriggeringInTwoTables) {
  ImportResult r = ImportArxml(
      LinSystem({LinTriggering("T1", "F1", "16",
                               {Timing("Normal", "1", "0.01"), Timing("Diag", "0", "0.05")}),
                 LinTriggering("T2", "F2", "17", {Timing("Normal", "0", "0.02")})},
                {Frame("F1", "2"), Frame("F2", "4"),
                 Table("Normal", {Text("PRIORITY", "3"), Text("RUN-MODE", "RUN-ONCE"),
                                  arxml::Desc("Normal operation")}),
                 Table("Diag", {Text("PRIORITY", "7")})}));
  ASSERT_TRUE(r.loaded) << r.error;
  EXPECT_TRUE(r.TreeHas("IDIP_CLUSTER_SPEED_U64 = 19200\n")) << r.tree;
  EXPECT_EQ(r.Subtree("SCHED_TABLE \"Normal\""),
            "    SCHED_TABLE \"Normal\" #4\n"
            "      IDIP_SCHED_TABLE_PRIORITY_U32 = 3\n"
            "      IDIP_SCHED_TABLE_RUN_MODE_U32 = 1\n"
            "      IDIP_SCHED_TABLE_COMMENT_STR = \"Normal operation\"\n"
            "      SCHED_ENTRY \"ScheduleTableEntry\" #6\n"
            "        IDIP_SCHED_ENTRY_DELAY_F64 = 0.02\n"
            "        IDIP_SCHED_ENTRY_TYPE_U32 = 0\n"
            "        IDIP_SCHED_ENTRY_TRIGS_IOIDS = [TRIGGERING #3]\n"
            "      SCHED_ENTRY \"ScheduleTableEntry\" #7\n"
            "        IDIP_SCHED_ENTRY_DELAY_F64 = 0.01\n"
            "        IDIP_SCHED_ENTRY_TYPE_U32 = 0\n"
            "        IDIP_SCHED_ENTRY_TRIGS_IOIDS = [TRIGGERING #2]\n");
  EXPECT_EQ(r.Subtree("SCHED_TABLE \"Diag\""),
            "    SCHED_TABLE \"Diag\" #5\n"
            "      IDIP_SCHED_TABLE_PRIORITY_U32 = 7\n"
            "      IDIP_SCHED_TABLE_COMMENT_STR = \"\"\n"
            "      SCHED_ENTRY \"ScheduleTableEntry\" #8\n"
            "        IDIP_SCHED_ENTRY_DELAY_F64 = 0.05\n"
            "        IDIP_SCHED_ENTRY_TYPE_U32 = 0\n"
            "        IDIP_SCHED_ENTRY_TRIGS_IOIDS = [TRIGGERING #2]\n");
  EXPECT_EQ(r.objectCount, 8u) << r.tree;
}

TEST(Ar3LinSchedule, TimingsWithoutPositionOrTableAreLeftOut) {
  ImportResult r = ImportArxml(
      LinSystem({LinTriggering("T1", "F1", "16",
                               {Timing("Normal", "x", "0.01"), Timing("Gone", "0", "0.01"),
                                Timing("Normal", "4", "0.03"), Timing("Normal", "4", "0.04"),
                                El("EVENT-TIMING", {Ref("SCHEDULE-TABLE-REF", "", "/P/Normal")})})},
                {Frame("F1", "2"), Table("Normal", {Text("PRIORITY", "1")})}));
  ASSERT_TRUE(r.loaded) << r.error;
  EXPECT_TRUE(r.LogHas("failed conversion to numeric value")) << r.log;
  EXPECT_TRUE(r.LogHas("unresolved reference")) << r.log;
  // One entry: the first timing at position 4.
  const std::string table = r.Subtree("SCHED_TABLE \"Normal\"");
  EXPECT_NE(table.find("DELAY_F64 = 0.03"), std::string::npos) << table;
  EXPECT_EQ(table.find("DELAY_F64 = 0.04"), std::string::npos) << table;
  EXPECT_EQ(r.objectCount, 4u) << r.tree;
}

std::vector<Node> EventFrames(const std::string& type) {
  return {Frame("F1", "2"), Frame("F2", "4"), SubstitutionFrame("Evt", type, {"F1", "Gone", "F2"}),
          Table("Normal", {Text("PRIORITY", "1")})};
}

std::vector<Node> EventTriggerings() {
  return {LinTriggering("T1", "F1", "16", {Timing("Normal", "0", "0.01")}),
          LinTriggering("T2", "F2", "17", {}),
          LinTriggering("TE", "Evt", "58", {Timing("Normal", "1", "0.02")}, "SUBSTITUTION-FRAME")};
}

TEST(Ar3LinSchedule, EventTriggeredFrameGetsCollisionResolvingTable) {
  ImportResult r = ImportArxml(LinSystem(EventTriggerings(), EventFrames("EVENT-TRIGGERED")));
  ASSERT_TRUE(r.loaded) << r.error;
  // The substitution frame is scheduled, not triggered.
  EXPECT_FALSE(r.TreeHas("TRIGGERING \"Evt\"")) << r.tree;
  EXPECT_EQ(r.Subtree("SCHED_TABLE \"CollisionResolver\""),
            "    SCHED_TABLE \"CollisionResolver\" #5\n"
            "      SCHED_ENTRY \"ScheduleTableEntry\" #6\n"
            "        IDIP_SCHED_ENTRY_DELAY_F64 = 0.02\n"
            "        IDIP_SCHED_ENTRY_TYPE_U32 = 0\n"
            "        IDIP_SCHED_ENTRY_TRIGS_IOIDS = [TRIGGERING #2]\n"
            "      SCHED_ENTRY \"ScheduleTableEntry\" #7\n"
            "        IDIP_SCHED_ENTRY_DELAY_F64 = 0.02\n"
            "        IDIP_SCHED_ENTRY_TYPE_U32 = 0\n"
            "        IDIP_SCHED_ENTRY_TRIGS_IOIDS = [TRIGGERING #3]\n");
  EXPECT_EQ(r.Subtree("SCHED_TABLE \"Normal\""),
            "    SCHED_TABLE \"Normal\" #4\n"
            "      IDIP_SCHED_TABLE_PRIORITY_U32 = 1\n"
            "      IDIP_SCHED_TABLE_COMMENT_STR = \"\"\n"
            "      SCHED_ENTRY \"ScheduleTableEntry\" #8\n"
            "        IDIP_SCHED_ENTRY_DELAY_F64 = 0.01\n"
            "        IDIP_SCHED_ENTRY_TYPE_U32 = 0\n"
            "        IDIP_SCHED_ENTRY_TRIGS_IOIDS = [TRIGGERING #2]\n"
            "      SCHED_ENTRY \"ScheduleTableEntry\" #9\n"
            "        IDIP_SCHED_ENTRY_DELAY_F64 = 0.02\n"
            "        IDIP_SCHED_ENTRY_TYPE_U32 = 2\n"
            "        IDIP_SCHED_ENTRY_EVENT_ID_U32 = 58\n"
            "        IDIP_SCHED_ENTRY_COLLISION_TAB_IOID = SCHED_TABLE #5\n"
            "        IDIP_SCHED_ENTRY_TRIGS_IOIDS = [TRIGGERING #2, TRIGGERING #3]\n");
}

TEST(Ar3LinSchedule, CollisionResolverNameMadeUniqueWhenTaken) {
  std::vector<Node> frames = EventFrames("EVENT-TRIGGERED");
  frames.push_back(Frame("CollisionResolver", "1"));
  std::vector<Node> triggerings = EventTriggerings();
  triggerings.push_back(LinTriggering("TC", "CollisionResolver", "20", {}));
  ImportResult r = ImportArxml(LinSystem(std::move(triggerings), std::move(frames)));
  ASSERT_TRUE(r.loaded) << r.error;
  EXPECT_TRUE(r.TreeHas("TRIGGERING \"CollisionResolver\"")) << r.tree;
  EXPECT_TRUE(r.TreeHas("SCHED_TABLE \"CollisionResolver_crst")) << r.tree;
}

TEST(Ar3LinSchedule, SporadicFrameHasNoCollisionTable) {
  ImportResult r = ImportArxml(LinSystem(EventTriggerings(), EventFrames("SPORADIC")));
  ASSERT_TRUE(r.loaded) << r.error;
  EXPECT_FALSE(r.TreeHas("CollisionResolver")) << r.tree;
  const std::string table = r.Subtree("SCHED_TABLE \"Normal\"");
  EXPECT_NE(table.find("IDIP_SCHED_ENTRY_TYPE_U32 = 1\n"
                       "        IDIP_SCHED_ENTRY_TRIGS_IOIDS = [TRIGGERING #2, TRIGGERING #3]\n"),
            std::string::npos)
      << table;
  EXPECT_EQ(table.find("EVENT_ID"), std::string::npos) << table;
  // The reference to a frame that is not in the cluster adds nothing.
  EXPECT_TRUE(r.LogHas("unresolved reference")) << r.log;
}

TEST(Ar3LinSchedule, DataTimingCarriesFreeFormatBytes) {
  std::vector<Node> bytes;
  for (const char* value : {"1", "2", "3", "4", "5", "6", "7", "8"}) {
    bytes.push_back(Text("BYTE-VALUE", value));
  }
  Node data = Timing("Normal", "0", "0.01", "DATA-TIMING",
                     {El("FREE-FORMAT", {El("BYTE-VALUES", std::move(bytes))})});
  Node empty = Timing("Normal", "1", "0.01", "DATA-TIMING");
  ImportResult r =
      ImportArxml(LinSystem({LinTriggering("T1", "F1", "16", {data, empty})},
                            {Frame("F1", "2"), Table("Normal", {Text("PRIORITY", "1")})}));
  ASSERT_TRUE(r.loaded) << r.error;
  const std::string table = r.Subtree("SCHED_TABLE \"Normal\"");
  EXPECT_NE(table.find("IDIP_SCHED_ENTRY_TYPE_U32 = 3"), std::string::npos) << table;
  EXPECT_NE(table.find("01 02 03 04 05 06 07 08"), std::string::npos) << table;
  EXPECT_EQ(r.LogCount("missing <AR:FREE-FORMAT> element"), 1u) << r.log;
}

TEST(Ar3LinNodes, ControllersWithoutVariantContainers) {
  auto ecu = [](const std::string& name, const std::string& kind, std::vector<Node> fields) {
    return Ecu(name,
               {Connector("COMMUNICATION-CONNECTOR", "Conn", "Lin1", {},
                          {Ref("COMM-CONTROLLER-REF", kind, "/E/" + name + "/Ctrl")})},
               {Named(kind, "Ctrl", std::move(fields))});
  };
  std::vector<Node> e = {
      ecu("Master", "LIN-MASTER", {Text("TIME-BASE", "0.005"), Text("TIME-BASE-JITTER", "0.0001")}),
      ecu("Slave", "LIN-SLAVE",
          {Text("CONFIGURED-NAD", "5"), Text("SUPPLIER-ID", "300"), Text("INITIAL-NAD", "9")}),
      ecu("Odd", "CAN-COMMUNICATION-CONTROLLER", {})};
  ImportResult r = ImportArxml(
      LinSystem({}, {}, std::move(e),
                {FibRef("ECU-INSTANCE", "/E/Master"), FibRef("ECU-INSTANCE", "/E/Slave"),
                 FibRef("ECU-INSTANCE", "/E/Odd")}));
  ASSERT_TRUE(r.loaded) << r.error;
  EXPECT_EQ(r.Subtree("CONNECTOR \"\" #2"),
            "    CONNECTOR \"\" #2\n"
            "      IDIP_CON_LIN_IS_MASTER_U32 = 1\n"
            "      IDIP_CON_LIN_TIMEBASE_F64 = 0.005\n"
            "      IDIP_CON_LIN_JITTER_F64 = 1e-04\n"
            "      ECU \"Master\" #3\n"
            "        IDIP_ECU_COMMENT_STR = \"\"\n");
  // Slave: configured NAD only; supplier and initial NAD are not read.
  EXPECT_EQ(r.Subtree("CONNECTOR \"\" #4"),
            "    CONNECTOR \"\" #4\n"
            "      IDIP_CON_LIN_IS_MASTER_U32 = 0\n"
            "      IDIP_CON_LIN_CONFIGURED_NAD_U8 = 5\n"
            "      ECU \"Slave\" #5\n"
            "        IDIP_ECU_COMMENT_STR = \"\"\n");
  EXPECT_TRUE(r.LogHas("unexpected, the name should be  <LIN-MASTER> or <LIN-SLAVE>")) << r.log;
  EXPECT_NE(r.Subtree("CONNECTOR \"\" #6").find("ECU \"Odd\""), std::string::npos) << r.tree;
}

}  // namespace
