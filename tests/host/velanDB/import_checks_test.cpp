// The host's checks of the import calls, identifiers, fault injection.
#include <algorithm>
#include <atomic>
#include <cmath>
#include <thread>
#include <vector>

#include "host_test_util.h"
#include "velan/value_descriptions.h"

namespace {

TEST(HostDatabase, HandleIsTheDatabaseObjectAndIdentifiersGrowAcrossDatabases) {
  TestDb a("first");
  TestDb b;
  vdbObjectInfo info{};
  ASSERT_EQ(vdbGetObject(a.root(), &info), VDB_OK);
  EXPECT_EQ(info.type, static_cast<uint32_t>(VELAN_OT_DATABASE));
  EXPECT_STREQ(info.name, "first");
  EXPECT_EQ(info.database, a.handle());
  EXPECT_EQ(info.parent, 0u);
  EXPECT_EQ(info.number, 0u);
  EXPECT_GT(a.handle(), 0u);

  uint64_t c1 = a.Child(VELAN_OT_CLUSTER, "C", VELAN_OT_DATABASE, a.root());
  uint64_t c2 = b.Child(VELAN_OT_CLUSTER, "C", VELAN_OT_DATABASE, b.root());
  uint64_t c3 = a.Child(VELAN_OT_CLUSTER, "D", VELAN_OT_DATABASE, a.root());
  EXPECT_GT(b.handle(), a.handle());
  EXPECT_LT(c1, c2);
  EXPECT_LT(c2, c3);
  EXPECT_LT(c3, VDB_ID_LIMIT);
  ASSERT_EQ(vdbGetObject(c3, &info), VDB_OK);
  EXPECT_EQ(info.number, 2u);  // numbers count within the database
  EXPECT_EQ(info.parent, a.root());
  EXPECT_EQ(vdbObjectCount(a.handle()), 2u);
  EXPECT_EQ(vdbObjectCount(b.handle()), 1u);
}

// A process that imports again and again: identifiers of destroyed objects
// come back only after tens of thousands of others were freed, so a stale
// identifier keeps failing meanwhile and the identifier table stays bounded
// instead of growing by one slot per object ever made.
TEST(HostDatabase, FreedIdentifiersComeBackOnlyAfterALongDelay) {
  constexpr int kRounds = 200;
  constexpr int kObjects = 1000;
  uint64_t stale = 0;
  uint64_t highest = 0;
  vdbObjectInfo info{};
  for (int round = 0; round < kRounds; ++round) {
    TestDb db;
    for (int i = 0; i < kObjects; ++i) {
      const uint64_t id = db.Child(VELAN_OT_CLUSTER, "C", VELAN_OT_DATABASE, db.root());
      if (stale == 0) stale = id;
      highest = std::max(highest, id);
    }
    if (round > 0 && round < 60) {
      ASSERT_EQ(vdbGetObject(stale, &info), VDB_E_UNKNOWN_OBJECT);
    }
  }
  // Without reuse the identifiers would have reached 200,000.
  EXPECT_LT(highest - stale, 100000u);
}

TEST(HostDatabase, DestroyedDatabaseAndItsObjectsAreGone) {
  uint32_t handle = 0;
  ASSERT_EQ(vdbCreateDatabase(nullptr, &handle), VDB_OK);
  uint64_t cluster = 0;
  ASSERT_EQ(
      imp_CreateChildObject(handle, VELAN_OT_CLUSTER, "C", VELAN_OT_DATABASE, handle, &cluster),
      VDB_OK);
  ASSERT_EQ(vdbDestroyDatabase(handle), VDB_OK);
  vdbObjectInfo info{};
  EXPECT_EQ(vdbGetObject(cluster, &info), VDB_E_UNKNOWN_OBJECT);
  EXPECT_EQ(vdbDestroyDatabase(handle), VDB_E_UNKNOWN_HANDLE);
  uint64_t id = 0;
  EXPECT_EQ(imp_CreateChildObject(handle, VELAN_OT_CLUSTER, "C", VELAN_OT_DATABASE, handle, &id),
            VDB_E_UNKNOWN_HANDLE);
  EXPECT_EQ(id, 0u);
}

// The whole tree an import makes, every parent/child pair the host allows.
TEST(HostImportChecks, AcceptsEveryAllowedParentChildPair) {
  TestDb db;
  uint64_t cl = db.Child(VELAN_OT_CLUSTER, "CAN", VELAN_OT_DATABASE, db.root());
  uint64_t tr = db.Child(VELAN_OT_TRIGGERING, "F", VELAN_OT_CLUSTER, cl);
  uint64_t pi = db.Child(VELAN_OT_PDU_INST, "", VELAN_OT_TRIGGERING, tr);
  uint64_t pdu = db.Child(VELAN_OT_PDU, "P", VELAN_OT_CLUSTER, cl);
  uint64_t si = db.Child(VELAN_OT_SIG_INST, nullptr, VELAN_OT_PDU, pdu);
  uint64_t sig = db.Child(VELAN_OT_SIGNAL, "S", VELAN_OT_SIG_INST, si);
  db.Child(VELAN_OT_CODING, nullptr, VELAN_OT_SIGNAL, sig);
  db.Child(VELAN_OT_CYCLIC_TIMING, "", VELAN_OT_PDU, pdu);
  db.Child(VELAN_OT_EVENT_TIMING, "", VELAN_OT_PDU, pdu);
  db.Child(VELAN_OT_REQUEST_TIMING, "", VELAN_OT_PDU, pdu);
  db.Child(VELAN_OT_MULTIPLEXER, "selector", VELAN_OT_PDU, pdu);
  uint64_t sf = db.Child(VELAN_OT_SUB_FRAME, "alt", VELAN_OT_PDU, pdu);
  uint64_t con = db.Child(VELAN_OT_CONNECTOR, "", VELAN_OT_CLUSTER, cl);
  db.Child(VELAN_OT_ECU, "E", VELAN_OT_CONNECTOR, con);
  db.Child(VELAN_OT_TX_TRIG, "", VELAN_OT_CONNECTOR, con);
  db.Child(VELAN_OT_RX_TRIG, "", VELAN_OT_CONNECTOR, con);
  uint64_t st = db.Child(VELAN_OT_SCHED_TABLE, "T", VELAN_OT_CLUSTER, cl);
  db.Child(VELAN_OT_SCHED_ENTRY, "e1", VELAN_OT_SCHED_TABLE, st);
  EXPECT_EQ(db.Link(pdu, VELAN_OT_PDU_INST, pi), VDB_OK);
  EXPECT_EQ(db.Link(sig, VELAN_OT_SUB_FRAME, sf), VDB_OK);
  EXPECT_EQ(vdbObjectCount(db.handle()), 18u);

  vdbObjectInfo info{};
  ASSERT_EQ(vdbGetObject(pdu, &info), VDB_OK);
  EXPECT_EQ(info.childCount, 6u);
  EXPECT_EQ(info.extraParentCount, 1u);
  uint64_t id = 0;
  ASSERT_EQ(vdbGetChild(pdu, 4, &id), VDB_OK);  // children keep creation order
  ASSERT_EQ(vdbGetObject(id, &info), VDB_OK);
  EXPECT_EQ(info.type, static_cast<uint32_t>(VELAN_OT_MULTIPLEXER));
  EXPECT_EQ(vdbGetChild(pdu, 6, &id), VDB_E_NOT_FOUND);
  ASSERT_EQ(vdbGetExtraParent(sig, 0, &id), VDB_OK);
  EXPECT_EQ(id, sf);
  ASSERT_EQ(vdbFindChild(cl, VELAN_OT_PDU, "P", &id), VDB_OK);
  EXPECT_EQ(id, pdu);
}

TEST(HostImportChecks, CreateObjectPutsObjectsUnderTheDatabase) {
  TestDb db;
  uint64_t id = 0;
  ASSERT_EQ(imp_CreateObject(db.handle(), VELAN_OT_CLUSTER, "C", &id), VDB_OK);
  vdbObjectInfo info{};
  ASSERT_EQ(vdbGetObject(id, &info), VDB_OK);
  EXPECT_EQ(info.parent, db.root());
  EXPECT_EQ(imp_CreateObject(db.handle(), VELAN_OT_PDU, "P", &id), VDB_E_CHILD_NOT_ALLOWED);
  EXPECT_EQ(imp_CreateObject(db.handle(), VELAN_OT_CLUSTER, "", &id), VDB_E_NAME_REQUIRED);
  EXPECT_EQ(imp_CreateObject(0, VELAN_OT_CLUSTER, "C", &id), VDB_E_UNKNOWN_HANDLE);
}

TEST(HostImportChecks, RefusesChildTypesTheParentCannotHold) {
  TestDb db;
  uint64_t cl = db.Child(VELAN_OT_CLUSTER, "CAN", VELAN_OT_DATABASE, db.root());
  uint64_t pdu = db.Child(VELAN_OT_PDU, "P", VELAN_OT_CLUSTER, cl);
  uint64_t tr = db.Child(VELAN_OT_TRIGGERING, "F", VELAN_OT_CLUSTER, cl);
  struct Case {
    uint32_t type, parentType;
    uint64_t parent;
  } cases[] = {
      {VELAN_OT_CLUSTER, VELAN_OT_CLUSTER, cl},
      {VELAN_OT_TRIGGERING, VELAN_OT_DATABASE, db.root()},
      {VELAN_OT_SIGNAL, VELAN_OT_PDU, pdu},
      {VELAN_OT_ECU, VELAN_OT_CLUSTER, cl},
      {VELAN_OT_PROJECT, VELAN_OT_DATABASE, db.root()},
      {VELAN_OT_ABSOLUTE_TIMING, VELAN_OT_TRIGGERING, tr},
      {VELAN_OT_PDU, VELAN_OT_TRIGGERING, tr},
      {VELAN_OT_DATABASE, VELAN_OT_CLUSTER, cl},
  };
  for (const Case& c : cases) {
    uint64_t id = 77;
    EXPECT_EQ(db.TryChild(c.type, "x", c.parentType, c.parent, &id), VDB_E_CHILD_NOT_ALLOWED)
        << "type " << c.type << " under " << c.parentType;
    EXPECT_EQ(id, 77u);  // nothing written on failure
  }
  EXPECT_EQ(vdbObjectCount(db.handle()), 3u);
}

TEST(HostImportChecks, RefusesUnknownHandlesTypesObjectsAndWrongParentTypes) {
  TestDb db;
  TestDb other;
  uint64_t cl = db.Child(VELAN_OT_CLUSTER, "CAN", VELAN_OT_DATABASE, db.root());
  uint64_t foreign = other.Child(VELAN_OT_CLUSTER, "X", VELAN_OT_DATABASE, other.root());
  uint64_t id = 0;
  EXPECT_EQ(imp_CreateChildObject(0, VELAN_OT_PDU, "P", VELAN_OT_CLUSTER, cl, &id),
            VDB_E_UNKNOWN_HANDLE);
  // A handle must name a DATABASE, not just any object.
  EXPECT_EQ(imp_CreateChildObject(static_cast<uint32_t>(cl), VELAN_OT_PDU, "P", VELAN_OT_CLUSTER,
                                  cl, &id),
            VDB_E_UNKNOWN_HANDLE);
  EXPECT_EQ(db.TryChild(22, "x", VELAN_OT_CLUSTER, cl), VDB_E_UNKNOWN_TYPE);
  EXPECT_EQ(db.TryChild(VELAN_OT_PDU, "x", 99, cl), VDB_E_UNKNOWN_TYPE);
  EXPECT_EQ(db.TryChild(VELAN_OT_PDU, "x", VELAN_OT_CLUSTER, 0), VDB_E_UNKNOWN_OBJECT);
  EXPECT_EQ(db.TryChild(VELAN_OT_PDU, "x", VELAN_OT_CLUSTER, 0xFFFFFFF0ull), VDB_E_UNKNOWN_OBJECT);
  EXPECT_EQ(db.TryChild(VELAN_OT_PDU, "x", VELAN_OT_CLUSTER, foreign), VDB_E_OTHER_DATABASE);
  EXPECT_EQ(db.TryChild(VELAN_OT_PDU_INST, "", VELAN_OT_TRIGGERING, cl), VDB_E_PARENT_TYPE);
  EXPECT_NE(std::string(vdbLastError()).find("CLUSTER"), std::string::npos) << vdbLastError();
  EXPECT_EQ(imp_CreateChildObject(db.handle(), VELAN_OT_PDU, "P", VELAN_OT_CLUSTER, cl, nullptr),
            VDB_E_NULL_ARGUMENT);
}

TEST(HostImportChecks, NamesAreRequiredExceptForTheNamelessTypes) {
  TestDb db;
  uint64_t cl = db.Child(VELAN_OT_CLUSTER, "CAN", VELAN_OT_DATABASE, db.root());
  uint64_t pdu = db.Child(VELAN_OT_PDU, "P", VELAN_OT_CLUSTER, cl);
  EXPECT_EQ(db.TryChild(VELAN_OT_TRIGGERING, "", VELAN_OT_CLUSTER, cl), VDB_E_NAME_REQUIRED);
  EXPECT_EQ(db.TryChild(VELAN_OT_TRIGGERING, nullptr, VELAN_OT_CLUSTER, cl), VDB_E_NAME_REQUIRED);
  EXPECT_EQ(db.TryChild(VELAN_OT_MULTIPLEXER, "", VELAN_OT_PDU, pdu), VDB_E_NAME_REQUIRED);
  EXPECT_EQ(db.TryChild(VELAN_OT_SUB_FRAME, "", VELAN_OT_PDU, pdu), VDB_E_NAME_REQUIRED);
  EXPECT_EQ(db.TryChild(VELAN_OT_CYCLIC_TIMING, nullptr, VELAN_OT_PDU, pdu), VDB_OK);
  EXPECT_EQ(db.TryChild(VELAN_OT_CONNECTOR, "", VELAN_OT_CLUSTER, cl), VDB_OK);
  // Names are kept byte for byte, UTF-8 included.
  uint64_t id = 0;
  ASSERT_EQ(db.TryChild(VELAN_OT_TRIGGERING, "Fr\xC3\xA4me \"1\"", VELAN_OT_CLUSTER, cl, &id),
            VDB_OK);
  vdbObjectInfo info{};
  ASSERT_EQ(vdbGetObject(id, &info), VDB_OK);
  EXPECT_STREQ(info.name, "Fr\xC3\xA4me \"1\"");
}

TEST(HostImportChecks, LinksOnlyPdusToPduInstancesAndSignalsToSubFrames) {
  TestDb db;
  TestDb other;
  uint64_t cl = db.Child(VELAN_OT_CLUSTER, "CAN", VELAN_OT_DATABASE, db.root());
  uint64_t tr = db.Child(VELAN_OT_TRIGGERING, "F", VELAN_OT_CLUSTER, cl);
  uint64_t pi = db.Child(VELAN_OT_PDU_INST, "", VELAN_OT_TRIGGERING, tr);
  uint64_t pdu = db.Child(VELAN_OT_PDU, "P", VELAN_OT_CLUSTER, cl);
  uint64_t sf = db.Child(VELAN_OT_SUB_FRAME, "A", VELAN_OT_PDU, pdu);
  uint64_t ocl = other.Child(VELAN_OT_CLUSTER, "X", VELAN_OT_DATABASE, other.root());

  EXPECT_EQ(db.Link(pdu, VELAN_OT_TRIGGERING, tr), VDB_E_LINK_NOT_ALLOWED);
  EXPECT_EQ(db.Link(tr, VELAN_OT_PDU_INST, pi), VDB_E_LINK_NOT_ALLOWED);
  EXPECT_EQ(db.Link(pdu, VELAN_OT_SUB_FRAME, pi), VDB_E_PARENT_TYPE);
  EXPECT_EQ(db.Link(pdu, VELAN_OT_PDU_INST, 0), VDB_E_UNKNOWN_OBJECT);
  EXPECT_EQ(db.Link(0, VELAN_OT_PDU_INST, pi), VDB_E_UNKNOWN_OBJECT);
  EXPECT_EQ(db.Link(ocl, VELAN_OT_SUB_FRAME, sf), VDB_E_OTHER_DATABASE);
  EXPECT_EQ(imp_LinkToParent(12345678, VELAN_OT_PDU, pdu, VELAN_OT_PDU_INST, pi),
            VDB_E_UNKNOWN_HANDLE);

  // The object type argument is not checked; a repeated link is kept once.
  EXPECT_EQ(imp_LinkToParent(db.handle(), VELAN_OT_CODING, pdu, VELAN_OT_PDU_INST, pi), VDB_OK);
  EXPECT_EQ(db.Link(pdu, VELAN_OT_PDU_INST, pi), VDB_OK);
  vdbObjectInfo info{};
  ASSERT_EQ(vdbGetObject(pdu, &info), VDB_OK);
  EXPECT_EQ(info.extraParentCount, 1u);
}

class HostPropertyChecks : public ::testing::Test {
 protected:
  void SetUp() override {
    cl = db.Child(VELAN_OT_CLUSTER, "CAN", VELAN_OT_DATABASE, db.root());
    con = db.Child(VELAN_OT_CONNECTOR, "", VELAN_OT_CLUSTER, cl);
    st = db.Child(VELAN_OT_SCHED_TABLE, "T", VELAN_OT_CLUSTER, cl);
    se = db.Child(VELAN_OT_SCHED_ENTRY, "E", VELAN_OT_SCHED_TABLE, st);
  }
  int32_t Raw(uint64_t object, uint32_t property, const void* value, uint32_t size) {
    return imp_SetProperty(db.handle(), object, property, value, size);
  }
  std::string Stored(uint64_t object, uint32_t property) {
    uint32_t size = 0;
    EXPECT_EQ(vdbGetProperty(object, property, nullptr, 0, &size), VDB_OK);
    std::string bytes(size, '\0');
    EXPECT_EQ(vdbGetProperty(object, property, bytes.data(), size, &size), VDB_OK);
    return bytes;
  }
  TestDb db;
  uint64_t cl = 0, con = 0, st = 0, se = 0;
};

TEST_F(HostPropertyChecks, RefusesUnknownAndForeignProperties) {
  EXPECT_EQ(db.Set<uint32_t>(cl, 0x000E0001, 1), VDB_E_UNKNOWN_PROPERTY);  // CODING has no 1
  EXPECT_EQ(db.Set<uint32_t>(cl, 0x00020000, 1), VDB_E_UNKNOWN_PROPERTY);
  EXPECT_EQ(db.Set<uint32_t>(cl, 0x0002002F, 1), VDB_E_UNKNOWN_PROPERTY);
  EXPECT_EQ(db.Set<int32_t>(cl, IDIP_TRIG_IDENTIFIER_I32, 1), VDB_E_PROPERTY_NOT_OF_TYPE);
  EXPECT_EQ(db.Set<uint32_t>(0, IDIP_CLUSTER_CAN_FD_MODE_U32, 1), VDB_E_UNKNOWN_OBJECT);
  EXPECT_EQ(imp_SetProperty(9999999, cl, IDIP_CLUSTER_CAN_FD_MODE_U32, "abcd", 4),
            VDB_E_UNKNOWN_HANDLE);
  // Both CONNECTOR properties that share a name exist.
  EXPECT_EQ(db.Set<uint32_t>(con, 0x000F0002, 1), VDB_OK);
  EXPECT_EQ(db.Set<uint32_t>(con, 0x000F0003, 1), VDB_OK);
  EXPECT_EQ(db.Set<uint32_t>(con, 0x000F0009, 1), VDB_E_UNKNOWN_PROPERTY);
}

TEST_F(HostPropertyChecks, SizesMustFitTheEncoding) {
  EXPECT_EQ(db.Set<int16_t>(cl, IDIP_CLUSTER_PROTOCOL_I16, 0), VDB_OK);
  EXPECT_EQ(db.Set<int32_t>(cl, IDIP_CLUSTER_PROTOCOL_I16, 0), VDB_E_VALUE_SIZE);
  EXPECT_EQ(db.Set<uint32_t>(cl, IDIP_CLUSTER_CAN_FD_MODE_U32, 2), VDB_OK);
  EXPECT_EQ(db.Set<uint64_t>(cl, IDIP_CLUSTER_CAN_FD_MODE_U32, 2), VDB_E_VALUE_SIZE);
  EXPECT_EQ(db.Set<uint64_t>(cl, IDIP_CLUSTER_SPEED_U64, 500000), VDB_OK);
  EXPECT_EQ(db.Set<uint32_t>(cl, IDIP_CLUSTER_SPEED_U64, 500000), VDB_E_VALUE_SIZE);
  EXPECT_EQ(db.Set<double>(se, IDIP_SCHED_ENTRY_DELAY_F64, 0.01), VDB_OK);
  EXPECT_EQ(db.Set<float>(se, IDIP_SCHED_ENTRY_DELAY_F64, 0.01f), VDB_E_VALUE_SIZE);
  EXPECT_EQ(db.Set<uint8_t>(se, IDIP_SCHED_ENTRY_SERVICE_TYPE_U8, 0xB2), VDB_OK);
  EXPECT_EQ(db.Set<uint16_t>(se, IDIP_SCHED_ENTRY_SERVICE_TYPE_U8, 0xB2), VDB_E_VALUE_SIZE);
  EXPECT_EQ(db.Set<uint64_t>(se, IDIP_SCHED_ENTRY_CONNECTOR_IOID, con), VDB_OK);
  EXPECT_EQ(db.Set<uint32_t>(se, IDIP_SCHED_ENTRY_CONNECTOR_IOID, 1), VDB_E_VALUE_SIZE);

  uint64_t ids[3] = {con, se, st};
  EXPECT_EQ(Raw(se, IDIP_SCHED_ENTRY_TRIGS_IOIDS, ids, 24), VDB_OK);
  EXPECT_EQ(Raw(se, IDIP_SCHED_ENTRY_TRIGS_IOIDS, ids, 0), VDB_OK);
  EXPECT_EQ(Raw(se, IDIP_SCHED_ENTRY_TRIGS_IOIDS, ids, 12), VDB_E_VALUE_SIZE);

  const uint8_t bytes[8] = {1, 2, 3, 4, 5, 6, 7, 8};
  EXPECT_EQ(Raw(se, IDIP_SCHED_ENTRY_FF_D1_D8_U8P, bytes, 8), VDB_OK);
  EXPECT_EQ(Raw(se, IDIP_SCHED_ENTRY_FF_D1_D8_U8P, bytes, 5), VDB_E_VALUE_SIZE);
  EXPECT_EQ(Raw(se, IDIP_SCHED_ENTRY_CCN_D1_D5_U8P, bytes, 5), VDB_OK);
  EXPECT_EQ(Raw(se, IDIP_SCHED_ENTRY_CCN_D1_D5_U8P, bytes, 8), VDB_E_VALUE_SIZE);

  EXPECT_EQ(Raw(cl, IDIP_CLUSTER_CAN_FD_MODE_U32, nullptr, 4), VDB_E_NULL_ARGUMENT);
  EXPECT_NE(std::string(vdbLastError()).find("IDIP_CLUSTER_CAN_FD_MODE_U32"), std::string::npos);
}

TEST_F(HostPropertyChecks, TextsWithOrWithoutTerminatorAndEmpty) {
  EXPECT_EQ(Raw(cl, IDIP_CLUSTER_COMMENT_STR, "abc", 4), VDB_OK);
  EXPECT_EQ(Stored(cl, IDIP_CLUSTER_COMMENT_STR), "abc");
  EXPECT_EQ(Raw(cl, IDIP_CLUSTER_COMMENT_STR, "xyz!", 3), VDB_OK);  // no NUL given
  EXPECT_EQ(Stored(cl, IDIP_CLUSTER_COMMENT_STR), "xyz");
  EXPECT_EQ(Raw(cl, IDIP_CLUSTER_COMMENT_STR, "", 1), VDB_OK);
  EXPECT_EQ(Stored(cl, IDIP_CLUSTER_COMMENT_STR), "");
  EXPECT_EQ(Raw(cl, IDIP_CLUSTER_COMMENT_STR, nullptr, 0), VDB_OK);
  EXPECT_EQ(Stored(cl, IDIP_CLUSTER_COMMENT_STR), "");
  // A NUL inside the text would cut it silently: refused.
  EXPECT_EQ(Raw(cl, IDIP_CLUSTER_COMMENT_STR, "ab\0cd", 6), VDB_E_VALUE_SIZE);
  EXPECT_EQ(Stored(cl, IDIP_CLUSTER_COMMENT_STR), "");
}

TEST_F(HostPropertyChecks, ValueDescriptionsMustBeWellFormed) {
  const uint64_t si = db.Child(VELAN_OT_SIG_INST, "", VELAN_OT_PDU,
                               db.Child(VELAN_OT_PDU, "P", VELAN_OT_CLUSTER, cl));
  const uint64_t cod = db.Child(VELAN_OT_CODING, "", VELAN_OT_SIGNAL,
                                db.Child(VELAN_OT_SIGNAL, "S", VELAN_OT_SIG_INST, si));
  std::string two, infinite;
  VelanAppendValueDescription(two, 0, "Off");
  VelanAppendValueDescription(two, 1, "On");
  VelanAppendValueDescription(infinite, HUGE_VAL, "x");
  const std::pair<std::string, int32_t> cases[] = {
      {"", VDB_OK},
      {two, VDB_OK},
      {two.substr(0, 8), VDB_E_VALUE_SIZE},               // a value without text
      {two.substr(0, two.size() - 1), VDB_E_VALUE_SIZE},  // a text without NUL
      {two + "z", VDB_E_VALUE_SIZE},                      // bytes after the last entry
      {infinite, VDB_E_VALUE_SIZE}};
  for (const auto& [bytes, result] : cases)
    EXPECT_EQ(
        Raw(cod, IDIP_COD_VALUE_DESCS_VTAB, bytes.data(), static_cast<uint32_t>(bytes.size())),
        result)
        << bytes.size();
  EXPECT_EQ(Stored(cod, IDIP_COD_VALUE_DESCS_VTAB), two);  // refused values change nothing
}

TEST_F(HostPropertyChecks, InitialNadIsOneByteOnConnectorsAndFourOnScheduleEntries) {
  EXPECT_EQ(db.Set<uint8_t>(con, IDIP_CON_INITIAL_NAD, 5), VDB_OK);
  EXPECT_EQ(db.Set<uint32_t>(con, IDIP_CON_INITIAL_NAD, 5), VDB_E_VALUE_SIZE);
  EXPECT_EQ(db.Set<uint32_t>(se, IDIP_CON_INITIAL_NAD, 7), VDB_OK);
  EXPECT_EQ(db.Set<uint8_t>(se, IDIP_CON_INITIAL_NAD, 7), VDB_E_VALUE_SIZE);
  EXPECT_EQ(db.Set<uint8_t>(cl, IDIP_CON_INITIAL_NAD, 7), VDB_E_PROPERTY_NOT_OF_TYPE);
  EXPECT_EQ(db.Set<uint8_t>(st, IDIP_CON_INITIAL_NAD, 7), VDB_E_PROPERTY_NOT_OF_TYPE);
}

TEST_F(HostPropertyChecks, SettingAgainReplacesTheValue) {
  EXPECT_EQ(db.Set<uint32_t>(cl, IDIP_CLUSTER_CAN_FD_MODE_U32, 1), VDB_OK);
  EXPECT_EQ(db.Set<uint32_t>(cl, IDIP_CLUSTER_CAN_FD_MODE_U32, 2), VDB_OK);
  uint32_t value = 0, size = 0;
  ASSERT_EQ(vdbGetProperty(cl, IDIP_CLUSTER_CAN_FD_MODE_U32, &value, 4, &size), VDB_OK);
  EXPECT_EQ(value, 2u);
  vdbObjectInfo info{};
  ASSERT_EQ(vdbGetObject(cl, &info), VDB_OK);
  EXPECT_EQ(info.propertyCount, 1u);
  EXPECT_EQ(vdbGetProperty(cl, IDIP_CLUSTER_COMMENT_STR, nullptr, 0, &size), VDB_E_NOT_FOUND);
}

TEST(HostStartBit, LittleEndianKeepsThePosition) {
  uint16_t out = 1;
  EXPECT_EQ(imp_ConvertStartBit_Fbx3toVELAN(1, 1, 0, 13, 9, &out), VDB_OK);
  EXPECT_EQ(out, 13);
  EXPECT_EQ(imp_ConvertStartBit_Fbx3toVELAN(1, 1, 0, 65535, 64, &out), VDB_OK);
  EXPECT_EQ(out, 65535);
  out = 1;
  EXPECT_EQ(imp_ConvertStartBit_Fbx3toVELAN(1, 1, 0, 65536, 1, &out), VDB_E_START_BIT_RANGE);
  EXPECT_EQ(out, 1);
}

TEST(HostStartBit, BigEndianWalksToTheLeastSignificantBit) {
  struct Case {
    uint32_t position, length;
    uint16_t expected;
  } cases[] = {
      {7, 8, 0},    // one whole byte
      {0, 1, 0},    // a single bit stays
      {0, 2, 15},   // from bit 0 of a byte to bit 7 of the next
      {7, 16, 8},   // two whole bytes
      {4, 12, 9},   // 4,3,2,1,0,15,...,9
      {23, 1, 23},  // length 1
      {5, 0, 5},    // length 0 keeps the position
      {39, 3, 37},
  };
  for (const Case& c : cases) {
    uint16_t out = 0xFFFF;
    EXPECT_EQ(imp_ConvertStartBit_Fbx3toVELAN(1, 1, 1, c.position, c.length, &out), VDB_OK);
    EXPECT_EQ(out, c.expected) << c.position << "/" << c.length;
    uint16_t out2 = 0xFFFF;
    EXPECT_EQ(imp_ConvertStartBit_Fbx2toVELAN(1, 1, 0x80, c.position, c.length, &out2), VDB_OK);
    EXPECT_EQ(out2, c.expected);
  }
}

TEST(HostStartBit, ResultsAboveTheRangeAreErrors) {
  uint16_t out = 3;
  // Byte 8191 bit 0, two bits: the walk lands in byte 8192.
  EXPECT_EQ(imp_ConvertStartBit_Fbx3toVELAN(1, 1, 1, 65528, 2, &out), VDB_E_START_BIT_RANGE);
  // Long lengths are computed, not walked bit by bit.
  EXPECT_EQ(imp_ConvertStartBit_Fbx3toVELAN(1, 1, 1, 7, 0xFFFFFFFFu, &out), VDB_E_START_BIT_RANGE);
  EXPECT_EQ(imp_ConvertStartBit_Fbx3toVELAN(1, 1, 1, 0xFFFFFFFFu, 0xFFFFFFFFu, &out),
            VDB_E_START_BIT_RANGE);
  EXPECT_EQ(out, 3);
  EXPECT_EQ(imp_ConvertStartBit_Fbx3toVELAN(1, 1, 1, 7, 8, nullptr), VDB_E_NULL_ARGUMENT);
}

TEST(HostFaultInjection, TheNthImportCallAnswersTheCode) {
  TestDb db;
  uint64_t cl = db.Child(VELAN_OT_CLUSTER, "CAN", VELAN_OT_DATABASE, db.root());  // call 1
  EXPECT_EQ(vdbImportCallCount(db.handle()), 1u);
  ASSERT_EQ(vdbInjectFault(db.handle(), 3, -4711, 0), VDB_OK);
  EXPECT_EQ(db.Set<uint32_t>(cl, IDIP_CLUSTER_CAN_FD_MODE_U32, 1), VDB_OK);  // call 2
  uint64_t id = 5;
  EXPECT_EQ(db.TryChild(VELAN_OT_PDU, "P", VELAN_OT_CLUSTER, cl, &id), -4711);  // call 3
  EXPECT_EQ(id, 5u);
  EXPECT_EQ(vdbObjectCount(db.handle()), 1u);  // nothing was created
  EXPECT_EQ(db.TryChild(VELAN_OT_PDU, "P", VELAN_OT_CLUSTER, cl, &id), VDB_OK);  // one-shot
  EXPECT_EQ(vdbImportCallCount(db.handle()), 4u);

  // A warning with the call carried out.
  ASSERT_EQ(vdbInjectFault(db.handle(), 5, 17, 1), VDB_OK);
  EXPECT_EQ(db.TryChild(VELAN_OT_PDU, "Q", VELAN_OT_CLUSTER, cl, &id), 17);
  EXPECT_NE(id, 0u);
  EXPECT_EQ(vdbObjectCount(db.handle()), 3u);

  // Carried out but failing itself: its own error wins.
  ASSERT_EQ(vdbInjectFault(db.handle(), 6, 17, 1), VDB_OK);
  EXPECT_EQ(db.TryChild(VELAN_OT_PDU, "", VELAN_OT_CLUSTER, cl), VDB_E_NAME_REQUIRED);

  // Calls with an unknown handle are not counted; disarming works.
  ASSERT_EQ(vdbInjectFault(db.handle(), 7, -1, 0), VDB_OK);
  EXPECT_EQ(imp_SetProperty(0, cl, IDIP_CLUSTER_CAN_FD_MODE_U32, "abcd", 4), VDB_E_UNKNOWN_HANDLE);
  ASSERT_EQ(vdbInjectFault(db.handle(), 0, 0, 0), VDB_OK);
  EXPECT_EQ(db.Set<uint32_t>(cl, IDIP_CLUSTER_CAN_FD_MODE_U32, 1), VDB_OK);
  EXPECT_EQ(vdbInjectFault(0, 1, -1, 0), VDB_E_UNKNOWN_HANDLE);
}

TEST(HostDatabase, ObjectCountCanBeReadWhileObjectsAreCreated) {
  TestDb db;
  uint64_t cl = db.Child(VELAN_OT_CLUSTER, "CAN", VELAN_OT_DATABASE, db.root());
  std::atomic<bool> done{false};
  std::atomic<bool> monotonic{true};
  std::thread reader([&] {
    uint64_t last = 0;
    while (!done.load()) {
      uint64_t now = vdbObjectCount(db.handle());
      if (now < last) monotonic = false;
      last = now;
    }
  });
  for (int i = 0; i < 5000; ++i) db.Child(VELAN_OT_CONNECTOR, "", VELAN_OT_CLUSTER, cl);
  done = true;
  reader.join();
  EXPECT_TRUE(monotonic.load());
  EXPECT_EQ(vdbObjectCount(db.handle()), 5001u);
}

}  // namespace
