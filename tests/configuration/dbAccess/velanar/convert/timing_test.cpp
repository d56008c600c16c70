// Transmission timing of PDUs: CYCLIC_TIMING and EVENT_TIMING objects,
// imported through the plug-in into the reference host.
#include <gtest/gtest.h>

#include "pdus_test_builders.h"

using namespace pdutest;

namespace {

Node Value(const std::string& name, const std::string& value) {
  return El(name, {Text("VALUE", value)});
}

Node Cyclic(const std::string& period, const std::string& offset = "") {
  Node cyclic("CYCLIC-TIMING");
  if (!offset.empty()) cyclic.Add(Value("TIME-OFFSET", offset));
  if (!period.empty()) cyclic.Add(Value("TIME-PERIOD", period));
  return cyclic;
}

Node Event() {
  return El("EVENT-CONTROLLED-TIMING", {Text("NUMBER-OF-REPETITIONS", "0")});
}

Node TrueTiming(std::vector<Node> timings) {
  return El("TRANSMISSION-MODE-TRUE-TIMING", std::move(timings));
}
Node FalseTiming(std::vector<Node> timings) {
  return El("TRANSMISSION-MODE-FALSE-TIMING", std::move(timings));
}

// I-PDU-TIMING with an optional MINIMUM-DELAY and a declaration holding `modes`.
Node PduTiming(std::vector<Node> modes, const std::string& minimumDelay = "") {
  Node timing("I-PDU-TIMING");
  if (!minimumDelay.empty()) timing.Add(Text("MINIMUM-DELAY", minimumDelay));
  timing.Add(El("TRANSMISSION-MODE-DECLARATION", std::move(modes)));
  return timing;
}

Node Specifications(std::vector<Node> timings) {
  return El("I-PDU-TIMING-SPECIFICATIONS", std::move(timings));
}

// The PDU P1 in frame F1 with the given timing specifications.
ImportResult ImportTiming(std::vector<Node> specifications) {
  return ImportArxml(OnePduSystem("P1", {SignalPdu("P1", "8", {}, std::move(specifications))}));
}

std::map<std::string, std::string> CyclicOf(const ImportResult& r) {
  return Properties(r.Subtree("CYCLIC_TIMING"));
}
std::map<std::string, std::string> EventOf(const ImportResult& r) {
  return Properties(r.Subtree("EVENT_TIMING"));
}

TEST(PduTiming, CyclicTrueTiming) {
  ImportResult r = ImportTiming({Specifications({PduTiming({TrueTiming({Cyclic("0.1")})})})});
  ASSERT_TRUE(r.loaded) << r.error;
  EXPECT_EQ(r.code, 0u);
  EXPECT_EQ(CyclicOf(r),
            (std::map<std::string, std::string>{{"IDIP_CYCT_TIME_RANGE_VALUE_F64", "0.1"}}));
  EXPECT_FALSE(r.TreeHas("EVENT_TIMING"));
  auto lines = r.LogLines("use <TRANSMISSION-MODE-TRUE-TIMING>");
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0].rfind("1,0,'<AR:TRANSMISSION-MODE-DECLARATION> (file=0, line=", 0), 0u);
  // The timing objects belong to the PDU.
  EXPECT_NE(r.Subtree("PDU \"P1\"").find("CYCLIC_TIMING \"\""), std::string::npos);
}

TEST(PduTiming, CyclicWithOffsetAndDecimalComma) {
  ImportResult r =
      ImportTiming({Specifications({PduTiming({TrueTiming({Cyclic("0,1", "0.02")})})})});
  ASSERT_TRUE(r.loaded) << r.error;
  EXPECT_EQ(CyclicOf(r),
            (std::map<std::string, std::string>{{"IDIP_CYCT_TIME_RANGE_VALUE_F64", "0.1"},
                                                {"IDIP_CYCT_START_DELAY_F64", "0.02"}}));
}

TEST(PduTiming, CyclicAndEventWithMinimumDelay) {
  ImportResult r =
      ImportTiming({Specifications({PduTiming({TrueTiming({Cyclic("0.1"), Event()})}, "0.005")})});
  ASSERT_TRUE(r.loaded) << r.error;
  EXPECT_EQ(CyclicOf(r)["IDIP_CYCT_TIME_RANGE_VALUE_F64"], "0.1");
  EXPECT_EQ(EventOf(r),
            (std::map<std::string, std::string>{{"IDIP_EVT_DEBOUNCE_TIME_F64", "0.005"}}));
}

