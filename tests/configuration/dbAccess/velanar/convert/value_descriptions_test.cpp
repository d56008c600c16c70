// Value descriptions of signals: the text-table entries of the compu method
// reach the CODING as (raw value, text) pairs, in the order of the scales.
#include <gtest/gtest.h>

#include "ar3_documents_test.h"
#include "pdus_test_builders.h"

namespace {

using namespace pdutest;

const char kValues[] = "IDIP_COD_VALUE_DESCS_VTAB";

// A text-table scale with a DESC whose L-2 texts are given (language, text).
Node DescScale(const std::string& value, const std::string& vt,
               const std::vector<std::pair<std::string, std::string>>& desc) {
  Node scale = TextScale(value, vt);
  scale.Add(arxml::Desc(desc));
  return scale;
}

TEST(ValueDescriptions, EveryTextTableScaleInScaleOrder) {
  struct Case {
    const char* what;
    std::vector<Node> scales;
    const char* values;  // the printed property; "" when it is not set
    const char* factor;
  };
  const Case cases[] = {
      {"beside a linear scale",
       {TextScale("255", "Invalid"), LinearScale({"-40", "0.5"}, {"1"}), TextScale("254", "Error")},
       "[255 \"Invalid\", 254 \"Error\"]",
       "0.5"},
      // A pure text table keeps its 1:1 scaling; the texts come in addition.
      {"pure text table",
       {TextScale("0", "Off"), TextScale("1", "On")},
       "[0 \"Off\", 1 \"On\"]",
       "1"},
      {"description before VT, first L-2 text",
       {DescScale("2", "NEUTRAL", {{"EN", "Neutral gear"}}),
        DescScale("3", "DRIVE", {{"DE", "Fahrt"}, {"EN", "Drive"}}),
        DescScale("4", "SPORT", {{"EN", ""}})},
       "[2 \"Neutral gear\", 3 \"Fahrt\", 4 \"SPORT\"]",
       "1"},
      {"decimal comma, sign, quotes",
       {TextScale("-1", "say \"no\""), TextScale("0,5", "Half")},
       "[-1 \"say \\\"no\\\"\", 0.5 \"Half\"]",
       "1"},
      {"open interval is no entry",
       {LinearScale({"0", "2"}, {"1"}), TextScale("7", "Open", "OPEN")},
       "",
       "1"},
      {"linear scale only", {LinearScale({"0", "2"}, {"1"})}, "", "2"},
  };
  for (const Case& c : cases) {
    ImportResult r = ImportArxml(OnePduSystem(
        "P1", {CompuMethod("Cm", c.scales), SignalPdu("P1", "8", {SignalMapping("Sig", "0")}),
               Signal("Sig", "8", {NetworkRepresentation({CompuMethodRef("Cm")})})}));
    ASSERT_TRUE(r.loaded) << r.error;
    auto coding = Properties(r.Subtree("CODING"));
    EXPECT_EQ(coding[kValues], c.values) << c.what;
    EXPECT_EQ(coding["IDIP_COD_FACTOR_F64"], c.factor) << c.what;
  }
}

TEST(ValueDescriptions, AutosarThreeTextTable) {
  std::vector<Node> p = {
      ar3::System({ar3::FibRef("CAN-CLUSTER", "/P/Can1")}),
      ar3::Cluster("CAN", "Can1",
                   {ar3::FrameTriggerings({ar3::Triggering("CAN", "T1", "F1", "256")}),
                    ar3::PduTriggerings({"P1"})}),
      ar3::Frame("F1", "8", "P1"),
      ar3::SignalPdu("P1", "64", {ar3::SignalMapping("Gear", "0")}),
      ar3::ISignal("Gear"),
      ar3::SystemSignal("Gear", "2", "GearType")};
  std::vector<Node> t = {
      ar3::DataType("GearType", "GearCm", ""),
      Named("COMPU-METHOD", "GearCm",
            {El("COMPU-INTERNAL-TO-PHYS",
                {El("COMPU-SCALES",
                    {TextScale("0", "Park"), DescScale("1", "REV", {{"", "Reverse"}})})})})};
  ImportResult r = ImportArxml(ar3::Document(std::move(p), {}, std::move(t)));
  ASSERT_TRUE(r.loaded) << r.error;
  EXPECT_EQ(Properties(r.Subtree("CODING"))[kValues], "[0 \"Park\", 1 \"Reverse\"]") << r.tree;
}

}  // namespace
