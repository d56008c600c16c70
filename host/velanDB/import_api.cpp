// The six import functions that the import plug-in looks up by name.
#include <cinttypes>

#include "store.h"
#include "velan/host_vocabulary.h"
#include "velan/velandb_host.h"
#include "velan/velandb_import.h"

namespace vdb {
namespace {

// Counts an import call of db and applies an armed fault: runs `work` unless
// the fault answers instead.
template <typename F>
int32_t ImportCall(uint32_t handle, F&& work) {
  return Guarded([&]() -> int32_t {
    Store& store = Store::Get();
    Lock lock(store.mutex);
    Database* db = store.FindDatabase(handle);
    if (!db) return Fail(VDB_E_UNKNOWN_HANDLE, "no database with handle %" PRIu32, handle);
    const uint64_t call = ++db->importCalls;
    if (db->fault.callNumber == 0 || db->fault.callNumber != call) return work(store, db);
    const Fault fault = db->fault;
    db->fault = Fault{};
    if (!fault.perform)
      return Fail(fault.code, "injected fault %" PRId32 " at import call %" PRIu64, fault.code,
                  call);
    int32_t result = work(store, db);
    if (result < 0) return result;
    return Fail(fault.code, "injected fault %" PRId32 " at import call %" PRIu64, fault.code, call);
  });
}

// Host bit numbering: bit b of payload byte k is 8k + b. A big-endian
// position names the most significant bit; walking toward the least
// significant one goes down inside a byte and from bit 0 of byte k on to bit
// 7 of byte k + 1. Counting bits in that walking order (s = 8k + 7 - b)
// turns the walk into an addition.
int32_t ConvertStartBit(uint8_t bigEndian, uint32_t startBit, uint32_t bitLength, uint16_t* out) {
  if (!out) return Fail(VDB_E_NULL_ARGUMENT, "no place for the converted start bit");
  uint64_t result = startBit;
  if (bigEndian && bitLength > 0) {
    const uint64_t walk = (uint64_t{startBit} / 8) * 8 + (7 - startBit % 8) + (bitLength - 1);
    result = (walk / 8) * 8 + (7 - walk % 8);
  }
  if (result > 0xFFFF)
    return Fail(VDB_E_START_BIT_RANGE,
                "start bit %" PRIu32 " with %" PRIu32 " bits gives %" PRIu64 ", above 65535",
                startBit, bitLength, result);
  *out = static_cast<uint16_t>(result);
  return VDB_OK;
}

}  // namespace
}  // namespace vdb

using vdb::Database;
using vdb::Store;

int32_t imp_CreateObject(uint32_t hostHandle, uint32_t objectType, const char* name,
                         uint64_t* objectId) {
  // Objects without a stated parent go directly under the DATABASE.
  return vdb::ImportCall(hostHandle, [&](Store& store, Database* db) {
    return store.CreateChild(db, objectType, name, VELAN_OT_DATABASE, db->handle, objectId);
  });
}

int32_t imp_CreateChildObject(uint32_t hostHandle, uint32_t objectType, const char* name,
                              uint32_t parentType, uint64_t parentId, uint64_t* objectId) {
  return vdb::ImportCall(hostHandle, [&](Store& store, Database* db) {
    return store.CreateChild(db, objectType, name, parentType, parentId, objectId);
  });
}

int32_t imp_LinkToParent(uint32_t hostHandle, uint32_t /*objectType*/, uint64_t objectId,
                         uint32_t parentType, uint64_t parentId) {
  // The object is known by its identifier; the importer states the type of
  // a SIGNAL as SIG_INST, so the type argument is not checked.
  return vdb::ImportCall(hostHandle, [&](Store& store, Database* db) {
    return store.Link(db, objectId, parentType, parentId);
  });
}

int32_t imp_SetProperty(uint32_t hostHandle, uint64_t objectId, uint32_t propertyId,
                        const void* value, uint32_t size) {
  return vdb::ImportCall(hostHandle, [&](Store& store, Database* db) {
    return store.SetProperty(db, objectId, propertyId, value, size);
  });
}

int32_t imp_ConvertStartBit_Fbx2toVELAN(uint8_t, uint8_t, uint8_t bigEndian, uint32_t startBit,
                                        uint32_t bitLength, uint16_t* out) {
  return vdb::ConvertStartBit(bigEndian, startBit, bitLength, out);
}

int32_t imp_ConvertStartBit_Fbx3toVELAN(uint8_t, uint8_t, uint8_t bigEndian, uint32_t startBit,
                                        uint32_t bitLength, uint16_t* out) {
  return vdb::ConvertStartBit(bigEndian, startBit, bitLength, out);
}
