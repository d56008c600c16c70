// Reading the host database: the six host functions (replaceable for tests),
// the property identifiers the exporter reads and the typed readers.
#ifndef VLDBCEX_EXPORT_TO_HOST_H
#define VLDBCEX_EXPORT_TO_HOST_H

#include <cstdint>
#include <string>

#include "export/to_scoped.h"
#include "velan/read_properties.h"
#include "velan/velandb_read.h"

namespace vldbcex {

struct ToHostFunctions {
  void (*openDatabase)(uint32_t, const char*, uint32_t*, dbaStatus*);
  void (*closeDatabase)(uint32_t, uint32_t, uint8_t, dbaStatus*);
  void (*saveDatabase)(uint32_t, const char*, dbaStatus*);
  void (*getPropertySize)(uint32_t, uint32_t, uint32_t*, dbaStatus*);
  void (*getProperty)(uint32_t, uint32_t, uint32_t, void*, dbaStatus*);
  void (*setProperty)(uint32_t, uint32_t, uint32_t, const void*, dbaStatus*);
};

// The functions in use: the linked host library unless a test replaced them.
const ToHostFunctions& Host();
// Replaces the host functions (null restores the linked host library).
void SetHostFunctions(const ToHostFunctions* functions);

// Property identifiers: velan/read_properties.def.
namespace prop = ::velan_read;

// Fixed-size reads: on failure (bit 31 set in the record afterwards) the
// variable keeps its value and the reader gives false.
bool ReadU32(uint32_t object, uint32_t id, uint32_t& value, dbaStatus* status);
bool ReadU64(uint32_t object, uint32_t id, uint64_t& value, dbaStatus* status);
bool ReadReal(uint32_t object, uint32_t id, double& value, dbaStatus* status);
bool ReadFlag(uint32_t object, uint32_t id, bool& value, dbaStatus* status);

// Bytes of any size: size first, then exactly that many bytes. Empty on
// failure. When memory cannot be obtained, records noMemoryDetail.
bool ReadBytes(uint32_t object, uint32_t id, std::string& bytes, dbaStatus* status,
               uint32_t noMemoryDetail);
// Text: the bytes cut at the first zero.
bool ReadText(uint32_t object, uint32_t id, std::string& text, dbaStatus* status,
              uint32_t noMemoryDetail);

// List of references: size first, entry count = size / 4. Emptied on failure.
bool ReadRefList(uint32_t object, uint32_t id, ToScopedArray<uint32_t>& list, dbaStatus* status);

// Writes a one-byte flag.
bool WriteFlag(uint32_t object, uint32_t id, uint8_t value, dbaStatus* status);

}  // namespace vldbcex

#endif
