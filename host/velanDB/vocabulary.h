// The host's knowledge of object types and properties: names, value
// encodings and which types may hold or be linked to which, all derived from
// include/velan/host_vocabulary.def.
#ifndef VELAN_HOST_VELANDB_VOCABULARY_H
#define VELAN_HOST_VELANDB_VOCABULARY_H

#include <cstdint>

namespace vdb {

// ValueTable: value descriptions as velan/value_descriptions.h encodes them.
enum class Enc : uint8_t { Str, U8, U16, U32, U64, I16, I32, F64, Ioid, Ioids, U8p, ValueTable };

struct PropertyInfo {
  uint32_t id = 0;
  const char* name = nullptr;
  Enc enc = Enc::U8;
  uint32_t count = 0;  // byte count of a U8p value
};

// Name of a known object type, or null.
const char* TypeName(uint32_t type);
bool IsKnownType(uint32_t type);

// Encoding of a property on an object of the given type. Answers VDB_OK,
// VDB_E_UNKNOWN_PROPERTY (no such identifier) or VDB_E_PROPERTY_NOT_OF_TYPE.
// The initial NAD (0x000F0022) is one byte on CONNECTOR and four bytes on
// SCHED_ENTRY objects.
int32_t PropertyFor(uint32_t objectType, uint32_t propertyId, PropertyInfo* info);

// True when the value size fits the encoding. Texts may come with or without
// their terminating NUL (size 0 is the empty text) and must not hold a NUL
// before their end. Value descriptions must be well formed.
bool ValueFits(const PropertyInfo& info, const void* value, uint32_t size);
// The size a value of the encoding must have, as text for messages.
const char* ExpectedSizeText(const PropertyInfo& info);

bool MayBeNameless(uint32_t type);
bool ChildAllowed(uint32_t parentType, uint32_t childType);
bool LinkAllowed(uint32_t objectType, uint32_t parentType);

}  // namespace vdb

#endif
