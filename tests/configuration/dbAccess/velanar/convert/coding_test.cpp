// Codings of signals (scaling, range, data type, unit), imported through the
// plug-in into the reference host and read from the CODING object.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "convert/coding.h"
#include "pdus_test_builders.h"
#include "temp_dir.h"

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
           Case{"64", "NONE", {"0", "1"}, "0", "18446744073709551616"},  // 2^64 - 1 as a double
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

TEST(CodingChain, ConditionalsOfTheRepresentation) {
  // One usable conditional gives the compu method; none, or more than one,
  // give none. A conditional left out by its variation point is reported and
  // does not count.
  auto conditional = [](bool leftOut) {
    Node c = El("SW-DATA-DEF-PROPS-CONDITIONAL", {CompuMethodRef("Cm")});
    if (leftOut) c.Add(arxml::VariationPoint());
    return c;
  };
  struct Case {
    std::vector<bool> leftOut;  // one entry per conditional
    const char* factor;
    const char* logged;  // expected in the log, or null
  } cases[] = {
      {{false}, "2", nullptr},
      {{}, "1", "found only 0 <AR:SW-DATA-DEF-PROPS-CONDITIONAL> elements. Expected 1 elements."},
      {{false, false}, "1", nullptr},
      {{true, false}, "2", "ignored (using <VARIATION-POINT> child)"},
      {{true}, "1", "found only 0 <AR:SW-DATA-DEF-PROPS-CONDITIONAL>"},
  };
  for (const Case& c : cases) {
    std::vector<Node> conditionals;
    for (bool leftOut : c.leftOut) conditionals.push_back(conditional(leftOut));
    Node bare = SignalPdu("P1", "8", {SignalMapping("Sig", "0")});
    Node representation = El("NETWORK-REPRESENTATION-PROPS",
                             {El("SW-DATA-DEF-PROPS-VARIANTS", std::move(conditionals))});
    ImportResult r =
        ImportArxml(OnePduSystem("P1", {bare, Signal("Sig", "8", {representation}),
                                        CompuMethod("Cm", {LinearScale({"0", "2"}, {"1"})})}));
    ASSERT_TRUE(r.loaded) << r.error;
    const std::string label = std::to_string(c.leftOut.size()) + " conditionals";
    EXPECT_EQ(CodingOf(r)["IDIP_COD_FACTOR_F64"], c.factor) << label;
    if (c.logged != nullptr) {
      EXPECT_TRUE(r.LogHas(c.logged)) << label;
    }
    EXPECT_EQ(r.LogHas("found only"), c.logged != nullptr && c.leftOut.size() != 2) << label;
  }
}

// ---------------------------------------------------------------- read from real exports

Node Numerical(const std::string& value) {
  return El("NUMERICAL-VALUE-SPECIFICATION", {Text("VALUE", value)});
}
Node ConstantRef(const std::string& name) {
  return El("CONSTANT-REFERENCE", {Ref("CONSTANT-REF", "CONSTANT-SPECIFICATION", "/P/" + name)});
}

// The signal Sig: `refs` in its network representation, `physical` in its
// system signal's PHYSICAL-PROPS, `init` as INIT-VALUE content (each left out
// when empty); every element referred to is in P.
ImportResult ImportSignal(const std::string& bits, std::vector<Node> refs,
                          std::vector<Node> physical, std::vector<Node> init = {}) {
  std::vector<Node> signal = {NetworkRepresentation(std::move(refs))}, system;
  if (!init.empty()) signal.push_back(El("INIT-VALUE", std::move(init)));
  if (!physical.empty()) system.push_back(El("PHYSICAL-PROPS", {PropsVariants(physical)}));
  std::vector<Node> elements = {SignalPdu("P1", "8", {SignalMapping("Sig", "0")}),
                                ISignal("Sig", bits, std::move(signal)),
                                SystemSignal("SigSys", std::move(system)),
                                BaseType("U8", "NONE"),
                                BaseType("S64", "2C"),
                                CompuMethod("Double", {LinearScale({"0", "2"}, {"1"})}, "Amp"),
                                CompuMethod("Celsius", {LinearScale({"-10", "0.5"}, {"1"})}),
                                Unit("Amp", "A"),
                                Unit("Deg", "degC"),
                                DataConstr("Raw100", {{"0", "100"}}),
                                DataConstr("Byte", {{"0", "255"}}),
                                DataConstr("Neg", {{"100", "-5"}}),
                                DataConstr("Wide", {{"-5000000000", "0xFFFFFFFFFFFF"}})};
  elements.push_back(
      Named("DATA-CONSTR", "Phys")
          .Raw("<DATA-CONSTR-RULES><DATA-CONSTR-RULE><PHYS-CONSTRS><LOWER-LIMIT>-5</LOWER-LIMIT>"
               "<UPPER-LIMIT>20</UPPER-LIMIT></PHYS-CONSTRS></DATA-CONSTR-RULE></"
               "DATA-CONSTR-RULES>"));
  const std::pair<const char*, Node> constants[] = {
      {"C1", Numerical("12")}, {"C2", ConstantRef("C1")}, {"Loop", ConstantRef("Loop")}};
  for (const auto& constant : constants) {
    elements.push_back(
        Named("CONSTANT-SPECIFICATION", constant.first, {El("VALUE", {constant.second})}));
  }
  return ImportArxml(OnePduSystem("P1", std::move(elements)));
}

// "factor offset minimum maximum unit" of the signal's coding.
std::string Summary(const ImportResult& r) {
  auto k = CodingOf(r);
  return k["IDIP_COD_FACTOR_F64"] + " " + k["IDIP_COD_OFFSET_F64"] + " " +
         k["IDIP_COD_MIN_VAL_F64"] + " " + k["IDIP_COD_MAX_VAL_F64"] + " " + k["IDIP_COD_UNIT_STR"];
}

