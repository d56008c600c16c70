/* Numeric object types and property identifiers of the host database, as
 * constants for C and C++ code. Generated from host_vocabulary.def. */
#ifndef VELAN_HOST_VOCABULARY_H
#define VELAN_HOST_VOCABULARY_H

#include <stdint.h>

enum VelanObjectType {
#define VELAN_OBJECT_TYPE(num, name, nameless) VELAN_OT_##name = num,
#include "velan/host_vocabulary.def"
#undef VELAN_OBJECT_TYPE
  VELAN_OT_COUNT
};

enum VelanPropertyId {
#define VELAN_PROPERTY(type, n, name, enc, set) name = ((uint32_t)VELAN_OT_##type << 16) | (n),
#include "velan/host_vocabulary.def"
#undef VELAN_PROPERTY
  /* CONNECTOR property 34: initial NAD; one byte on CONNECTOR objects and a
   * 32-bit value on SCHED_ENTRY objects of LIN node configuration. It has no
   * entry in the name table. */
  IDIP_CON_INITIAL_NAD = 0x000F0022u
};

/* 1 when objects of the type may be created without a name, 0 otherwise
 * (and for unknown types). */
static inline int VelanMayBeNameless(uint32_t type) {
  switch (type) {
#define VELAN_OBJECT_TYPE(num, name, nameless) \
  case num:                                    \
    return nameless;
#include "velan/host_vocabulary.def"
#undef VELAN_OBJECT_TYPE
    default:
      return 0;
  }
}

#endif
