// AUTOSAR 3 CAN systems: the SYSTEM's references, cluster speed, frames,
// PDU lengths in bits, signals with their codings, PDU timings and ECUs.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "ar3_documents_test.h"
#include "arxml_builder.h"
#include "import_harness.h"
#include "velan/velanar.h"

using namespace ar3;

namespace {

// CAN cluster "Can1" with the frame F1 (id 0x100) carrying the PDU P1 of
// `pduBits` bits with the given signal mappings; `elements` are added to P.
std::string CanSystem(const std::string& pduBits, std::vector<Node> mappings,
                      std::vector<Node> elements, std::vector<Node> t = {},
                      std::vector<Node> pduExtra = {}) {
  std::vector<Node> p = {
      System({FibRef("CAN-CLUSTER", "/P/Can1")}),
      Cluster("CAN", "Can1",
              {FrameTriggerings({Triggering("CAN", "T1", "F1", "256")}), PduTriggerings({"P1"})}),
      Frame("F1", "8", "P1"), SignalPdu("P1", pduBits, std::move(mappings), std::move(pduExtra))};
  return Document(Join(std::move(p), elements), {}, std::move(t));
}

TEST(Ar3System, MissingFibexElementRefsEndsTheImport) {
  ImportResult r = ImportArxml(
      Document({Named("SYSTEM", "Sys"), Cluster("CAN", "Can1", {FrameTriggerings({})})}));
  ASSERT_TRUE(r.loaded) << r.error;
  EXPECT_EQ(r.code, VELANAR_FAILED);
  EXPECT_TRUE(r.LogHas("Cannot find \"<FIBEX-ELEMENT-REFS>\" element.")) << r.log;
  EXPECT_EQ(r.objectCount, 0u);
}

TEST(Ar3System, ClusterSpeedIsWrittenUnchanged) {
  ImportResult r = ImportArxml(CanSystem("64", {}, {}));
  ASSERT_TRUE(r.loaded) << r.error;
  EXPECT_TRUE(r.LogHas("Found \"<FIBEX-ELEMENT-REFS>\".")) << r.log;
  EXPECT_TRUE(r.TreeHas("IDIP_CLUSTER_SPEED_U64 = 500000\n")) << r.tree;

  // Missing or unreadable speed: reported, no property, the cluster stays.
  ImportResult missing = ImportArxml(
      Document({System({FibRef("CAN-CLUSTER", "/P/Can1")}), Cluster("CAN", "Can1", {}, {})}));
  EXPECT_TRUE(missing.LogHas("missing <AR:SPEED> element")) << missing.log;
  EXPECT_TRUE(missing.TreeHas("CLUSTER \"Can1\"")) << missing.tree;
  EXPECT_FALSE(missing.TreeHas("SPEED"));
  ImportResult text = ImportArxml(Document({System({FibRef("CAN-CLUSTER", "/P/Can1")}),
                                            Cluster("CAN", "Can1", {}, {Text("SPEED", "fast")})}));
  EXPECT_TRUE(text.LogHas("failed conversion to numeric value")) << text.log;
  EXPECT_FALSE(text.TreeHas("SPEED"));
}

TEST(Ar3System, ChannelCountOfTheClusterElement) {
  // Two channels on a CAN cluster end the conversion.
  Node cluster = Named(
      "CAN-CLUSTER", "Can1",
      {El("PHYSICAL-CHANNELS", {Named("PHYSICAL-CHANNEL", "A"), Named("PHYSICAL-CHANNEL", "B")}),
       Text("SPEED", "500000")});
  ImportResult r = ImportArxml(Document({System({FibRef("CAN-CLUSTER", "/P/Can1")}), cluster}));
  EXPECT_EQ(r.code, VELANAR_FAILED);
  EXPECT_TRUE(r.LogHas("invalid number of <X-PHYSICAL-CHANNEL> elements")) << r.log;
}

TEST(Ar3Frames, OnlyFrameElementsBecomeTriggerings) {
  // F1 is a FRAME; the triggering of an element of another kind makes a
  // record that is passed over without a message.
  std::vector<Node> p = {
      System({FibRef("CAN-CLUSTER", "/P/Can1")}),
      Cluster("CAN", "Can1",
              {FrameTriggerings({Triggering("CAN", "T1", "F1", "0x1A0",
                                            {Text("CAN-ADDRESSING-MODE", "EXTENDED")}),
                                 Triggering("CAN", "T2", "Other", "0x1A1", {}, "N-PDU")})}),
      Frame("F1", "8", "", {arxml::Desc("Door data")}), Named("N-PDU", "Other")};
  ImportResult r = ImportArxml(Document(std::move(p)));
  ASSERT_TRUE(r.loaded) << r.error;
  EXPECT_EQ(r.Subtree("TRIGGERING"),
            "    TRIGGERING \"F1\" #2\n"
            "      IDIP_TRIG_COMMENT_STR = \"Door data\"\n"
            "      IDIP_TRIG_NUM_BYTES_U32 = 8\n"
            "      IDIP_TRIG_IDENTIFIER_I32 = 416\n"
            "      IDIP_TRIG_EXTENDED_I16 = 1\n");
  EXPECT_FALSE(r.TreeHas("\"Other\"")) << r.tree;
  // The passed-over record takes no part in the later frame steps either.
  EXPECT_EQ(r.LogCount("missing <AR:FRAME-PORT-REFS> element"), 1u) << r.log;
  EXPECT_EQ(r.objectCount, 2u) << r.tree;
}

TEST(Ar3Pdus, LengthIsGivenInBits) {
  ImportResult r = ImportArxml(CanSystem("64", {}, {}));
  ASSERT_TRUE(r.loaded) << r.error;
  EXPECT_TRUE(r.Subtree("PDU \"P1\"").find("IDI_PDU_NUM_BYTES_U32 = 8\n") != std::string::npos)
      << r.tree;

  const char* const kLengthWarning =
      "invalid <LENGTH> value (need to be above 0 and multiple of 8)";
  for (const char* bits : {"12", "0"}) {
    ImportResult bad = ImportArxml(CanSystem(bits, {}, {}));
    EXPECT_TRUE(bad.LogHas(kLengthWarning)) << bits << "\n" << bad.log;
    EXPECT_TRUE(bad.TreeHas("PDU \"P1\"")) << bad.tree;
    EXPECT_FALSE(bad.TreeHas("NUM_BYTES_U32 = 1\n")) << bad.tree;
    EXPECT_FALSE(bad.TreeHas("IDI_PDU_NUM_BYTES_U32")) << bad.tree;
  }
}

TEST(Ar3Pdus, PduWithoutTriggeringGetsNoInstance) {
  std::vector<Node> p = {
      System({FibRef("CAN-CLUSTER", "/P/Can1")}),
      Cluster("CAN", "Can1", {FrameTriggerings({Triggering("CAN", "T1", "F1", "1")})}),
      Frame("F1", "8", "P1"), SignalPdu("P1", "64")};
  ImportResult r = ImportArxml(Document(std::move(p)));
  EXPECT_TRUE(r.LogHas("missing <AR:I-PDU-TRIGGERINGS> element")) << r.log;
  EXPECT_TRUE(r.LogHas("failed creating tPDUInst for that reference")) << r.log;
  EXPECT_FALSE(r.TreeHas("PDU_INST"));
}

TEST(Ar3Timing, SpecificationGivesCyclicAndEventTimings) {
  Node timing = El("I-PDU-TIMING-SPECIFICATION",
                   {Text("MINIMUM-DELAY", "0,005"),
                    El("CYCLIC-TIMING", {El("REPEATING-TIME", {Text("VALUE", "0.1")}),
                                         El("STARTING-TIME", {Text("VALUE", "0.02")})}),
                    El("EVENT-CONTROLLED-TIMING", {Text("NUMBER-OF-REPEATS", "2")})});
  ImportResult r = ImportArxml(CanSystem("64", {}, {}, {}, {timing}));
  ASSERT_TRUE(r.loaded) << r.error;
  const std::string pdu = r.Subtree("PDU \"P1\"");
  EXPECT_NE(pdu.find("      CYCLIC_TIMING \"\" #4\n"
                     "        IDIP_CYCT_TIME_RANGE_VALUE_F64 = 0.1\n"
                     "        IDIP_CYCT_START_DELAY_F64 = 0.02\n"
                     "      EVENT_TIMING \"\" #5\n"
                     "        IDIP_EVT_DEBOUNCE_TIME_F64 = 0.005\n"),
            std::string::npos)
      << pdu;
}

TEST(Ar3Timing, PduWithoutSpecificationIsSentOnEvents) {
  ImportResult r = ImportArxml(CanSystem("64", {}, {}));
  const std::string pdu = r.Subtree("PDU \"P1\"");
  EXPECT_NE(pdu.find("EVENT_TIMING"), std::string::npos) << pdu;
  EXPECT_EQ(pdu.find("DEBOUNCE"), std::string::npos) << pdu;
  EXPECT_EQ(pdu.find("CYCLIC_TIMING"), std::string::npos) << pdu;
  EXPECT_TRUE(r.LogHas("missing <AR:I-PDU-TIMING-SPECIFICATION> element")) << r.log;

  // A timing description with only an event timing: event timing with debounce.
  Node timing = El("I-PDU-TIMING-SPECIFICATION",
                   {Text("MINIMUM-DELAY", "0.01"), El("EVENT-CONTROLLED-TIMING")});
  ImportResult event = ImportArxml(CanSystem("64", {}, {}, {}, {timing}));
  EXPECT_NE(event.Subtree("EVENT_TIMING").find("IDIP_EVT_DEBOUNCE_TIME_F64 = 0.01"),
            std::string::npos)
      << event.tree;
  EXPECT_FALSE(event.TreeHas("CYCLIC_TIMING"));
}

std::vector<Node> CodingTypes() {
  return {DataType("Temp", "TempCm", "S8"), DataType("Plain", "TempCm", ""),
          LinearCompuMethod("TempCm", "-40", "0.5", "DegC"), Unit("DegC", "degC"),
          BaseType("S8", "2C")};
}

TEST(Ar3Signals, CodingThroughSystemSignalAndDataType) {
  ImportResult r =
      ImportArxml(CanSystem("64", {SignalMapping("Temp", "8")},
                            {ISignal("Temp"), SystemSignal("Temp", "8", "Temp")}, CodingTypes()));
  ASSERT_TRUE(r.loaded) << r.error;
  EXPECT_EQ(r.Subtree("SIG_INST"),
            "      SIG_INST \"\" #6\n"
            "        IDIP_SGI_START_BIT_U16 = 8\n"
            "        IDIP_SGI_BYTE_ORDER_I16 = 0\n"
            "        SIGNAL \"Temp_sys\" #7\n"
            "          IDIP_SIG_COMMENT_STR = \"\"\n"
            "          CODING \"\" #8\n"
            "            IDIP_COD_NUM_BITS_U32 = 8\n"
            "            IDIP_COD_DATA_TYPE_I16 = 0\n"
            "            IDIP_COD_FACTOR_F64 = 0.5\n"
            "            IDIP_COD_OFFSET_F64 = -40\n"
            "            IDIP_COD_MIN_VAL_F64 = -104\n"
            "            IDIP_COD_MAX_VAL_F64 = 23.5\n"
            "            IDIP_COD_UNIT_STR = \"degC\"\n");
  // The data type has no DATA-CONSTR-REF: reported, the default range used.
  EXPECT_TRUE(r.LogHas("missing <AR:DATA-CONSTR-REF> element")) << r.log;
}

TEST(Ar3Signals, TextTableEntriesBecomeValueDescriptions) {
  std::vector<Node> scales;
  for (const std::string text : {"Off", "On"}) {
    const std::string value = std::to_string(scales.size());
    scales.push_back(El("COMPU-SCALE", {Text("LOWER-LIMIT", value), Text("UPPER-LIMIT", value),
                                        El("COMPU-CONST", {Text("VT", text)})}));
  }
  ImportResult r = ImportArxml(CanSystem(
      "64", {SignalMapping("Temp", "8")}, {ISignal("Temp"), SystemSignal("Temp", "8", "Plain")},
      {DataType("Plain", "Cm", ""),
       Named("COMPU-METHOD", "Cm", {El("COMPU-INTERNAL-TO-PHYS", {El("COMPU-SCALES", scales)})})}));
  EXPECT_NE(r.Subtree("CODING").find("IDIP_COD_VALUE_DESCS_VTAB = [0 \"Off\", 1 \"On\"]\n"),
            std::string::npos)
      << r.tree;
}

TEST(Ar3Signals, MissingBaseTypeKeepsUnsigned) {
  ImportResult r =
      ImportArxml(CanSystem("64", {SignalMapping("Temp", "8")},
                            {ISignal("Temp"), SystemSignal("Temp", "8", "Plain")}, CodingTypes()));
  EXPECT_TRUE(r.LogHas("missing base type information")) << r.log;
  EXPECT_TRUE(r.LogHas("missing <AR:BASE-TYPE-REF> element")) << r.log;
  const std::string coding = r.Subtree("CODING");
  EXPECT_NE(coding.find("IDIP_COD_DATA_TYPE_I16 = 1\n"), std::string::npos) << coding;
  EXPECT_NE(coding.find("IDIP_COD_MIN_VAL_F64 = -40\n"), std::string::npos) << coding;
  EXPECT_NE(coding.find("IDIP_COD_MAX_VAL_F64 = 87.5\n"), std::string::npos) << coding;

  // Without a data type the chain stops at once: neutral coding.
  ImportResult bare = ImportArxml(
      CanSystem("64", {SignalMapping("Temp", "8")}, {ISignal("Temp"), SystemSignal("Temp", "8")}));
  EXPECT_TRUE(bare.LogHas("missing <AR:DATA-TYPE-REF> element")) << bare.log;
  EXPECT_TRUE(bare.LogHas("missing <COMPU-METHOD>")) << bare.log;
  EXPECT_NE(bare.Subtree("CODING").find("IDIP_COD_MAX_VAL_F64 = 255\n"), std::string::npos)
      << bare.tree;
}

// The I-SIGNAL's own INIT-VALUE-REF comes before the SYSTEM-SIGNAL's; the
// literal's value is raw (factor 0.5, offset -40 here).
TEST(Ar3Signals, InitialValueFromTheReferencedLiteral) {
  auto constant = [](const char* name, const char* kind, const char* value) {
    return Named("CONSTANT-SPECIFICATION", name,
                 {El("VALUE", {Named(kind, "literal", {Text("VALUE", value)})})});
  };
  const Node seven = Ref("INIT-VALUE-REF", "INTEGER-LITERAL", "/P/Seven/literal");
  const Node yes = Ref("INIT-VALUE-REF", "CONSTANT-SPECIFICATION", "/P/Yes");
  for (const auto& c : {std::make_pair(std::vector<Node>{}, "-36.5"),
                        std::make_pair(std::vector<Node>{yes}, "-39.5")}) {
    ImportResult r = ImportArxml(CanSystem(
        "64", {SignalMapping("Temp", "8")},
        {ISignal("Temp", c.first),
         Named("SYSTEM-SIGNAL", "Temp_sys",
               {Ref("DATA-TYPE-REF", "INTEGER-TYPE", "/T/Temp"), seven, Text("LENGTH", "8")}),
         constant("Seven", "INTEGER-LITERAL", "7"), constant("Yes", "BOOLEAN-LITERAL", "true")},
        CodingTypes()));
    EXPECT_NE(r.Subtree("SIGNAL").find(std::string("IDIP_SIG_DEFAULT_VALUE_F64 = ") + c.second),
              std::string::npos)
        << r.tree;
  }
}

TEST(Ar3Signals, LengthFromTheSystemSignalUnlessTheISignalHasOne) {
  // Own LENGTH of the I-SIGNAL wins over the system signal's.
  ImportResult own =
      ImportArxml(CanSystem("64", {SignalMapping("A", "0"), SignalMapping("B", "16")},
                            {ISignal("A"), SystemSignal("A", "12"),
                             ISignal("B", {Text("LENGTH", "4")}), SystemSignal("B", "12")}));
  ASSERT_TRUE(own.loaded) << own.error;
  EXPECT_NE(own.Subtree("SIGNAL \"A_sys\"").find("IDIP_COD_NUM_BITS_U32 = 12\n"), std::string::npos)
      << own.tree;
  EXPECT_NE(own.Subtree("SIGNAL \"B_sys\"").find("IDIP_COD_NUM_BITS_U32 = 4\n"), std::string::npos)
      << own.tree;
  EXPECT_FALSE(own.LogHas("missing <AR:LENGTH> element")) << own.log;

  // Neither has one: reported at the I-SIGNAL, the signal is skipped.
  ImportResult none = ImportArxml(
      CanSystem("64", {SignalMapping("A", "0")}, {ISignal("A"), SystemSignal("A", "")}));
  EXPECT_EQ(none.LogCount("missing <AR:LENGTH> element"), 1u) << none.log;
  EXPECT_NE(none.LogLines("missing <AR:LENGTH> element").at(0).find("<AR:I-SIGNAL>"),
            std::string::npos)
      << none.log;
  EXPECT_FALSE(none.TreeHas("SIG_INST"));
}

TEST(Ar3Signals, BigEndianSignalStartBit) {
  ImportResult r =
      ImportArxml(CanSystem("64", {SignalMapping("A", "15", "MOST-SIGNIFICANT-BYTE-FIRST")},
                            {ISignal("A"), SystemSignal("A", "10")}));
  const std::string inst = r.Subtree("SIG_INST");
  EXPECT_NE(inst.find("IDIP_SGI_START_BIT_U16 = 22\n        IDIP_SGI_BYTE_ORDER_I16 = 1\n"),
            std::string::npos)
      << inst;
}

TEST(Ar3Signals, MultiplexedPduPartsDirectlyUnderThePdu) {
  Node mux =
      Named("MULTIPLEXED-I-PDU", "Mux",
            {Text("LENGTH", "64"), Text("SELECTOR-FIELD-START-POSITION", "0"),
             Text("SELECTOR-FIELD-LENGTH", "2"),
             El("DYNAMIC-PART",
                {El("DYNAMIC-PART-ALTERNATIVES",
                    {El("DYNAMIC-PART-ALTERNATIVE", {Ref("I-PDU-REF", "SIGNAL-I-PDU", "/P/Alt1"),
                                                     Text("SELECTOR-FIELD-CODE", "1")})})}),
             El("STATIC-PART", {Ref("I-PDU-REF", "SIGNAL-I-PDU", "/P/Stat")})});
  Node frame = Named(
      "FRAME", "F1",
      {Text("FRAME-LENGTH", "8"),
       El("PDU-TO-FRAME-MAPPINGS",
          {Named("PDU-TO-FRAME-MAPPING", "M",
                 {Ref("PDU-REF", "MULTIPLEXED-I-PDU", "/P/Mux"), Text("START-POSITION", "0")})})});
  std::vector<Node> p = {System({FibRef("CAN-CLUSTER", "/P/Can1")}),
                         Cluster("CAN", "Can1",
                                 {FrameTriggerings({Triggering("CAN", "T1", "F1", "1")}),
                                  El("I-PDU-TRIGGERINGS",
                                     {Named("I-PDU-TRIGGERING", "PT",
                                            {Ref("I-PDU-REF", "MULTIPLEXED-I-PDU", "/P/Mux")})})}),
                         frame,
                         mux,
                         SignalPdu("Alt1", "64", {SignalMapping("A", "8")}),
                         SignalPdu("Stat", "64", {SignalMapping("S", "2")}),
                         ISignal("A"),
                         SystemSignal("A", "8"),
                         ISignal("S"),
                         SystemSignal("S", "6")};
  ImportResult r = ImportArxml(Document(std::move(p)));
  ASSERT_TRUE(r.loaded) << r.error;
  const std::string pdu = r.Subtree("PDU \"Mux\"");
  EXPECT_NE(pdu.find("SUB_FRAME \"Alt1\""), std::string::npos) << pdu;
  EXPECT_NE(pdu.find("IDIP_SUBF_SWITCH_CODE_U32 = 1"), std::string::npos) << pdu;
  EXPECT_NE(pdu.find("MULTIPLEXER \"selector\""), std::string::npos) << pdu;
  EXPECT_NE(pdu.find("SIGNAL \"A_sys\""), std::string::npos) << pdu;
  EXPECT_NE(pdu.find("SIGNAL \"S_sys\""), std::string::npos) << pdu;
  EXPECT_FALSE(r.LogHas("DYNAMIC-PARTS")) << r.log;
  EXPECT_FALSE(r.LogHas("STATIC-PARTS")) << r.log;
}

// ---------------------------------------------------------------- ECUs

std::vector<Node> TwoCanClusters() {
  return {System({FibRef("CAN-CLUSTER", "/P/Can1"), FibRef("CAN-CLUSTER", "/P/Can2"),
                  FibRef("ECU-INSTANCE", "/E/Gw"), FibRef("ECU-INSTANCE", "/E/Door")}),
          Cluster("CAN", "Can1",
                  {FrameTriggerings({Triggering("CAN", "T1", "F1", "1",
                                                {PortRefs({"/E/Gw/C1/Out", "/E/Door/C/In"})})})}),
          Cluster("CAN", "Can2", {FrameTriggerings({})}), Frame("F1", "8")};
}

TEST(Ar3Ecus, ConnectorsDecideTheClusterOfAnEcu) {
  // Door is connected to Can2 only; Gw to both, and twice to Can1.
  std::vector<Node> e = {
      Ecu("Gw",
          {Connector("CAN-COMMUNICATION-CONNECTOR", "C1", "Can1", {{"Out", "OUT"}},
                     {Ref("COMM-CONTROLLER-REF", "CAN-COMMUNICATION-CONTROLLER", "/E/Gw/Ctrl")}),
           Connector("CAN-COMMUNICATION-CONNECTOR", "C1b", "Can1"),
           Connector("CAN-COMMUNICATION-CONNECTOR", "C2", "Can2"),
           Connector("COMMUNICATION-CONNECTOR", "L", "Can1")},
          {Named("CAN-COMMUNICATION-CONTROLLER", "Ctrl")}),
      Ecu("Door", {Connector("CAN-COMMUNICATION-CONNECTOR", "C", "Can2", {{"In", "IN"}})})};
  ImportResult r = ImportArxml(Document(TwoCanClusters(), std::move(e)));
  ASSERT_TRUE(r.loaded) << r.error;
  const std::string can1 = r.Subtree("CLUSTER \"Can1\"");
  const std::string can2 = r.Subtree("CLUSTER \"Can2\"");
  EXPECT_EQ(can1.find("\"Door\""), std::string::npos) << can1;
  EXPECT_NE(can2.find("ECU \"Door\""), std::string::npos) << can2;
  EXPECT_NE(can2.find("ECU \"Gw\""), std::string::npos) << can2;
  // One ECU object for the two connectors, without a warning.
  size_t count = 0;
  for (size_t at = can1.find("ECU \"Gw"); at != std::string::npos;
       at = can1.find("ECU \"Gw", at + 1)) {
    ++count;
  }
  EXPECT_EQ(count, 1u) << can1;
  EXPECT_FALSE(r.LogHas("several times")) << r.log;
  // Frame ports by ECU name: Gw sends F1 on Can1; Door's port is on Can2.
  EXPECT_NE(can1.find("TX_TRIG"), std::string::npos) << can1;
  EXPECT_EQ(can1.find("RX_TRIG"), std::string::npos) << can1;
}

TEST(Ar3Ecus, FramePortDirections) {
  std::vector<Node> p = {
      System({FibRef("CAN-CLUSTER", "/P/Can1"), FibRef("ECU-INSTANCE", "/E/Gw"),
              FibRef("ECU-INSTANCE", "/E/Missing")}),
      Cluster("CAN", "Can1",
              {FrameTriggerings({Triggering(
                  "CAN", "T1", "F1", "1",
                  {PortRefs({"/E/Gw/C/In", "/E/Gw/C/Empty", "/E/Gw/C/Both", "/E/Gw/C/Out"})})})}),
      Frame("F1", "8")};
  Node connector = Connector("CAN-COMMUNICATION-CONNECTOR", "C", "Can1",
                             {{"In", "IN"}, {"Empty", ""}, {"Both", "INOUT"}, {"Out", "OUT"}});
  ImportResult r = ImportArxml(Document(std::move(p), {Ecu("Gw", {connector})}));
  ASSERT_TRUE(r.loaded) << r.error;
  const std::string ecu = r.Subtree("CONNECTOR");
  EXPECT_NE(ecu.find("RX_TRIG \"\""), std::string::npos) << ecu;
  EXPECT_NE(ecu.find("TX_TRIG \"\""), std::string::npos) << ecu;
  EXPECT_EQ(r.LogCount("missing xml text"), 1u) << r.log;
  EXPECT_TRUE(r.LogHas("unresolved reference")) << r.log;
  EXPECT_EQ(r.objectCount, 6u) << r.tree;
}

TEST(MixedReleases, Ar3FileAfterAr4FileContributesNothing) {
  const std::string ar4 = arxml::SimpleCan4("Can4", {arxml::CanFrameTriggering("T1", "/P/F4", "1")},
                                            {arxml::Frame("CAN-FRAME", "F4", "8")});
  const std::string ar3 =
      Document({Cluster("CAN", "Can3", {FrameTriggerings({Triggering("CAN", "T", "F3", "2")})}),
                Frame("F3", "8")});
  ImportResult r = ImportArxmlFiles({{"a.arxml", ar4}, {"b.arxml", ar3}});
  ASSERT_TRUE(r.loaded) << r.error;
  EXPECT_EQ(r.code, VELANAR_OK) << r.log;
  EXPECT_TRUE(r.TreeHas("CLUSTER \"Can4\"")) << r.tree;
  EXPECT_FALSE(r.TreeHas("Can3")) << r.tree;
  EXPECT_FALSE(r.TreeHas("F3")) << r.tree;
}

}  // namespace

