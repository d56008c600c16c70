// The host callback wrappers of the conversion context: when they call the
// host, what they log, and how they fold results into the status.
#include <gtest/gtest.h>

#include <cinttypes>
#include <cstring>
#include <string>
#include <vector>

#include "import/convert_ctx.h"
#include "temp_folder.h"
#include "velan/host_vocabulary.h"

namespace {

struct Call {
  std::string function;
  uint32_t type = 0;
  std::string name;
  bool nameNull = false;
  uint32_t parentType = 0;
  uint64_t id = 0;
  uint64_t parentId = 0;
  uint32_t propertyId = 0;
  std::string value;
  uint32_t size = 0;
  uint16_t outPreset = 0xFFFF;
};

// What the fake host answers and what it saw.
struct Script {
  int32_t result = 0;
  uint64_t newId = 42;
  uint16_t startBit = 0;
  std::string statusText;
  std::vector<Call> calls;
};
Script* g_script = nullptr;

int32_t FakeCreateObject(uint32_t, uint32_t, const char*, uint64_t*) {
  return 0;
}
int32_t FakeCreateChild(uint32_t, uint32_t type, const char* name, uint32_t parentType,
                        uint64_t parentId, uint64_t* id) {
  Call call;
  call.function = "create";
  call.type = type;
  call.nameNull = name == nullptr;
  call.name = name ? name : "";
  call.parentType = parentType;
  call.parentId = parentId;
  call.outPreset = static_cast<uint16_t>(*id);
  g_script->calls.push_back(call);
  *id = g_script->newId;
  return g_script->result;
}
int32_t FakeLink(uint32_t, uint32_t type, uint64_t id, uint32_t parentType, uint64_t parentId) {
  Call call;
  call.function = "link";
  call.type = type;
  call.id = id;
  call.parentType = parentType;
  call.parentId = parentId;
  g_script->calls.push_back(call);
  return g_script->result;
}
int32_t FakeSetProperty(uint32_t, uint64_t id, uint32_t propertyId, const void* value,
                        uint32_t size) {
  Call call;
  call.function = "set";
  call.id = id;
  call.propertyId = propertyId;
  call.value.assign(static_cast<const char*>(value), size);
  call.size = size;
  g_script->calls.push_back(call);
  return g_script->result;
}
int32_t FakeStartBit(uint8_t, uint8_t, uint8_t, uint32_t, uint32_t, uint16_t* out) {
  Call call;
  call.function = "startbit";
  call.outPreset = *out;
  g_script->calls.push_back(call);
  *out = g_script->startBit;
  return -1;  // ignored by the importer
}
char* FakeStatusText(int32_t, uint32_t size, char* buffer) {
  std::snprintf(buffer, size, "%s", g_script->statusText.c_str());
  return buffer;
}

class FakeHost : public IfcImpVelanDB {
 public:
  explicit FakeHost(bool withFbx3) : withFbx3_(withFbx3) {}
  uint32_t AddRef() override { return ++refs_; }
  uint32_t Release() override { return --refs_; }
  uint32_t RefCount() const override { return refs_; }
  imp_CreateObjectFn CreateObject() const override { return &FakeCreateObject; }
  imp_CreateChildObjectFn CreateChildObject() const override { return &FakeCreateChild; }
  imp_LinkToParentFn LinkToParent() const override { return &FakeLink; }
  imp_SetPropertyFn SetProperty() const override { return &FakeSetProperty; }
  imp_ConvertStartBitFn ConvertStartBitFbx2() const override { return &FakeStartBit; }
  imp_ConvertStartBitFn ConvertStartBitFbx3() const override {
    return withFbx3_ ? &FakeStartBit : nullptr;
  }

 private:
  bool withFbx3_;
  uint32_t refs_ = 0;
};

class FakeVelan : public IfcVelan {
 public:
  uint32_t AddRef() override { return ++refs_; }
  uint32_t Release() override { return --refs_; }
  uint32_t RefCount() const override { return refs_; }
  vlStatusToStringFn StatusToString() const override { return &FakeStatusText; }

