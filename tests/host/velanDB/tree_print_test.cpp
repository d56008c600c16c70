// The object tree print: layout, decoded values, independence from the
// identifiers, buffer and stream forms.
#include <clocale>
#include <cstdio>

#include "host_test_util.h"

namespace {

// A small database with one value of every encoding.
struct Sample {
  TestDb db{"demo"};
  uint64_t cl, tr, pi, pdu, si, sig, con, st, se;
  Sample() {
    cl = db.Child(VELAN_OT_CLUSTER, "CAN1", VELAN_OT_DATABASE, db.root());
    db.SetStr(cl, IDIP_CLUSTER_COMMENT_STR,
              "say \"hi\"\\\n\xC2\xB0"
              "C");
    db.Set<int16_t>(cl, IDIP_CLUSTER_PROTOCOL_I16, -2);
    db.Set<uint64_t>(cl, IDIP_CLUSTER_SPEED_U64, 500000);
    tr = db.Child(VELAN_OT_TRIGGERING, "Frame1", VELAN_OT_CLUSTER, cl);
    db.Set<int32_t>(tr, IDIP_TRIG_IDENTIFIER_I32, 0x123);
    pi = db.Child(VELAN_OT_PDU_INST, "", VELAN_OT_TRIGGERING, tr);
    db.Set<uint16_t>(pi, IDIP_PDUI_START_BIT_U16, 8);
    pdu = db.Child(VELAN_OT_PDU, "Pdu1", VELAN_OT_CLUSTER, cl);
    db.Link(pdu, VELAN_OT_PDU_INST, pi);
    si = db.Child(VELAN_OT_SIG_INST, "", VELAN_OT_PDU, pdu);
    sig = db.Child(VELAN_OT_SIGNAL, "Speed", VELAN_OT_SIG_INST, si);
    uint64_t cod = db.Child(VELAN_OT_CODING, "", VELAN_OT_SIGNAL, sig);
    db.Set<double>(cod, IDIP_COD_FACTOR_F64, 0.1);
    db.Set<double>(cod, IDIP_COD_OFFSET_F64, -40.0);
    db.Set<double>(cod, IDIP_COD_MAX_VAL_F64, 1e300);
    con = db.Child(VELAN_OT_CONNECTOR, "", VELAN_OT_CLUSTER, cl);
    db.Set<uint8_t>(con, IDIP_CON_INITIAL_NAD, 0x7F);
    uint64_t tx = db.Child(VELAN_OT_TX_TRIG, "", VELAN_OT_CONNECTOR, con);
    db.Set<uint64_t>(tx, IDIP_TX_TRIG_IOID, tr);
    st = db.Child(VELAN_OT_SCHED_TABLE, "T", VELAN_OT_CLUSTER, cl);
    se = db.Child(VELAN_OT_SCHED_ENTRY, "E", VELAN_OT_SCHED_TABLE, st);
    uint64_t ids[2] = {tr, 0};
    imp_SetProperty(db.handle(), se, IDIP_SCHED_ENTRY_TRIGS_IOIDS, ids, sizeof ids);
    const uint8_t ff[8] = {0xB2, 0, 0xFF, 0x7F, 1, 2, 3, 0x10};
    imp_SetProperty(db.handle(), se, IDIP_SCHED_ENTRY_FF_D1_D8_U8P, ff, 8);
    db.Set<uint32_t>(se, IDIP_CON_INITIAL_NAD, 300);
  }
};

const char* const kSampleTree =
    "DATABASE \"demo\" #0\n"
    "  CLUSTER \"CAN1\" #1\n"
    "    IDIP_CLUSTER_COMMENT_STR = \"say \\\"hi\\\"\\\\\\x0A\xC2\xB0"
    "C\"\n"
    "    IDIP_CLUSTER_PROTOCOL_I16 = -2\n"
    "    IDIP_CLUSTER_SPEED_U64 = 500000\n"
    "    TRIGGERING \"Frame1\" #2\n"
    "      IDIP_TRIG_IDENTIFIER_I32 = 291\n"
    "      PDU_INST \"\" #3\n"
    "        IDIP_PDUI_START_BIT_U16 = 8\n"
    "    PDU \"Pdu1\" #4\n"
    "      linked to PDU_INST #3\n"
    "      SIG_INST \"\" #5\n"
    "        SIGNAL \"Speed\" #6\n"
    "          CODING \"\" #7\n"
    "            IDIP_COD_FACTOR_F64 = 0.1\n"
    "            IDIP_COD_OFFSET_F64 = -40\n"
    "            IDIP_COD_MAX_VAL_F64 = 1e+300\n"
    "    CONNECTOR \"\" #8\n"
    "      IDIP_CON_INITIAL_NAD = 127\n"
    "      TX_TRIG \"\" #9\n"
    "        IDIP_TX_TRIG_IOID = TRIGGERING #2\n"
    "    SCHED_TABLE \"T\" #10\n"
    "      SCHED_ENTRY \"E\" #11\n"
    "        IDIP_CON_INITIAL_NAD = 300\n"
    "        IDIP_SCHED_ENTRY_TRIGS_IOIDS = [TRIGGERING #2, none]\n"
    "        IDIP_SCHED_ENTRY_FF_D1_D8_U8P = B2 00 FF 7F 01 02 03 10\n";

TEST(HostTreePrint, ShowsObjectsPropertiesAndLinksByDepth) {
  Sample s;
  EXPECT_EQ(s.db.Tree(), kSampleTree);
  // A subtree starts at depth 0.
  EXPECT_EQ(s.db.Tree(s.st),
            "SCHED_TABLE \"T\" #10\n"
            "  SCHED_ENTRY \"E\" #11\n"
            "    IDIP_CON_INITIAL_NAD = 300\n"
            "    IDIP_SCHED_ENTRY_TRIGS_IOIDS = [TRIGGERING #2, none]\n"
            "    IDIP_SCHED_ENTRY_FF_D1_D8_U8P = B2 00 FF 7F 01 02 03 10\n");
}

TEST(HostTreePrint, DoesNotDependOnIdentifiersOrLocale) {
  std::string first = Sample().db.Tree();
  TestDb unrelated;  // moves the identifiers of the next database on
  unrelated.Child(VELAN_OT_CLUSTER, "X", VELAN_OT_DATABASE, unrelated.root());
  const char* old = std::setlocale(LC_NUMERIC, nullptr);
  std::string saved = old ? old : "C";
  bool german = std::setlocale(LC_NUMERIC, "de_DE.UTF-8") != nullptr;
  std::string second = Sample().db.Tree();
  std::setlocale(LC_NUMERIC, saved.c_str());
  EXPECT_EQ(first, second) << (german ? "with a comma locale" : "");
}

TEST(HostTreePrint, ReferencesOutsideTheDatabaseAreMarked) {
  TestDb a, b;
  uint64_t cl = a.Child(VELAN_OT_CLUSTER, "A", VELAN_OT_DATABASE, a.root());
  uint64_t foreign = b.Child(VELAN_OT_CLUSTER, "B", VELAN_OT_DATABASE, b.root());
  uint64_t con = a.Child(VELAN_OT_CONNECTOR, "", VELAN_OT_CLUSTER, cl);
  uint64_t rx = a.Child(VELAN_OT_RX_TRIG, "", VELAN_OT_CONNECTOR, con);
  a.Set<uint64_t>(rx, IDIP_RX_TRIG_IOID, foreign);
  EXPECT_NE(a.Tree().find("IDIP_RX_TRIG_IOID = object " + std::to_string(foreign) +
                          " (not in this database)"),
            std::string::npos)
      << a.Tree();
}

TEST(HostTreePrint, BufferFormTruncatesAndReportsTheFullLength) {
  Sample s;
  const size_t full = std::string(kSampleTree).size();
  size_t length = 0;
  ASSERT_EQ(vdbFormatTree(s.db.root(), nullptr, 0, &length), VDB_OK);
  EXPECT_EQ(length, full);
  char small[10];
  std::memset(small, 'x', sizeof small);
  ASSERT_EQ(vdbFormatTree(s.db.root(), small, sizeof small, &length), VDB_OK);
  EXPECT_STREQ(small, "DATABASE ");
  EXPECT_EQ(length, full);
  EXPECT_EQ(vdbFormatTree(s.db.root(), nullptr, 5, &length), VDB_E_NULL_ARGUMENT);
  EXPECT_EQ(vdbFormatTree(0, small, sizeof small, &length), VDB_E_UNKNOWN_OBJECT);
}

TEST(HostTreePrint, StreamFormWritesTheSameText) {
  Sample s;
  FILE* f = std::tmpfile();
  ASSERT_NE(f, nullptr);
  ASSERT_EQ(vdbPrintTree(s.db.root(), f), VDB_OK);
  std::rewind(f);
  std::string text;
  char buffer[256];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) text.append(buffer, n);
  std::fclose(f);
  EXPECT_EQ(text, kSampleTree);
  EXPECT_EQ(vdbPrintTree(s.db.root(), nullptr), VDB_E_NULL_ARGUMENT);
}

TEST(HostWalk, PropertiesAreListedInIdentifierOrder) {
  Sample s;
  uint32_t ids[4] = {};
  for (uint32_t i = 0; i < 3; ++i) ASSERT_EQ(vdbGetPropertyId(s.cl, i, &ids[i]), VDB_OK);
  EXPECT_EQ(vdbGetPropertyId(s.cl, 3, &ids[3]), VDB_E_NOT_FOUND);
  EXPECT_EQ(ids[0], static_cast<uint32_t>(IDIP_CLUSTER_COMMENT_STR));
  EXPECT_EQ(ids[1], static_cast<uint32_t>(IDIP_CLUSTER_PROTOCOL_I16));
  EXPECT_EQ(ids[2], static_cast<uint32_t>(IDIP_CLUSTER_SPEED_U64));
  // A short buffer gets the first bytes and the full size.
  char part[3] = {};
  uint32_t size = 0;
  ASSERT_EQ(vdbGetProperty(s.cl, IDIP_CLUSTER_COMMENT_STR, part, 3, &size), VDB_OK);
  EXPECT_EQ(std::string(part, 3), "say");
  EXPECT_EQ(size, 13u);
}

}  // namespace
