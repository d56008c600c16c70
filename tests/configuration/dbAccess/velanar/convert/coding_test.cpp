// Codings of signals (scaling, range, data type, unit), imported through the
// plug-in into the reference host and read from the CODING object.
#include <gtest/gtest.h>

#include "pdus_test_builders.h"

using namespace pdutest;

namespace {

const char kUnknownScaling[] = "unknown declaration - attach 1:1 scaling";

// One PDU with the signal Sig of `bits` bits whose network representation
// holds `refs` (no representation when empty), plus `elements`.
ImportResult ImportCoding(const std::string& bits, std::vector<Node> refs,
                          std::vector<Node> elements) {
  std::vector<Node> representation;
  if (!refs.empty()) representation.push_back(NetworkRepresentation(std::move(refs)));
  elements.push_back(SignalPdu("P1", "8", {SignalMapping("Sig", "0")}));
  elements.push_back(Signal("Sig", bits, std::move(representation)));
  return ImportArxml(OnePduSystem("P1", std::move(elements)));
}

// A signal whose compu method Cm has the given scales.
ImportResult ImportScales(std::vector<Node> scales, const std::string& bits = "8") {
  return ImportCoding(bits, {CompuMethodRef("Cm")}, {CompuMethod("Cm", std::move(scales))});
}

std::map<std::string, std::string> CodingOf(const ImportResult& r) {
  return Properties(r.Subtree("CODING"));
}

// ---------------------------------------------------------------- scaling

TEST(CodingScaling, RationalCoefficients) {
  struct Case {
    std::vector<std::string> numerator, denominator;
    const char* factor;
    const char* offset;
  };
  for (const Case& c : {Case{{"0", "0.5"}, {"1"}, "0.5", "0"},
                        Case{{"0", "0,5"}, {"1"}, "0.5", "0"},    // decimal comma
                        Case{{"10"}, {"1"}, "1", "10"},           // missing term counts as 1
                        Case{{"-10", "1"}, {"10"}, "0.1", "-1"},  // both divided
                        Case{{}, {}, "1", "0"}}) {                // empty coefficients
    ImportResult r = ImportScales({LinearScale(c.numerator, c.denominator)});
    ASSERT_TRUE(r.loaded) << r.error;
    auto coding = CodingOf(r);
    EXPECT_EQ(coding["IDIP_COD_FACTOR_F64"], c.factor) << c.factor << " " << c.offset;
    EXPECT_EQ(coding["IDIP_COD_OFFSET_F64"], c.offset) << c.factor << " " << c.offset;
    EXPECT_FALSE(r.LogHas(kUnknownScaling));
  }
}

TEST(CodingScaling, UnusableScalesGiveOneToOneWithWarning) {
  const std::vector<std::vector<Node>> cases = {
      {LinearScale({"0", "2"}, {"0"})},                          // zero denominator
      {LinearScale({"0", "2", "3"}, {"1"})},                     // three numerator terms
      {LinearScale({"0", "2"}, {"1", "2"})},                     // two denominator terms
      {LinearScale({"0", "abc"}, {"1"})},                        // not a number
      {LinearScale({"0", "2"}, {"1"}), LinearScale({"5"}, {})},  // two linear scales
      {TextScale("0", "Off"), TextScale("1", "On")},             // pure text table
      {},                                                        // no scale at all
  };
  for (size_t i = 0; i < cases.size(); ++i) {
    ImportResult r = ImportScales(cases[i]);
    ASSERT_TRUE(r.loaded) << r.error;
    auto coding = CodingOf(r);
    EXPECT_EQ(coding["IDIP_COD_FACTOR_F64"], "1") << "case " << i;
    EXPECT_EQ(coding["IDIP_COD_OFFSET_F64"], "0") << "case " << i;
    auto lines = r.LogLines(kUnknownScaling);
    ASSERT_EQ(lines.size(), 1u) << "case " << i;
    EXPECT_EQ(lines[0].rfind("1,5,'<AR:COMPU-METHOD> (file=0, line=", 0), 0u) << lines[0];
  }
}

TEST(CodingScaling, CompuMethodWithoutInternalToPhys) {
  ImportResult r = ImportCoding("8", {CompuMethodRef("Cm")}, {Named("COMPU-METHOD", "Cm")});
  ASSERT_TRUE(r.loaded) << r.error;
  EXPECT_EQ(CodingOf(r)["IDIP_COD_FACTOR_F64"], "1");
  EXPECT_EQ(r.LogCount(kUnknownScaling), 1u);
}

TEST(CodingScaling, LinearScaleBesideTextTable) {
  struct Case {
    const char* intervalType;
    bool linear;
  };
  // Limits written without INTERVAL-TYPE are closed (the attribute's
  // default), so such a text table keeps the linear scale; an open limit is
  // no text-table entry.
  for (const Case& c : {Case{"CLOSED", true}, Case{"", true}, Case{"OPEN", false}}) {
    ImportResult r = ImportScales({TextScale("255", "Invalid", c.intervalType),
                                   LinearScale({"-40", "0.5"}, {"1"}),
                                   TextScale("254", "Error", c.intervalType)});
    ASSERT_TRUE(r.loaded) << r.error;
    auto coding = CodingOf(r);
    EXPECT_EQ(coding["IDIP_COD_FACTOR_F64"], c.linear ? "0.5" : "1") << c.intervalType;
    EXPECT_EQ(coding["IDIP_COD_OFFSET_F64"], c.linear ? "-40" : "0") << c.intervalType;
    EXPECT_EQ(r.LogHas(kUnknownScaling), !c.linear) << c.intervalType;
  }
}

TEST(CodingScaling, TextTableEntriesMustBeSingleValuesWithText) {
  Node differentLimits = El("COMPU-SCALE", {Text("LOWER-LIMIT", "1"), Text("UPPER-LIMIT", "1.0"),
                                            El("COMPU-CONST", {Text("VT", "One")})});
  Node noText = El("COMPU-SCALE", {Text("LOWER-LIMIT", "1"), Text("UPPER-LIMIT", "1"),
                                   El("COMPU-CONST", {Text("VT", "")})});
  for (const Node& scale : {differentLimits, noText}) {
    ImportResult r = ImportScales({LinearScale({"0", "2"}, {"1"}), scale});
    ASSERT_TRUE(r.loaded) << r.error;
    EXPECT_EQ(CodingOf(r)["IDIP_COD_FACTOR_F64"], "1");
    EXPECT_EQ(r.LogCount(kUnknownScaling), 1u);
  }
}

TEST(CodingScaling, ScalesWithVariationPointAreDropped) {
  Node variant = LinearScale({"0", "7"}, {"1"});
  variant.Add(arxml::VariationPoint());
  ImportResult r = ImportScales({variant, LinearScale({"0", "2"}, {"1"})});
  ASSERT_TRUE(r.loaded) << r.error;
  EXPECT_EQ(CodingOf(r)["IDIP_COD_FACTOR_F64"], "2");
  EXPECT_TRUE(r.LogHas("ignored (using <VARIATION-POINT> child)"));
  EXPECT_FALSE(r.LogHas(kUnknownScaling));
}

// ---------------------------------------------------------------- range and data type

TEST(CodingRange, DefaultRangeFollowsDataTypeAndBits) {
  struct Case {
    const char* bits;
    const char* encoding;
    std::vector<std::string> numerator;
    const char* minimum;
    const char* maximum;
  };
  for (const Case& c : {
           Case{"8", "2C", {"0", "1"}, "-128", "127"},
           Case{"8", "2C", {"0", "-1"}, "-127", "128"},  // exchanged after scaling
           Case{"12", "NONE", {"-10", "0.1"}, "-10", "399.5"},
           Case{"1", "2C", {"0", "1"}, "-1", "0"},
           Case{"32", "2C", {"0", "1"}, "-2147483648", "2147483647"},
           Case{"64", "NONE", {"0", "1"}, "0", "4294967295"},  // 32-bit extremes
           Case{"0", "NONE", {"0", "1"}, "0", "4294967295"},
           Case{"32", "IEEE754", {"0", "1"}, "0", "0"},  // no default for floats
       }) {
    ImportResult r = ImportCoding(
        c.bits, {CompuMethodRef("Cm"), BaseTypeRef("B")},
        {CompuMethod("Cm", {LinearScale(c.numerator, {"1"})}), BaseType("B", c.encoding)});
    ASSERT_TRUE(r.loaded) << r.error;
    auto coding = CodingOf(r);
    EXPECT_EQ(coding["IDIP_COD_MIN_VAL_F64"], c.minimum) << c.bits << " " << c.encoding;
    EXPECT_EQ(coding["IDIP_COD_MAX_VAL_F64"], c.maximum) << c.bits << " " << c.encoding;
  }
}

TEST(CodingRange, DataConstraintRule) {
  struct Case {
    const char* encoding;
    std::vector<std::pair<std::string, std::string>> rules;
    const char* minimum;
    const char* maximum;
  };
  for (const Case& c : {
           Case{"2C", {{"-100", "100"}}, "-200", "200"}, Case{"NONE", {{"10", "0x20"}}, "20", "64"},
           Case{"IEEE754", {{"-1,5", "2.5"}}, "-3", "5"},
           Case{"NONE", {{"1", "2"}, {"3", "4"}}, "0", "510"},  // two rules: default range
       }) {
    ImportResult r =
        ImportCoding("8", {CompuMethodRef("Cm"), BaseTypeRef("B"), DataConstrRef("Dc")},
                     {CompuMethod("Cm", {LinearScale({"0", "2"}, {"1"})}),
                      BaseType("B", c.encoding), DataConstr("Dc", c.rules)});
    ASSERT_TRUE(r.loaded) << r.error;
    auto coding = CodingOf(r);
    EXPECT_EQ(coding["IDIP_COD_MIN_VAL_F64"], c.minimum) << c.encoding << " " << c.rules.size();
    EXPECT_EQ(coding["IDIP_COD_MAX_VAL_F64"], c.maximum) << c.encoding << " " << c.rules.size();
  }
}

TEST(CodingRange, IncompleteConstraintFallsBackToDefault) {
  Node noUpper =
      Named("DATA-CONSTR", "Dc",
            {El("DATA-CONSTR-RULES",
                {El("DATA-CONSTR-RULE", {El("INTERNAL-CONSTRS", {Text("LOWER-LIMIT", "3")})})})});
  ImportResult r = ImportCoding("4", {DataConstrRef("Dc")}, {noUpper});
  ASSERT_TRUE(r.loaded) << r.error;
  EXPECT_EQ(CodingOf(r)["IDIP_COD_MIN_VAL_F64"], "0");
  EXPECT_EQ(CodingOf(r)["IDIP_COD_MAX_VAL_F64"], "15");
  EXPECT_TRUE(r.LogHas("missing <AR:UPPER-LIMIT> element"));

  // Only physical constraints: nothing to read, no message about it.
  Node physOnly =
      Named("DATA-CONSTR", "Dc",
            {El("DATA-CONSTR-RULES",
                {El("DATA-CONSTR-RULE",
                    {El("PHYS-CONSTRS", {Text("LOWER-LIMIT", "3"), Text("UPPER-LIMIT", "5")})})})});
  r = ImportCoding("4", {DataConstrRef("Dc")}, {physOnly});
  ASSERT_TRUE(r.loaded) << r.error;
  EXPECT_EQ(CodingOf(r)["IDIP_COD_MAX_VAL_F64"], "15");
  EXPECT_FALSE(r.LogHas("LIMIT> element"));
}

TEST(CodingBaseType, EncodingGivesDataType) {
  struct Case {
    Node baseType;
    const char* dataType;
    const char* message;  // expected in the log, or ""
  };
  Node emptyEncoding = Named("SW-BASE-TYPE", "B", {Text("BASE-TYPE-ENCODING", "")});
  for (const Case& c : {Case{BaseType("B", "2C"), "0", ""}, Case{BaseType("B", "IEEE754"), "2", ""},
                        Case{BaseType("B", "BOOLEAN"), "1", ""},
                        Case{BaseType("B", ""), "0", "missing <AR:BASE-TYPE-ENCODING> element"},
                        Case{emptyEncoding, "0", "missing value (xml text)"}}) {
    ImportResult r = ImportCoding("8", {BaseTypeRef("B")}, {c.baseType});
    ASSERT_TRUE(r.loaded) << r.error;
    EXPECT_EQ(CodingOf(r)["IDIP_COD_DATA_TYPE_I16"], c.dataType) << c.message;
    if (c.message[0] != '\0') {
      EXPECT_TRUE(r.LogHas(c.message)) << c.message;
    }
    EXPECT_FALSE(r.LogHas("failed conversion to numeric value"));
  }
}

TEST(CodingUnit, DisplayNameOfTheCompuMethodsUnit) {
  ImportResult r =
      ImportCoding("8", {CompuMethodRef("Cm")},
                   {CompuMethod("Cm", {LinearScale({"0", "1"}, {"1"})}, "DegC"), Unit("DegC",
                                                                                      "\xC2\xB0"
                                                                                      "C")});
  ASSERT_TRUE(r.loaded) << r.error;
  EXPECT_EQ(CodingOf(r)["IDIP_COD_UNIT_STR"],
            "\"\xC2\xB0"
            "C\"");
  EXPECT_FALSE(r.LogHas("missing <UNIT>"));

  r = ImportCoding(
      "8", {CompuMethodRef("Cm")},
      {CompuMethod("Cm", {LinearScale({"0", "1"}, {"1"})}, "DegC"), Named("UNIT", "DegC")});
  ASSERT_TRUE(r.loaded) << r.error;
  EXPECT_EQ(CodingOf(r)["IDIP_COD_UNIT_STR"], "\"\"");
  EXPECT_TRUE(r.LogHas("<AR:UNIT> (file=0, line="));
  EXPECT_TRUE(r.LogHas("missing <AR:DISPLAY-NAME> element"));
}

// ---------------------------------------------------------------- data type chain

TEST(CodingChain, FollowsImplementationDataTypes) {
  // The representation names only the data type A; A gives the compu method
  // and leads to B, B gives the base type and leads to C, and C leads back to
  // A, which ends the chain.
  ImportResult r =
      ImportCoding("8", {DataTypeRef("A")},
                   {ImplementationDataType("A", {CompuMethodRef("Cm"), DataTypeRef("B")}),
                    ImplementationDataType("B", {BaseTypeRef("S8"), DataTypeRef("C")}),
                    ImplementationDataType("C", {DataTypeRef("A")}),
                    CompuMethod("Cm", {LinearScale({"1", "3"}, {"1"})}), BaseType("S8", "2C")});
  ASSERT_TRUE(r.loaded) << r.error;
  auto coding = CodingOf(r);
  EXPECT_EQ(coding["IDIP_COD_FACTOR_F64"], "3");
  EXPECT_EQ(coding["IDIP_COD_OFFSET_F64"], "1");
  EXPECT_EQ(coding["IDIP_COD_DATA_TYPE_I16"], "0");
  EXPECT_EQ(coding["IDIP_COD_MIN_VAL_F64"], "-383");
  EXPECT_EQ(coding["IDIP_COD_MAX_VAL_F64"], "382");
  EXPECT_FALSE(r.LogHas("refers to several"));
}

TEST(CodingChain, DataTypeLeadingBackToItselfEndsTheChain) {
  // The props of A lead to A again: that record closes the cycle and is not
  // used, so the signal has no compu method.
  ImportResult r =
      ImportCoding("8", {DataTypeRef("A")},
                   {ImplementationDataType("A", {CompuMethodRef("Cm"), DataTypeRef("A")}),
                    CompuMethod("Cm", {LinearScale({"0", "4"}, {"1"})})});
  ASSERT_TRUE(r.loaded) << r.error;
  EXPECT_EQ(CodingOf(r)["IDIP_COD_FACTOR_F64"], "1");
  EXPECT_EQ(CodingOf(r)["IDIP_COD_MAX_VAL_F64"], "255");
  EXPECT_TRUE(r.LogHas("missing <COMPU-METHOD>"));
}

TEST(CodingChain, FirstDeclarationWinsOverLaterOnes) {
  ImportResult r =
      ImportCoding("8", {CompuMethodRef("Cm1"), BaseTypeRef("U8"), DataTypeRef("A")},
                   {ImplementationDataType("A", {CompuMethodRef("Cm2"), BaseTypeRef("S8")}),
                    CompuMethod("Cm1", {LinearScale({"0", "2"}, {"1"})}),
                    CompuMethod("Cm2", {LinearScale({"0", "5"}, {"1"})}), BaseType("U8", "NONE"),
                    BaseType("S8", "2C")});
  ASSERT_TRUE(r.loaded) << r.error;
  auto coding = CodingOf(r);
  EXPECT_EQ(coding["IDIP_COD_FACTOR_F64"], "2");
  EXPECT_EQ(coding["IDIP_COD_DATA_TYPE_I16"], "1");
  for (const char* message : {"refers to several <COMPU-METHOD> instances",
                              "refers to several <BASE-TYPE> declarations"}) {
    auto lines = r.LogLines(message);
    ASSERT_EQ(lines.size(), 1u) << message;
    EXPECT_EQ(lines[0].rfind("1,5,'<AR:I-SIGNAL> (file=0", 0), 0u) << lines[0];
  }
}

TEST(CodingChain, VariationPointsAndMissingVariants) {
  // A data constraint with a variation point is passed over for the next one.
  Node variantConstr = DataConstr("Dc1", {{"5", "6"}});
  variantConstr.Add(arxml::VariationPoint());
  ImportResult r = ImportCoding("8", {DataConstrRef("Dc1"), DataTypeRef("A")},
                                {variantConstr, DataConstr("Dc2", {{"7", "9"}}),
                                 ImplementationDataType("A", {DataConstrRef("Dc2")})});
  ASSERT_TRUE(r.loaded) << r.error;
  EXPECT_EQ(CodingOf(r)["IDIP_COD_MIN_VAL_F64"], "7");
  EXPECT_EQ(CodingOf(r)["IDIP_COD_MAX_VAL_F64"], "9");
  EXPECT_TRUE(r.LogHas("has <VARIATION-POINT> member"));

  // A compu method with a variation point is not used, and not reported as
  // unknown either.
  Node variantMethod = CompuMethod("Cm", {LinearScale({"0", "2"}, {"1"})});
  variantMethod.Add(arxml::VariationPoint());
  r = ImportCoding("8", {CompuMethodRef("Cm")}, {variantMethod});
  ASSERT_TRUE(r.loaded) << r.error;
  EXPECT_EQ(CodingOf(r)["IDIP_COD_FACTOR_F64"], "1");
  EXPECT_FALSE(r.LogHas(kUnknownScaling));

  // A representation without variants still gets a coding, with a warning.
  Node bare = SignalPdu("P1", "8", {SignalMapping("Sig", "0")});
  r = ImportArxml(
      OnePduSystem("P1", {bare, Signal("Sig", "8", {El("NETWORK-REPRESENTATION-PROPS")})}));
  ASSERT_TRUE(r.loaded) << r.error;
  EXPECT_EQ(CodingOf(r)["IDIP_COD_MAX_VAL_F64"], "255");
  EXPECT_TRUE(r.LogHas("<AR:NETWORK-REPRESENTATION-PROPS> (file=0, line="));
  EXPECT_TRUE(r.LogHas("missing <AR:SW-DATA-DEF-PROPS-VARIANTS> element"));
}

}  // namespace
