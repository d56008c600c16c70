// The exporter's read view over a database filled by import calls.
#include <functional>
#include <vector>

#include "host_test_util.h"
#include "velan/velandb_read.h"

namespace {

// Read-interface identifiers used below.
enum : uint32_t {
  kDbClusters = 0x06000002,
  kDbInvalid = 0x02000003,
  kClDatabase = 0x05010002,
  kClIoMode = 0x00010010,
  kClAppProtocol = 0x00010073,
  kClProtocol = 0x00010006,
  kClName = 0x03010005,
  kClComment = 0x03010008,
  kClFrames = 0x06010004,
  kClEcus = 0x06010003,
  kClSignals = 0x06010007,
  kFrName = 0x03020004,
  kFrComment = 0x03020002,
  kFrExtended = 0x02020010,
  kFrId = 0x00020003,
  kFrLength = 0x00020007,
  kFrSignals = 0x06020008,
  kFrIoMode = 0x00020066,
  kFrTimingType = 0x00020011,
  kFrTime = 0x01020012,
  kFrAppProtocol = 0x00020064,
  kSgName = 0x03030008,
  kSgComment = 0x03030002,
  kSgUnit = 0x03030016,
  kSgMux = 0x02030030,
  kSgModeDep = 0x02030031,
  kSgModeValue = 0x00030032,
  kSgStart = 0x00030015,
  kSgBits = 0x00030012,
  kSgOrder = 0x00030001,
  kSgType = 0x00030003,
  kSgFactor = 0x01030013,
  kSgOffset = 0x01030014,
  kSgMin = 0x01030007,
  kSgMax = 0x01030006,
  kSgDefault = 0x01030004,
  kSgFrame = 0x05030005,
  kEcName = 0x03050002,
  kEcComment = 0x03050005,
  kEcRx = 0x06050003,
  kEcTx = 0x06050004,
  kEcAddr = 0x00050028,
  kEcJName = 0x09050029,
};

uint32_t Ref(uint64_t id) {
  return static_cast<uint32_t>(id);
}

// A CAN cluster as the importer would create it:
//  FrameA: P1 at bit 0 (cyclic 0.1 s): S1 little endian at 0, S2 big endian at 23.
//  FrameB (extended, CAN FD): P2 at bit 16 (multiplexed, event timing), P1 again at bit 64.
//  FrameC: no PDU.  FrameD: P3 with cyclic and event timing, no signals.
class ReadView : public ::testing::Test {
 protected:
  void SetUp() override {
    cl = db.Child(VELAN_OT_CLUSTER, "CAN1", VELAN_OT_DATABASE, db.root());
    db.Set<int16_t>(cl, IDIP_CLUSTER_PROTOCOL_I16, 0);
    db.Set<uint32_t>(cl, IDIP_CLUSTER_CAN_FD_MODE_U32, 1);
    db.SetStr(cl, IDIP_CLUSTER_COMMENT_STR, "the bus");

    frA = Frame("FrameA", 0x100, 0, 8);
    db.SetStr(frA, IDIP_TRIG_COMMENT_STR, "first");
    frB = Frame("FrameB", 0x18FF0001, 1, 16);
    db.Set<uint32_t>(frB, IDIP_TRIG_CAN_FD_MODE_U32, 2);
    frC = Frame("FrameC", 0x7, 0, 0);
    frD = Frame("FrameD", 0x8, 0, 1);

    p1 = Pdu("P1");
    uint64_t cyc = db.Child(VELAN_OT_CYCLIC_TIMING, "", VELAN_OT_PDU, p1);
    db.Set<double>(cyc, IDIP_CYCT_TIME_RANGE_VALUE_F64, 0.1);
    s1 = Signal(p1, "S1", 0, 0, 8, 0.5, -10);
    db.SetStr(s1, IDIP_SIG_COMMENT_STR, "speed");
    db.Set<double>(s1, IDIP_SIG_DEFAULT_VALUE_F64, 5.0);
    s2 = Signal(p1, "S2", 23, 1, 12, 1, 3);

    p2 = Pdu("P2");
    uint64_t evt = db.Child(VELAN_OT_EVENT_TIMING, "", VELAN_OT_PDU, p2);
    db.Set<double>(evt, IDIP_EVT_DEBOUNCE_TIME_F64, 0.02);
    mux = db.Child(VELAN_OT_MULTIPLEXER, "selector", VELAN_OT_PDU, p2);
    db.Set<uint16_t>(mux, IDIP_MUX_SW_START_BIT_U16, 2);
    db.Set<uint32_t>(mux, IDIP_MUX_SW_NUM_BITS_U32, 4);
    db.Set<int16_t>(mux, IDIP_MUX_SW_BYTE_ORDER_I16, 1);
    uint64_t sf = db.Child(VELAN_OT_SUB_FRAME, "m3", VELAN_OT_PDU, p2);
    db.Set<uint32_t>(sf, IDIP_SUBF_SWITCH_CODE_U32, 3);
    sm = Signal(p2, "Muxed", 8, 0, 4, 1, 0);
    EXPECT_EQ(db.Link(sm, VELAN_OT_SUB_FRAME, sf), VDB_OK);
    // A SIG_INST without SIGNAL gives no signal.
    db.Child(VELAN_OT_SIG_INST, "", VELAN_OT_PDU, p2);

    p3 = Pdu("P3");
    db.Child(VELAN_OT_CYCLIC_TIMING, "", VELAN_OT_PDU, p3);  // time unset: 0
    db.Child(VELAN_OT_EVENT_TIMING, "", VELAN_OT_PDU, p3);

    Place(frA, p1, 0);
    Place(frB, p2, 16);
    Place(frB, p1, 64);
    Place(frD, p3, 0);

    uint64_t con1 = db.Child(VELAN_OT_CONNECTOR, "", VELAN_OT_CLUSTER, cl);
    ecu1 = db.Child(VELAN_OT_ECU, "Ecu1", VELAN_OT_CONNECTOR, con1);
    db.SetStr(ecu1, IDIP_ECU_COMMENT_STR, "gateway");
    db.Set<uint8_t>(con1, IDIP_CON_J1939_ADDR_U8, 0x21);
    db.Set<uint64_t>(con1, IDIP_CON_J1939_NAME_U64, 0x123456789ull);
    Port(con1, VELAN_OT_TX_TRIG, IDIP_TX_TRIG_IOID, frA);
    Port(con1, VELAN_OT_RX_TRIG, IDIP_RX_TRIG_IOID, frC);
    Port(con1, VELAN_OT_RX_TRIG, IDIP_RX_TRIG_IOID, frB);
    uint64_t con2 = db.Child(VELAN_OT_CONNECTOR, "", VELAN_OT_CLUSTER, cl);
    ecu2 = db.Child(VELAN_OT_ECU, "Ecu2", VELAN_OT_CONNECTOR, con2);
  }

