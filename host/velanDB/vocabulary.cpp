// Names, encodings and parent rules of host object types and properties.
#include "vocabulary.h"

#include <cstdlib>
#include <cstring>
#include <vector>

#include "velan/host_vocabulary.h"
#include "velan/value_descriptions.h"
#include "velan/velandb_host.h"

namespace vdb {
namespace {

const char* const kTypeNames[] = {
#define VELAN_OBJECT_TYPE(num, name, nameless) #name,
#include "velan/host_vocabulary.def"
#undef VELAN_OBJECT_TYPE
};
constexpr uint32_t kTypeCount = sizeof(kTypeNames) / sizeof(kTypeNames[0]);

// Byte count of a U8p property from its name: "..._D1_D5_U8P" holds 5 bytes.
uint32_t U8pCount(const char* name) {
  const char* p = std::strstr(name, "_D1_D");
  return p ? static_cast<uint32_t>(std::strtoul(p + 5, nullptr, 10)) : 0;
}

struct Entry {
  uint32_t id;
  const char* name;
  Enc enc;
};

constexpr Entry kProperties[] = {
#define VELAN_PROPERTY(type, n, name, enc, set) \
  {(static_cast<uint32_t>(VELAN_OT_##type) << 16) | (n), #name, Enc::enc##_},
#define VELAN_PROPERTY_SAMENAME(type, n, name, enc, set) VELAN_PROPERTY(type, n, name, enc, set)
// Map the encoding words of the table onto the enumerators.
#define STR_ Str
#define U8_ U8
#define U16_ U16
#define U32_ U32
#define U64_ U64
#define I16_ I16
#define I32_ I32
#define F64_ F64
#define IOID_ Ioid
#define IOIDS_ Ioids
#define U8P_ U8p
#define VTAB_ ValueTable
#include "velan/host_vocabulary.def"
#undef VELAN_PROPERTY
#undef VELAN_PROPERTY_SAMENAME
};

// Property numbers within a type stay below this bound (checked when the
// library is built).
constexpr uint32_t kNumbersPerType = 64;
constexpr bool NumbersFit() {
  for (const Entry& e : kProperties)
    if ((e.id >> 16) >= kTypeCount || (e.id & 0xFFFFu) >= kNumbersPerType) return false;
  return true;
}
static_assert(NumbersFit(), "a property number or type is beyond the lookup table");

size_t IndexOf(uint32_t propertyId) {
  return size_t{propertyId >> 16} * kNumbersPerType + (propertyId & 0xFFFFu);
}

}  // namespace

const char* TypeName(uint32_t type) {
  return type < kTypeCount ? kTypeNames[type] : nullptr;
}

bool IsKnownType(uint32_t type) {
  return type < kTypeCount;
}

int32_t PropertyFor(uint32_t objectType, uint32_t propertyId, PropertyInfo* info) {
  if (propertyId == IDIP_CON_INITIAL_NAD) {
    info->id = propertyId;
    info->name = "IDIP_CON_INITIAL_NAD";
    info->count = 0;
    if (objectType == VELAN_OT_CONNECTOR) {
      info->enc = Enc::U8;
      return VDB_OK;
    }
    if (objectType == VELAN_OT_SCHED_ENTRY) {
      info->enc = Enc::U32;
      return VDB_OK;
    }
    return VDB_E_PROPERTY_NOT_OF_TYPE;
  }
  // Built once: the entries of the table by the type and number their
  // identifier names (type << 16 | number), for a lookup without hashing.
  static const std::vector<const Entry*> index = [] {
    std::vector<const Entry*> table(size_t{kTypeCount} * kNumbersPerType, nullptr);
    for (const Entry& e : kProperties) table[IndexOf(e.id)] = &e;
    return table;
  }();
  const Entry* found = (propertyId >> 16) < kTypeCount && (propertyId & 0xFFFFu) < kNumbersPerType
                           ? index[IndexOf(propertyId)]
                           : nullptr;
  if (found != nullptr) {
    const Entry& e = *found;
    info->id = e.id;
    info->name = e.name;
    info->enc = e.enc;
    info->count = e.enc == Enc::U8p ? U8pCount(e.name) : 0;
    return (propertyId >> 16) == objectType ? VDB_OK : VDB_E_PROPERTY_NOT_OF_TYPE;
  }
  return VDB_E_UNKNOWN_PROPERTY;
}

bool ValueFits(const PropertyInfo& info, const void* value, uint32_t size) {
  switch (info.enc) {
    case Enc::Str: {
      if (size == 0) return true;
      const char* text = static_cast<const char*>(value);
      const void* nul = std::memchr(text, 0, size);
      return nul == nullptr || nul == text + size - 1;
    }
    case Enc::U8:
      return size == 1;
    case Enc::U16:
    case Enc::I16:
      return size == 2;
    case Enc::U32:
    case Enc::I32:
      return size == 4;
    case Enc::U64:
    case Enc::F64:
    case Enc::Ioid:
      return size == 8;
    case Enc::Ioids:
      return size % 8 == 0;
    case Enc::U8p:
      return size == info.count;
    case Enc::ValueTable:
      return (size == 0 || value != nullptr) && VelanValueDescriptionsValid(value, size);
  }
  return false;
}

const char* ExpectedSizeText(const PropertyInfo& info) {
  switch (info.enc) {
    case Enc::Str:
      return "a text with at most one NUL, at its end";
    case Enc::U8:
      return "1 byte";
    case Enc::U16:
    case Enc::I16:
      return "2 bytes";
    case Enc::U32:
    case Enc::I32:
      return "4 bytes";
    case Enc::U64:
    case Enc::F64:
    case Enc::Ioid:
      return "8 bytes";
    case Enc::Ioids:
      return "a multiple of 8 bytes";
    case Enc::U8p:
      return info.count == 5 ? "5 bytes" : "8 bytes";
    case Enc::ValueTable:
      return "a list of finite 8-byte values each followed by a NUL-terminated text";
  }
  return "?";
}

bool MayBeNameless(uint32_t type) {
  return VelanMayBeNameless(type) != 0;
}

bool ChildAllowed(uint32_t parentType, uint32_t childType) {
  switch (parentType) {
    case VELAN_OT_DATABASE:
      return childType == VELAN_OT_CLUSTER;
    case VELAN_OT_CLUSTER:
      return childType == VELAN_OT_TRIGGERING || childType == VELAN_OT_PDU ||
             childType == VELAN_OT_CONNECTOR || childType == VELAN_OT_SCHED_TABLE;
    case VELAN_OT_TRIGGERING:
      return childType == VELAN_OT_PDU_INST;
    case VELAN_OT_PDU:
      return childType == VELAN_OT_SIG_INST || childType == VELAN_OT_CYCLIC_TIMING ||
             childType == VELAN_OT_EVENT_TIMING || childType == VELAN_OT_REQUEST_TIMING ||
             childType == VELAN_OT_MULTIPLEXER || childType == VELAN_OT_SUB_FRAME;
    case VELAN_OT_SIG_INST:
      return childType == VELAN_OT_SIGNAL;
    case VELAN_OT_SIGNAL:
      return childType == VELAN_OT_CODING;
    case VELAN_OT_CONNECTOR:
      return childType == VELAN_OT_ECU || childType == VELAN_OT_TX_TRIG ||
             childType == VELAN_OT_RX_TRIG;
    case VELAN_OT_SCHED_TABLE:
      return childType == VELAN_OT_SCHED_ENTRY;
    default:
      return false;
  }
}

bool LinkAllowed(uint32_t objectType, uint32_t parentType) {
  return (objectType == VELAN_OT_PDU && parentType == VELAN_OT_PDU_INST) ||
         (objectType == VELAN_OT_SIGNAL && parentType == VELAN_OT_SUB_FRAME);
}

}  // namespace vdb
