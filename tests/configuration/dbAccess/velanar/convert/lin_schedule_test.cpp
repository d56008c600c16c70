// LIN schedule tables: tables and entries in position order, frame slots of
// the three kinds, generated collision-resolving tables, run modes.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "import_harness.h"
#include "lin_schedule_documents.h"
#include "velan/velanar.h"

using namespace lindoc;

namespace {

// Master M and frames F1 (id 16), F2 (id 17), F3 (id 18) with triggerings T1..T3.
LinSystem ThreeFrames() {
  LinSystem s;
  s.connectedEcus = {"M"};
  s.ecus = {MasterEcu("M")};
  s.triggerings = {Triggering("T1", "F1", "16"), Triggering("T2", "F2", "17"),
                   Triggering("T3", "F3", "18")};
  s.frames = {UnconditionalFrame("F1"), UnconditionalFrame("F2"), UnconditionalFrame("F3")};
  return s;
}

ImportResult Import(const LinSystem& s) {
  ImportResult r = ImportArxml(s.Str());
  EXPECT_TRUE(r.loaded) << r.error;
  return r;
}

TEST(ScheduleTables, EntriesAreCreatedInPositionOrder) {
  LinSystem s = ThreeFrames();
  s.tables = {
      Table("Normal", "RUN-CONTINUOUS",
            {AppEntry("2", "0.03", "T3"), AppEntry("0", "0.01", "T1"), AppEntry("1", "0.02", "T2"),
             // A later entry at a taken position is dropped silently.
             AppEntry("1", "0.09", "T3")})};
  ImportResult r = Import(s);
  EXPECT_EQ(r.code, VELANAR_OK) << r.log;
  EXPECT_EQ(r.Subtree("SCHED_TABLE"),
            "    SCHED_TABLE \"Normal\" #7\n"
            "      IDIP_SCHED_TABLE_RUN_MODE_U32 = 0\n"
            "      IDIP_SCHED_TABLE_COMMENT_STR = \"\"\n"
            "      SCHED_ENTRY \"ScheduleTableEntry\" #8\n"
            "        IDIP_SCHED_ENTRY_DELAY_F64 = 0.01\n"
            "        IDIP_SCHED_ENTRY_TYPE_U32 = 0\n"
            "        IDIP_SCHED_ENTRY_TRIGS_IOIDS = [TRIGGERING #4]\n"
            "      SCHED_ENTRY \"ScheduleTableEntry\" #9\n"
            "        IDIP_SCHED_ENTRY_DELAY_F64 = 0.02\n"
            "        IDIP_SCHED_ENTRY_TYPE_U32 = 0\n"
            "        IDIP_SCHED_ENTRY_TRIGS_IOIDS = [TRIGGERING #5]\n"
            "      SCHED_ENTRY \"ScheduleTableEntry\" #10\n"
            "        IDIP_SCHED_ENTRY_DELAY_F64 = 0.03\n"
            "        IDIP_SCHED_ENTRY_TYPE_U32 = 0\n"
            "        IDIP_SCHED_ENTRY_TRIGS_IOIDS = [TRIGGERING #6]\n")
      << r.tree;
}

TEST(ScheduleTables, EntriesWithoutUsablePositionAreNotCreated) {
  LinSystem s = ThreeFrames();
  Node noPosition = El("APPLICATION-ENTRY", {Text("DELAY", "0.05")});
  s.tables = {Table("Normal", "",
                    {noPosition, AppEntry("", "0.06", "T1"), AppEntry("x1", "0.07", "T1"),
                     AppEntry("0", "0.01", "T2")})};
  ImportResult r = Import(s);
  EXPECT_EQ(r.code, VELANAR_OK);
  const std::string table = r.Subtree("SCHED_TABLE");
  EXPECT_EQ(table.find("SCHED_ENTRY \""), table.rfind("SCHED_ENTRY \"")) << table;
  EXPECT_EQ(table.find("0.05"), std::string::npos) << table;
  EXPECT_EQ(table.find("0.06"), std::string::npos);
  EXPECT_EQ(table.find("0.07"), std::string::npos);
  EXPECT_NE(table.find("0.01"), std::string::npos);
  EXPECT_TRUE(r.LogHas("<AR:APPLICATION-ENTRY> (file=0, line=")) << r.log;
  EXPECT_TRUE(r.LogHas("): missing <AR:POSITION-IN-TABLE> element'"));
  EXPECT_TRUE(r.LogHas("<AR:POSITION-IN-TABLE> (file=0"));
  EXPECT_TRUE(r.LogHas("): missing value (xml text)'"));
  EXPECT_TRUE(r.LogHas("): failed conversion to numeric value'"));
}

TEST(ScheduleTables, SameShortNameGetsUniqueSuffix) {
  LinSystem s = ThreeFrames();
  s.tables = {Table("T", "", {AppEntry("0", "0.01", "T1")}),
              Table("T", "", {AppEntry("0", "0.02", "T2")})};
  ImportResult r = Import(s);
  EXPECT_EQ(r.code, VELANAR_OK) << r.log;
  EXPECT_TRUE(r.TreeHas("    SCHED_TABLE \"T\" #"));
  EXPECT_TRUE(r.TreeHas("    SCHED_TABLE \"T_st\" #"));
  EXPECT_NE(r.Subtree("SCHED_TABLE \"T_st\"").find("DELAY_F64 = 0.02"), std::string::npos);
}

TEST(ScheduleTables, ZeroHostHandleIsNoAllocationFailure) {
  // Without host objects every table would get the same key; that must not
  // be taken for exhausted memory.
  LinSystem s = ThreeFrames();
  s.tables = {Table("A", "", {AppEntry("0", "0.01", "T1")}),
              Table("B", "", {AppEntry("0", "0.02", "T2")})};
  ImportOptions options;
  options.zeroHandle = true;
  ImportResult r = ImportArxml(s.Str(), options);
  ASSERT_TRUE(r.loaded) << r.error;
  EXPECT_EQ(r.code, VELANAR_OK) << r.log;
  EXPECT_EQ(r.objectCount, 0u);
}

TEST(ScheduleTables, RunModeIsSetOnlyWhenGivenAndKnown) {
  LinSystem s = ThreeFrames();
  s.tables = {Table("Once", "RUN-ONCE", {}), Table("Plain", "", {}), Table("Odd", "RUN-TWICE", {})};
  ImportResult r = Import(s);
  EXPECT_EQ(r.Subtree("SCHED_TABLE \"Once\""),
            "    SCHED_TABLE \"Once\" #7\n"
            "      IDIP_SCHED_TABLE_RUN_MODE_U32 = 1\n"
            "      IDIP_SCHED_TABLE_COMMENT_STR = \"\"\n");
  EXPECT_EQ(r.Subtree("SCHED_TABLE \"Plain\""),
            "    SCHED_TABLE \"Plain\" #8\n"
            "      IDIP_SCHED_TABLE_COMMENT_STR = \"\"\n");
  EXPECT_EQ(r.Subtree("SCHED_TABLE \"Odd\"").find("RUN_MODE"), std::string::npos);
  // Only the unknown keyword is reported.
  EXPECT_EQ(r.LogCount("RUN-MODE"), 1u) << r.log;
  EXPECT_TRUE(r.LogHas("<AR:RUN-MODE> (file=0"));
}

TEST(ScheduleTables, TableCommentComesFromItsDescription) {
  LinSystem s = ThreeFrames();
  Node table = Table("Normal", "", {});
  table.Add(arxml::Desc("Normal operation"));
  s.tables = {table};
  ImportResult r = Import(s);
  EXPECT_TRUE(r.TreeHas("      IDIP_SCHED_TABLE_COMMENT_STR = \"Normal operation\"\n")) << r.tree;
}

TEST(ScheduleTables, NonLinClusterGetsNone) {
  LinSystem s;
  s.clusterType = "CAN";
  s.tables = {Table("Normal", "", {Entry("FREE-FORMAT", "0", "0.01")})};
  ImportResult r = Import(s);
  EXPECT_TRUE(r.TreeHas("CLUSTER \"Lin1\""));
  EXPECT_FALSE(r.TreeHas("SCHED_")) << r.tree;
}

TEST(FrameSlots, UnconditionalSporadicAndEventTriggered) {
  LinSystem s = ThreeFrames();
  s.triggerings.push_back(Triggering("TS", "Sp", "40", "LIN-SPORADIC-FRAME"));
  s.triggerings.push_back(Triggering("TE", "Ev", "48", "LIN-EVENT-TRIGGERED-FRAME"));
  // Outside is a frame without triggering in this cluster.
  s.frames.push_back(UnconditionalFrame("Outside"));
  s.frames.push_back(SporadicFrame("Sp", {"F2", "Outside", "F3"}));
  s.frames.push_back(EventTriggeredFrame("Ev", {"F1", "F3"}));
  s.tables = {Table(
      "Normal", "",
      {AppEntry("0", "0.01", "T1"), AppEntry("1", "0.02", "TS"), AppEntry("2", "0.03", "TE")})};
  ImportResult r = Import(s);
  EXPECT_EQ(r.code, VELANAR_OK) << r.log;
  EXPECT_EQ(r.Subtree("SCHED_TABLE \"Normal\""),
            "    SCHED_TABLE \"Normal\" #7\n"
            "      IDIP_SCHED_TABLE_COMMENT_STR = \"\"\n"
            "      SCHED_ENTRY \"ScheduleTableEntry\" #8\n"
            "        IDIP_SCHED_ENTRY_DELAY_F64 = 0.01\n"
            "        IDIP_SCHED_ENTRY_TYPE_U32 = 0\n"
            "        IDIP_SCHED_ENTRY_TRIGS_IOIDS = [TRIGGERING #4]\n"
            "      SCHED_ENTRY \"ScheduleTableEntry\" #9\n"
            "        IDIP_SCHED_ENTRY_DELAY_F64 = 0.02\n"
            "        IDIP_SCHED_ENTRY_TYPE_U32 = 1\n"
            "        IDIP_SCHED_ENTRY_TRIGS_IOIDS = [TRIGGERING #5, TRIGGERING #6]\n"
            "      SCHED_ENTRY \"ScheduleTableEntry\" #10\n"
            "        IDIP_SCHED_ENTRY_DELAY_F64 = 0.03\n"
            "        IDIP_SCHED_ENTRY_TYPE_U32 = 2\n"
            "        IDIP_SCHED_ENTRY_EVENT_ID_U32 = 48\n"
            "        IDIP_SCHED_ENTRY_COLLISION_TAB_IOID = SCHED_TABLE #11\n"
            "        IDIP_SCHED_ENTRY_TRIGS_IOIDS = [TRIGGERING #4, TRIGGERING #6]\n")
      << r.tree;
  // One unconditional entry per frame of the event-triggered frame, with the
  // delay of the event-triggered entry.
  EXPECT_EQ(r.Subtree("SCHED_TABLE \"CollisionResolver\""),
            "    SCHED_TABLE \"CollisionResolver\" #11\n"
            "      SCHED_ENTRY \"ScheduleTableEntry\" #12\n"
            "        IDIP_SCHED_ENTRY_DELAY_F64 = 0.03\n"
            "        IDIP_SCHED_ENTRY_TYPE_U32 = 0\n"
            "        IDIP_SCHED_ENTRY_TRIGS_IOIDS = [TRIGGERING #4]\n"
            "      SCHED_ENTRY \"ScheduleTableEntry\" #13\n"
            "        IDIP_SCHED_ENTRY_DELAY_F64 = 0.03\n"
            "        IDIP_SCHED_ENTRY_TYPE_U32 = 0\n"
            "        IDIP_SCHED_ENTRY_TRIGS_IOIDS = [TRIGGERING #6]\n");
}

TEST(FrameSlots, CollisionResolvingScheduleOfTheClusterIsUsed) {
  LinSystem s = ThreeFrames();
  s.triggerings.push_back(Triggering("TE", "Ev", "48", "LIN-EVENT-TRIGGERED-FRAME"));
  s.frames.push_back(EventTriggeredFrame("Ev", {"F1", "F2"}));
  s.tables = {Table("Normal", "",
                    {AppEntry("0", "0.01", "TE",
                              {Ref("COLLISION-RESOLVING-SCHEDULE-REF", "LIN-SCHEDULE-TABLE",
                                   "/P/Lin1/Ch/Resolve")})}),
              Table("Resolve", "", {AppEntry("0", "0.01", "T1"), AppEntry("1", "0.01", "T2")})};
  ImportResult r = Import(s);
  EXPECT_EQ(r.code, VELANAR_OK) << r.log;
  EXPECT_FALSE(r.TreeHas("CollisionResolver"));
  EXPECT_TRUE(r.TreeHas("    SCHED_TABLE \"Resolve\" #9\n"));
  EXPECT_TRUE(r.TreeHas("IDIP_SCHED_ENTRY_COLLISION_TAB_IOID = SCHED_TABLE #9\n")) << r.tree;

  // A reference to something that is no table of the cluster generates one.
  s.tables[0] = Table("Normal", "",
                      {AppEntry("0", "0.01", "TE",
                                {Ref("COLLISION-RESOLVING-SCHEDULE-REF", "LIN-SCHEDULE-TABLE",
                                     "/P/Lin1/Ch/Nowhere")})});
  ImportResult generated = Import(s);
  EXPECT_TRUE(generated.TreeHas("SCHED_TABLE \"CollisionResolver\""));
}

TEST(FrameSlots, UnresolvableTriggeringLeavesOnlyTheDelay) {
  LinSystem s = ThreeFrames();
  s.tables = {Table("Normal", "", {AppEntry("0", "0.01", "Missing")})};
  ImportResult r = Import(s);
  EXPECT_EQ(r.code, VELANAR_OK);
  EXPECT_EQ(r.Subtree("SCHED_ENTRY"),
            "      SCHED_ENTRY \"ScheduleTableEntry\" #8\n"
            "        IDIP_SCHED_ENTRY_DELAY_F64 = 0.01\n");
}

}  // namespace
