/* Read interface of the host database library (libvelanDB.so) used by the
 * DBC export plug-in, which links against it. Objects are named by 32-bit
 * references; every function reports failure by setting bit 31 of
 * status->code and leaves the record untouched on success. */
#ifndef VELAN_VELANDB_READ_H
#define VELAN_VELANDB_READ_H

#include <stdint.h>

#include "velan/export.h"

VELAN_BEGIN_C

typedef struct dbaStatus {
  uint32_t detail; /* where or why the status was set */
  uint32_t code;   /* 0 success; bit 31 set: error */
} dbaStatus;

#define DBA_STATUS_IS_ERROR(s) (((s)->code & 0x80000000u) != 0)

VELAN_EXPORT void dbaOpenDatabase(uint32_t mode, const char* path, uint32_t* database,
                                  dbaStatus* status);
VELAN_EXPORT void dbaCloseDatabase(uint32_t mode, uint32_t database, uint8_t flag,
                                   dbaStatus* status);
VELAN_EXPORT void dbaSaveDatabase(uint32_t cluster, const char* path, dbaStatus* status);
VELAN_EXPORT void dbaGetPropertySize(uint32_t object, uint32_t propertyId, uint32_t* size,
                                     dbaStatus* status);
VELAN_EXPORT void dbaGetProperty(uint32_t object, uint32_t propertyId, uint32_t size, void* buffer,
                                 dbaStatus* status);
VELAN_EXPORT void dbaSetProperty(uint32_t object, uint32_t propertyId, uint32_t size,
                                 const void* value, dbaStatus* status);

VELAN_END_C

#endif
