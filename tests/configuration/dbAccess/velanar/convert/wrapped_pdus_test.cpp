// PDUs that wrap others: secured PDUs (payload, freshness value,
// authenticator), container PDUs (header as selector, contained PDUs as
// alternatives, or fixed offsets) and timing taken from the wrapped PDU.
#include <gtest/gtest.h>

#include <cstring>

#include "pdus_test_builders.h"

using namespace pdutest;

namespace {

const char kLsb[] = "MOST-SIGNIFICANT-BYTE-LAST";

// What the PDU object `pdu` holds, from its tree print, one item per child:
// "F name code" (alternative), "M name start bits order" (selector), "S start
// order name bits" (signal; "name@" when it belongs to an alternative).
// Start bits are in the host's numbering.
std::string Contents(const ImportResult& r, const std::string& pdu) {
  static const std::pair<const char*, const char*> kKeep[] = {
      {"SUB_FRAME \"", "; F "},   {"MULTIPLEXER \"", "; M "},   {"SIG_INST \"", "; S"},
      {"SIGNAL \"", " "},         {"linked to SUB_FRAME", "@"}, {"START_BIT_U16 = ", " "},
      {"BYTE_ORDER_I16 = ", " "}, {"NUM_BITS_U32 = ", " "},     {"SWITCH_CODE_U32 = ", " "}};
  std::istringstream in(r.Subtree("PDU \"" + pdu + "\""));
  std::string line, out;
  std::getline(in, line);  // the PDU itself
  while (std::getline(in, line)) {
    for (const auto& keep : kKeep) {
      const size_t at = line.find(keep.first);
      if (at == std::string::npos) continue;
      std::string value = line.substr(at + std::strlen(keep.first));
      value = keep.second[0] == '@' ? "" : value.substr(0, value.find('"'));
      out += keep.second + value;
      break;
    }
  }
  return out.substr(std::min<size_t>(2, out.size()));
}

Node CyclicSpec(const std::string& period) {
  return El("I-PDU-TIMING-SPECIFICATIONS",
            {El("I-PDU-TIMING",
                {El("TRANSMISSION-MODE-DECLARATION",
                    {El("TRANSMISSION-MODE-TRUE-TIMING",
                        {El("CYCLIC-TIMING", {El("TIME-PERIOD", {Text("VALUE", period)})})})})})});
}

// Signal PDU `name` of `length` bytes with one little-endian signal
// `name`Sig of `bits` bits at `start`, and more children (timing).
Node PduWithSignal(const std::string& name, const std::string& length, const std::string& start,
                   const std::string& bits, std::vector<Node> more = {}) {
  return Group(
      {SignalPdu(name, length, {SignalMapping(name + "Sig", start, kLsb)}, std::move(more)),
       Signal(name + "Sig", bits)});
}

Node SecuredPdu(const std::string& name, const std::string& payload, std::vector<Node> more) {
  Node pdu = Named("SECURED-I-PDU", name, {Text("LENGTH", "16")});
  pdu.Add(more);
  pdu.Add(Ref("PAYLOAD-REF", "PDU-TRIGGERING", "/P/Can1/Ch/" + payload + "Trig"));
  return pdu;
}

Node SecureProps(const std::string& freshness, const std::string& auth) {
  return El("SECURE-COMMUNICATION-PROPS",
            {Text("AUTH-INFO-TX-LENGTH", auth), Text("FRESHNESS-VALUE-TX-LENGTH", freshness)});
}

// Frame F1 (identifier 0x100) mapping `pdu` of kind `dest` at 0; every
// PDU named in `triggered` has a triggering on the channel.
std::string WrapSystem(const std::string& pdu, const std::string& dest,
                       const std::vector<std::pair<std::string, std::string>>& triggered,
                       std::vector<Node> elements) {
  std::vector<Node> triggerings;
  for (const auto& t : triggered) triggerings.push_back(PduTrig(t.first, t.second));
  elements.push_back(CanFrame("F1", "64", {PduMapping(pdu, "0", kLsb, "", dest)}));
  return CanSystem({FrameTrig("F1", "0x100")}, std::move(triggerings), std::move(elements));
}

TEST(SecuredPdus, PayloadFreshnessAndAuthenticatorFollowOneAnother) {
  // Payload Pay (4 bytes, signal at bit 0), then the truncated freshness
  // value and the authenticator, big-endian, named after the secured PDU.
  // Host start bits are the fields' least significant bits.
  struct Case {
    const char* what;
    std::vector<Node> secured;  // children of the secured PDU
    std::vector<Node> more;     // further package elements
    std::string expected;
  };
  const Node clash = Group(
      {Named("I-SIGNAL", "Clash",
             {Text("LENGTH", "1"), Ref("SYSTEM-SIGNAL-REF", "SYSTEM-SIGNAL", "/P/Sec_Freshness")}),
       SystemSignal("Sec_Freshness")});
  const Case cases[] = {
      {"own props",
       {SecureProps("6", "10")},
       {},
       "S 0 0 PaySigSys 8; S 34 1 Sec_Freshness 6; S 40 1 Sec_Authenticator 10"},
      {"referenced props and a 16-bit header",
       {Text("USE-SECURED-PDU-HEADER", "SECURED-PDU-HEADER-16-BIT"),
        Ref("AUTHENTICATION-PROPS-REF", "SECURE-COMMUNICATION-AUTHENTICATION-PROPS", "/P/Set/Auth"),
        Ref("FRESHNESS-PROPS-REF", "SECURE-COMMUNICATION-FRESHNESS-PROPS", "/P/Set/Fresh")},
       {Named("SECURE-COMMUNICATION-PROPS-SET", "Set",
              {El("AUTHENTICATION-PROPSS", {Named("SECURE-COMMUNICATION-AUTHENTICATION-PROPS",
                                                  "Auth", {Text("AUTH-INFO-TX-LENGTH", "24")})}),
               El("FRESHNESS-PROPSS", {Named("SECURE-COMMUNICATION-FRESHNESS-PROPS", "Fresh",
                                             {Text("FRESHNESS-VALUE-TX-LENGTH", "8")})})})},
       "S 16 0 PaySigSys 8; S 8 1 Sec_HeaderLength 16; S 48 1 Sec_Freshness 8; "
       "S 72 1 Sec_Authenticator 24"},
      {"name taken by a signal of the frame",
       {SecureProps("6", "0")},
       {clash},
       "S 0 0 PaySigSys 8; S 34 1 Sec_Freshness_1 6"},
  };
  for (const Case& c : cases) {
    std::vector<Node> elements = {SecuredPdu("Sec", "Pay", c.secured),
                                  PduWithSignal("Pay", "4", "0", "8")};
    std::vector<std::pair<std::string, std::string>> triggered = {{"Sec", "SECURED-I-PDU"},
                                                                  {"Pay", "I-SIGNAL-I-PDU"}};
    for (const Node& n : c.more) elements.push_back(n);
    const bool clashing = !c.more.empty() && c.secured.size() == 1;
    if (clashing) {
      // The clashing signal travels in a second PDU of the same frame.
      elements.push_back(SignalPdu("Other", "1", {SignalMapping("Clash", "0", kLsb)}));
      triggered.emplace_back("Other", "I-SIGNAL-I-PDU");
    }
    std::string text = WrapSystem("Sec", "SECURED-I-PDU", triggered, std::move(elements));
    if (clashing) {
      text.insert(text.find("</PDU-TO-FRAME-MAPPINGS>"), PduMapping("Other", "56", kLsb).Str());
    }
    ImportResult r = ImportArxml(text);
    ASSERT_TRUE(r.loaded) << r.error;
    EXPECT_EQ(Contents(r, "Sec"), c.expected) << c.what << "\n" << r.tree;
  }
}

TEST(ContainerPdus, HeaderIsTheSelectorAndContainedPdusTheAlternatives) {
  // A (id 0x10, signal at 0) and B (id 0x20, signal at 4) follow the header;
  // C has no identifier and is left out with a warning. Without header the
  // PDUs sit at their OFFSET (in bytes).
  struct Case {
    const char* headerType;
    const char* systemByteOrder;  // CONTAINER-I-PDU-HEADER-BYTE-ORDER, "" for none
    std::string expected;
  };
  const Case cases[] = {
      {"SHORT-HEADER", "",
       "M Cont_HeaderId 16 24 1; S 24 1 Cont_HeaderLength 8; F A 16; S 32 0 ASigSys@ 8; "
       "F B 32; S 36 0 BSigSys@ 4"},
      {"LONG-HEADER", kLsb,
       "M Cont_HeaderId 0 32 0; S 32 0 Cont_HeaderLength 32; F A 256; S 64 0 ASigSys@ 8; "
       "F B 512; S 68 0 BSigSys@ 4"},
      {"NO-HEADER", "", "S 0 0 ASigSys 8; S 36 0 BSigSys 4; S 0 0 CSigSys 8"},
  };
  auto props = [](const std::string& shortId, const std::string& longId,
                  const std::string& offset) {
    return El("CONTAINED-I-PDU-PROPS",
              {Text("HEADER-ID-LONG-HEADER", longId), Text("HEADER-ID-SHORT-HEADER", shortId),
               Text("OFFSET", offset)});
  };
  for (const Case& c : cases) {
    Node container = Named("CONTAINER-I-PDU", "Cont", {Text("LENGTH", "16")});
    Node refs("CONTAINED-PDU-TRIGGERING-REFS");
    for (const char* pdu : {"A", "B", "C"}) {
      refs.Add(Ref("CONTAINED-PDU-TRIGGERING-REF", "PDU-TRIGGERING",
                   std::string("/P/Can1/Ch/") + pdu + "Trig"));
    }
    container.Add(refs);
    container.Add(Text("HEADER-TYPE", c.headerType));
    std::string text =
        WrapSystem("Cont", "CONTAINER-I-PDU",
                   {{"Cont", "CONTAINER-I-PDU"},
                    {"A", "I-SIGNAL-I-PDU"},
                    {"B", "I-SIGNAL-I-PDU"},
                    {"C", "I-SIGNAL-I-PDU"}},
                   {container, PduWithSignal("A", "1", "0", "8", {props("0x10", "0x100", "0")}),
                    PduWithSignal("B", "1", "4", "4", {props("0x20", "0x200", "4")}),
                    PduWithSignal("C", "1", "0", "8")});
    if (c.systemByteOrder[0] != '\0') {
      text.insert(text.find("</SYSTEM>"), std::string("<CONTAINER-I-PDU-HEADER-BYTE-ORDER>") +
                                              c.systemByteOrder +
                                              "</CONTAINER-I-PDU-HEADER-BYTE-ORDER>");
    }
    ImportResult r = ImportArxml(text);
    ASSERT_TRUE(r.loaded) << r.error;
    EXPECT_EQ(Contents(r, "Cont"), c.expected) << c.headerType << "\n" << r.tree;
    const bool header = std::string(c.headerType) != "NO-HEADER";
    EXPECT_EQ(r.LogCount("contained PDU without a header identifier"), header ? 1u : 0u)
        << c.headerType;
  }
}

TEST(WrappedPduTiming, FrameTakesTheTimingOfTheWrappedPdu) {
  // Each wrapping PDU W has no timing of its own unless the case gives one.
  auto multiplexed = [](const std::string& staticPdu, const std::string& firstAlternative) {
    return Named(
        "MULTIPLEXED-I-PDU", "W",
        {Text("LENGTH", "8"),
         El("DYNAMIC-PARTS",
            {El("DYNAMIC-PART",
                {El("DYNAMIC-PART-ALTERNATIVES",
                    {El("DYNAMIC-PART-ALTERNATIVE",
                        {Ref("I-PDU-REF", "I-SIGNAL-I-PDU", "/P/" + firstAlternative),
                         Text("SELECTOR-FIELD-CODE", "1")})})})}),
         Text("SELECTOR-FIELD-LENGTH", "4"), Text("SELECTOR-FIELD-START-POSITION", "0"),
         El("STATIC-PARTS",
            {El("STATIC-PART", {Ref("I-PDU-REF", "I-SIGNAL-I-PDU", "/P/" + staticPdu)})})});
  };
  Node container =
      Named("CONTAINER-I-PDU", "W",
            {Text("LENGTH", "16"),
             El("CONTAINED-PDU-TRIGGERING-REFS",
                {Ref("CONTAINED-PDU-TRIGGERING-REF", "PDU-TRIGGERING", "/P/Can1/Ch/SlowTrig"),
                 Ref("CONTAINED-PDU-TRIGGERING-REF", "PDU-TRIGGERING", "/P/Can1/Ch/FastTrig")}),
             Text("HEADER-TYPE", "NO-HEADER")});
  struct Case {
    const char* what;
    const char* kind;
    Node wrapper;
    std::string expected;  // the CYCLIC_TIMING period of W, "" for none
  };
  const Case cases[] = {
      {"secured: payload's", "SECURED-I-PDU", SecuredPdu("W", "Slow", {}), "0.1"},
      {"secured with its own", "SECURED-I-PDU", SecuredPdu("W", "Slow", {CyclicSpec("0.5")}),
       "0.5"},
      {"multiplexed: static part's", "MULTIPLEXED-I-PDU", multiplexed("Fast", "Slow"), "0.02"},
      {"multiplexed: first alternative's", "MULTIPLEXED-I-PDU", multiplexed("Plain", "Slow"),
       "0.1"},
      {"multiplexed: none", "MULTIPLEXED-I-PDU", multiplexed("Plain", "Plain"), ""},
      {"container: shortest cycle", "CONTAINER-I-PDU", container, "0.02"},
  };
  for (const Case& c : cases) {
    ImportResult r = ImportArxml(WrapSystem(
        "W", c.kind, {{"W", c.kind}, {"Slow", "I-SIGNAL-I-PDU"}, {"Fast", "I-SIGNAL-I-PDU"}},
        {c.wrapper, SignalPdu("Slow", "1", {}, {CyclicSpec("0.1")}),
         SignalPdu("Fast", "1", {}, {CyclicSpec("0.02")}), SignalPdu("Plain", "1", {})}));
    ASSERT_TRUE(r.loaded) << r.error;
    EXPECT_EQ(Properties(NthSubtree(r.Subtree("PDU \"W\""), "CYCLIC_TIMING",
                                    0))["IDIP_CYCT_TIME_RANGE_VALUE_F64"],
              c.expected)
        << c.what << "\n"
        << r.Subtree("PDU \"W\"");
  }
}

}  // namespace