  uint64_t Frame(const char* name, int32_t id, int16_t extended, uint32_t bytes) {
    uint64_t f = db.Child(VELAN_OT_TRIGGERING, name, VELAN_OT_CLUSTER, cl);
    db.Set<int32_t>(f, IDIP_TRIG_IDENTIFIER_I32, id);
    db.Set<int16_t>(f, IDIP_TRIG_EXTENDED_I16, extended);
    db.Set<uint32_t>(f, IDIP_TRIG_NUM_BYTES_U32, bytes);
    return f;
  }
  uint64_t Pdu(const char* name) { return db.Child(VELAN_OT_PDU, name, VELAN_OT_CLUSTER, cl); }
  uint64_t Signal(uint64_t pdu, const char* name, uint16_t start, int16_t order, uint32_t bits,
                  double factor, double offset) {
    uint64_t si = db.Child(VELAN_OT_SIG_INST, "", VELAN_OT_PDU, pdu);
    db.Set<uint16_t>(si, IDIP_SGI_START_BIT_U16, start);
    db.Set<int16_t>(si, IDIP_SGI_BYTE_ORDER_I16, order);
    uint64_t sig = db.Child(VELAN_OT_SIGNAL, name, VELAN_OT_SIG_INST, si);
    uint64_t cod = db.Child(VELAN_OT_CODING, "", VELAN_OT_SIGNAL, sig);
    db.Set<uint32_t>(cod, IDIP_COD_NUM_BITS_U32, bits);
    db.Set<int16_t>(cod, IDIP_COD_DATA_TYPE_I16, 1);
    db.Set<double>(cod, IDIP_COD_FACTOR_F64, factor);
    db.Set<double>(cod, IDIP_COD_OFFSET_F64, offset);
    db.Set<double>(cod, IDIP_COD_MIN_VAL_F64, offset);
    db.Set<double>(cod, IDIP_COD_MAX_VAL_F64, offset + factor * 255);
    db.SetStr(cod, IDIP_COD_UNIT_STR, "km/h");
    return sig;
  }
  void Place(uint64_t frame, uint64_t pdu, uint16_t start) {
    uint64_t pi = db.Child(VELAN_OT_PDU_INST, "", VELAN_OT_TRIGGERING, frame);
    db.Set<uint16_t>(pi, IDIP_PDUI_START_BIT_U16, start);
    EXPECT_EQ(db.Link(pdu, VELAN_OT_PDU_INST, pi), VDB_OK);
  }
  void Port(uint64_t con, uint32_t type, uint32_t property, uint64_t frame) {
    uint64_t port = db.Child(type, "", VELAN_OT_CONNECTOR, con);
    db.Set<uint64_t>(port, property, frame);
  }

