// The object store: databases, objects, identifiers and the creation checks.
#include "store.h"

#include <cinttypes>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "read_view.h"
#include "velan/host_vocabulary.h"
#include "velan/velandb_host.h"

namespace vdb {
namespace {

thread_local std::string g_lastError;

void VSetError(const char* format, va_list args) {
  char buffer[512];
  std::vsnprintf(buffer, sizeof buffer, format, args);
  try {
    g_lastError = buffer;
  } catch (...) {
  }
}

}  // namespace

void SetError(const char* format, ...) {
  va_list args;
  va_start(args, format);
  VSetError(format, args);
  va_end(args);
}

int32_t Fail(int32_t code, const char* format, ...) {
  va_list args;
  va_start(args, format);
  VSetError(format, args);
  va_end(args);
  return code;
}

const char* LastError() {
  return g_lastError.c_str();
}

std::string TypeText(uint32_t type) {
  const char* name = TypeName(type);
  return name ? std::string(name) : "type " + std::to_string(type);
}

Database::Database() = default;
Database::~Database() = default;

Store& Store::Get() {
  // Never destroyed: other libraries may still call in while the process ends.
  static Store* store = new Store;
  return *store;
}

int32_t Store::AllocateId(Database* db, uint32_t index, SlotKind kind, uint64_t* id) {
  if (freed_.size() > kReuseDelay) {
    *id = freed_.front();
    freed_.pop_front();
    slots_[*id] = Slot{db, index, kind};
    return VDB_OK;
  }
  if (slots_.size() >= VDB_ID_LIMIT)
    return Fail(VDB_E_OUT_OF_IDENTIFIERS, "all object identifiers are used up");
  slots_.push_back(Slot{db, index, kind});
  *id = slots_.size() - 1;
  return VDB_OK;
}

void Store::FreeId(uint64_t id) {
  if (id == 0 || id >= slots_.size() || slots_[id].kind == SlotKind::Free) return;
  slots_[id] = Slot{};
  try {
    freed_.push_back(id);
  } catch (...) {
    // Out of memory: this identifier is simply never reused.
  }
}

const Slot* Store::FindSlot(uint64_t id) const {
  if (id == 0 || id >= slots_.size() || slots_[id].kind == SlotKind::Free) return nullptr;
  return &slots_[id];
}

void Store::MoveSlot(uint64_t id, uint32_t index) {
  if (id < slots_.size()) slots_[id].index = index;
}

int32_t Store::CreateDatabase(const char* name, Database** out) {
  auto db = std::make_unique<Database>();
  Object root;
  root.type = VELAN_OT_DATABASE;
  root.number = 0;
  root.name = name ? name : "";
  uint64_t id = 0;
  if (int32_t r = AllocateId(db.get(), 0, SlotKind::Object, &id); r < 0) return r;
  root.id = id;
  db->handle = static_cast<uint32_t>(id);
  try {
    db->objects.push_back(std::move(root));
    databases_[db->handle] = std::move(db);
  } catch (...) {
    FreeId(id);
    throw;
  }
  *out = databases_[static_cast<uint32_t>(id)].get();
  return VDB_OK;
}

int32_t Store::DestroyDatabase(uint32_t handle) {
  auto it = databases_.find(handle);
  if (it == databases_.end())
    return Fail(VDB_E_UNKNOWN_HANDLE, "no database with handle %" PRIu32, handle);
  Database* db = it->second.get();
  for (const Object& o : db->objects) FreeId(o.id);
  if (db->view) ReleaseView(*db);
  databases_.erase(it);
  return VDB_OK;
}

Database* Store::FindDatabase(uint32_t handle) {
  auto it = databases_.find(handle);
  if (it == databases_.end()) {
    SetError("no database with handle %" PRIu32, handle);
    return nullptr;
  }
  return it->second.get();
}

Object* Store::FindObject(uint64_t id, Database** db) {
  const Slot* slot = FindSlot(id);
  if (!slot || slot->kind != SlotKind::Object) {
    SetError("no object with identifier %" PRIu64, id);
    return nullptr;
  }
  if (db) *db = slot->db;
  return &slot->db->At(slot->index);
}

std::vector<Database*> Store::Databases() {
  std::vector<Database*> result;
  for (auto& entry : databases_) result.push_back(entry.second.get());
  return result;
}

namespace {

// Finds an object of db by identifier for the import checks.
int32_t ObjectOf(Store& store, Database* db, uint64_t id, const char* role, Object** out) {
  Database* owner = nullptr;
  Object* o = store.FindObject(id, &owner);
  if (!o) return Fail(VDB_E_UNKNOWN_OBJECT, "no %s object with identifier %" PRIu64, role, id);
  if (owner != db)
    return Fail(VDB_E_OTHER_DATABASE,
                "%s object %" PRIu64 " belongs to database %" PRIu32 ", not %" PRIu32, role, id,
                owner->handle, db->handle);
  *out = o;
  return VDB_OK;
}

}  // namespace

int32_t Store::CreateChild(Database* db, uint32_t type, const char* name, uint32_t parentType,
                           uint64_t parentId, uint64_t* id) {
  if (!id) return Fail(VDB_E_NULL_ARGUMENT, "no place for the object identifier");
  if (!IsKnownType(type)) return Fail(VDB_E_UNKNOWN_TYPE, "unknown object type %" PRIu32, type);
  if (!IsKnownType(parentType))
    return Fail(VDB_E_UNKNOWN_TYPE, "unknown parent object type %" PRIu32, parentType);
  Object* parent = nullptr;
  if (int32_t r = ObjectOf(*this, db, parentId, "parent", &parent); r < 0) return r;
  if (parent->type != parentType)
    return Fail(VDB_E_PARENT_TYPE, "parent %" PRIu64 " is a %s, not a %s", parentId,
                TypeText(parent->type).c_str(), TypeText(parentType).c_str());
  if (!ChildAllowed(parent->type, type))
    return Fail(VDB_E_CHILD_NOT_ALLOWED, "a %s cannot hold a %s", TypeText(parent->type).c_str(),
                TypeText(type).c_str());
  if ((!name || !*name) && !MayBeNameless(type))
    return Fail(VDB_E_NAME_REQUIRED, "a %s needs a name", TypeText(type).c_str());
  if (db->objects.size() >= kNoNumber)
    return Fail(VDB_E_OUT_OF_IDENTIFIERS, "too many objects in one database");

  const uint32_t number = static_cast<uint32_t>(db->objects.size());
  const uint32_t parentNumber = parent->number;
  uint64_t newId = 0;
  if (int32_t r = AllocateId(db, number, SlotKind::Object, &newId); r < 0) return r;
  std::vector<uint32_t>& siblings = db->At(parentNumber).children;
  try {
    Object o;
    o.id = newId;
    o.type = type;
    o.number = number;
    o.parent = parentNumber;
    if (name) o.name = name;
    siblings.push_back(number);
    try {
      db->objects.push_back(std::move(o));
    } catch (...) {
      siblings.pop_back();
      throw;
    }
  } catch (...) {
    FreeId(newId);
    throw;
  }
  ++db->generation;
  db->created.fetch_add(1, std::memory_order_relaxed);
  *id = newId;
  return VDB_OK;
}

int32_t Store::Link(Database* db, uint64_t objectId, uint32_t parentType, uint64_t parentId) {
  Object* object = nullptr;
  Object* parent = nullptr;
  if (int32_t r = ObjectOf(*this, db, objectId, "linked", &object); r < 0) return r;
  if (int32_t r = ObjectOf(*this, db, parentId, "parent", &parent); r < 0) return r;
  if (!IsKnownType(parentType))
    return Fail(VDB_E_UNKNOWN_TYPE, "unknown parent object type %" PRIu32, parentType);
  if (parent->type != parentType)
    return Fail(VDB_E_PARENT_TYPE, "parent %" PRIu64 " is a %s, not a %s", parentId,
                TypeText(parent->type).c_str(), TypeText(parentType).c_str());
  if (!LinkAllowed(object->type, parent->type))
    return Fail(VDB_E_LINK_NOT_ALLOWED, "a %s cannot be linked to a %s",
                TypeText(object->type).c_str(), TypeText(parent->type).c_str());
  for (uint32_t p : object->extraParents)
    if (p == parent->number) return VDB_OK;  // already linked: nothing changes
  db->links.emplace_back(object->number, parent->number);
  try {
    parent->linkedChildren.push_back(object->number);
    try {
      object->extraParents.push_back(parent->number);
    } catch (...) {
      parent->linkedChildren.pop_back();
      throw;
    }
  } catch (...) {
    db->links.pop_back();
    throw;
  }
  ++db->generation;
  return VDB_OK;
}

int32_t Store::SetProperty(Database* db, uint64_t objectId, uint32_t propertyId, const void* value,
                           uint32_t size) {
  Object* object = nullptr;
  if (int32_t r = ObjectOf(*this, db, objectId, "", &object); r < 0) return r;
  PropertyInfo info;
  int32_t r = PropertyFor(object->type, propertyId, &info);
  if (r == VDB_E_UNKNOWN_PROPERTY)
    return Fail(r, "unknown property identifier 0x%08" PRIX32, propertyId);
  if (r < 0)
    return Fail(r, "property 0x%08" PRIX32 " (%s) does not belong to a %s", propertyId, info.name,
                TypeText(object->type).c_str());
  if (size > 0 && !value)
    return Fail(VDB_E_NULL_ARGUMENT, "null value of %" PRIu32 " bytes for %s", size, info.name);
  if (!ValueFits(info, value, size))
    return Fail(VDB_E_VALUE_SIZE, "%s takes %s, not %" PRIu32 " bytes", info.name,
                ExpectedSizeText(info), size);
  uint32_t stored = size;
  if (info.enc == Enc::Str && size > 0 && static_cast<const char*>(value)[size - 1] == '\0')
    --stored;
  std::string bytes(static_cast<const char*>(value ? value : ""), stored);
  object->properties[propertyId] = std::move(bytes);
  ++db->generation;
  return VDB_OK;
}

}  // namespace vdb
