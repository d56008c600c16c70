// The read interface used by the DBC exporter (velandb_read.h).
#include <dlfcn.h>

#include <cinttypes>
#include <cstring>
#include <string>

#include "db_file.h"
#include "read_view.h"
#include "store.h"
#include "velan/host_vocabulary.h"
#include "velan/read_properties.h"
#include "velan/velandb_host.h"
#include "velan/velandb_read.h"
#include "velan/vldbcex.h"
#include "velan_platform.h"

namespace vdb {
namespace {

// Records a failure; an error already in the record stays (first error kept).
void Report(dbaStatus* status, uint32_t code, uint32_t detail) {
  if (!status || (status->code & 0x80000000u)) return;
  status->code = code;
  status->detail = detail;
}

// Runs body under the lock; body answers 0 or a dbaStatus code and sets the
// detail. Exceptions become an internal error.
template <typename F>
void ReadCall(dbaStatus* status, F&& body) {
  uint32_t detail = 0;
  uint32_t code = 0;
  try {
    Store& store = Store::Get();
    Lock lock(store.mutex);
    code = body(&detail);
  } catch (...) {
    SetError("out of memory or internal error in the read interface");
    code = VDBA_E_INTERNAL;
    detail = VDBA_DETAIL_INTERNAL;
  }
  if (code) Report(status, code, detail);
}

uint32_t NullPointer(uint32_t* detail, const char* what) {
  SetError("%s is a null pointer", what);
  *detail = VDBA_DETAIL_NULL_POINTER;
  return VDBA_E_NULL_POINTER;
}

bool EndsWithDbc(const char* path) {
  const size_t n = std::strlen(path);
  if (n < 4) return false;
  const char* end = path + n - 4;
  return end[0] == '.' && (end[1] | 0x20) == 'd' && (end[2] | 0x20) == 'b' &&
         (end[3] | 0x20) == 'c';
}

// The folder of the file this library was loaded from.
std::string OwnFolder() {
  Dl_info info{};
  if (!dladdr(reinterpret_cast<void*>(&dbaSaveDatabase), &info) || !info.dli_fname) return ".";
  return vplat::FolderOf(info.dli_fname);
}

}  // namespace
}  // namespace vdb

using vdb::Database;
using vdb::Lock;
using vdb::Store;

void dbaGetPropertySize(uint32_t object, uint32_t propertyId, uint32_t* size, dbaStatus* status) {
  vdb::ReadCall(status, [&](uint32_t* detail) -> uint32_t {
    if (!size) return vdb::NullPointer(detail, "the size");
    vdb::LastValue& last = Store::Get().lastValue;
    last.entry = 0;
    if (int32_t r = vdb::ReadValue(object, propertyId, &last.bytes, detail); r != 0)
      return static_cast<uint32_t>(r);
    *size = static_cast<uint32_t>(last.bytes.size());
    last.entry = Store::Get().mutex.Entries();
    last.object = object;
    last.propertyId = propertyId;
    return 0;
  });
}

void dbaGetProperty(uint32_t object, uint32_t propertyId, uint32_t size, void* buffer,
                    dbaStatus* status) {
  vdb::ReadCall(status, [&](uint32_t* detail) -> uint32_t {
    if (!buffer && size > 0) return vdb::NullPointer(detail, "the buffer");
    vdb::LastValue& last = Store::Get().lastValue;
    const bool known = last.entry != 0 && last.entry + 1 == Store::Get().mutex.Entries() &&
                       last.object == object && last.propertyId == propertyId;
    last.entry = 0;
    const std::string& value = last.bytes;
    if (!known) {
      if (int32_t r = vdb::ReadValue(object, propertyId, &last.bytes, detail); r != 0)
        return static_cast<uint32_t>(r);
    }
    if (value.size() != size) {
      vdb::SetError("property 0x%08" PRIX32 " of %" PRIu32 " has %zu bytes, the buffer %" PRIu32,
                    propertyId, object, value.size(), size);
      *detail = VDBA_DETAIL_SIZE_MISMATCH;
      return VDBA_E_SIZE_MISMATCH;
    }
    if (size > 0) std::memcpy(buffer, value.data(), size);
    return 0;
  });
}