  // Readers that fail the test on a host error.
  template <typename T>
  T Get(uint64_t object, uint32_t property) {
    T value{};
    dbaStatus st{0, 0};
    dbaGetProperty(Ref(object), property, sizeof value, &value, &st);
    EXPECT_EQ(st.code, 0u) << std::hex << property << " " << vdbLastError();
    return value;
  }
  std::string Text(uint64_t object, uint32_t property) {
    dbaStatus st{0, 0};
    uint32_t size = 0;
    dbaGetPropertySize(Ref(object), property, &size, &st);
    std::string text(size, '\0');
    dbaGetProperty(Ref(object), property, size, text.data(), &st);
    EXPECT_EQ(st.code, 0u) << std::hex << property;
    if (size) {
      EXPECT_EQ(text.back(), '\0');
      text.pop_back();
    }
    return text;
  }
  std::vector<uint32_t> List(uint64_t object, uint32_t property) {
    dbaStatus st{0, 0};
    uint32_t size = 0;
    dbaGetPropertySize(Ref(object), property, &size, &st);
    EXPECT_EQ(size % 4, 0u);
    std::vector<uint32_t> refs(size / 4);
    dbaGetProperty(Ref(object), property, size, refs.data(), &st);
    EXPECT_EQ(st.code, 0u) << std::hex << property;
    return refs;
  }

