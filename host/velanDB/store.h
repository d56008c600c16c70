// The in-memory object store of the reference host: databases, objects with
// their properties, the process-wide identifier table and the checks that
// every creating or changing call passes. Every function here expects the
// caller to hold Store::mutex (see Lock()).
#ifndef VELAN_HOST_VELANDB_STORE_H
#define VELAN_HOST_VELANDB_STORE_H

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "velan/velandb_host.h"
#include "vocabulary.h"

namespace vdb {

constexpr uint32_t kNoNumber = 0xFFFFFFFFu;

// Properties of one object, ordered by identifier: identifier -> bytes.
// A sorted vector, since an object carries a handful of properties; it takes
// less than half the memory of a tree and finds an identifier faster.
class PropertyMap {
 public:
  using value_type = std::pair<uint32_t, std::string>;
  using iterator = std::vector<value_type>::iterator;
  using const_iterator = std::vector<value_type>::const_iterator;

  iterator begin() { return items_.begin(); }
  iterator end() { return items_.end(); }
  const_iterator begin() const { return items_.begin(); }
  const_iterator end() const { return items_.end(); }
  size_t size() const { return items_.size(); }
  bool empty() const { return items_.empty(); }

  const_iterator find(uint32_t id) const {
    const_iterator it = LowerBound(items_.begin(), items_.end(), id);
    return it != items_.end() && it->first == id ? it : items_.end();
  }
  size_t count(uint32_t id) const { return find(id) != end() ? 1 : 0; }
  // The value stored under `id`, inserted empty when missing.
  std::string& operator[](uint32_t id) {
    iterator it = LowerBound(items_.begin(), items_.end(), id);
    if (it == items_.end() || it->first != id) it = items_.emplace(it, id, std::string());
    return it->second;
  }

 private:
  // A forward scan: the lists are short, and the scan beats a binary search
  // on them.
  template <typename It>
  static It LowerBound(It first, It last, uint32_t id) {
    while (first != last && first->first < id) ++first;
    return first;
  }

  std::vector<value_type> items_;
};

struct Object {
  uint64_t id = 0;
  uint32_t type = 0;
  uint32_t number = 0;          // position in creation order within the database
  uint32_t parent = kNoNumber;  // number of the parent; none for the DATABASE
  std::string name;
  std::vector<uint32_t> children;        // numbers, creation order
  std::vector<uint32_t> extraParents;    // numbers, link order
  std::vector<uint32_t> linkedChildren;  // objects linked to this one, link order
  PropertyMap properties;                // identifier -> bytes (texts without NUL)
};

struct ReadView;  // read_view.h

struct Fault {
  uint64_t callNumber = 0;  // 0: none armed
  int32_t code = 0;
  bool perform = false;
};

struct Database {
  Database();
  ~Database();
  uint32_t handle = 0;
  std::deque<Object> objects;  // by number; deque keeps names at fixed addresses
  std::atomic<uint64_t> created{0};
  uint64_t importCalls = 0;
  Fault fault;
  uint8_t invalidObjectsFlag = 0;
  // Set by a host application that wants DBC files without value tables;
  // an export option, not saved with the database.
  uint8_t omitValueTablesFlag = 0;
  bool openedByReader = false;  // opened through dbaOpenDatabase
  uint64_t generation = 0;      // bumped by every change of objects or properties
  // Every link (object number, parent number) in the order made, so that a
  // database file restores the link order on both sides.
  std::vector<std::pair<uint32_t, uint32_t>> links;
  std::unique_ptr<ReadView> view;

  Object& Root() { return objects.front(); }
  Object& At(uint32_t number) { return objects[number]; }
};

// What a process-wide identifier names.
enum class SlotKind : uint8_t { Free, Object, ViewSignal };
struct Slot {
  Database* db = nullptr;
  uint32_t index = 0;  // object number, or index of a view signal
  SlotKind kind = SlotKind::Free;
};

// The store's lock. It counts how often it was taken, so that a caller can
// tell that no other call ran between two of its own.
class StoreMutex {
 public:
  void lock() {
    mutex_.lock();
    ++entries_;
  }
  bool try_lock() {
    if (!mutex_.try_lock()) return false;
    ++entries_;
    return true;
  }
  void unlock() { mutex_.unlock(); }
  // How often the lock was taken so far; read it while holding the lock.
  uint64_t Entries() const { return entries_; }

 private:
  std::recursive_mutex mutex_;
  uint64_t entries_ = 0;
};

// The value the last size query of the read interface computed, kept for
// the read that follows it (a reader asks for the size of a text or list and
// then for its bytes). The read takes it only when it names the same object
// and property and the store's lock was not taken by anyone in between, so
// that nothing can have changed; otherwise the value is computed again. Its
// storage is reused by every read.
struct LastValue {
  uint64_t entry = 0;  // lock entry of the size query; 0 when there is none
  uint32_t object = 0;
  uint32_t propertyId = 0;
  std::string bytes;
};

class Store {
 public:
  static Store& Get();
  StoreMutex mutex;

  // Allocates an identifier for an object or view signal.
  int32_t AllocateId(Database* db, uint32_t index, SlotKind kind, uint64_t* id);
  // Makes an identifier unknown; it is given out again only after more than
  // kReuseDelay others have been freed since.
  void FreeId(uint64_t id);
  // Freed identifiers kept unknown before one is reused: a stale identifier
  // keeps failing for a long while, and a process that imports again and
  // again keeps a bounded table instead of one slot per object ever made.
  static constexpr size_t kReuseDelay = size_t{1} << 16;

  int32_t CreateDatabase(const char* name, Database** out);
  int32_t DestroyDatabase(uint32_t handle);

  // Resolve identifiers. Null with the error set when unknown.
  Database* FindDatabase(uint32_t handle);
  Object* FindObject(uint64_t id, Database** db);
  const Slot* FindSlot(uint64_t id) const;
  // Points an identifier of a view signal at another index of its view.
  void MoveSlot(uint64_t id, uint32_t index);

  // Object creation and change with every check of the import interface.
  int32_t CreateChild(Database* db, uint32_t type, const char* name, uint32_t parentType,
                      uint64_t parentId, uint64_t* id);
  int32_t Link(Database* db, uint64_t objectId, uint32_t parentType, uint64_t parentId);
  int32_t SetProperty(Database* db, uint64_t objectId, uint32_t propertyId, const void* value,
                      uint32_t size);

  std::vector<Database*> Databases();

  LastValue lastValue;  // read interface; guarded by the lock

 private:
  std::vector<Slot> slots_{1};  // slot 0 is never used
  std::deque<uint64_t> freed_;  // freed identifiers, oldest first
  std::map<uint32_t, std::unique_ptr<Database>> databases_;
};

using Lock = std::lock_guard<StoreMutex>;

// The last failure text of the calling thread.
void SetError(const char* format, ...) __attribute__((format(printf, 1, 2)));
int32_t Fail(int32_t code, const char* format, ...) __attribute__((format(printf, 2, 3)));
const char* LastError();

// Runs body and turns escaping exceptions into status codes.
template <typename F>
int32_t Guarded(F&& body) {
  try {
    return body();
  } catch (const std::bad_alloc&) {
    return Fail(VDB_E_OUT_OF_MEMORY, "out of memory");
  } catch (...) {
    return Fail(VDB_E_INTERNAL, "internal error");
  }
}

// Name of an object type for messages: the table name or "type N".
std::string TypeText(uint32_t type);

}  // namespace vdb

#endif
