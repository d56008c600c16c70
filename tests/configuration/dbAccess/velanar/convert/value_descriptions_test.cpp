// Value descriptions of signals: the text-table entries of the compu method
// reach the CODING as (raw value, text) pairs, in the order of the scales.
#include <gtest/gtest.h>

#include "pdus_test_builders.h"

namespace {

using namespace pdutest;

TEST(ValueDescriptions, EveryTextTableScaleInScaleOrder) {
  struct Case {
    std::vector<Node> scales;
    const char* values;  // the printed property; "" when it is not set
    const char* factor;
  };
  const Case cases[] = {
      {{TextScale("255", "Invalid"), LinearScale({"-40", "0.5"}, {"1"}), TextScale("254", "Err")},
       "[255 \"Invalid\", 254 \"Err\"]",
       "0.5"},
      // A pure text table keeps its 1:1 scaling. The text is the first L-2
      // of DESC when that has text, else VT.
      {{TextScale("2", "NEUTRAL").Add(arxml::Desc("Neutral gear")),
        TextScale("3", "DRIVE").Add(arxml::Desc({{"DE", "Fahrt"}, {"EN", "Drive"}})),
        TextScale("4", "SPORT").Add(arxml::Desc("")), TextScale("-1", "say \"no\"")},
       "[2 \"Neutral gear\", 3 \"Fahrt\", 4 \"SPORT\", -1 \"say \\\"no\\\"\"]",
       "1"},
      // An open limit is no text-table entry; a decimal comma is read.
      {{LinearScale({"0", "2"}, {"1"}), TextScale("7", "Open", "OPEN"), TextScale("0,5", "Half")},
       "[0.5 \"Half\"]",
       "1"},
  };
  for (const Case& c : cases) {
    ImportResult r = ImportArxml(OnePduSystem(
        "P1", {CompuMethod("Cm", c.scales), SignalPdu("P1", "8", {SignalMapping("Sig", "0")}),
               Signal("Sig", "8", {NetworkRepresentation({CompuMethodRef("Cm")})})}));
    ASSERT_TRUE(r.loaded) << r.error;
    auto coding = Properties(r.Subtree("CODING"));
    EXPECT_EQ(coding["IDIP_COD_VALUE_DESCS_VTAB"], c.values);
    EXPECT_EQ(coding["IDIP_COD_FACTOR_F64"], c.factor) << c.values;
  }
}

}  // namespace
