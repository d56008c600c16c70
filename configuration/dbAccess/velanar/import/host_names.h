// Names of host object types and property identifiers for log lines.
#ifndef VELANAR_IMPORT_HOST_NAMES_H
#define VELANAR_IMPORT_HOST_NAMES_H

#include <cstddef>
#include <cstdint>

// Writes the object type's name, or "[unknown: 0x%08X" for an unknown type,
// into buffer (at most size - 1 characters). Returns buffer.
char* ObjectTypeName(uint32_t type, char* buffer, size_t size);
// Writes the property's name, or "[unknown: 0x%08X]" for an identifier
// without a name, into buffer (at most size - 1 characters). Returns buffer.
char* PropertyName(uint32_t propertyId, char* buffer, size_t size);

#endif