 private:
  uint32_t refs_ = 0;
};

class Callbacks : public ::testing::Test {
 protected:
  void SetUp() override {
    g_script = &script_;
    ctx_.hostDb.Reset(&host_);
    ctx_.velan.Reset(&velan_);
    ctx_.hostHandle = 7;
    ASSERT_FALSE(ctx_.status.IsError());
    ASSERT_TRUE(ctx_.report.OpenLogFile((folder_ / "log.txt").c_str()));
  }
  void TearDown() override {
    ctx_.hostDb.Reset();
    ctx_.velan.Reset();
    g_script = nullptr;
  }
  // Log text so far, with the file closed.
  std::string Log() {
    ctx_.report.Sink().Close();
    return ReadWholeFile(folder_ / "log.txt");
  }
  void EnableHostLines() {
    ctx_.report.EnableSubcategory(kCatInfo, kSubInfoVelanDb);
    ctx_.report.EnableSubcategory(kCatWarn, kSubWarnVelanDb);
  }

  TempFolder folder_;
  Script script_;
  FakeHost host_{true};
  FakeVelan velan_;
  cConvertCtx ctx_;
};

TEST_F(Callbacks, CreateChildObjectSuccess) {
  EnableHostLines();
  script_.newId = 1234567890123ull;
  const uint64_t id = ctx_.CreateChildObject(VELAN_OT_CLUSTER, "Can1", VELAN_OT_DATABASE, 5);
  EXPECT_EQ(id, 1234567890123ull);
  ASSERT_EQ(script_.calls.size(), 1u);
  EXPECT_EQ(script_.calls[0].outPreset, 0u);  // the out identifier is cleared first
  EXPECT_EQ(script_.calls[0].name, "Can1");
  EXPECT_EQ(ctx_.status.Code(), StatusOk);
  EXPECT_EQ(Log(),
            "0,2,'OK -- CreateChildObject -- Create \"CLUSTER\" object (Name=\"Can1\") and link "
            "to the \"DATABASE\" with IOID=5. -- Returning IOID=1234567890123.'\r\n");
}

TEST_F(Callbacks, CreateChildObjectOkLinesAreOffByDefault) {
  ctx_.CreateChildObject(VELAN_OT_CLUSTER, "Can1", VELAN_OT_DATABASE, 5);
  EXPECT_EQ(script_.calls.size(), 1u);
  EXPECT_EQ(Log(), "");
}

TEST_F(Callbacks, CreateChildObjectNames) {
  EnableHostLines();
  // Nameless types are created with the name as given, null included.
  EXPECT_EQ(ctx_.CreateChildObject(VELAN_OT_SIG_INST, nullptr, VELAN_OT_PDU, 9), 42u);
  EXPECT_EQ(ctx_.CreateChildObject(VELAN_OT_CODING, "", VELAN_OT_SIGNAL, 9), 42u);
  ASSERT_EQ(script_.calls.size(), 2u);
  EXPECT_TRUE(script_.calls[0].nameNull);
  EXPECT_EQ(ctx_.status.Code(), StatusOk);
  // Other types need a name: the call is skipped with a warning, no line.
  EXPECT_EQ(ctx_.CreateChildObject(VELAN_OT_PDU, "", VELAN_OT_CLUSTER, 9), 0u);
  EXPECT_EQ(ctx_.CreateChildObject(VELAN_OT_ECU, nullptr, VELAN_OT_CONNECTOR, 9), 0u);
  EXPECT_EQ(script_.calls.size(), 2u);
  EXPECT_EQ(ctx_.status.Code(), StatusWarning);
  const std::string log = Log();
  EXPECT_NE(log.find("Create \"SIG_INST\" object (Name=\"[nameless]\") and link to the \"PDU\""),
            std::string::npos);
  EXPECT_NE(log.find("Create \"CODING\" object (Name=\"\")"), std::string::npos);
  EXPECT_EQ(log.find("\"ECU\""), std::string::npos);
}

TEST_F(Callbacks, NamelessTypes) {
  const uint32_t nameless[] = {
      VELAN_OT_ABSOLUTE_TIMING, VELAN_OT_PDU_INST, VELAN_OT_CYCLIC_TIMING, VELAN_OT_EVENT_TIMING,
      VELAN_OT_REQUEST_TIMING,  VELAN_OT_SIG_INST, VELAN_OT_CODING,        VELAN_OT_CONNECTOR,
      VELAN_OT_TX_TRIG,         VELAN_OT_RX_TRIG};
  uint32_t count = 0;
  for (uint32_t type = 0; type < 24; ++type) {
    if (cConvertCtx::MayBeNameless(type)) ++count;
  }
  EXPECT_EQ(count, 10u);
  for (uint32_t type : nameless) EXPECT_TRUE(cConvertCtx::MayBeNameless(type)) << type;
}

TEST_F(Callbacks, CreateChildObjectSkipsWithoutParentOrAfterAnError) {
  EXPECT_EQ(ctx_.CreateChildObject(VELAN_OT_PDU, "P", VELAN_OT_CLUSTER, 0), 0u);
  EXPECT_EQ(ctx_.status.Code(), StatusOk);
  ctx_.status.RaiseError(StatusNoCluster);
  EXPECT_EQ(ctx_.CreateChildObject(VELAN_OT_PDU, "P", VELAN_OT_CLUSTER, 3), 0u);
  ctx_.LinkToParent(VELAN_OT_PDU, 4, VELAN_OT_PDU_INST, 5);
  ctx_.SetPropertyU32(4, IDI_PDU_NUM_BYTES_U32, 8);
  EXPECT_TRUE(script_.calls.empty());
  EXPECT_EQ(ctx_.status.Code(), StatusNoCluster);
}

TEST_F(Callbacks, CreateChildObjectWarningWithStatusText) {
  script_.result = 0x10;
  script_.statusText = "name shortened";
  EnableHostLines();
  EXPECT_EQ(ctx_.CreateChildObject(VELAN_OT_TRIGGERING, "F1", VELAN_OT_CLUSTER, 3), 42u);
  EXPECT_EQ(ctx_.status.Code(), StatusHostWarning);
  EXPECT_EQ(ctx_.status.ReturnedCode(), 0x3FF63085u);
  EXPECT_EQ(Log(),
            "1,2,'WARNING -- CreateChildObject (Code=0x00000010) -- Type=\"TRIGGERING\", "
            "Name=\"F1\", ParentObjectType=\"CLUSTER\", ParentObjectID=3.'\r\n"
            "1,2,'\"name shortened\"'\r\n");
}

TEST_F(Callbacks, CreateChildObjectErrorIsFinal) {
  script_.result = -101;
  script_.statusText = "unknown handle";
  EXPECT_EQ(ctx_.CreateChildObject(99, "X", VELAN_OT_CLUSTER, 3), 0u);
  EXPECT_EQ(ctx_.status.Code(), StatusHostError);
  EXPECT_EQ(ctx_.status.HostCode(), -101);
  EXPECT_EQ(ctx_.status.ReturnedCode(), static_cast<uint32_t>(-101));
  // Later calls are skipped.
  script_.result = 0;
  EXPECT_EQ(ctx_.CreateChildObject(VELAN_OT_PDU, "Y", VELAN_OT_CLUSTER, 3), 0u);
  EXPECT_EQ(script_.calls.size(), 1u);
  EXPECT_EQ(Log(),
            "2,0,'ERROR -- CreateChildObject (Code=0xFFFFFF9B) -- Type=\"[unknown: 0x00000063\", "
            "Name=\"X\", ParentObjectType=\"CLUSTER\", ParentObjectID=3.'\r\n"
            "2,0,'\"unknown handle\"'\r\n");
}

TEST_F(Callbacks, EmptyStatusTextWritesNoLine) {
  script_.result = -5;
  ctx_.CreateChildObject(VELAN_OT_PDU, "P", VELAN_OT_CLUSTER, 3);
  const std::string log = Log();
  EXPECT_NE(log.find("ERROR -- CreateChildObject"), std::string::npos);
  EXPECT_EQ(log.find("2,0,'\"\"'"), std::string::npos);
}

TEST_F(Callbacks, CreateChildObjectWithoutIdentifierIsHostUnavailable) {
  script_.newId = 0;
  EXPECT_EQ(ctx_.CreateChildObject(VELAN_OT_PDU, "P", VELAN_OT_CLUSTER, 3), 0u);
  EXPECT_EQ(ctx_.status.Code(), StatusHostUnavailable);
  EXPECT_EQ(ctx_.status.ReturnedCode(), 0xBFF63081u);
}

TEST_F(Callbacks, LinkToParentLines) {
  EnableHostLines();
  ctx_.LinkToParent(VELAN_OT_SIG_INST, 11, VELAN_OT_SUB_FRAME, 12);
  script_.result = 3;
  ctx_.LinkToParent(VELAN_OT_PDU, 13, VELAN_OT_PDU_INST, 14);
  script_.result = -2;
  script_.statusText = "never shown for links";
  ctx_.LinkToParent(VELAN_OT_PDU, 15, VELAN_OT_PDU_INST, 16);
  EXPECT_EQ(ctx_.status.ReturnedCode(), static_cast<uint32_t>(-2));
  EXPECT_EQ(Log(),
            "0,2,'OK -- LinkToParent -- Link \"SIG_INST\" object (IOID='11') against the "
            "\"SUB_FRAME\" with IOID=12.'\r\n"
            "1,2,'WARNING -- LinkToParent (Code=0x00000003) -- Type=\"PDU\", IOID='13', "
            "ParentObjectType=\"PDU_INST\", ParentObjectID=14.'\r\n"
            "2,0,'ERROR -- LinkToParent (Code=0xFFFFFFFE) -- Type=\"PDU\", IOID='15', "
            "ParentObjectType=\"PDU_INST\", ParentObjectID=16.'\r\n");
}

TEST_F(Callbacks, LinkToParentSkipsZeroIdentifiers) {
  ctx_.LinkToParent(VELAN_OT_PDU, 0, VELAN_OT_PDU_INST, 3);
  ctx_.LinkToParent(VELAN_OT_PDU, 3, VELAN_OT_PDU_INST, 0);
  EXPECT_TRUE(script_.calls.empty());
}

TEST_F(Callbacks, SetPropertyLines) {
  EnableHostLines();
  const uint32_t value = 8;
  const uint32_t low = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(&value));
  char pointer[16];
  std::snprintf(pointer, sizeof(pointer), "0x%08X", low);
  ctx_.SetProperty(21, IDI_PDU_NUM_BYTES_U32, &value, sizeof(value));
  script_.result = 1;
  ctx_.SetProperty(22, IDIP_CON_INITIAL_NAD, &value, 1);
  script_.result = -9;
  script_.statusText = "not shown for properties";
  ctx_.SetProperty(23, 0x000E0001, &value, 4);
  EXPECT_EQ(Log(), std::string("0,2,'OK -- SetProperty -- Set \"IDI_PDU_NUM_BYTES_U32\" property "
                               "into the Velan object with the IOID=21 (ValuePtr=") +
                       pointer +
                       ", ValueSize=4).'\r\n"
                       "1,2,'WARNING -- SetProperty (Code=0x00000001) -- Property=\"[unknown: "
                       "0x000F0022]\", IOID='22', ValuePtr=" +
                       pointer +
                       ", ValueSize=1.'\r\n"
                       "2,0,'ERROR -- SetProperty (Code=0xFFFFFFF7) -- Property=\"[unknown: "
                       "0x000E0001]\", IOID='23', ValuePtr=" +
                       pointer + ", ValueSize=4.'\r\n");
}