void dbaSetProperty(uint32_t object, uint32_t propertyId, uint32_t size, const void* value,
                    dbaStatus* status) {
  vdb::ReadCall(status, [&](uint32_t* detail) -> uint32_t {
    if (!value) return vdb::NullPointer(detail, "the value");
    // Only the two flags of a database can be written (the invalid-objects
    // flag and the flag that leaves value tables out of DBC files); anything
    // else is read-only (or absent).
    std::string current;
    if (int32_t r = vdb::ReadValue(object, propertyId, &current, detail); r != 0)
      return static_cast<uint32_t>(r);
    Database* db = nullptr;
    vdb::Object* o = Store::Get().FindObject(object, &db);
    const bool flag = propertyId == velan_read::kDatabaseShowInvalid ||
                      propertyId == velan_read::kDatabaseOmitValueTables;
    if (!flag || !o || o->type != VELAN_OT_DATABASE) {
      vdb::SetError("property 0x%08" PRIX32 " of %" PRIu32 " cannot be written", propertyId,
                    object);
      *detail = VDBA_DETAIL_READ_ONLY;
      return VDBA_E_READ_ONLY;
    }
    if (size != 1) {
      vdb::SetError("a database flag takes 1 byte, not %" PRIu32, size);
      *detail = VDBA_DETAIL_SIZE_MISMATCH;
      return VDBA_E_SIZE_MISMATCH;
    }
    const uint8_t byte = *static_cast<const uint8_t*>(value);
    if (propertyId == velan_read::kDatabaseShowInvalid)
      db->invalidObjectsFlag = byte;
    else
      db->omitValueTablesFlag = byte;
    return 0;
  });
}

void dbaOpenDatabase(uint32_t mode, const char* path, uint32_t* database, dbaStatus* status) {
  vdb::ReadCall(status, [&](uint32_t* detail) -> uint32_t {
    if (!path) return vdb::NullPointer(detail, "the path");
    if (!database) return vdb::NullPointer(detail, "the database reference");
    if (mode != 0) {
      vdb::SetError("open mode %" PRIu32 " is not supported", mode);
      *detail = VDBA_DETAIL_BAD_MODE;
      return VDBA_E_BAD_MODE;
    }
    uint32_t handle = 0;
    if (vdb::OpenFromFile(path, &handle) < 0) {
      *detail = VDBA_DETAIL_OPEN_FAILED;
      return VDBA_E_OPEN_FAILED;
    }
    Store::Get().FindDatabase(handle)->openedByReader = true;
    *database = handle;
    return 0;
  });
}

void dbaCloseDatabase(uint32_t mode, uint32_t database, uint8_t, dbaStatus* status) {
  vdb::ReadCall(status, [&](uint32_t* detail) -> uint32_t {
    if (mode != 0) {
      vdb::SetError("close mode %" PRIu32 " is not supported", mode);
      *detail = VDBA_DETAIL_BAD_MODE;
      return VDBA_E_BAD_MODE;
    }
    Store& store = Store::Get();
    Database* db = store.FindDatabase(database);
    if (!db) {
      *detail = VDBA_DETAIL_UNKNOWN_REFERENCE;
      return VDBA_E_UNKNOWN_REFERENCE;
    }
    // A database the application created stays the application's.
    if (!db->openedByReader) {
      vdb::SetError("database %" PRIu32 " was not opened by dbaOpenDatabase", database);
      *detail = VDBA_DETAIL_NOT_OPENED;
      return VDBA_E_NOT_OPENED;
    }
    store.DestroyDatabase(database);
    return 0;
  });
}

void dbaSaveDatabase(uint32_t cluster, const char* path, dbaStatus* status) {
  // The exporter calls back into this library: the lock is not held while it
  // runs.
  uint32_t detail = 0;
  uint32_t code = 0;
  if (!path) {
    vdb::ReadCall(status, [&](uint32_t* d) { return vdb::NullPointer(d, "the path"); });
    return;
  }
  if (!vdb::EndsWithDbc(path)) {
    vdb::SetError("unsupported format: %s", path);
    vdb::Report(status, VDBA_E_UNSUPPORTED_FORMAT, VDBA_DETAIL_UNSUPPORTED_FORMAT);
    return;
  }
  std::string library;
  try {
    library = vdb::OwnFolder() + "/libvldbcex.so";
  } catch (...) {
    vdb::Report(status, VDBA_E_INTERNAL, VDBA_DETAIL_INTERNAL);
    return;
  }
  void* handle = dlopen(library.c_str(), RTLD_NOW | RTLD_LOCAL);
  auto write = handle ? reinterpret_cast<dxDBCWriteFn>(dlsym(handle, "dxDBCWrite")) : nullptr;
  if (!write) {
    vdb::SetError("%s cannot be loaded or has no dxDBCWrite", library.c_str());
    code = VDBA_E_EXPORTER_MISSING;
    detail = VDBA_DETAIL_EXPORTER_MISSING;
  } else {
    dbaStatus local{0, 0};
    write(cluster, path, status ? status : &local);
  }
  if (handle) dlclose(handle);
  if (code) vdb::Report(status, code, detail);
}
