// The property identifiers of the read interface as C++ constants
// (velan_read::kSignalName and so on), expanded from read_properties.def.
#ifndef VELAN_READ_PROPERTIES_H
#define VELAN_READ_PROPERTIES_H

#include <cstdint>

namespace velan_read {
#define VELAN_READ_PROPERTY(name, id) constexpr uint32_t k##name = id;
#include "velan/read_properties.def"
#undef VELAN_READ_PROPERTY
}  // namespace velan_read

#endif
