// Database files: round trip, refusal of foreign or damaged files, atomic
// replacement, and the reader's open and close.
#include <dirent.h>
#include <sqlite3.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "db_file.h"
#include "host_test_util.h"
#include "velan/velandb_read.h"

namespace {

class TempDir {
 public:
  TempDir() {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/vdbfile-XXXXXX";
    path_ = mkdtemp(pattern.data()) ? pattern : "";
  }
  ~TempDir() {
    if (path_.empty()) return;
    for (const std::string& name : Names()) unlink((path_ + "/" + name).c_str());
    rmdir(path_.c_str());
  }
  std::string File(const char* name) const { return path_ + "/" + name; }
  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    if (DIR* d = opendir(path_.c_str())) {
      while (dirent* e = readdir(d))
        if (std::string(e->d_name) != "." && std::string(e->d_name) != "..")
          names.push_back(e->d_name);
      closedir(d);
    }
    return names;
  }

 private:
  std::string path_;
};

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

void WriteAll(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
}

void Sql(const std::string& path, const char* statement) {
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
  EXPECT_EQ(sqlite3_exec(db, statement, nullptr, nullptr, nullptr), SQLITE_OK)
      << sqlite3_errmsg(db);
  sqlite3_close(db);
}

// A database with every kind of content a file must carry.
void Fill(TestDb& db) {
  uint64_t cl = db.Child(VELAN_OT_CLUSTER, "CAN \xC2\xB5s", VELAN_OT_DATABASE, db.root());
  db.SetStr(cl, IDIP_CLUSTER_COMMENT_STR, "");
  db.Set<uint64_t>(cl, IDIP_CLUSTER_SPEED_U64, 500000);
  uint64_t tr = db.Child(VELAN_OT_TRIGGERING, "F1", VELAN_OT_CLUSTER, cl);
  uint64_t tr2 = db.Child(VELAN_OT_TRIGGERING, "F2", VELAN_OT_CLUSTER, cl);
  uint64_t pi = db.Child(VELAN_OT_PDU_INST, "", VELAN_OT_TRIGGERING, tr);
  uint64_t pi2 = db.Child(VELAN_OT_PDU_INST, "", VELAN_OT_TRIGGERING, tr2);
  uint64_t pdu = db.Child(VELAN_OT_PDU, "P", VELAN_OT_CLUSTER, cl);
  uint64_t pdu2 = db.Child(VELAN_OT_PDU, "Q", VELAN_OT_CLUSTER, cl);
  // Links in an order that differs from the creation order on both sides.
  db.Link(pdu2, VELAN_OT_PDU_INST, pi2);
  db.Link(pdu, VELAN_OT_PDU_INST, pi2);
  db.Link(pdu, VELAN_OT_PDU_INST, pi);
  uint64_t si = db.Child(VELAN_OT_SIG_INST, "", VELAN_OT_PDU, pdu);
  uint64_t sig = db.Child(VELAN_OT_SIGNAL, "S", VELAN_OT_SIG_INST, si);
  db.Set<double>(sig, IDIP_SIG_DEFAULT_VALUE_F64, -0.25);
  uint64_t cod = db.Child(VELAN_OT_CODING, "", VELAN_OT_SIGNAL, sig);
  imp_SetProperty(db.handle(), cod, IDIP_COD_VALUE_DESCS_VTAB, "\0\0\0\0\0\0\0\0On", 11);
  uint64_t con = db.Child(VELAN_OT_CONNECTOR, "", VELAN_OT_CLUSTER, cl);
  db.Set<uint8_t>(con, IDIP_CON_INITIAL_NAD, 9);
  uint64_t tx = db.Child(VELAN_OT_TX_TRIG, "", VELAN_OT_CONNECTOR, con);
  db.Set<uint64_t>(tx, IDIP_TX_TRIG_IOID, tr2);
  uint64_t st = db.Child(VELAN_OT_SCHED_TABLE, "T", VELAN_OT_CLUSTER, cl);
  uint64_t se = db.Child(VELAN_OT_SCHED_ENTRY, "E", VELAN_OT_SCHED_TABLE, st);
  uint64_t ids[3] = {tr, 0, tr2};
  imp_SetProperty(db.handle(), se, IDIP_SCHED_ENTRY_TRIGS_IOIDS, ids, sizeof ids);
  const uint8_t bytes[5] = {0, 1, 0xFF, 0x80, 0x7F};
  imp_SetProperty(db.handle(), se, IDIP_SCHED_ENTRY_CCN_D1_D5_U8P, bytes, 5);
  dbaStatus status{0, 0};
  uint8_t on = 1;
  dbaSetProperty(db.handle(), 0x02000003, 1, &on, &status);
}

