// The host functions in use and the typed readers of host properties.
#include "export/to_host.h"

#include <new>

#include "export/to_status.h"

namespace vldbcex {
namespace {

const ToHostFunctions kLinkedHost = {dbaOpenDatabase,    dbaCloseDatabase, dbaSaveDatabase,
                                     dbaGetPropertySize, dbaGetProperty,   dbaSetProperty};

const ToHostFunctions* g_host = &kLinkedHost;

template <typename T>
bool ReadFixed(uint32_t object, uint32_t id, T& value, dbaStatus* status) {
  T read = value;
  Host().getProperty(object, id, sizeof(T), &read, status);
  if (IsError(status)) return false;
  value = read;
  return true;
}

}  // namespace

const ToHostFunctions& Host() {
  return *g_host;
}

void SetHostFunctions(const ToHostFunctions* functions) {
  g_host = functions != nullptr ? functions : &kLinkedHost;
}

bool ReadU32(uint32_t object, uint32_t id, uint32_t& value, dbaStatus* status) {
  return ReadFixed(object, id, value, status);
}

bool ReadU64(uint32_t object, uint32_t id, uint64_t& value, dbaStatus* status) {
  return ReadFixed(object, id, value, status);
}

bool ReadReal(uint32_t object, uint32_t id, double& value, dbaStatus* status) {
  return ReadFixed(object, id, value, status);
}

bool ReadFlag(uint32_t object, uint32_t id, bool& value, dbaStatus* status) {
  uint8_t byte = value ? 1 : 0;
  if (!ReadFixed(object, id, byte, status)) return false;
  value = byte != 0;
  return true;
}

bool ReadBytes(uint32_t object, uint32_t id, std::string& bytes, dbaStatus* status,
               uint32_t noMemoryDetail) {
  bytes.clear();
  uint32_t size = 0;
  Host().getPropertySize(object, id, &size, status);
  if (IsError(status)) return false;
  if (size == 0) return true;
  // Read straight into the string, whose storage is reused from read to read.
  try {
    bytes.resize(size);
  } catch (const std::bad_alloc&) {
    RecordError(status, noMemoryDetail, kCodeNoMemory);
    return false;
  }
  Host().getProperty(object, id, size, &bytes[0], status);
  if (IsError(status)) {
    bytes.clear();
    return false;
  }
  return true;
}

bool ReadText(uint32_t object, uint32_t id, std::string& text, dbaStatus* status,
              uint32_t noMemoryDetail) {
  if (!ReadBytes(object, id, text, status, noMemoryDetail)) {
    text.clear();
    return false;
  }
  const size_t zero = text.find('\0');
  if (zero != std::string::npos) text.resize(zero);
  return true;
}

bool ReadRefList(uint32_t object, uint32_t id, ToScopedArray<uint32_t>& list, dbaStatus* status) {
  list.Resize(0);
  uint32_t size = 0;
  Host().getPropertySize(object, id, &size, status);
  if (IsError(status)) return false;
  if (size == 0) return true;
  const uint64_t count = size / 4;
  // Room for every byte the host writes, also when the size is not a
  // multiple of four; the remainder is not counted as an entry.
  if (!list.Resize((size + 3) / 4)) {
    list.Resize(0);
    RecordError(status, kDetailNoMemoryRefList, kCodeNoMemory);
    return false;
  }
  Host().getProperty(object, id, size, list.Data(), status);
  if (IsError(status)) {
    list.Resize(0);
    return false;
  }
  list.Resize(count);
  return true;
}

bool WriteFlag(uint32_t object, uint32_t id, uint8_t value, dbaStatus* status) {
  Host().setProperty(object, id, 1, &value, status);
  return !IsError(status);
}

}  // namespace vldbcex