  TestDb db;
  uint64_t cl, frA, frB, frC, frD, p1, p2, p3, s1, s2, sm, mux, ecu1, ecu2;
};

TEST_F(ReadView, DatabaseAndCluster) {
  EXPECT_EQ(List(db.root(), kDbClusters), std::vector<uint32_t>{Ref(cl)});
  EXPECT_EQ(Get<uint8_t>(db.root(), kDbInvalid), 0);
  EXPECT_EQ(Get<uint32_t>(cl, kClDatabase), db.handle());
  EXPECT_EQ(Get<uint32_t>(cl, kClIoMode), 1u);
  EXPECT_EQ(Get<uint32_t>(cl, kClAppProtocol), 0u);
  EXPECT_EQ(Get<uint32_t>(cl, kClProtocol), 0u);
  EXPECT_EQ(Text(cl, kClName), "CAN1");
  EXPECT_EQ(Text(cl, kClComment), "the bus");
  EXPECT_EQ(List(cl, kClFrames), (std::vector<uint32_t>{Ref(frA), Ref(frB), Ref(frC), Ref(frD)}));
  EXPECT_EQ(List(cl, kClEcus), (std::vector<uint32_t>{Ref(ecu1), Ref(ecu2)}));
  std::vector<uint32_t> all = List(frA, kFrSignals);
  for (uint32_t s : List(frB, kFrSignals)) all.push_back(s);
  EXPECT_EQ(List(cl, kClSignals), all);
  // LIN protocol reads as 2.
  db.Set<int16_t>(cl, IDIP_CLUSTER_PROTOCOL_I16, 2);
  EXPECT_EQ(Get<uint32_t>(cl, kClProtocol), 2u);
}

TEST_F(ReadView, Frames) {
  EXPECT_EQ(Text(frA, kFrName), "FrameA");
  EXPECT_EQ(Text(frA, kFrComment), "first");
  EXPECT_EQ(Text(frB, kFrComment), "");
  EXPECT_EQ(Get<uint8_t>(frA, kFrExtended), 0);
  EXPECT_EQ(Get<uint8_t>(frB, kFrExtended), 1);
  EXPECT_EQ(Get<uint32_t>(frB, kFrId), 0x18FF0001u);
  EXPECT_EQ(Get<uint32_t>(frB, kFrLength), 16u);
  EXPECT_EQ(Get<uint32_t>(frA, kFrIoMode), 0u);
  EXPECT_EQ(Get<uint32_t>(frB, kFrIoMode), 2u);
  EXPECT_EQ(Get<uint32_t>(frA, kFrAppProtocol), 0u);
  // Timing: cyclic only, event only (first PDU with timing), none, both.
  EXPECT_EQ(Get<uint32_t>(frA, kFrTimingType), 0u);
  EXPECT_EQ(Get<double>(frA, kFrTime), 0.1);
  EXPECT_EQ(Get<uint32_t>(frB, kFrTimingType), 1u);
  EXPECT_EQ(Get<double>(frB, kFrTime), 0.02);
  EXPECT_EQ(Get<uint32_t>(frC, kFrTimingType), 1u);
  EXPECT_EQ(Get<double>(frC, kFrTime), 0.0);
  EXPECT_EQ(Get<uint32_t>(frD, kFrTimingType), 4u);
  EXPECT_EQ(Get<double>(frD, kFrTime), 0.0);
  EXPECT_TRUE(List(frC, kFrSignals).empty());
  EXPECT_TRUE(List(frD, kFrSignals).empty());
}

TEST_F(ReadView, SignalsOfAFrameInOrderWithTheirLayout) {
  std::vector<uint32_t> a = List(frA, kFrSignals);
  ASSERT_EQ(a.size(), 2u);
  EXPECT_EQ(Text(a[0], kSgName), "S1");
  EXPECT_EQ(Text(a[0], kSgComment), "speed");
  EXPECT_EQ(Text(a[0], kSgUnit), "km/h");
  EXPECT_EQ(Get<uint32_t>(a[0], kSgStart), 0u);
  EXPECT_EQ(Get<uint32_t>(a[0], kSgBits), 8u);
  EXPECT_EQ(Get<uint32_t>(a[0], kSgOrder), 0u);
  EXPECT_EQ(Get<uint32_t>(a[0], kSgType), 1u);
  EXPECT_EQ(Get<double>(a[0], kSgFactor), 0.5);
  EXPECT_EQ(Get<double>(a[0], kSgOffset), -10.0);
  EXPECT_EQ(Get<double>(a[0], kSgMin), -10.0);
  EXPECT_EQ(Get<double>(a[0], kSgMax), 117.5);
  EXPECT_EQ(Get<double>(a[0], kSgDefault), 5.0);
  EXPECT_EQ(Get<uint8_t>(a[0], kSgMux), 0);
  EXPECT_EQ(Get<uint8_t>(a[0], kSgModeDep), 0);
  EXPECT_EQ(Get<uint32_t>(a[0], kSgFrame), Ref(frA));
  EXPECT_EQ(Text(a[1], kSgName), "S2");
  EXPECT_EQ(Get<uint32_t>(a[1], kSgOrder), 1u);
  EXPECT_EQ(Get<uint32_t>(a[1], kSgStart), 23u);
  // No default set: the offset, the physical value of raw 0.
  EXPECT_EQ(Get<double>(a[1], kSgDefault), 3.0);
  EXPECT_EQ(Text(a[1], kSgComment), "");
}

TEST_F(ReadView, MultiplexedPduAtAnOffsetAndAPduInTwoFrames) {
  std::vector<uint32_t> b = List(frB, kFrSignals);
  ASSERT_EQ(b.size(), 4u);  // selector, Muxed, then P1's two signals
  EXPECT_EQ(Text(b[0], kSgName), "selector");
  EXPECT_EQ(Get<uint8_t>(b[0], kSgMux), 1);
  EXPECT_EQ(Get<uint8_t>(b[0], kSgModeDep), 0);
  EXPECT_EQ(Get<uint32_t>(b[0], kSgStart), 18u);
  EXPECT_EQ(Get<uint32_t>(b[0], kSgBits), 4u);
  EXPECT_EQ(Get<uint32_t>(b[0], kSgOrder), 1u);
  EXPECT_EQ(Get<uint32_t>(b[0], kSgType), 1u);
  EXPECT_EQ(Get<double>(b[0], kSgFactor), 1.0);
  EXPECT_EQ(Get<double>(b[0], kSgOffset), 0.0);
  EXPECT_EQ(Get<double>(b[0], kSgMin), 0.0);
  EXPECT_EQ(Get<double>(b[0], kSgMax), 15.0);
  EXPECT_EQ(Text(b[0], kSgUnit), "");
  EXPECT_EQ(Text(b[0], kSgComment), "");
  EXPECT_EQ(Text(b[1], kSgName), "Muxed");
  EXPECT_EQ(Get<uint8_t>(b[1], kSgModeDep), 1);
  EXPECT_EQ(Get<uint32_t>(b[1], kSgModeValue), 3u);
  EXPECT_EQ(Get<uint32_t>(b[1], kSgStart), 24u);
  // P1 placed again at bit 64: its own signal objects with shifted positions.
  std::vector<uint32_t> a = List(frA, kFrSignals);
  EXPECT_EQ(Text(b[2], kSgName), "S1");
  EXPECT_NE(b[2], a[0]);
  EXPECT_EQ(Get<uint32_t>(b[2], kSgStart), 64u);
  EXPECT_EQ(Get<uint32_t>(b[3], kSgStart), 64u + 23u);
  EXPECT_EQ(Get<uint32_t>(b[3], kSgFrame), Ref(frB));
}

TEST_F(ReadView, SelectorRangeIsCappedToThirtyTwoBits) {
  db.Set<uint32_t>(mux, IDIP_MUX_SW_NUM_BITS_U32, 40);
  uint32_t sel = List(frB, kFrSignals)[0];
  EXPECT_EQ(Get<double>(sel, kSgMax), 4294967295.0);
  db.Set<uint32_t>(mux, IDIP_MUX_SW_NUM_BITS_U32, 32);
  EXPECT_EQ(Get<double>(sel, kSgMax), 4294967295.0);
}

TEST_F(ReadView, EcusWithTheirFrames) {
  EXPECT_EQ(Text(ecu1, kEcName), "Ecu1");
  EXPECT_EQ(Text(ecu1, kEcComment), "gateway");
  EXPECT_EQ(List(ecu1, kEcTx), std::vector<uint32_t>{Ref(frA)});
  EXPECT_EQ(List(ecu1, kEcRx), (std::vector<uint32_t>{Ref(frC), Ref(frB)}));
  EXPECT_EQ(Get<uint32_t>(ecu1, kEcAddr), 0x21u);
  EXPECT_EQ(Get<uint64_t>(ecu1, kEcJName), 0x123456789ull);
  EXPECT_EQ(Get<uint32_t>(ecu2, kEcAddr), 254u);
  EXPECT_EQ(Get<uint64_t>(ecu2, kEcJName), 0u);
  EXPECT_TRUE(List(ecu2, kEcRx).empty());
  EXPECT_EQ(Text(ecu2, kEcComment), "");
}

TEST_F(ReadView, SignalReferencesStayWhileNothingChangesAndAcrossAdditions) {
  std::vector<uint32_t> before = List(frB, kFrSignals);
  EXPECT_EQ(List(frB, kFrSignals), before);
  // Adding a signal to P1 adds one reference in each frame, keeps the others.
  uint64_t s3 = Signal(p1, "S3", 40, 0, 1, 1, 0);
  (void)s3;
  std::vector<uint32_t> after = List(frB, kFrSignals);
  ASSERT_EQ(after.size(), 5u);
  for (size_t i = 0; i < before.size(); ++i) EXPECT_EQ(after[i], before[i]);
  EXPECT_EQ(Text(after[4], kSgName), "S3");
  // Signals and objects never share a reference.
  for (uint32_t r : after) {
    vdbObjectInfo info{};
    EXPECT_EQ(vdbGetObject(r, &info), VDB_E_UNKNOWN_OBJECT);
  }
}

TEST_F(ReadView, ACodingAddedAfterAReadShowsInTheSignal) {
  uint64_t p4 = Pdu("P4");
  uint64_t si = db.Child(VELAN_OT_SIG_INST, "", VELAN_OT_PDU, p4);
  db.Child(VELAN_OT_SIGNAL, "Bare", VELAN_OT_SIG_INST, si);
  Place(frC, p4, 0);
  const std::vector<uint32_t> signals = List(frC, kFrSignals);
  ASSERT_EQ(signals.size(), 1u);
  EXPECT_EQ(Get<uint32_t>(signals[0], kSgBits), 0u);
  EXPECT_EQ(Text(signals[0], kSgUnit), "");
  uint64_t sig = 0;
  ASSERT_EQ(vdbFindChild(si, VELAN_OT_SIGNAL, nullptr, &sig), VDB_OK);
  uint64_t cod = db.Child(VELAN_OT_CODING, "", VELAN_OT_SIGNAL, sig);
  db.Set<uint32_t>(cod, IDIP_COD_NUM_BITS_U32, 7);
  db.SetStr(cod, IDIP_COD_UNIT_STR, "V");
  EXPECT_EQ(List(frC, kFrSignals), signals);
  EXPECT_EQ(Get<uint32_t>(signals[0], kSgBits), 7u);
  EXPECT_EQ(Text(signals[0], kSgUnit), "V");
}

// A read that follows a size query gives the value as it is when read, not
// the one the size query saw, whatever came in between.
TEST_F(ReadView, AReadAfterASizeQueryGivesTheCurrentValue) {
  db.SetStr(frD, IDIP_TRIG_COMMENT_STR, "FrameX");  // as long as the name
  struct Case {
    const char* what;
    uint64_t sizeObject;  // the size of this object's property is asked...
    uint32_t sizeProperty;
    std::function<void()> between;  // ...then this runs...
    uint64_t readObject;            // ...and this is read with a buffer of that size
    uint32_t readProperty;
    const char* expect;
  };
  const Case cases[] = {
      {"the same value", frA, kFrName, [] {}, frA, kFrName, "FrameA"},
      {"another object", frA, kFrName, [] {}, frB, kFrName, "FrameB"},
      {"another property", frD, kFrComment, [] {}, frD, kFrName, "FrameD"},
      {"a read between", frA, kFrName, [&] { Get<uint32_t>(frB, kFrId); }, frA, kFrName, "FrameA"},
      {"a change elsewhere between", frA, kFrName,
       [&] { db.SetStr(cl, IDIP_CLUSTER_COMMENT_STR, "x"); }, frA, kFrName, "FrameA"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    dbaStatus st{0, 0};
    uint32_t size = 0;
    dbaGetPropertySize(Ref(c.sizeObject), c.sizeProperty, &size, &st);
    c.between();
    std::string text(size, '\0');
    dbaGetProperty(Ref(c.readObject), c.readProperty, size, text.data(), &st);
    EXPECT_EQ(st.code, 0u);
    EXPECT_STREQ(text.c_str(), c.expect);
  }
  // A comment changed between the size query and the read: the read sees
  // the new value and its size.
  dbaStatus st{0, 0};
  uint32_t size = 0;
  dbaGetPropertySize(Ref(frA), kFrComment, &size, &st);
  db.SetStr(frA, IDIP_TRIG_COMMENT_STR, "changed");
  std::string text(size, '\0');
  dbaGetProperty(Ref(frA), kFrComment, size, text.data(), &st);
  EXPECT_EQ(st.code, VDBA_E_SIZE_MISMATCH);
  EXPECT_EQ(Text(frA, kFrComment), "changed");
}

TEST_F(ReadView, ErrorsSetBit31AndADetailAndSuccessLeavesTheRecord) {
  dbaStatus st{0x1234, 0};
  uint32_t size = 99;
  dbaGetPropertySize(Ref(frA), kFrName, &size, &st);
  EXPECT_EQ(size, 7u);
  EXPECT_EQ(st.detail, 0x1234u);
  EXPECT_EQ(st.code, 0u);

  auto expectError = [](const dbaStatus& s, uint32_t code, uint32_t detail) {
    EXPECT_TRUE(DBA_STATUS_IS_ERROR(&s));
    EXPECT_EQ(s.code, code);
    EXPECT_EQ(s.detail, detail);
  };
  st = {0, 0};
  dbaGetPropertySize(0, kFrName, &size, &st);
  expectError(st, VDBA_E_UNKNOWN_REFERENCE, VDBA_DETAIL_UNKNOWN_REFERENCE);
  st = {0, 0};
  dbaGetPropertySize(0xFFFFFF00u, kFrName, &size, &st);
  expectError(st, VDBA_E_UNKNOWN_REFERENCE, VDBA_DETAIL_UNKNOWN_REFERENCE);
  st = {0, 0};
  dbaGetPropertySize(Ref(cl), kFrName, &size, &st);  // a frame property on a cluster
  expectError(st, VDBA_E_NO_PROPERTY, VDBA_DETAIL_NO_PROPERTY);
  st = {0, 0};
  dbaGetPropertySize(Ref(p1), kFrName, &size, &st);  // PDUs are not in the view
  expectError(st, VDBA_E_NO_PROPERTY, VDBA_DETAIL_NO_PROPERTY);
  st = {0, 0};
  dbaGetPropertySize(Ref(frA), kFrName, nullptr, &st);
  expectError(st, VDBA_E_NULL_POINTER, VDBA_DETAIL_NULL_POINTER);

  char text[16];
  st = {0, 0};
  dbaGetProperty(Ref(frA), kFrName, 6, text, &st);  // "FrameA" needs 7 with its NUL
  expectError(st, VDBA_E_SIZE_MISMATCH, VDBA_DETAIL_SIZE_MISMATCH);
  uint64_t wide = 0;
  st = {0, 0};
  dbaGetProperty(Ref(frA), kFrId, 8, &wide, &st);
  expectError(st, VDBA_E_SIZE_MISMATCH, VDBA_DETAIL_SIZE_MISMATCH);
  st = {0, 0};
  dbaGetProperty(Ref(frA), kFrId, 4, nullptr, &st);
  expectError(st, VDBA_E_NULL_POINTER, VDBA_DETAIL_NULL_POINTER);
  // An empty text has size 0 and needs no buffer.
  st = {0, 0};
  dbaGetPropertySize(Ref(frB), kFrComment, &size, &st);
  EXPECT_EQ(size, 0u);
  dbaGetProperty(Ref(frB), kFrComment, 0, nullptr, &st);
  EXPECT_EQ(st.code, 0u);

  // The first error stays in the record.
  st = {0, 0};
  dbaGetPropertySize(0, kFrName, &size, &st);
  dbaGetProperty(Ref(frA), kFrId, 8, &wide, &st);
  expectError(st, VDBA_E_UNKNOWN_REFERENCE, VDBA_DETAIL_UNKNOWN_REFERENCE);
  // A null record is tolerated.
  dbaGetPropertySize(0, kFrName, &size, nullptr);
}

TEST_F(ReadView, OnlyTheInvalidObjectsFlagCanBeWritten) {
  dbaStatus st{0, 0};
  uint8_t on = 1;
  dbaSetProperty(db.handle(), kDbInvalid, 1, &on, &st);
  EXPECT_EQ(st.code, 0u);
  EXPECT_EQ(Get<uint8_t>(db.root(), kDbInvalid), 1);
  uint32_t wide = 0;
  dbaSetProperty(db.handle(), kDbInvalid, 4, &wide, &st);
  EXPECT_EQ(st.code, VDBA_E_SIZE_MISMATCH);
  st = {0, 0};
  dbaSetProperty(Ref(frA), kFrId, 4, &wide, &st);
  EXPECT_EQ(st.code, VDBA_E_READ_ONLY);
  EXPECT_EQ(Get<uint32_t>(frA, kFrId), 0x100u);
  st = {0, 0};
  dbaSetProperty(Ref(frA), 0x02000003, 1, &on, &st);  // the flag is the database's only
  EXPECT_EQ(st.code, VDBA_E_NO_PROPERTY);
  st = {0, 0};
  dbaSetProperty(db.handle(), kDbInvalid, 1, nullptr, &st);
  EXPECT_EQ(st.code, VDBA_E_NULL_POINTER);
  EXPECT_EQ(Get<uint8_t>(db.root(), kDbInvalid), 1);
}

TEST_F(ReadView, ReferencesOfADestroyedDatabaseAreUnknown) {
  uint32_t signal = List(frA, kFrSignals)[0];
  vdbDestroyDatabase(db.Release());
  dbaStatus st{0, 0};
  uint32_t size = 0;
  dbaGetPropertySize(signal, kSgName, &size, &st);
  EXPECT_EQ(st.code, VDBA_E_UNKNOWN_REFERENCE);
  st = {0, 0};
  dbaGetPropertySize(Ref(frA), kFrName, &size, &st);
  EXPECT_EQ(st.code, VDBA_E_UNKNOWN_REFERENCE);
}

TEST(ReadSave, OnlyDbcPathsAreSaved) {
  dbaStatus st{0, 0};
  dbaSaveDatabase(1, "/tmp/out.txt", &st);
  EXPECT_EQ(st.code, VDBA_E_UNSUPPORTED_FORMAT);
  EXPECT_EQ(st.detail, VDBA_DETAIL_UNSUPPORTED_FORMAT);
  st = {0, 0};
  dbaSaveDatabase(1, "dbc", &st);
  EXPECT_EQ(st.code, VDBA_E_UNSUPPORTED_FORMAT);
  st = {0, 0};
  dbaSaveDatabase(1, nullptr, &st);
  EXPECT_EQ(st.code, VDBA_E_NULL_POINTER);
}

}  // namespace