TEST(DatabaseFile, SaveAndOpenGiveTheSameTree) {
  TempDir dir;
  TestDb original("saved");
  Fill(original);
  const std::string path = dir.File("a.vdb");
  ASSERT_EQ(vdbSaveDatabase(original.handle(), path.c_str()), VDB_OK) << vdbLastError();
  uint32_t handle = 0;
  ASSERT_EQ(vdbOpenDatabase(path.c_str(), &handle), VDB_OK) << vdbLastError();
  EXPECT_NE(handle, original.handle());
  size_t length = 0;
  std::string text(8192, '\0');
  ASSERT_EQ(vdbFormatTree(handle, text.data(), text.size(), &length), VDB_OK);
  text.resize(length);
  EXPECT_EQ(text, original.Tree());
  EXPECT_EQ(vdbObjectCount(handle), vdbObjectCount(original.handle()));
  // The invalid-objects flag and the read view come back too.
  uint8_t flag = 0;
  dbaStatus status{0, 0};
  dbaGetProperty(handle, 0x02000003, 1, &flag, &status);
  EXPECT_EQ(flag, 1);
  uint32_t size = 0;
  dbaGetPropertySize(handle, 0x06000002, &size, &status);
  EXPECT_EQ(size, 4u);
  EXPECT_EQ(status.code, 0u);
  EXPECT_EQ(vdbDestroyDatabase(handle), VDB_OK);
  // Only the database file is left in the folder.
  EXPECT_EQ(dir.Names(), std::vector<std::string>{"a.vdb"});
}

TEST(DatabaseFile, ForeignMissingAndDamagedFilesAreRefused) {
  TempDir dir;
  uint32_t handle = 4242;
  EXPECT_EQ(vdbOpenDatabase(dir.File("missing.vdb").c_str(), &handle), VDB_E_FILE_OPEN);

  WriteAll(dir.File("text.vdb"), std::string(2000, 'x'));
  EXPECT_EQ(vdbOpenDatabase(dir.File("text.vdb").c_str(), &handle), VDB_E_FILE_FORMAT);

  // Another program's SQLite file.
  Sql(dir.File("other.vdb"), "CREATE TABLE t(x);");
  EXPECT_EQ(vdbOpenDatabase(dir.File("other.vdb").c_str(), &handle), VDB_E_FILE_FORMAT);

  TestDb db;
  Fill(db);
  const std::string good = dir.File("good.vdb");
  ASSERT_EQ(vdbSaveDatabase(db.handle(), good.c_str()), VDB_OK);
  const std::string bytes = ReadAll(good);

  // A later schema version.
  WriteAll(dir.File("v2.vdb"), bytes);
  Sql(dir.File("v2.vdb"), "PRAGMA user_version=2;");
  EXPECT_EQ(vdbOpenDatabase(dir.File("v2.vdb").c_str(), &handle), VDB_E_FILE_FORMAT);
  EXPECT_NE(std::string(vdbLastError()).find("version 2"), std::string::npos) << vdbLastError();

  // Truncated: whatever SQLite notices first, it is refused.
  WriteAll(dir.File("cut.vdb"), bytes.substr(0, bytes.size() / 2));
  EXPECT_LT(vdbOpenDatabase(dir.File("cut.vdb").c_str(), &handle), 0);
  WriteAll(dir.File("tiny.vdb"), bytes.substr(0, 50));
  EXPECT_LT(vdbOpenDatabase(dir.File("tiny.vdb").c_str(), &handle), 0);

  // Well-formed SQLite but content the host would never have made.
  WriteAll(dir.File("bad.vdb"), bytes);
  Sql(dir.File("bad.vdb"), "UPDATE objects SET type=13 WHERE number=1;");
  EXPECT_EQ(vdbOpenDatabase(dir.File("bad.vdb").c_str(), &handle), VDB_E_FILE_CORRUPT);
  WriteAll(dir.File("bad2.vdb"), bytes);
  Sql(dir.File("bad2.vdb"), "UPDATE properties SET value=x'0102' WHERE property=131117;");
  EXPECT_EQ(vdbOpenDatabase(dir.File("bad2.vdb").c_str(), &handle), VDB_E_FILE_CORRUPT);
  WriteAll(dir.File("bad3.vdb"), bytes);
  Sql(dir.File("bad3.vdb"), "DELETE FROM objects WHERE number=2;");
  EXPECT_EQ(vdbOpenDatabase(dir.File("bad3.vdb").c_str(), &handle), VDB_E_FILE_CORRUPT);
  EXPECT_EQ(handle, 4242u);
}

