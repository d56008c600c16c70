// The host application interface (velandb_host.h).
#include <algorithm>
#include <cinttypes>
#include <cstring>
#include <string>

#include "db_file.h"
#include "store.h"
#include "tree_print.h"
#include "velan/velandb_host.h"

using vdb::Database;
using vdb::Fail;
using vdb::Lock;
using vdb::Object;
using vdb::Store;

int32_t vdbCreateDatabase(const char* name, uint32_t* handle) {
  return vdb::Guarded([&]() -> int32_t {
    if (!handle) return Fail(VDB_E_NULL_ARGUMENT, "no place for the handle");
    Store& store = Store::Get();
    Lock lock(store.mutex);
    Database* db = nullptr;
    if (int32_t r = store.CreateDatabase(name, &db); r < 0) return r;
    *handle = db->handle;
    return VDB_OK;
  });
}

int32_t vdbDestroyDatabase(uint32_t handle) {
  return vdb::Guarded([&]() -> int32_t {
    Store& store = Store::Get();
    Lock lock(store.mutex);
    return store.DestroyDatabase(handle);
  });
}

uint64_t vdbObjectCount(uint32_t handle) {
  try {
    Store& store = Store::Get();
    Lock lock(store.mutex);
    Database* db = store.FindDatabase(handle);
    return db ? db->created.load(std::memory_order_relaxed) : 0;
  } catch (...) {
    return 0;
  }
}

int32_t vdbGetObject(uint64_t id, vdbObjectInfo* info) {
  return vdb::Guarded([&]() -> int32_t {
    if (!info) return Fail(VDB_E_NULL_ARGUMENT, "no place for the object information");
    Store& store = Store::Get();
    Lock lock(store.mutex);
    Database* db = nullptr;
    Object* o = store.FindObject(id, &db);
    if (!o) return VDB_E_UNKNOWN_OBJECT;
    info->id = o->id;
    info->parent = o->parent == vdb::kNoNumber ? 0 : db->At(o->parent).id;
    info->name = o->name.c_str();
    info->type = o->type;
    info->database = db->handle;
    info->number = o->number;
    info->childCount = static_cast<uint32_t>(o->children.size());
    info->extraParentCount = static_cast<uint32_t>(o->extraParents.size());
    info->propertyCount = static_cast<uint32_t>(o->properties.size());
    return VDB_OK;
  });
}

namespace {

int32_t NumberedId(uint64_t id, uint32_t index, bool children, uint64_t* out) {
  if (!out) return Fail(VDB_E_NULL_ARGUMENT, "no place for the identifier");
  Store& store = Store::Get();
  Lock lock(store.mutex);
  Database* db = nullptr;
  Object* o = store.FindObject(id, &db);
  if (!o) return VDB_E_UNKNOWN_OBJECT;
  const std::vector<uint32_t>& list = children ? o->children : o->extraParents;
  if (index >= list.size())
    return Fail(VDB_E_NOT_FOUND, "object %" PRIu64 " has no %s %" PRIu32, id,
                children ? "child" : "extra parent", index);
  *out = db->At(list[index]).id;
  return VDB_OK;
}

}  // namespace

int32_t vdbGetChild(uint64_t id, uint32_t index, uint64_t* child) {
  return vdb::Guarded([&] { return NumberedId(id, index, true, child); });
}

int32_t vdbGetExtraParent(uint64_t id, uint32_t index, uint64_t* parent) {
  return vdb::Guarded([&] { return NumberedId(id, index, false, parent); });
}

int32_t vdbFindChild(uint64_t parent, uint32_t type, const char* name, uint64_t* child) {
  return vdb::Guarded([&]() -> int32_t {
    if (!child) return Fail(VDB_E_NULL_ARGUMENT, "no place for the identifier");
    Store& store = Store::Get();
    Lock lock(store.mutex);
    Database* db = nullptr;
    Object* o = store.FindObject(parent, &db);
    if (!o) return VDB_E_UNKNOWN_OBJECT;
    for (uint32_t n : o->children) {
      const Object& c = db->At(n);
      if (c.type == type && (!name || c.name == name)) {
        *child = c.id;
        return VDB_OK;
      }
    }
    return Fail(VDB_E_NOT_FOUND, "object %" PRIu64 " has no such child", parent);
  });
}

