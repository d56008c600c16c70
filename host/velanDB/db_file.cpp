// Saving a database to an SQLite file and reading it back.
#include "db_file.h"

#include <fcntl.h>
#include <sqlite3.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "store.h"
#include "velan/host_vocabulary.h"
#include "velan/velandb_host.h"
#include "velan_platform.h"

namespace vdb {
namespace {

// File identification: SQLite's application id ("VLDB") and schema version.
constexpr int32_t kApplicationId = 0x564C4442;
constexpr int32_t kSchemaVersion = 1;

const char* const kSchema =
    "CREATE TABLE meta(key TEXT PRIMARY KEY, value INTEGER NOT NULL);"
    "CREATE TABLE objects(number INTEGER PRIMARY KEY, type INTEGER NOT NULL,"
    " name BLOB NOT NULL, parent INTEGER);"
    "CREATE TABLE links(sequence INTEGER PRIMARY KEY, object INTEGER NOT NULL,"
    " parent INTEGER NOT NULL);"
    "CREATE TABLE properties(object INTEGER NOT NULL, property INTEGER NOT NULL,"
    " value BLOB NOT NULL, PRIMARY KEY(object, property));";

std::atomic<int64_t> g_failAfterRows{-1};

// Owns an SQLite connection and its statements.
class Connection {
 public:
  ~Connection() {
    for (sqlite3_stmt* s : statements_) sqlite3_finalize(s);
    if (db_) sqlite3_close(db_);
  }
  int Open(const char* path, int flags) {
    return sqlite3_open_v2(path, &db_, flags | SQLITE_OPEN_NOMUTEX, nullptr);
  }
  sqlite3* get() const { return db_; }
  const char* Message() const { return db_ ? sqlite3_errmsg(db_) : "out of memory"; }
  sqlite3_stmt* Prepare(const char* sql) {
    sqlite3_stmt* s = nullptr;
    if (sqlite3_prepare_v2(db_, sql, -1, &s, nullptr) != SQLITE_OK) return nullptr;
    statements_.push_back(s);
    return s;
  }
  bool Exec(const char* sql) {
    return sqlite3_exec(db_, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
  }
  // Runs a statement that gives one integer; false on failure.
  bool Integer(const char* sql, int64_t* value) {
    sqlite3_stmt* s = Prepare(sql);
    if (!s || sqlite3_step(s) != SQLITE_ROW) return false;
    *value = sqlite3_column_int64(s, 0);
    return true;
  }

 private:
  sqlite3* db_ = nullptr;
  std::vector<sqlite3_stmt*> statements_;
};

// IOID values are stored as object number + 1 (0: none, or an object of
// another database) so that they survive the new identifiers of an open.
std::string EncodeIds(Database& db, const std::string& bytes) {
  std::string out = bytes;
  Store& store = Store::Get();
  for (size_t i = 0; i + 8 <= out.size(); i += 8) {
    uint64_t id;
    std::memcpy(&id, out.data() + i, 8);
    const Slot* slot = store.FindSlot(id);
    uint64_t encoded =
        (slot && slot->kind == SlotKind::Object && slot->db == &db) ? uint64_t{slot->index} + 1 : 0;
    std::memcpy(out.data() + i, &encoded, 8);
  }
  return out;
}

bool DecodeIds(Database& db, std::string* bytes) {
  for (size_t i = 0; i + 8 <= bytes->size(); i += 8) {
    uint64_t value;
    std::memcpy(&value, bytes->data() + i, 8);
    if (value > db.objects.size()) return false;
    uint64_t id = value ? db.At(static_cast<uint32_t>(value - 1)).id : 0;
    std::memcpy(bytes->data() + i, &id, 8);
  }
  return true;
}

bool IsIdEncoding(const PropertyInfo& info) {
  return info.enc == Enc::Ioid || info.enc == Enc::Ioids;
}

// Writes every row of db into an open, empty connection.
int32_t WriteRows(Database& db, Connection& c) {
  char pragmas[128];
  std::snprintf(pragmas, sizeof pragmas,
                "PRAGMA application_id=%" PRId32 ";PRAGMA user_version=%" PRId32 ";",
                kApplicationId, kSchemaVersion);
  if (!c.Exec("PRAGMA journal_mode=OFF;PRAGMA synchronous=OFF;") || !c.Exec(pragmas) ||
      !c.Exec("BEGIN;") || !c.Exec(kSchema))
    return Fail(VDB_E_FILE_WRITE, "cannot create the schema: %s", c.Message());
  sqlite3_stmt* meta = c.Prepare("INSERT INTO meta VALUES(?,?)");
  sqlite3_stmt* object = c.Prepare("INSERT INTO objects VALUES(?,?,?,?)");
  sqlite3_stmt* link = c.Prepare("INSERT INTO links VALUES(?,?,?)");
  sqlite3_stmt* property = c.Prepare("INSERT INTO properties VALUES(?,?,?)");
  if (!meta || !object || !link || !property)
    return Fail(VDB_E_FILE_WRITE, "cannot prepare the file: %s", c.Message());

  int64_t rows = 0;
  const int64_t failAfter = g_failAfterRows.load();
  auto step = [&](sqlite3_stmt* s) {
    if (failAfter >= 0 && rows >= failAfter) return false;  // simulated failure (tests)
    ++rows;
    bool ok = sqlite3_step(s) == SQLITE_DONE;
    sqlite3_reset(s);
    sqlite3_clear_bindings(s);
    return ok;
  };

  sqlite3_bind_text(meta, 1, "invalid_objects", -1, SQLITE_STATIC);
  sqlite3_bind_int64(meta, 2, db.invalidObjectsFlag);
  if (!step(meta)) return Fail(VDB_E_FILE_WRITE, "cannot write: %s", c.Message());

  for (Object& o : db.objects) {
    sqlite3_bind_int64(object, 1, o.number);
    sqlite3_bind_int64(object, 2, o.type);
    sqlite3_bind_blob(object, 3, o.name.data(), static_cast<int>(o.name.size()), SQLITE_STATIC);
    if (o.parent == kNoNumber)
      sqlite3_bind_null(object, 4);
    else
      sqlite3_bind_int64(object, 4, o.parent);
    if (!step(object)) return Fail(VDB_E_FILE_WRITE, "cannot write: %s", c.Message());
    for (const auto& [propertyId, bytes] : o.properties) {
      PropertyInfo info;
      PropertyFor(o.type, propertyId, &info);
      std::string value = IsIdEncoding(info) ? EncodeIds(db, bytes) : bytes;
      sqlite3_bind_int64(property, 1, o.number);
      sqlite3_bind_int64(property, 2, propertyId);
      sqlite3_bind_blob(property, 3, value.data(), static_cast<int>(value.size()),
                        SQLITE_TRANSIENT);
      if (!step(property)) return Fail(VDB_E_FILE_WRITE, "cannot write: %s", c.Message());
    }
  }
  int64_t sequence = 0;
  for (const auto& [objectNumber, parentNumber] : db.links) {
    sqlite3_bind_int64(link, 1, sequence++);
    sqlite3_bind_int64(link, 2, objectNumber);
    sqlite3_bind_int64(link, 3, parentNumber);
    if (!step(link)) return Fail(VDB_E_FILE_WRITE, "cannot write: %s", c.Message());
  }
  if (!c.Exec("COMMIT;")) return Fail(VDB_E_FILE_WRITE, "cannot write: %s", c.Message());
  return VDB_OK;
}

// Creates a new file next to `path` (permissions 0666 before umask).
int CreateTemporary(const std::string& path, std::string* temp) {
  static std::atomic<unsigned> counter{0};
  for (int attempt = 0; attempt < 100; ++attempt) {
    *temp = path + ".tmp-" + std::to_string(getpid()) + "-" + std::to_string(counter++);
    int fd = open(temp->c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  return -1;
}

bool SyncFile(const std::string& path, bool directory) {
  int fd = open(path.c_str(), (directory ? O_RDONLY | O_DIRECTORY : O_RDWR) | O_CLOEXEC);
  if (fd < 0) return false;
  bool ok = fsync(fd) == 0 || directory;  // some file systems refuse fsync on folders
  close(fd);
  return ok;
}

// The objects in number order, each created below its parent; `count`
// gets the number of objects read.
int32_t ReadObjects(Connection& c, Database* db, uint32_t* count) {
  Store& store = Store::Get();
  sqlite3_stmt* s = c.Prepare("SELECT number, type, name, parent FROM objects ORDER BY number");
  if (!s) return Fail(VDB_E_FILE_FORMAT, "the file lacks the objects table: %s", c.Message());
  int rc;
  uint32_t& expected = *count;
  expected = 0;
  while ((rc = sqlite3_step(s)) == SQLITE_ROW) {
    const int64_t number = sqlite3_column_int64(s, 0);
    const int64_t type = sqlite3_column_int64(s, 1);
    const char* blob = static_cast<const char*>(sqlite3_column_blob(s, 2));
    std::string name(blob ? blob : "", static_cast<size_t>(sqlite3_column_bytes(s, 2)));
    const bool root = sqlite3_column_type(s, 3) == SQLITE_NULL;
    const int64_t parent = sqlite3_column_int64(s, 3);
    if (number != expected)
      return Fail(VDB_E_FILE_CORRUPT, "object numbers are not consecutive at %" PRId64, number);
    if (number == 0) {
      if (!root || type != VELAN_OT_DATABASE)
        return Fail(VDB_E_FILE_CORRUPT, "the first object is not the database");
      db->Root().name = name;
    } else {
      if (root || parent < 0 || parent >= number || type < 0 || type > 0xFFFFFFFFll)
        return Fail(VDB_E_FILE_CORRUPT, "object %" PRId64 " has an invalid parent or type", number);
      if (name.find('\0') != std::string::npos)
        return Fail(VDB_E_FILE_CORRUPT, "object %" PRId64 " has a NUL in its name", number);
      const Object& p = db->At(static_cast<uint32_t>(parent));
      uint64_t id = 0;
      if (int32_t r =
              store.CreateChild(db, static_cast<uint32_t>(type), name.c_str(), p.type, p.id, &id);
          r < 0)
        return Fail(VDB_E_FILE_CORRUPT, "object %" PRId64 ": %s", number, LastError());
    }
    ++expected;
  }
  if (rc != SQLITE_DONE) return Fail(VDB_E_FILE_CORRUPT, "cannot read objects: %s", c.Message());
  if (expected == 0) return Fail(VDB_E_FILE_CORRUPT, "the file holds no database object");

  return VDB_OK;
}

// The extra links between the `expected` objects, in their saved order.
int32_t ReadLinks(Connection& c, Database* db, uint32_t expected) {
  Store& store = Store::Get();
  int rc;
  sqlite3_stmt* s = c.Prepare("SELECT object, parent FROM links ORDER BY sequence");
  if (!s) return Fail(VDB_E_FILE_FORMAT, "the file lacks the links table: %s", c.Message());
  while ((rc = sqlite3_step(s)) == SQLITE_ROW) {
    const int64_t object = sqlite3_column_int64(s, 0);
    const int64_t parent = sqlite3_column_int64(s, 1);
    if (object < 0 || object >= expected || parent < 0 || parent >= expected)
      return Fail(VDB_E_FILE_CORRUPT, "a link names a missing object");
    const Object& p = db->At(static_cast<uint32_t>(parent));
    if (store.Link(db, db->At(static_cast<uint32_t>(object)).id, p.type, p.id) < 0)
      return Fail(VDB_E_FILE_CORRUPT, "link of object %" PRId64 ": %s", object, LastError());
  }
  if (rc != SQLITE_DONE) return Fail(VDB_E_FILE_CORRUPT, "cannot read links: %s", c.Message());

  return VDB_OK;
}

// The property values of the `expected` objects; identifier lists are
// mapped back from object numbers.
int32_t ReadProperties(Connection& c, Database* db, uint32_t expected) {
  Store& store = Store::Get();
  int rc;
  sqlite3_stmt* s =
      c.Prepare("SELECT object, property, value FROM properties ORDER BY object, property");
  if (!s) return Fail(VDB_E_FILE_FORMAT, "the file lacks the properties table: %s", c.Message());
  while ((rc = sqlite3_step(s)) == SQLITE_ROW) {
    const int64_t object = sqlite3_column_int64(s, 0);
    const int64_t propertyId = sqlite3_column_int64(s, 1);
    const char* blob = static_cast<const char*>(sqlite3_column_blob(s, 2));
    std::string value(blob ? blob : "", static_cast<size_t>(sqlite3_column_bytes(s, 2)));
    if (object < 0 || object >= expected || propertyId < 0 || propertyId > 0xFFFFFFFFll)
      return Fail(VDB_E_FILE_CORRUPT, "a property names a missing object");
    Object& o = db->At(static_cast<uint32_t>(object));
    PropertyInfo info;
    if (PropertyFor(o.type, static_cast<uint32_t>(propertyId), &info) == VDB_OK &&
        IsIdEncoding(info) && !DecodeIds(*db, &value))
      return Fail(VDB_E_FILE_CORRUPT, "object %" PRId64 " refers to a missing object", object);
    if (store.SetProperty(db, o.id, static_cast<uint32_t>(propertyId), value.data(),
                          static_cast<uint32_t>(value.size())) < 0)
      return Fail(VDB_E_FILE_CORRUPT, "property of object %" PRId64 ": %s", object, LastError());
  }
  if (rc != SQLITE_DONE) return Fail(VDB_E_FILE_CORRUPT, "cannot read properties: %s", c.Message());

  return VDB_OK;
}

// The database's invalid-objects flag.
int32_t ReadMeta(Connection& c, Database* db) {
  int64_t flag = 0;
  sqlite3_stmt* m = c.Prepare("SELECT value FROM meta WHERE key='invalid_objects'");
  if (!m) return Fail(VDB_E_FILE_FORMAT, "the file lacks the meta table: %s", c.Message());
  if (sqlite3_step(m) == SQLITE_ROW) flag = sqlite3_column_int64(m, 0);
  db->invalidObjectsFlag = static_cast<uint8_t>(flag != 0);
  return VDB_OK;
}

// Reads an opened file into a new database. On failure the caller destroys
// what was built.
int32_t ReadRows(Connection& c, Database* db) {
  uint32_t count = 0;
  if (int32_t r = ReadObjects(c, db, &count); r != VDB_OK) return r;
  if (int32_t r = ReadLinks(c, db, count); r != VDB_OK) return r;
  if (int32_t r = ReadProperties(c, db, count); r != VDB_OK) return r;
  return ReadMeta(c, db);
}

}  // namespace

void SetSaveFailureAfterRows(int64_t rows) {
  g_failAfterRows = rows;
}

int32_t SaveToFile(uint32_t handle, const char* path) {
  Store& store = Store::Get();
  Lock lock(store.mutex);
  Database* db = store.FindDatabase(handle);
  if (!db) return VDB_E_UNKNOWN_HANDLE;

  std::string temp;
  int fd = CreateTemporary(path, &temp);
  if (fd < 0)
    return Fail(VDB_E_FILE_WRITE, "cannot create a file in %s: %s", vplat::FolderOf(path).c_str(),
                std::strerror(errno));
  close(fd);
  int32_t result;
  {
    Connection c;
    if (c.Open(temp.c_str(), SQLITE_OPEN_READWRITE) != SQLITE_OK)
      result = Fail(VDB_E_FILE_WRITE, "cannot open %s: %s", temp.c_str(), c.Message());
    else
      result = WriteRows(*db, c);
  }
  if (result == VDB_OK && !SyncFile(temp, false))
    result = Fail(VDB_E_FILE_WRITE, "cannot flush %s: %s", temp.c_str(), std::strerror(errno));
  if (result == VDB_OK && std::rename(temp.c_str(), path) != 0)
    result = Fail(VDB_E_FILE_WRITE, "cannot replace %s: %s", path, std::strerror(errno));
  if (result != VDB_OK) {
    unlink(temp.c_str());
    return result;
  }
  SyncFile(vplat::FolderOf(path), true);
  return VDB_OK;
}

int32_t OpenFromFile(const char* path, uint32_t* handle) {
  Connection c;
  if (c.Open(path, SQLITE_OPEN_READONLY) != SQLITE_OK)
    return Fail(VDB_E_FILE_OPEN, "cannot open %s: %s", path, c.Message());
  int64_t applicationId = 0;
  if (!c.Integer("PRAGMA application_id", &applicationId)) {
    const int code = sqlite3_errcode(c.get());
    if (code == SQLITE_NOTADB) return Fail(VDB_E_FILE_FORMAT, "%s is not a database file", path);
    if (code == SQLITE_CORRUPT)
      return Fail(VDB_E_FILE_CORRUPT, "%s is damaged: %s", path, c.Message());
    return Fail(VDB_E_FILE_OPEN, "cannot read %s: %s", path, c.Message());
  }
  int64_t version = 0;
  if (applicationId != kApplicationId || !c.Integer("PRAGMA user_version", &version))
    return Fail(VDB_E_FILE_FORMAT, "%s is not a database file of this host", path);
  if (version != kSchemaVersion)
    return Fail(VDB_E_FILE_FORMAT, "%s has schema version %" PRId64 ", this host reads %" PRId32,
                path, version, kSchemaVersion);
  sqlite3_stmt* check = c.Prepare("PRAGMA integrity_check");
  if (!check || sqlite3_step(check) != SQLITE_ROW ||
      std::strcmp(reinterpret_cast<const char*>(sqlite3_column_text(check, 0)), "ok") != 0)
    return Fail(VDB_E_FILE_CORRUPT, "%s fails the integrity check: %s", path,
                check && sqlite3_column_text(check, 0)
                    ? reinterpret_cast<const char*>(sqlite3_column_text(check, 0))
                    : c.Message());

  Store& store = Store::Get();
  Lock lock(store.mutex);
  Database* db = nullptr;
  if (int32_t r = store.CreateDatabase("", &db); r < 0) return r;
  const uint32_t newHandle = db->handle;
  int32_t result;
  try {
    result = ReadRows(c, db);
  } catch (...) {
    store.DestroyDatabase(newHandle);
    throw;
  }
  if (result < 0) {
    std::string message = LastError();
    store.DestroyDatabase(newHandle);
    return Fail(result, "%s: %s", path, message.c_str());
  }
  *handle = newHandle;
  return VDB_OK;
}

}  // namespace vdb