TEST(DatabaseFile, FailedSaveLeavesTheOldFileIntact) {
  TempDir dir;
  const std::string path = dir.File("keep.vdb");
  TestDb small;
  ASSERT_EQ(vdbSaveDatabase(small.handle(), path.c_str()), VDB_OK);
  const std::string before = ReadAll(path);

  TestDb big;
  Fill(big);
  vdb::SetSaveFailureAfterRows(5);
  EXPECT_EQ(vdbSaveDatabase(big.handle(), path.c_str()), VDB_E_FILE_WRITE);
  vdb::SetSaveFailureAfterRows(-1);
  EXPECT_EQ(ReadAll(path), before);
  EXPECT_EQ(dir.Names(), std::vector<std::string>{"keep.vdb"});  // no temporary left

  uint32_t handle = 0;
  ASSERT_EQ(vdbOpenDatabase(path.c_str(), &handle), VDB_OK);
  EXPECT_EQ(vdbObjectCount(handle), 0u);
  vdbDestroyDatabase(handle);

  // Saving into a folder that does not exist fails cleanly.
  EXPECT_EQ(vdbSaveDatabase(big.handle(), dir.File("no/such.vdb").c_str()), VDB_E_FILE_WRITE);
  EXPECT_EQ(vdbSaveDatabase(0, path.c_str()), VDB_E_UNKNOWN_HANDLE);
  EXPECT_EQ(vdbSaveDatabase(big.handle(), nullptr), VDB_E_NULL_ARGUMENT);
}

TEST(DatabaseFile, ReaderOpensAndClosesFiles) {
  TempDir dir;
  TestDb db;
  Fill(db);
  const std::string path = dir.File("r.vdb");
  ASSERT_EQ(vdbSaveDatabase(db.handle(), path.c_str()), VDB_OK);

  dbaStatus st{0, 0};
  uint32_t ref = 0;
  dbaOpenDatabase(0, path.c_str(), &ref, &st);
  ASSERT_EQ(st.code, 0u);
  ASSERT_NE(ref, 0u);
  uint32_t size = 0;
  dbaGetPropertySize(ref, 0x06000002, &size, &st);
  EXPECT_EQ(size, 4u);
  dbaCloseDatabase(0, ref, 1, &st);
  EXPECT_EQ(st.code, 0u);
  dbaCloseDatabase(0, ref, 1, &st);
  EXPECT_EQ(st.code, VDBA_E_UNKNOWN_REFERENCE);

  // A database the application made is not the reader's to close.
  st = {0, 0};
  dbaCloseDatabase(0, db.handle(), 1, &st);
  EXPECT_EQ(st.code, VDBA_E_NOT_OPENED);
  EXPECT_EQ(st.detail, VDBA_DETAIL_NOT_OPENED);
  EXPECT_GT(vdbObjectCount(db.handle()), 0u);

  st = {0, 0};
  ref = 0;
  dbaOpenDatabase(0, dir.File("missing.vdb").c_str(), &ref, &st);
  EXPECT_EQ(st.code, VDBA_E_OPEN_FAILED);
  EXPECT_EQ(st.detail, VDBA_DETAIL_OPEN_FAILED);
  EXPECT_EQ(ref, 0u);
  st = {0, 0};
  dbaOpenDatabase(1, path.c_str(), &ref, &st);
  EXPECT_EQ(st.code, VDBA_E_BAD_MODE);
  st = {0, 0};
  dbaOpenDatabase(0, nullptr, &ref, &st);
  EXPECT_EQ(st.code, VDBA_E_NULL_POINTER);
}

}  // namespace
