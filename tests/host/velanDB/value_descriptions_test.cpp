// Value descriptions of a coding in the host: the encoding check on import,
// the tree print, database files, and the read interface (the signal
// property and the database flag that leaves value tables out).
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "host_test_util.h"
#include "velan/value_descriptions.h"
#include "velan/velandb_read.h"

namespace {

constexpr uint32_t kSgValueDescriptions = 0x0A030033;
constexpr uint32_t kDbOmitValueTables = 0x02000004;
constexpr uint32_t kFrSignals = 0x06020008;

std::string Entries(std::initializer_list<std::pair<double, const char*>> entries) {
  std::string out;
  for (const auto& [value, text] : entries) VelanAppendValueDescription(out, value, text);
  return out;
}

// One frame with one PDU holding a selector and the signal Gear.
struct Cluster {
  TestDb db;
  uint64_t frame, coding;
  Cluster() {
    const uint64_t cl = db.Child(VELAN_OT_CLUSTER, "CAN", VELAN_OT_DATABASE, db.root());
    frame = db.Child(VELAN_OT_TRIGGERING, "F", VELAN_OT_CLUSTER, cl);
    const uint64_t pi = db.Child(VELAN_OT_PDU_INST, "", VELAN_OT_TRIGGERING, frame);
    const uint64_t pdu = db.Child(VELAN_OT_PDU, "P", VELAN_OT_CLUSTER, cl);
    db.Link(pdu, VELAN_OT_PDU_INST, pi);
    db.Child(VELAN_OT_MULTIPLEXER, "selector", VELAN_OT_PDU, pdu);
    const uint64_t si = db.Child(VELAN_OT_SIG_INST, "", VELAN_OT_PDU, pdu);
    const uint64_t sig = db.Child(VELAN_OT_SIGNAL, "Gear", VELAN_OT_SIG_INST, si);
    coding = db.Child(VELAN_OT_CODING, "", VELAN_OT_SIGNAL, sig);
  }
  int32_t SetValues(const std::string& bytes) {
    return imp_SetProperty(db.handle(), coding, IDIP_COD_VALUE_DESCS_VTAB, bytes.data(),
                           static_cast<uint32_t>(bytes.size()));
  }
  // The read interface's value of the property for each signal of the frame.
  std::vector<std::string> ReadSignals() {
    dbaStatus st{0, 0};
    uint32_t size = 0;
    dbaGetPropertySize(static_cast<uint32_t>(frame), kFrSignals, &size, &st);
    std::vector<uint32_t> refs(size / 4);
    dbaGetProperty(static_cast<uint32_t>(frame), kFrSignals, size, refs.data(), &st);
    std::vector<std::string> values;
    for (uint32_t ref : refs) {
      dbaGetPropertySize(ref, kSgValueDescriptions, &size, &st);
      std::string bytes(size, '\0');
      dbaGetProperty(ref, kSgValueDescriptions, size, bytes.data(), &st);
      values.push_back(bytes);
    }
    EXPECT_EQ(st.code, 0u);
    return values;
  }
};

TEST(HostValueDescriptions, OnlyWellFormedListsAreStored) {
  const std::string two = Entries({{0, "Off"}, {1, "On"}});
  std::string nan = Entries({{0, "x"}});
  const double notANumber = std::numeric_limits<double>::quiet_NaN();
  std::memcpy(nan.data(), &notANumber, 8);
  struct Case {
    const char* what;
    std::string bytes;
    int32_t result;
  };
  const Case cases[] = {
      {"empty list", "", VDB_OK},
      {"two entries", two, VDB_OK},
      {"empty text", Entries({{-3.5, ""}}), VDB_OK},
      {"value without text", two.substr(0, 8), VDB_E_VALUE_SIZE},
      {"text without NUL", two.substr(0, two.size() - 1), VDB_E_VALUE_SIZE},
      {"cut inside the second value", two.substr(0, 16), VDB_E_VALUE_SIZE},
      {"bytes after the last entry", two + "z", VDB_E_VALUE_SIZE},
      {"value that is no number", nan, VDB_E_VALUE_SIZE},
      {"infinite value", Entries({{HUGE_VAL, "x"}}), VDB_E_VALUE_SIZE},
  };
  for (const Case& c : cases) {
    Cluster cl;
    EXPECT_EQ(cl.SetValues(c.bytes), c.result) << c.what;
    if (c.result == VDB_OK) {
      EXPECT_EQ(cl.ReadSignals(), (std::vector<std::string>{"", c.bytes})) << c.what;
    } else {
      EXPECT_NE(std::string(vdbLastError()).find("IDIP_COD_VALUE_DESCS_VTAB"), std::string::npos);
      EXPECT_EQ(cl.ReadSignals(), (std::vector<std::string>{"", ""})) << c.what;
    }
  }
  // A null value with a size is refused before it is looked at.
  Cluster cl;
  EXPECT_EQ(imp_SetProperty(cl.db.handle(), cl.coding, IDIP_COD_VALUE_DESCS_VTAB, nullptr, 9),
            VDB_E_NULL_ARGUMENT);
}

TEST(HostValueDescriptions, PrintedDecodedAndKeptInDatabaseFiles) {
  Cluster cl;
  ASSERT_EQ(cl.SetValues(Entries({{3, "Drive"}, {-1.5, "say \"x\""}, {7, ""}})), VDB_OK);
  const std::string line =
      "IDIP_COD_VALUE_DESCS_VTAB = [3 \"Drive\", -1.5 \"say \\\"x\\\"\", 7 \"\"]\n";
  const std::string tree = cl.db.Tree();
  EXPECT_NE(tree.find(line), std::string::npos) << tree;

  char pattern[] = "/tmp/vdbvtab-XXXXXX";
  ASSERT_NE(mkdtemp(pattern), nullptr);
  const std::string path = std::string(pattern) + "/v.vdb";
  ASSERT_EQ(vdbSaveDatabase(cl.db.handle(), path.c_str()), VDB_OK) << vdbLastError();
  uint32_t handle = 0;
  ASSERT_EQ(vdbOpenDatabase(path.c_str(), &handle), VDB_OK) << vdbLastError();
  size_t length = 0;
  std::string text(4096, '\0');
  ASSERT_EQ(vdbFormatTree(handle, text.data(), text.size(), &length), VDB_OK);
  text.resize(length);
  EXPECT_EQ(text.substr(text.find('\n')), tree.substr(tree.find('\n')));
  vdbDestroyDatabase(handle);
  unlink(path.c_str());
  rmdir(pattern);
}

TEST(HostValueDescriptions, OmitFlagIsAWritableDatabaseFlag) {
  Cluster cl;
  dbaStatus st{0, 0};
  uint8_t flag = 7;
  dbaGetProperty(cl.db.handle(), kDbOmitValueTables, 1, &flag, &st);
  EXPECT_EQ(flag, 0);
  const uint8_t on = 1;
  dbaSetProperty(cl.db.handle(), kDbOmitValueTables, 1, &on, &st);
  dbaGetProperty(cl.db.handle(), kDbOmitValueTables, 1, &flag, &st);
  EXPECT_EQ(st.code, 0u);
  EXPECT_EQ(flag, 1);
  // A database flag only: a frame has no such property.
  dbaSetProperty(static_cast<uint32_t>(cl.frame), kDbOmitValueTables, 1, &on, &st);
  EXPECT_EQ(st.code, VDBA_E_NO_PROPERTY);
}

}  // namespace