TEST(Ar3Ecus, WithoutSystemEveryEcuInstanceMayConnect) {
  std::vector<Node> p = TwoCanClusters();
  p.erase(p.begin());  // no SYSTEM
  std::vector<Node> e = {
      Ecu("Gw", {Connector("CAN-COMMUNICATION-CONNECTOR", "C1", "Can1", {{"Out", "OUT"}})}),
      Ecu("Door", {Connector("CAN-COMMUNICATION-CONNECTOR", "C", "Can2")})};
  ImportOptions options;
  options.policiesXml = "<CANCluster Enabled=\"true\"/><AllClusters Enabled=\"true\"/>";
  ImportResult r = ImportArxml(Document(std::move(p), std::move(e)), options);
  ASSERT_TRUE(r.loaded) << r.error;
  EXPECT_EQ(r.code, VELANAR_OK) << r.log;
  const std::string can1 = r.Subtree("CLUSTER \"Can1\"");
  EXPECT_NE(can1.find("ECU \"Gw\""), std::string::npos) << can1;
  EXPECT_NE(can1.find("TX_TRIG"), std::string::npos) << can1;
  EXPECT_EQ(can1.find("\"Door\""), std::string::npos) << can1;
  EXPECT_NE(r.Subtree("CLUSTER \"Can2\"").find("ECU \"Door\""), std::string::npos) << r.tree;
}