TEST(PduTiming, EventOnly) {
  ImportResult r = ImportTiming({Specifications({PduTiming({TrueTiming({Event()})})})});
  ASSERT_TRUE(r.loaded) << r.error;
  EXPECT_FALSE(r.TreeHas("CYCLIC_TIMING"));
  ASSERT_TRUE(r.TreeHas("EVENT_TIMING"));
  // Without MINIMUM-DELAY there is no debounce time and no message about it.
  EXPECT_TRUE(EventOf(r).empty());
  EXPECT_FALSE(r.LogHas("MINIMUM-DELAY"));
}

TEST(PduTiming, ChoiceBetweenTrueAndFalseTimings) {
  struct Case {
    std::vector<Node> modes;
    const char* message;
    const char* period;  // "" when no CYCLIC_TIMING is expected
  };
  for (const Case& c : {
           Case{{FalseTiming({Cyclic("0.5")})},
                "using <TRANSMISSION-MODE-FALSE-TIMING> declaration "
                "(<TRANSMISSION-MODE-TRUE-TIMING> is missing)",
                "0.5"},
           Case{{TrueTiming({Cyclic("0.2")}), FalseTiming({Cyclic("0.5")})},
                "found <TRANSMISSION-MODE-TRUE-TIMING> and <TRANSMISSION-MODE-FALSE-TIMING>; "
                "prefer <TRANSMISSION-MODE-TRUE-TIMING>",
                "0.2"},
           Case{{}, "no timing information detected; assuming event timing", ""},
       }) {
    ImportResult r = ImportTiming({Specifications({PduTiming(c.modes)})});
    ASSERT_TRUE(r.loaded) << r.error;
    EXPECT_EQ(r.LogCount(c.message), 1u) << c.message;
    if (c.period[0] != '\0') {
      EXPECT_EQ(CyclicOf(r)["IDIP_CYCT_TIME_RANGE_VALUE_F64"], c.period);
    } else {
      // Assumed event timing creates no timing object at all.
      EXPECT_FALSE(r.TreeHas("_TIMING")) << c.message;
    }
  }
}

TEST(PduTiming, PdusWithoutTimingOfTheirOwn) {
  for (const char* kind : {"NM-PDU", "N-PDU", "DCM-I-PDU"}) {
    Node pdu = Pdu(kind, "P1", "8", {Specifications({PduTiming({TrueTiming({Cyclic("0.1")})})})});
    ImportResult r = ImportArxml(OnePduSystem("P1", {pdu}, kind));
    ASSERT_TRUE(r.loaded) << r.error;
    EXPECT_TRUE(r.TreeHas("PDU \"P1\"")) << kind;
    EXPECT_FALSE(r.TreeHas("_TIMING")) << kind;
    EXPECT_FALSE(r.LogHas("TRANSMISSION-MODE")) << kind;
  }
}

TEST(PduTiming, IncompleteSpecifications) {
  // No specifications at all: missing-element warning at the PDU.
  ImportResult r = ImportTiming({});
  ASSERT_TRUE(r.loaded) << r.error;
  EXPECT_TRUE(r.LogHas("<AR:I-SIGNAL-I-PDU> (file=0"));
  EXPECT_TRUE(r.LogHas("missing <AR:I-PDU-TIMING-SPECIFICATIONS> element"));
  EXPECT_FALSE(r.TreeHas("_TIMING"));

  // An empty list of timings.
  r = ImportTiming({Specifications({})});
  ASSERT_TRUE(r.loaded) << r.error;
  EXPECT_EQ(r.LogCount("missing <I-PDU-TIMING>."), 1u);
  EXPECT_FALSE(r.TreeHas("_TIMING"));

  // A timing without declaration: event timing is assumed, nothing created.
  r = ImportTiming({Specifications({El("I-PDU-TIMING", {Text("MINIMUM-DELAY", "0.01")})})});
  ASSERT_TRUE(r.loaded) << r.error;
  EXPECT_TRUE(r.LogHas("missing <AR:TRANSMISSION-MODE-DECLARATION> element"));
  EXPECT_EQ(r.LogCount("missing <TRANSMISSION-MODE-DECLARATION>; assuming event timing"), 1u);
  EXPECT_FALSE(r.TreeHas("_TIMING"));

  // A cyclic timing without period: the object exists without its value.
  r = ImportTiming({Specifications({PduTiming({TrueTiming({Cyclic("", "0.02")})})})});
  ASSERT_TRUE(r.loaded) << r.error;
  EXPECT_TRUE(r.LogHas("<AR:CYCLIC-TIMING> (file=0"));
  EXPECT_TRUE(r.LogHas("missing <AR:TIME-PERIOD> element"));
  EXPECT_EQ(CyclicOf(r),
            (std::map<std::string, std::string>{{"IDIP_CYCT_START_DELAY_F64", "0.02"}}));
}

