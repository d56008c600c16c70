// Names of host object types and properties for the importer's log lines.
#include "import/host_names.h"

#include <cstdio>

#include "velan/host_vocabulary.h"

namespace {

struct PropertyEntry {
  uint32_t id;
  const char* name;
};

// Names of the object types, indexed by type.
const char* const kObjectTypeNames[] = {
#define VELAN_OBJECT_TYPE(num, name, nameless) #name,
#include "velan/host_vocabulary.def"
#undef VELAN_OBJECT_TYPE
};

// Every named property, including the repeated name of CONNECTOR property 3.
#define VELAN_PROPERTY(type, n, name, enc, set) {((uint32_t)VELAN_OT_##type << 16) | (n), #name},
#define VELAN_PROPERTY_SAMENAME(type, n, name, enc, set) \
  {((uint32_t)VELAN_OT_##type << 16) | (n), #name},
const PropertyEntry kProperties[] = {
#include "velan/host_vocabulary.def"
};
#undef VELAN_PROPERTY
#undef VELAN_PROPERTY_SAMENAME

char* CopyBounded(const char* text, char* buffer, size_t size) {
  if (buffer == nullptr || size == 0) return buffer;
  std::snprintf(buffer, size, "%s", text);
  return buffer;
}

}  // namespace

char* ObjectTypeName(uint32_t type, char* buffer, size_t size) {
  if (buffer == nullptr || size == 0) return buffer;
  if (type < sizeof(kObjectTypeNames) / sizeof(kObjectTypeNames[0])) {
    return CopyBounded(kObjectTypeNames[type], buffer, size);
  }
  // This form has no closing bracket; log readers rely on the exact text.
  std::snprintf(buffer, size, "[unknown: 0x%08X", type);
  return buffer;
}

char* PropertyName(uint32_t propertyId, char* buffer, size_t size) {
  if (buffer == nullptr || size == 0) return buffer;
  for (const PropertyEntry& entry : kProperties) {
    if (entry.id == propertyId) return CopyBounded(entry.name, buffer, size);
  }
  std::snprintf(buffer, size, "[unknown: 0x%08X]", propertyId);
  return buffer;
}