TEST_F(Callbacks, SetPropertySkipsNullValuesAndZeroIdentifiers) {
  ctx_.SetProperty(0, IDI_PDU_NUM_BYTES_U32, "x", 1);
  ctx_.SetProperty(5, IDI_PDU_NUM_BYTES_U32, nullptr, 4);
  ctx_.SetPropertyStr(5, IDI_PDU_COMMENT_STR, nullptr);
  ctx_.SetPropertyIoids(5, IDIP_SCHED_ENTRY_TRIGS_IOIDS, nullptr, 2);
  EXPECT_TRUE(script_.calls.empty());
}

TEST_F(Callbacks, TypedPropertiesPassTheirEncodedSize) {
  ctx_.SetPropertyStr(5, IDIP_CLUSTER_COMMENT_STR, "");
  ctx_.SetPropertyStr(5, IDIP_CLUSTER_COMMENT_STR, "abc");
  ctx_.SetPropertyU8(5, IDIP_CON_LIN_CONFIGURED_NAD_U8, 0x7F);
  ctx_.SetPropertyU16(5, IDIP_PDUI_START_BIT_U16, 0x1234);
  ctx_.SetPropertyI16(5, IDIP_CLUSTER_PROTOCOL_I16, -2);
  ctx_.SetPropertyI32(5, IDIP_TRIG_IDENTIFIER_I32, -5);
  ctx_.SetPropertyU32(5, IDI_PDU_NUM_BYTES_U32, 64);
  ctx_.SetPropertyU64(5, IDIP_CLUSTER_SPEED_U64, 500000);
  ctx_.SetPropertyF64(5, IDIP_COD_FACTOR_F64, 0.5);
  const uint64_t ids[3] = {1, 2, 3};
  ctx_.SetPropertyIoids(5, IDIP_SCHED_ENTRY_TRIGS_IOIDS, ids, 3);
  const uint32_t sizes[] = {1, 4, 1, 2, 2, 4, 4, 8, 8, 24};
  ASSERT_EQ(script_.calls.size(), 10u);
  for (size_t i = 0; i < 10; ++i) EXPECT_EQ(script_.calls[i].size, sizes[i]) << i;
  EXPECT_EQ(script_.calls[0].value, std::string(1, '\0'));
  EXPECT_EQ(script_.calls[1].value, std::string("abc\0", 4));
  int16_t i16 = 0;
  std::memcpy(&i16, script_.calls[4].value.data(), 2);
  EXPECT_EQ(i16, -2);
  double f64 = 0;
  std::memcpy(&f64, script_.calls[8].value.data(), 8);
  EXPECT_EQ(f64, 0.5);
}

TEST_F(Callbacks, ConvertStartBit) {
  script_.startBit = 55;
  EXPECT_EQ(ctx_.ConvertStartBit(1, 7, 16), 55u);
  ASSERT_EQ(script_.calls.size(), 1u);
  EXPECT_EQ(script_.calls[0].outPreset, 0u);
  // The conversion's own result is ignored.
  EXPECT_EQ(ctx_.status.Code(), StatusOk);
}

TEST(CallbacksWithoutFbx3, ConvertStartBitIsHostUnavailable) {
  Script script;
  g_script = &script;
  FakeHost host(false);
  cConvertCtx ctx;
  ctx.hostDb.Reset(&host);
  EXPECT_EQ(ctx.ConvertStartBit(0, 7, 16), 0u);
  EXPECT_EQ(ctx.status.Code(), StatusHostUnavailable);
  EXPECT_TRUE(script.calls.empty());
  ctx.hostDb.Reset();
  g_script = nullptr;
}

}  // namespace