TEST(PduTiming, SeveralTimingsAndModeConditions) {
  Node conditional = PduTiming({El("TRANSMISSION-MODE-CONDITIONS"), TrueTiming({Cyclic("0.3")})});
  ImportResult r =
      ImportTiming({Specifications({conditional, PduTiming({TrueTiming({Cyclic("0.7")})})})});
  ASSERT_TRUE(r.loaded) << r.error;
  // The first timing is used, with a note about the others.
  EXPECT_EQ(CyclicOf(r)["IDIP_CYCT_TIME_RANGE_VALUE_F64"], "0.3");
  EXPECT_EQ(Count(r.tree, "CYCLIC_TIMING"), 1u);
  EXPECT_EQ(r.LogCount("several <I-PDU-TIMING> elements has been found - use the first one"), 1u);
  EXPECT_EQ(r.LogCount("detected <TRANSMISSION-MODE-CONDITIONS>, <MODE-DRIVEN-TRUE-CONDITIONS>, "
                       "or <MODE-DRIVEN-FALSE-CONDITIONS>"),
            1u);
}

TEST(PduTiming, UnreadablePeriodIsReportedAndLeftOut) {
  ImportResult r = ImportTiming({Specifications({PduTiming({TrueTiming({Cyclic("fast")})})})});
  ASSERT_TRUE(r.loaded) << r.error;
  ASSERT_TRUE(r.TreeHas("CYCLIC_TIMING"));
  EXPECT_TRUE(CyclicOf(r).empty());
  EXPECT_TRUE(r.LogHas("failed conversion to numeric value"));
}

TEST(PduTiming, NmPduCyclesInTheMessageCycleOfItsCluster) {
  // Case: PDU kind, cluster the NM configuration names, its NM-MSG-CYCLE-TIME
  // ("" for none), expected period ("" for no timing). Only an I-SIGNAL-I-PDU
  // reads its own timing (0.1).
  for (const auto& c :
       std::vector<std::vector<std::string>>{{"NM-PDU", "/P/Can1", "0,5", "0.5"},
                                             {"NM-PDU", "/P/Other", "0.5", ""},
                                             {"NM-PDU", "/P/Can1", "", ""},
                                             {"I-SIGNAL-I-PDU", "/P/Can1", "0.5", "0.1"}}) {
    Node nmCluster =
        Named("CAN-NM-CLUSTER", "NmC", {Ref("COMMUNICATION-CLUSTER-REF", "CAN-CLUSTER", c[1])});
    if (!c[2].empty()) nmCluster.Add(Text("NM-MSG-CYCLE-TIME", c[2]));
    Node nmConfig = Named("NM-CONFIG", "Nm", {El("NM-CLUSTERS", {nmCluster})});
    Node pdu = Pdu(c[0], "P1", "8", {Specifications({PduTiming({TrueTiming({Cyclic("0.1")})})})});
    // The NM configuration lives in a sub-package of a second file.
    ImportResult r = ImportArxmlFiles(
        {{"a.arxml", OnePduSystem("P1", {pdu}, c[0])},
         {"b.arxml", arxml::Ar4({arxml::PkgOfPkgs("Nm", {arxml::Pkg("Sub", {nmConfig})})})}});
    ASSERT_TRUE(r.loaded) << r.error;
    EXPECT_EQ(Count(r.tree, "_TIMING"), c[3].empty() ? 0u : 1u) << c[0] << c[1] << c[2];
    EXPECT_EQ(CyclicOf(r)["IDIP_CYCT_TIME_RANGE_VALUE_F64"], c[3]) << c[0] << c[1] << c[2];
  }
}

}  // namespace
