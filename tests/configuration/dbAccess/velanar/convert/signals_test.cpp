// Signals of PDUs: SIG_INST, SIGNAL and CODING objects per signal mapping,
// imported through the plug-in into the reference host.
#include <gtest/gtest.h>

#include "pdus_test_builders.h"

using namespace pdutest;

namespace {

const char kMsb[] = "MOST-SIGNIFICANT-BYTE-FIRST";

// Names of the properties set on CODING objects, in the order of the log.
std::vector<std::string> CodingPropertyOrder(const ImportResult& r) {
  std::vector<std::string> names;
  for (const std::string& line : r.LogLines("Set \"IDIP_COD_")) {
    const size_t at = line.find("IDIP_COD_");
    names.push_back(line.substr(at, line.find('"', at) - at));
  }
  return names;
}

TEST(Signals, PlacementNameCommentAndCoding) {
  ImportResult r = ImportArxml(OnePduSystem(
      "P1",
      {SignalPdu("P1", "8", {SignalMapping("Speed", "0x10")}),
       ISignal("Speed", "12", {NetworkRepresentation({CompuMethodRef("Cm"), BaseTypeRef("U16")})}),
       SystemSignal("SpeedSys", {arxml::Desc("vehicle speed")}),
       CompuMethod("Cm", {LinearScale({"0", "0.5"}, {"1"})}, "Kmh"), Unit("Kmh", "km/h"),
       BaseType("U16", "NONE")}));
  ASSERT_TRUE(r.loaded) << r.error;
  EXPECT_EQ(r.code, 0u);

  const std::string pdu = r.Subtree("PDU \"P1\"");
  ASSERT_NE(pdu.find("SIG_INST \"\""), std::string::npos) << r.tree;
  auto instance = Properties(r.Subtree("SIG_INST"));
  EXPECT_EQ(instance["IDIP_SGI_START_BIT_U16"], "16");
  EXPECT_EQ(instance["IDIP_SGI_BYTE_ORDER_I16"], "0");
  // The SIGNAL is named after the system signal and carries its description.
  EXPECT_EQ(Properties(r.Subtree("SIGNAL \"SpeedSys\""))["IDIP_SIG_COMMENT_STR"],
            "\"vehicle speed\"");
  EXPECT_EQ(Properties(r.Subtree("CODING")),
            (std::map<std::string, std::string>{{"IDIP_COD_NUM_BITS_U32", "12"},
                                                {"IDIP_COD_DATA_TYPE_I16", "1"},
                                                {"IDIP_COD_FACTOR_F64", "0.5"},
                                                {"IDIP_COD_OFFSET_F64", "0"},
                                                {"IDIP_COD_MIN_VAL_F64", "0"},
                                                {"IDIP_COD_MAX_VAL_F64", "2047.5"},
                                                {"IDIP_COD_UNIT_STR", "\"km/h\""}}));
  EXPECT_EQ(CodingPropertyOrder(r),
            (std::vector<std::string>{"IDIP_COD_NUM_BITS_U32", "IDIP_COD_DATA_TYPE_I16",
                                      "IDIP_COD_FACTOR_F64", "IDIP_COD_OFFSET_F64",
                                      "IDIP_COD_MIN_VAL_F64", "IDIP_COD_MAX_VAL_F64",
                                      "IDIP_COD_UNIT_STR"}));
  // The unit goes to the host without terminating NUL.
  auto unitLines = r.LogLines("Set \"IDIP_COD_UNIT_STR\"");
  ASSERT_EQ(unitLines.size(), 1u);
  EXPECT_NE(unitLines[0].find("ValueSize=4)"), std::string::npos) << unitLines[0];
}

TEST(Signals, BigEndianAndOctalPositions) {
  ImportResult r = ImportArxml(OnePduSystem(
      "P1", {SignalPdu("P1", "8", {SignalMapping("Be", "7", kMsb), SignalMapping("Oct", "020")}),
             Signal("Be", "12"), Signal("Oct", "4")}));
  ASSERT_TRUE(r.loaded) << r.error;
  // Big endian: the host counts from the most significant bit at position 7
  // down 12 bits to bit 12 of its numbering.
  auto be = Properties(r.Subtree("SIG_INST"));
  EXPECT_EQ(be["IDIP_SGI_START_BIT_U16"], "12");
  EXPECT_EQ(be["IDIP_SGI_BYTE_ORDER_I16"], "1");
  auto oct = Properties(NthSubtree(r.tree, "SIG_INST", 1));
  EXPECT_EQ(oct["IDIP_SGI_START_BIT_U16"], "16");
  EXPECT_EQ(oct["IDIP_SGI_BYTE_ORDER_I16"], "0");
}

TEST(Signals, WithoutNetworkRepresentationGetsNeutralCoding) {
  ImportResult r = ImportArxml(
      OnePduSystem("P1", {SignalPdu("P1", "8", {SignalMapping("Raw", "0")}), Signal("Raw", "8")}));
  ASSERT_TRUE(r.loaded) << r.error;
  EXPECT_EQ(r.code, 0u);
  EXPECT_EQ(Properties(r.Subtree("CODING")),
            (std::map<std::string, std::string>{{"IDIP_COD_NUM_BITS_U32", "8"},
                                                {"IDIP_COD_DATA_TYPE_I16", "1"},
                                                {"IDIP_COD_FACTOR_F64", "1"},
                                                {"IDIP_COD_OFFSET_F64", "0"},
                                                {"IDIP_COD_MIN_VAL_F64", "0"},
                                                {"IDIP_COD_MAX_VAL_F64", "255"},
                                                {"IDIP_COD_UNIT_STR", "\"\""}}));
  // An empty unit is passed with size 0.
  auto unitLines = r.LogLines("Set \"IDIP_COD_UNIT_STR\"");
  ASSERT_EQ(unitLines.size(), 1u);
  EXPECT_NE(unitLines[0].find("ValueSize=0)"), std::string::npos) << unitLines[0];
  // What is missing is reported at the I-SIGNAL as scaling warnings.
  for (const char* message :
       {"missing <COMPU-METHOD>", "missing <UNIT>", "missing <SW-BASE-TYPE>"}) {
    auto lines = r.LogLines(message);
    ASSERT_EQ(lines.size(), 1u) << message;
    EXPECT_EQ(lines[0].rfind("1,5,'<AR:I-SIGNAL> (file=0, line=", 0), 0u) << lines[0];
  }
}

TEST(Signals, MappingsThatCannotBeConvertedAreSkipped) {
  Node noStart =
      Named("I-SIGNAL-TO-I-PDU-MAPPING", "NoStart", {Ref("I-SIGNAL-REF", "I-SIGNAL", "/P/Good")});
  Node group =
      Named("I-SIGNAL-TO-I-PDU-MAPPING", "Group",
            {Ref("I-SIGNAL-GROUP-REF", "I-SIGNAL-GROUP", "/P/G"), Text("START-POSITION", "0")});
  Node noSystemSignal = Named("I-SIGNAL", "NoSys", {Text("LENGTH", "8")});
  ImportResult r = ImportArxml(OnePduSystem(
      "P1", {SignalPdu("P1", "8",
                       {noStart, group, SignalMapping("NoSys", "8"), SignalMapping("BadLen", "16"),
                        SignalMapping("Lost", "24"), SignalMapping("Good", "32")}),
             Signal("Good", "8"), noSystemSignal, Signal("BadLen", "x")}));
  ASSERT_TRUE(r.loaded) << r.error;
  EXPECT_EQ(r.code, 0u);
  // Only the good mapping gives objects; nothing is created for the others.
  EXPECT_EQ(Count(r.tree, "SIG_INST"), 1u);
  EXPECT_TRUE(r.TreeHas("SIGNAL \"GoodSys\""));
  EXPECT_TRUE(r.LogHas("missing <AR:START-POSITION> element"));
  EXPECT_TRUE(r.LogHas("missing <AR:I-SIGNAL-REF> element"));
  EXPECT_TRUE(r.LogHas("missing <AR:SYSTEM-SIGNAL-REF> element"));
  EXPECT_TRUE(r.LogHas("failed conversion to numeric value"));
  EXPECT_TRUE(r.LogHas("unresolved reference"));
}

TEST(Signals, PduWithoutSignalMappings) {
  Node bare = Pdu("I-SIGNAL-I-PDU", "Bare", "8");
  ImportResult r = ImportArxml(CanSystem(
      {FrameTrig("F1", "1"), FrameTrig("F2", "2")}, {PduTrig("Empty"), PduTrig("Bare")},
      {CanFrame("F1", "8", {PduMapping("Empty", "0")}),
       CanFrame("F2", "8", {PduMapping("Bare", "0")}), SignalPdu("Empty", "8", {}), bare}));
  ASSERT_TRUE(r.loaded) << r.error;
  EXPECT_FALSE(r.TreeHas("SIG_INST"));
  EXPECT_TRUE(r.LogHas("<AR:I-SIGNAL-TO-PDU-MAPPINGS> element (file=0, line="));
  EXPECT_TRUE(
      r.LogHas("found only 0 <AR:I-SIGNAL-TO-I-PDU-MAPPING> elements. Expected 1 elements."));
  EXPECT_TRUE(r.LogHas("missing <AR:I-SIGNAL-TO-PDU-MAPPINGS> element"));
}

}  // namespace
