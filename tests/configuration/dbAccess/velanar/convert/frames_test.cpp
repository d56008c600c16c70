// Frame triggerings of a cluster becoming TRIGGERING objects.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "arxml_builder.h"
#include "convert/converter4.h"
#include "import/convert_ctx.h"
#include "import_harness.h"
#include "velan/velanar.h"
#include "xml/navigation.h"
#include "xml/parser.h"

using namespace arxml;

namespace {

Node CanFrame(const std::string& name, const std::string& length = "8") {
  return Frame("CAN-FRAME", name, length);
}

TEST(Frames, TriggeringObjectWithBusData) {
  Node frame = CanFrame("F1", "8");
  frame.Add(Desc("Engine data"));
  ImportResult r = ImportArxml(SimpleCan4(
      "Can1",
      {CanFrameTriggering("T1", "/P/F1", "0x1A0", {Text("CAN-ADDRESSING-MODE", "EXTENDED")})},
      {frame}));
  ASSERT_TRUE(r.loaded) << r.error;
  EXPECT_EQ(r.code, VELANAR_OK) << r.log;
  EXPECT_EQ(r.Subtree("TRIGGERING"),
            "    TRIGGERING \"F1\" #2\n"
            "      IDIP_TRIG_COMMENT_STR = \"Engine data\"\n"
            "      IDIP_TRIG_NUM_BYTES_U32 = 8\n"
            "      IDIP_TRIG_IDENTIFIER_I32 = 416\n"
            "      IDIP_TRIG_EXTENDED_I16 = 1\n"
            "      IDIP_TRIG_CAN_FD_MODE_U32 = 0\n");
}

TEST(Frames, AddressingModeOnlyWhenGiven) {
  ImportResult r = ImportArxml(
      SimpleCan4("Can1",
                 {CanFrameTriggering("T1", "/P/A", "1", {Text("CAN-ADDRESSING-MODE", "STANDARD")}),
                  CanFrameTriggering("T2", "/P/B", "2")},
                 {CanFrame("A"), CanFrame("B")}));
  EXPECT_TRUE(r.Subtree("TRIGGERING \"A\"").find("IDIP_TRIG_EXTENDED_I16 = 0") !=
              std::string::npos);
  EXPECT_EQ(r.Subtree("TRIGGERING \"B\"").find("EXTENDED"), std::string::npos);
}

TEST(Frames, OneRecordPerFrameInNameOrder) {
  // Two triggerings of one frame: one object, bus data from the first.
  // Frames are created in name order, not document order.
  ImportResult r = ImportArxml(SimpleCan4(
      "Can1",
      {CanFrameTriggering("T1", "/P/Zeta", "0x100"), CanFrameTriggering("T2", "/P/Zeta", "0x200"),
       CanFrameTriggering("T3", "/P/Alpha", "0x300")},
      {CanFrame("Zeta"), CanFrame("Alpha")}));
  ASSERT_TRUE(r.loaded) << r.error;
  EXPECT_EQ(r.code, VELANAR_OK);
  const size_t alpha = r.tree.find("TRIGGERING \"Alpha\" #2");
  const size_t zeta = r.tree.find("TRIGGERING \"Zeta\" #3");
  ASSERT_NE(alpha, std::string::npos) << r.tree;
  ASSERT_NE(zeta, std::string::npos) << r.tree;
  EXPECT_TRUE(r.Subtree("\"Zeta\"").find("IDENTIFIER_I32 = 256") != std::string::npos);
  EXPECT_EQ(r.objectCount, 3u);
}

TEST(Frames, SameShortNameInTwoPackagesSharesOneRecord) {
  const std::string doc = Ar4(
      {Pkg("P", {System("Sys", {FibexRef("CAN-CLUSTER", "/P/Can1")}),
                 CanCluster("Can1", {Text("BAUDRATE", "500000"),
                                     Channels({Channel("CAN", "Ch",
                                                       {FrameTriggerings({
                                                           CanFrameTriggering("T1", "/P/F", "1"),
                                                           CanFrameTriggering("T2", "/Q/F", "2"),
                                                       })})})}),
                 CanFrame("F", "4")}),
       Pkg("Q", {CanFrame("F", "8")})});
  ImportResult r = ImportArxml(doc);
  ASSERT_TRUE(r.loaded) << r.error;
  EXPECT_EQ(r.objectCount, 2u);
  // Frame element and identifier of the first triggering.
  EXPECT_TRUE(r.TreeHas("IDIP_TRIG_NUM_BYTES_U32 = 4\n"));
  EXPECT_TRUE(r.TreeHas("IDIP_TRIG_IDENTIFIER_I32 = 1\n"));
}

TEST(Frames, FrameNamedLikeAnEcuGetsSuffix) {
  const std::string doc = Ar4({Pkg(
      "P", {System("Sys", {FibexRef("CAN-CLUSTER", "/P/Can1")}),
            CanCluster("Can1", {Text("BAUDRATE", "500000"),
                                Channels({Channel("CAN", "Ch",
                                                  {CommConnectors("CAN", {"/P/Engine/Conn"}),
                                                   FrameTriggerings({CanFrameTriggering(
                                                       "T1", "/P/Engine", "1")})})})}),
            EcuInstance("Engine", {Connectors({Connector("CAN", "Conn")})}), CanFrame("Engine")})});
  ImportResult r = ImportArxml(doc);
  ASSERT_TRUE(r.loaded) << r.error;
  EXPECT_TRUE(r.TreeHas("ECU \"Engine\"")) << r.tree;
  EXPECT_TRUE(r.TreeHas("TRIGGERING \"Engine_frm\"")) << r.tree;
}

TEST(Frames, CanFdModeFollowsBehaviourLengthAndCluster) {
  auto doc = [](bool fdBaudrate, const std::string& support, const std::string& tx,
                const std::string& rx, const std::string& length) {
    std::vector<Node> extra;
    if (!support.empty()) extra.push_back(Text("CAN-FD-FRAME-SUPPORT", support));
    if (!rx.empty()) extra.push_back(Text("CAN-FRAME-RX-BEHAVIOR", rx));
    if (!tx.empty()) extra.push_back(Text("CAN-FRAME-TX-BEHAVIOR", tx));
    std::vector<Node> conditional = {
        Text("BAUDRATE", "500000"),
        Channels({Channel("CAN", "Ch",
                          {FrameTriggerings({CanFrameTriggering("T", "/P/F", "1", extra)})})})};
    if (fdBaudrate) conditional.push_back(Text("CAN-FD-BAUDRATE", "2000000"));
    return Ar4({Pkg("P", {System("Sys", {FibexRef("CAN-CLUSTER", "/P/Can1")}),
                          CanCluster("Can1", conditional), CanFrame("F", length)})});
  };
  // Sent as CAN FD when the TX behaviour (or, without one, the RX behaviour)
  // says so or the frame is longer than 8 bytes; a cluster without CAN FD
  // mode then becomes a CAN FD cluster (mode 1).
  struct Case {
    bool fdBaudrate;
    const char* support;
    const char* tx;
    const char* rx;
    const char* length;
    int mode;
    const char* clusterMode;  // "" when the cluster gets none
    bool warns;
  };
  for (const Case& c : {Case{true, "true", "CAN-FD", "", "8", 1, "1", false},
                        Case{false, "true", "CAN-FD", "", "8", 1, "1", false},
                        Case{true, "false", "CAN-FD", "", "8", 1, "1", false},
                        Case{false, "", "", "CAN-FD", "8", 1, "1", false},
                        Case{true, "", "CAN-20", "CAN-FD", "8", 0, "1", false},
                        Case{true, "TRUE", "", "", "8", 0, "1", false},
                        Case{false, "true", "CAN-20", "", "8", 0, "", false},
                        Case{false, "", "", "", "64", 1, "1", true},
                        Case{true, "true", "", "", "12", 1, "1", false}}) {
    ImportResult r = ImportArxml(doc(c.fdBaudrate, c.support, c.tx, c.rx, c.length));
    ASSERT_TRUE(r.loaded) << r.error;
    const std::string clusterMode =
        c.clusterMode[0] ? "    IDIP_CLUSTER_CAN_FD_MODE_U32 = " + std::string(c.clusterMode) + "\n"
                         : "IDIP_CLUSTER_CAN_FD_MODE_U32";
    EXPECT_EQ(r.TreeHas(clusterMode), c.clusterMode[0] != '\0') << r.tree;
    EXPECT_TRUE(r.TreeHas("IDIP_TRIG_CAN_FD_MODE_U32 = " + std::to_string(c.mode) + "\n"))
        << r.tree;
    const auto warnings = r.LogLines("frame longer than 8 bytes without CAN FD marks");
    EXPECT_EQ(warnings.size(), c.warns ? 1u : 0u) << r.log;
    for (const std::string& line : warnings) {
      EXPECT_EQ(line.rfind("1,0,'<AR:CAN-FRAME-TRIGGERING> (file=0", 0), 0u) << line;
    }
  }
}

TEST(Frames, MissingPiecesAreSkippedWithWarnings) {
  Node noRef = Named("CAN-FRAME-TRIGGERING", "NoRef", {Text("IDENTIFIER", "1")});
  Node unresolved = CanFrameTriggering("Lost", "/P/Nowhere", "2");
  Node noId = FrameTriggering("CAN", "NoId", "CAN-FRAME", "/P/F");
  Node varied = CanFrameTriggering("Varied", "/P/G", "3");
  varied.Add(VariationPoint());
  ImportResult r = ImportArxml(
      SimpleCan4("Can1", {noRef, unresolved, noId, varied}, {CanFrame("F", ""), CanFrame("G")}));
  ASSERT_TRUE(r.loaded) << r.error;
  EXPECT_EQ(r.code, VELANAR_OK);  // warnings only
  EXPECT_TRUE(r.LogHas("<AR:CAN-FRAME-TRIGGERING> (file=0"));
  EXPECT_TRUE(r.LogHas("): missing <AR:FRAME-REF> element'"));
  EXPECT_TRUE(r.LogHas("): unresolved reference'"));
  EXPECT_TRUE(r.LogHas("): missing <AR:IDENTIFIER> element'"));
  EXPECT_TRUE(r.LogHas("): missing <AR:FRAME-LENGTH> element'"));
  EXPECT_TRUE(r.LogHas("): ignored (using <VARIATION-POINT> child)'"));
  EXPECT_EQ(r.Subtree("TRIGGERING"),
            "    TRIGGERING \"F\" #2\n"
            "      IDIP_TRIG_COMMENT_STR = \"\"\n"
            "      IDIP_TRIG_CAN_FD_MODE_U32 = 0\n");
  EXPECT_FALSE(r.TreeHas("\"G\""));

  Node cluster = CanCluster("Can1", {Text("BAUDRATE", "500000"), Channels({Channel("CAN", "Ch")})});
  ImportResult noTriggerings =
      ImportArxml(Ar4({Pkg("P", {System("Sys", {FibexRef("CAN-CLUSTER", "/P/Can1")}), cluster})}));
  EXPECT_TRUE(noTriggerings.LogHas("<AR:CAN-PHYSICAL-CHANNEL> (file=0"));
  EXPECT_TRUE(noTriggerings.LogHas("): missing <AR:FRAME-TRIGGERINGS> element'"));
  EXPECT_EQ(noTriggerings.code, VELANAR_OK);
}

TEST(Frames, LinEventTriggeredAndSporadicFramesGiveNoTriggering) {
  auto lin = [](const std::string& name, const std::string& dest, const std::string& frame,
                const std::string& id) {
    Node t = FrameTriggering("LIN", name, dest, "/P/" + frame);
    t.Add(Text("IDENTIFIER", id));
    return t;
  };
  Node cluster = LinCluster(
      "Lin1", {Text("BAUDRATE", "19200"),
               Channels({Channel(
                   "LIN", "Ch",
                   {FrameTriggerings({lin("T1", "LIN-UNCONDITIONAL-FRAME", "Uncond", "0x10"),
                                      lin("T2", "LIN-EVENT-TRIGGERED-FRAME", "Event", "0x11"),
                                      lin("T3", "LIN-SPORADIC-FRAME", "Sporadic", "0x12")})})})});
  ImportResult r =
      ImportArxml(Ar4({Pkg("P", {System("Sys", {FibexRef("LIN-CLUSTER", "/P/Lin1")}), cluster,
                                 Frame("LIN-UNCONDITIONAL-FRAME", "Uncond", "2"),
                                 Named("LIN-EVENT-TRIGGERED-FRAME", "Event"),
                                 Named("LIN-SPORADIC-FRAME", "Sporadic")})}));
  ASSERT_TRUE(r.loaded) << r.error;
  EXPECT_EQ(r.code, VELANAR_OK) << r.log;
  EXPECT_EQ(r.Subtree("TRIGGERING"),
            "    TRIGGERING \"Uncond\" #2\n"
            "      IDIP_TRIG_COMMENT_STR = \"\"\n"
            "      IDIP_TRIG_NUM_BYTES_U32 = 2\n"
            "      IDIP_TRIG_IDENTIFIER_I32 = 16\n");
  EXPECT_FALSE(r.TreeHas("Event"));
  EXPECT_FALSE(r.TreeHas("Sporadic"));
}

TEST(Frames, ClassifyLinFrameByElementName) {
  cConvertCtx ctx;
  const std::string text =
      Ar4({Pkg("P", {Named("LIN-UNCONDITIONAL-FRAME", "U"), Named("LIN-SPORADIC-FRAME", "S"),
                     Named("LIN-EVENT-TRIGGERED-FRAME", "E")})});
  ASSERT_EQ(ParseText(*ctx.document, 0, text.data(), text.size()), kParseOk);
  const exElement* elements = ctx.document->Child(0);
  for (const char* path : {"AR:AR-PACKAGES", "AR:AR-PACKAGE", "AR:ELEMENTS"}) {
    elements = FindChild(elements, path, 0);
  }
  ASSERT_NE(elements, nullptr);
  cConverter4 converter(&ctx);
  EXPECT_EQ(converter.ClassifyLinFrame(elements->Child(0)), 0u);
  EXPECT_EQ(converter.ClassifyLinFrame(elements->Child(1)), 1u);
  EXPECT_EQ(converter.ClassifyLinFrame(elements->Child(2)), 2u);
  EXPECT_EQ(converter.ClassifyLinFrame(nullptr), 0u);
}

}  // namespace