int32_t vdbGetPropertyId(uint64_t id, uint32_t index, uint32_t* propertyId) {
  return vdb::Guarded([&]() -> int32_t {
    if (!propertyId) return Fail(VDB_E_NULL_ARGUMENT, "no place for the property identifier");
    Store& store = Store::Get();
    Lock lock(store.mutex);
    Object* o = store.FindObject(id, nullptr);
    if (!o) return VDB_E_UNKNOWN_OBJECT;
    if (index >= o->properties.size())
      return Fail(VDB_E_NOT_FOUND, "object %" PRIu64 " has no property %" PRIu32, id, index);
    auto it = o->properties.begin();
    std::advance(it, index);
    *propertyId = it->first;
    return VDB_OK;
  });
}

int32_t vdbGetProperty(uint64_t id, uint32_t propertyId, void* buffer, uint32_t capacity,
                       uint32_t* size) {
  return vdb::Guarded([&]() -> int32_t {
    if (capacity > 0 && !buffer) return Fail(VDB_E_NULL_ARGUMENT, "null buffer");
    Store& store = Store::Get();
    Lock lock(store.mutex);
    Object* o = store.FindObject(id, nullptr);
    if (!o) return VDB_E_UNKNOWN_OBJECT;
    auto it = o->properties.find(propertyId);
    if (it == o->properties.end())
      return Fail(VDB_E_NOT_FOUND, "object %" PRIu64 " has no property 0x%08" PRIX32, id,
                  propertyId);
    const std::string& bytes = it->second;
    if (capacity > 0) std::memcpy(buffer, bytes.data(), std::min<size_t>(capacity, bytes.size()));
    if (size) *size = static_cast<uint32_t>(bytes.size());
    return VDB_OK;
  });
}

namespace {

int32_t TreeText(uint64_t root, std::string* text) {
  Store& store = Store::Get();
  Lock lock(store.mutex);
  Database* db = nullptr;
  Object* o = store.FindObject(root, &db);
  if (!o) return VDB_E_UNKNOWN_OBJECT;
  vdb::FormatTree(*db, o->number, text);
  return VDB_OK;
}

}  // namespace

int32_t vdbPrintTree(uint64_t root, FILE* out) {
  return vdb::Guarded([&]() -> int32_t {
    if (!out) return Fail(VDB_E_NULL_ARGUMENT, "no output stream");
    std::string text;
    if (int32_t r = TreeText(root, &text); r < 0) return r;
    if (std::fwrite(text.data(), 1, text.size(), out) != text.size())
      return Fail(VDB_E_FILE_WRITE, "the object tree could not be written");
    return VDB_OK;
  });
}

int32_t vdbFormatTree(uint64_t root, char* buffer, size_t size, size_t* length) {
  return vdb::Guarded([&]() -> int32_t {
    if (size > 0 && !buffer) return Fail(VDB_E_NULL_ARGUMENT, "null buffer");
    std::string text;
    if (int32_t r = TreeText(root, &text); r < 0) return r;
    if (size > 0) {
      const size_t n = std::min(size - 1, text.size());
      std::memcpy(buffer, text.data(), n);
      buffer[n] = '\0';
    }
    if (length) *length = text.size();
    return VDB_OK;
  });
}

int32_t vdbInjectFault(uint32_t handle, uint64_t callNumber, int32_t code, int32_t performCall) {
  return vdb::Guarded([&]() -> int32_t {
    Store& store = Store::Get();
    Lock lock(store.mutex);
    Database* db = store.FindDatabase(handle);
    if (!db) return VDB_E_UNKNOWN_HANDLE;
    db->fault.callNumber = callNumber;
    db->fault.code = code;
    db->fault.perform = performCall != 0;
    return VDB_OK;
  });
}

uint64_t vdbImportCallCount(uint32_t handle) {
  try {
    Store& store = Store::Get();
    Lock lock(store.mutex);
    Database* db = store.FindDatabase(handle);
    return db ? db->importCalls : 0;
  } catch (...) {
    return 0;
  }
}

int32_t vdbSaveDatabase(uint32_t handle, const char* path) {
  return vdb::Guarded([&]() -> int32_t {
    if (!path || !*path) return Fail(VDB_E_NULL_ARGUMENT, "no file path");
    return vdb::SaveToFile(handle, path);
  });
}

int32_t vdbOpenDatabase(const char* path, uint32_t* handle) {
  return vdb::Guarded([&]() -> int32_t {
    if (!path || !*path) return Fail(VDB_E_NULL_ARGUMENT, "no file path");
    if (!handle) return Fail(VDB_E_NULL_ARGUMENT, "no place for the handle");
    return vdb::OpenFromFile(path, handle);
  });
}

const char* vdbLastError(void) {
  return vdb::LastError();
}
