// PDUs in frames and multiplexed PDUs, imported through the plug-in into the
// reference host and checked on the object tree print and the log.
#include <gtest/gtest.h>

#include "convert/converter4.h"
#include "import/convert_ctx.h"
#include "pdus_test_builders.h"
#include "resolve/short_name_resolver.h"
#include "xml/navigation.h"
#include "xml/parser.h"

using namespace pdutest;

namespace {

const char kLsb[] = "MOST-SIGNIFICANT-BYTE-LAST";
const char kMsb[] = "MOST-SIGNIFICANT-BYTE-FIRST";

// A PDU without contents of its own.
Node EmptyPdu(const std::string& name, const std::string& length) {
  return SignalPdu(name, length, {});
}

// Properties of the (first) PDU_INST under the TRIGGERING of `frame`.
std::map<std::string, std::string> InstanceOf(const ImportResult& r, const std::string& frame) {
  const std::string trig = r.Subtree("TRIGGERING \"" + frame + "\"");
  const size_t at = trig.find("PDU_INST");
  if (at == std::string::npos) return {};
  const size_t lineStart = trig.rfind('\n', at);
  return Properties(trig.substr(lineStart == std::string::npos ? 0 : lineStart + 1));
}

TEST(PduMappings, StartBitFollowsByteOrderAndPduLength) {
  // F1: little endian at 0. F2: big-endian 8-byte PDU whose first byte is
  // byte 0; the host places it at bit 56, corrected by -56. F3: 2-byte PDU
  // from byte 2 (host 24, corrected by -8). F4: a big-endian position that is
  // not on a byte limit keeps the host's value and warns.
  ImportResult r = ImportArxml(CanSystem(
      {FrameTrig("F1", "1"), FrameTrig("F2", "2"), FrameTrig("F3", "3"), FrameTrig("F4", "4")},
      {PduTrig("P1"), PduTrig("P2"), PduTrig("P3"), PduTrig("P4")},
      {CanFrame("F1", "8", {PduMapping("P1", "0", kLsb)}),
       CanFrame("F2", "8", {PduMapping("P2", "7", kMsb)}),
       CanFrame("F3", "4", {PduMapping("P3", "23", kMsb)}),
       CanFrame("F4", "8", {PduMapping("P4", "5", kMsb)}), EmptyPdu("P1", "8"), EmptyPdu("P2", "8"),
       EmptyPdu("P3", "2"), EmptyPdu("P4", "8")}));
  ASSERT_TRUE(r.loaded) << r.error;
  EXPECT_EQ(r.code, 0u);

  EXPECT_EQ(InstanceOf(r, "F1")["IDIP_PDUI_START_BIT_U16"], "0");
  EXPECT_EQ(InstanceOf(r, "F2")["IDIP_PDUI_START_BIT_U16"], "0");
  EXPECT_EQ(InstanceOf(r, "F3")["IDIP_PDUI_START_BIT_U16"], "16");
  EXPECT_EQ(InstanceOf(r, "F4")["IDIP_PDUI_START_BIT_U16"], "70");
  EXPECT_EQ(r.LogCount("declares PDU start position which is not a byte limit"), 1u);
  EXPECT_TRUE(r.LogHas("<AR:PDU-TO-FRAME-MAPPING>"));
}

TEST(PduMappings, PositionsAndUpdateBits) {
  // Hexadecimal and octal start positions; the update bit is written only
  // when the mapping declares one, and follows the mapping's byte order.
  ImportResult r =
      ImportArxml(CanSystem({FrameTrig("F1", "1"), FrameTrig("F2", "2"), FrameTrig("F3", "3")},
                            {PduTrig("P1"), PduTrig("P2"), PduTrig("P3")},
                            {CanFrame("F1", "8", {PduMapping("P1", "0x10", kLsb, "0x3F")}),
                             CanFrame("F2", "8", {PduMapping("P2", "010", kLsb)}),
                             CanFrame("F3", "8", {PduMapping("P3", "7", kMsb, "6")}),
                             EmptyPdu("P1", "4"), EmptyPdu("P2", "4"), EmptyPdu("P3", "1")}));
  ASSERT_TRUE(r.loaded) << r.error;

  auto f1 = InstanceOf(r, "F1");
  EXPECT_EQ(f1["IDIP_PDUI_START_BIT_U16"], "16");
  EXPECT_EQ(f1["IDIP_PDUI_UPDATE_BIT_U16"], "63");
  auto f2 = InstanceOf(r, "F2");
  EXPECT_EQ(f2["IDIP_PDUI_START_BIT_U16"], "8");
  EXPECT_EQ(f2.count("IDIP_PDUI_UPDATE_BIT_U16"), 0u);
  auto f3 = InstanceOf(r, "F3");
  EXPECT_EQ(f3["IDIP_PDUI_START_BIT_U16"], "0");
  EXPECT_EQ(f3["IDIP_PDUI_UPDATE_BIT_U16"], "6");
}

TEST(PduMappings, MissingByteOrderOrPositionIsReported) {
  ImportResult r = ImportArxml(CanSystem({FrameTrig("F1", "1"), FrameTrig("F2", "2")},
                                         {PduTrig("P1"), PduTrig("P2")},
                                         {CanFrame("F1", "8", {PduMapping("P1", "8", "")}),
                                          CanFrame("F2", "8", {PduMapping("P2", "abc", kLsb)}),
                                          EmptyPdu("P1", "8"), EmptyPdu("P2", "8")}));
  ASSERT_TRUE(r.loaded) << r.error;
  // Without byte order the mapping is little endian.
  EXPECT_EQ(InstanceOf(r, "F1")["IDIP_PDUI_START_BIT_U16"], "8");
  EXPECT_TRUE(r.LogHas("missing <AR:PACKING-BYTE-ORDER> element"));
  // A start position that is not a number gives a PDU_INST without start bit.
  EXPECT_TRUE(r.Subtree("TRIGGERING \"F2\"").find("PDU_INST") != std::string::npos);
  EXPECT_EQ(InstanceOf(r, "F2").count("IDIP_PDUI_START_BIT_U16"), 0u);
  EXPECT_TRUE(r.LogHas("failed conversion to numeric value"));
}

TEST(PduMappings, OnePduInTwoFramesHasOneObjectAndTwoInstances) {
  ImportResult r = ImportArxml(CanSystem(
      {FrameTrig("F1", "1"), FrameTrig("F2", "2")}, {PduTrig("P1")},
      {CanFrame("F1", "8", {PduMapping("P1", "0")}), CanFrame("F2", "8", {PduMapping("P1", "32")}),
       SignalPdu("P1", "4", {SignalMapping("S1", "0")}), Signal("S1", "8")}));
  ASSERT_TRUE(r.loaded) << r.error;
  EXPECT_EQ(Count(r.tree, "PDU \"P1\""), 1u);
  EXPECT_EQ(InstanceOf(r, "F1")["IDIP_PDUI_START_BIT_U16"], "0");
  EXPECT_EQ(InstanceOf(r, "F2")["IDIP_PDUI_START_BIT_U16"], "32");
  const std::string pdu = r.Subtree("PDU \"P1\"");
  EXPECT_EQ(Count(pdu, "linked to PDU_INST"), 2u);
  // Each placement converts the PDU's signals again.
  EXPECT_EQ(Count(pdu, "SIGNAL \"S1Sys\""), 2u);
}

TEST(PduMappings, PduWithoutTriggeringGetsNoInstance) {
  ImportResult r =
      ImportArxml(CanSystem({FrameTrig("F1", "1")}, {PduTrig("P1")},
                            {CanFrame("F1", "8", {PduMapping("P1", "0"), PduMapping("P2", "32")}),
                             EmptyPdu("P1", "4"), EmptyPdu("P2", "4")}));
  ASSERT_TRUE(r.loaded) << r.error;
  EXPECT_EQ(r.code, 0u);
  EXPECT_EQ(Count(r.Subtree("TRIGGERING \"F1\""), "PDU_INST"), 1u);
  EXPECT_FALSE(r.TreeHas("PDU \"P2\""));
  EXPECT_TRUE(r.LogHas("<AR:PDU-REF> (file=0, line="));
  EXPECT_EQ(r.LogCount("failed creating tPDUInst for that reference"), 1u);
}

TEST(PduMappings, FrameWithoutMappingsIsReported) {
  ImportResult r =
      ImportArxml(CanSystem({FrameTrig("F1", "1")}, {},
                            {arxml::Frame("CAN-FRAME", "F1", "8", {El("PDU-TO-FRAME-MAPPINGS")})}));
  ASSERT_TRUE(r.loaded) << r.error;
  EXPECT_TRUE(r.LogHas("found only 0 <AR:PDU-TO-FRAME-MAPPING> elements. Expected 1 elements."));
  EXPECT_FALSE(r.TreeHas("PDU_INST"));
}

TEST(PduMappings, NmPduUserDataButNoContentsOfOtherKinds) {
  // An NM-PDU's signals are converted like an I-SIGNAL-I-PDU's; other PDU
  // kinds get their instance only. None gets a timing of its own.
  for (const char* kind : {"NM-PDU", "N-PDU"}) {
    Node nmPdu =
        Pdu(kind, "Nm", "8", {El("I-SIGNAL-TO-I-PDU-MAPPINGS", {SignalMapping("S1", "8")})});
    ImportResult r = ImportArxml(OnePduSystem("Nm", {nmPdu, Signal("S1", "4")}, kind));
    ASSERT_TRUE(r.loaded) << r.error;
    EXPECT_EQ(InstanceOf(r, "F1")["IDIP_PDUI_START_BIT_U16"], "0");
    const std::string pdu = r.Subtree("PDU \"Nm\"");
    EXPECT_EQ(Properties(pdu)["IDI_PDU_NUM_BYTES_U32"], "8");
    const bool nm = std::string(kind) == "NM-PDU";
    EXPECT_EQ(Properties(r.Subtree("SIG_INST"))["IDIP_SGI_START_BIT_U16"], nm ? "8" : "") << pdu;
    EXPECT_EQ(Properties(r.Subtree("CODING"))["IDIP_COD_NUM_BITS_U32"], nm ? "4" : "") << pdu;
    EXPECT_EQ(pdu.find("_TIMING"), std::string::npos);
    EXPECT_FALSE(r.LogHas("I-PDU-TIMING"));
  }
}

TEST(PduObjects, PduNamedLikeFrameGetsSuffixAndComment) {
  Node pdu = SignalPdu("F1", "8", {}, {arxml::Desc("engine data")});
  ImportResult r = ImportArxml(OnePduSystem("F1", {pdu}));
  ASSERT_TRUE(r.loaded) << r.error;
  EXPECT_TRUE(r.TreeHas("TRIGGERING \"F1\""));
  auto props = Properties(r.Subtree("PDU \"F1_pdu\""));
  EXPECT_EQ(props["IDI_PDU_COMMENT_STR"], "\"engine data\"");
  EXPECT_EQ(props["IDI_PDU_NUM_BYTES_U32"], "8");
}

// ---------------------------------------------------------------- multiplexed PDUs

Node Alternative(const std::string& pdu, const std::string& code) {
  return El("DYNAMIC-PART-ALTERNATIVE",
            {Ref("I-PDU-REF", "I-SIGNAL-I-PDU", "/P/" + pdu), Text("SELECTOR-FIELD-CODE", code)});
}

Node DynamicPart(std::vector<Node> alternatives) {
  return El("DYNAMIC-PART", {El("DYNAMIC-PART-ALTERNATIVES", std::move(alternatives))});
}

// Multiplexed PDU Mux: selector big endian at 7, 4 bits; static part Static.
Node MuxPdu(std::vector<Node> dynamicParts) {
  return Pdu(
      "MULTIPLEXED-I-PDU", "Mux", "8",
      {El("DYNAMIC-PARTS", std::move(dynamicParts)), Text("SELECTOR-FIELD-BYTE-ORDER", kMsb),
       Text("SELECTOR-FIELD-LENGTH", "4"), Text("SELECTOR-FIELD-START-POSITION", "7"),
       El("STATIC-PARTS", {El("STATIC-PART", {Ref("I-PDU-REF", "I-SIGNAL-I-PDU", "/P/Static")})})});
}

// The parts' PDUs: Static with signal S0, AltN with signal AN.
std::vector<Node> MuxParts(int alternatives) {
  std::vector<Node> parts = {SignalPdu("Static", "1", {SignalMapping("S0", "8")}),
                             Signal("S0", "8")};
  for (int i = 0; i < alternatives; ++i) {
    const std::string n = std::to_string(i);
    parts.push_back(SignalPdu("Alt" + n, "7", {SignalMapping("A" + n, "16")}));
    parts.push_back(Signal("A" + n, "16"));
  }
  return parts;
}

std::string MuxSystem(std::vector<Node> dynamicParts, int alternatives) {
  std::vector<Node> elements = MuxParts(alternatives);
  elements.push_back(MuxPdu(std::move(dynamicParts)));
  return OnePduSystem("Mux", std::move(elements), "MULTIPLEXED-I-PDU");
}

// The object line that holds `signal`'s SIGNAL, with its properties and links.
std::string SignalLines(const ImportResult& r, const std::string& signal) {
  return r.Subtree("SIGNAL \"" + signal + "\"");
}

TEST(MultiplexedPdu, SelectorSubFramesAndStaticPart) {
  ImportResult r =
      ImportArxml(MuxSystem({DynamicPart({Alternative("Alt0", "0"), Alternative("Alt1", "1"),
                                          Alternative("Alt2", "0x2")})},
                            3));
  ASSERT_TRUE(r.loaded) << r.error;
  const std::string mux = r.Subtree("PDU \"Mux\"");

  EXPECT_EQ(Count(mux, "MULTIPLEXER \"selector\""), 1u);
  auto selector = Properties(r.Subtree("MULTIPLEXER \"selector\""));
  EXPECT_EQ(selector["IDIP_MUX_SW_START_BIT_U16"], "4");
  EXPECT_EQ(selector["IDIP_MUX_SW_BYTE_ORDER_I16"], "1");
  EXPECT_EQ(selector["IDIP_MUX_SW_NUM_BITS_U32"], "4");

  for (int i = 0; i < 3; ++i) {
    const std::string n = std::to_string(i);
    EXPECT_EQ(Properties(r.Subtree("SUB_FRAME \"Alt" + n + "\""))["IDIP_SUBF_SWITCH_CODE_U32"], n);
    // The alternative's signal sits in the multiplexed PDU and is linked to
    // its sub-frame.
    EXPECT_NE(mux.find("SIGNAL \"A" + n + "Sys\""), std::string::npos);
    EXPECT_NE(SignalLines(r, "A" + n + "Sys").find("linked to SUB_FRAME"), std::string::npos);
  }
  // The static part's signal belongs to the multiplexed PDU itself.
  EXPECT_NE(mux.find("SIGNAL \"S0Sys\""), std::string::npos);
  EXPECT_EQ(SignalLines(r, "S0Sys").find("linked to"), std::string::npos);
  // The parts' PDUs are not mapped into frames and get no objects of their own.
  EXPECT_FALSE(r.TreeHas("PDU \"Alt0\""));
  EXPECT_FALSE(r.TreeHas("PDU \"Static\""));
}

TEST(MultiplexedPdu, TwoDynamicPartsGiveNoSubFrames) {
  ImportResult r = ImportArxml(MuxSystem(
      {DynamicPart({Alternative("Alt0", "0")}), DynamicPart({Alternative("Alt1", "1")})}, 2));
  ASSERT_TRUE(r.loaded) << r.error;
  EXPECT_EQ(r.LogCount("wrong number of <DYNAMIC-PART> elements found"), 1u);
  EXPECT_TRUE(r.LogHas("<AR:MULTIPLEXED-I-PDU> (file=0"));
  EXPECT_FALSE(r.TreeHas("SUB_FRAME"));
  EXPECT_FALSE(r.TreeHas("A0Sys"));
  // Selector and static part are converted all the same.
  EXPECT_TRUE(r.TreeHas("MULTIPLEXER \"selector\""));
  EXPECT_TRUE(r.TreeHas("SIGNAL \"S0Sys\""));
}

TEST(MultiplexedPdu, MissingStaticPartOrSelectorLength) {
  Node mux = Pdu("MULTIPLEXED-I-PDU", "Mux", "8",
                 {El("DYNAMIC-PARTS", {DynamicPart({Alternative("Alt0", "5")})}),
                  Text("SELECTOR-FIELD-START-POSITION", "0"), El("STATIC-PARTS")});
  std::vector<Node> elements = MuxParts(1);
  elements.push_back(mux);
  ImportResult r = ImportArxml(OnePduSystem("Mux", std::move(elements), "MULTIPLEXED-I-PDU"));
  ASSERT_TRUE(r.loaded) << r.error;
  EXPECT_EQ(Properties(r.Subtree("SUB_FRAME \"Alt0\""))["IDIP_SUBF_SWITCH_CODE_U32"], "5");
  // No selector without its length; no static signals without a static part.
  EXPECT_TRUE(r.LogHas("missing <AR:SELECTOR-FIELD-LENGTH> element"));
  EXPECT_FALSE(r.TreeHas("MULTIPLEXER"));
  EXPECT_EQ(r.LogCount("wrong number of <STATIC-PART> elements found"), 1u);
  EXPECT_FALSE(r.TreeHas("S0Sys"));
}

// Records the signal conversions that the multiplexed-PDU steps ask for.
class RecordingConverter : public cConverter4 {
 public:
  using cConverter4::cConverter4;
  using cConverter4::ConvertDynamicParts;
  using cConverter4::ConvertStaticParts;
  using cConverter4::currentPdu;
  using cConverter4::currentPduInstIoid;
  using cConverter4::currentPduRecord;
  using cConverter4::currentSubFrameIoid;
  void ConvertSignalMappings() override {
    calls.emplace_back(GetShortName(currentPdu), currentSubFrameIoid);
  }
  std::vector<std::pair<std::string, uint64_t>> calls;
};

TEST(MultiplexedPdu, AlternativeWithoutSubFrameKeepsItsSignalsOut) {
  cConvertCtx ctx;
  std::vector<Node> elements = MuxParts(2);
  elements.push_back(MuxPdu({DynamicPart({Alternative("Alt0", "0"), Alternative("Alt1", "1")})}));
  const std::string text = arxml::Ar4({arxml::Pkg("P", std::move(elements))});
  ASSERT_EQ(ParseText(*ctx.document, 0, text.data(), text.size()), kParseOk);
  BuildResolverTree(ctx.document.Get(), &ctx.resolverRoot);
  const exElement* package = ctx.document->Child(0);
  for (const char* name : {"AR:AR-PACKAGES", "AR:AR-PACKAGE", "AR:ELEMENTS"}) {
    package = FindChild(package, name, 0);
  }
  const exElement* mux = FindChild(package, "AR:MULTIPLEXED-I-PDU", 0);
  ASSERT_NE(mux, nullptr);

  // The PDU object does not exist, so no SUB_FRAME can be created: the
  // alternatives' signals must not be converted as if they were static.
  RecordingConverter converter(&ctx);
  cVPT record;
  converter.currentPdu = mux;
  converter.currentPduRecord = &record;
  converter.currentPduInstIoid = 1;
  converter.ConvertDynamicParts();
  EXPECT_TRUE(converter.calls.empty());
  EXPECT_EQ(converter.currentPdu, mux);
  EXPECT_EQ(converter.currentSubFrameIoid, 0u);

  // The static part is converted into the PDU itself, without sub-frame.
  converter.ConvertStaticParts();
  ASSERT_EQ(converter.calls.size(), 1u);
  EXPECT_EQ(converter.calls[0].first, "Static");
  EXPECT_EQ(converter.calls[0].second, 0u);
  EXPECT_EQ(converter.currentPdu, mux);
  converter.currentPduRecord = nullptr;
}

}  // namespace