TEST(CodingSources, SystemSignalFillsWhatTheChainLacks) {
  const Node u8 = BaseTypeRef("U8");
  const std::vector<Node> all = {CompuMethodRef("Celsius"), DataConstrRef("Phys"),
                                 Ref("UNIT-REF", "UNIT", "/P/Deg")};
  struct Case {
    std::vector<Node> refs, physical;
    const char* summary;
  } cases[] = {
      {{u8, CompuMethodRef("Double"), DataConstrRef("Raw100")}, all, "2 0 0 200 \"A\""},
      {{u8}, {CompuMethodRef("Double")}, "2 0 0 510 \"A\""},
      {{u8, CompuMethodRef("Celsius")}, all, "0.5 -10 -5 20 \"degC\""},
      {{u8}, all, "0.5 -10 -5 20 \"degC\""},
      {{u8}, {}, "1 0 0 255 \"\""},  // the only case with the missing-element warnings
  };
  for (const Case& c : cases) {
    ImportResult r = ImportSignal("8", c.refs, c.physical);
    EXPECT_EQ(Summary(r), c.summary);
    EXPECT_EQ(r.LogHas("missing <COMPU-METHOD>"), c.physical.empty()) << c.summary;
    EXPECT_EQ(r.LogHas("missing <UNIT>"), c.physical.empty()) << c.summary;
  }
}

TEST(CodingRange, LimitsWithinWhatTheBitsHold) {
  struct Case {
    const char *bits, *baseType, *constraint, *summary;
  } cases[] = {{"64", "S64", "", "1 0 -9223372036854775808 9223372036854775808 \"\""},
               {"48", "U8", "", "1 0 0 281474976710655 \"\""},
               {"64", "S64", "Wide", "1 0 -5e+09 281474976710655 \"\""},
               {"1", "U8", "Byte", "1 0 0 1 \"\""},
               {"8", "S64", "Byte", "1 0 0 127 \"\""},
               {"8", "U8", "Neg", "1 0 0 100 \"\""},
               {"32", "U8", "Neg", "1 0 0 100 \"\""}};
  for (const Case& c : cases) {
    std::vector<Node> refs = {BaseTypeRef(c.baseType)};
    if (c.constraint[0] != '\0') refs.push_back(DataConstrRef(c.constraint));
    ImportResult r = ImportSignal(c.bits, refs, {});
    EXPECT_EQ(Summary(r), c.summary) << c.bits;
    EXPECT_FALSE(r.LogHas("failed conversion")) << c.summary;
  }
}

TEST(CodingInitValue, RawInitialValueBecomesThePhysicalDefault) {
  const double kNone = -1e300;
  struct Case {
    Node init;
    double raw;  // kNone: no default value
  } cases[] = {{Numerical("0x7"), 7},
               {ConstantRef("C2"), 12},
               {ConstantRef("Loop"), kNone},
               {Numerical("12abc"), kNone},
               {El("TEXT-VALUE-SPECIFICATION", {Text("VALUE", "1")}), kNone}};
  for (const Case& c : cases) {
    ImportResult r = ImportSignal("8", {CompuMethodRef("Celsius")}, {}, {c.init});
    auto signal = Properties(r.Subtree("SIGNAL \"SigSys\""));
    const std::string value = signal["IDIP_SIG_DEFAULT_VALUE_F64"];
    EXPECT_EQ(value.empty() ? kNone : (std::strtod(value.c_str(), nullptr) + 10) / 0.5, c.raw);
    EXPECT_EQ(r.code, 0u) << r.log;
  }
  // Some whole values need a step of one unit in the last place to divide
  // back exactly; where no double does (0.3 / 0.1), the DBC test shows it.
  for (double raw : {129.0, 159.0}) EXPECT_EQ((PhysicalValueOf(raw, 0.1, -40) + 40) / 0.1, raw);
}

// Scaling through the system signal, a start value that 0.1 cannot give back
// exactly, and an OPAQUE 40-bit signal, through `velan convert`.
TEST(CodingDbc, ScalingOpaqueAndStartValuesInTheDbcFile) {
  Node physical = El("PHYSICAL-PROPS", {PropsVariants({CompuMethodRef("Tenth")})});
  velan_test::TempDir dir;
  std::ofstream(dir.File("in.arxml")) << OnePduSystem(
      "P1",
      {SignalPdu("P1", "8", {SignalMapping("Speed", "0"), SignalMapping("B", "24", "OPAQUE")}),
       ISignal("Speed", "16", {El("INIT-VALUE", {Numerical("3")})}),
       SystemSignal("SpeedSys", {physical}), Signal("B", "40"),
       CompuMethod("Tenth", {LinearScale({"0", "0.1"}, {"1"})})});
  ASSERT_EQ(std::system(("cd '" + dir.Path() + "' && mkdir cfg && VELAN_CONFIG_DIR=cfg '" +
                         VELAN_TEST_BIN_DIR + "/velan' convert in.arxml -o out >log 2>&1")
                            .c_str()),
            0);
  std::stringstream text;
  text << std::ifstream(dir.File("out/Can1.dbc")).rdbuf() << std::ifstream(dir.File("log")).rdbuf();
  for (const char* line : {"SG_ SpeedSys : 0|16@1+ (0.10000000000000000555,0) [0|6553.5]",
                           "SG_ BSys : 24|40@1+ (1,0) [0|1099511627775]",
                           "BA_ \"GenSigStartValue\" SG_ 256 SpeedSys 3;"}) {
    EXPECT_NE(text.str().find(line), std::string::npos) << line << "\n" << text.str();
  }
  EXPECT_EQ(text.str().find("failed conversion"), std::string::npos);
}

}  // namespace
