/* Import functions of the host database library (libvelanDB.so), looked up
 * by name by the import plug-in. All return 0 on success, a positive value
 * for a warning and a negative value for an error. */
#ifndef VELAN_VELANDB_IMPORT_H
#define VELAN_VELANDB_IMPORT_H

#include <stdint.h>

#include "velan/export.h"

VELAN_BEGIN_C

VELAN_EXPORT int32_t imp_CreateObject(uint32_t hostHandle, uint32_t objectType, const char* name,
                                      uint64_t* objectId);
VELAN_EXPORT int32_t imp_CreateChildObject(uint32_t hostHandle, uint32_t objectType,
                                           const char* name, uint32_t parentType,
                                           uint64_t parentId, uint64_t* objectId);
VELAN_EXPORT int32_t imp_LinkToParent(uint32_t hostHandle, uint32_t objectType, uint64_t objectId,
                                      uint32_t parentType, uint64_t parentId);
VELAN_EXPORT int32_t imp_SetProperty(uint32_t hostHandle, uint64_t objectId, uint32_t propertyId,
                                     const void* value, uint32_t size);
VELAN_EXPORT int32_t imp_ConvertStartBit_Fbx2toVELAN(uint8_t a, uint8_t b, uint8_t bigEndian,
                                                     uint32_t startBit, uint32_t bitLength,
                                                     uint16_t* out);
VELAN_EXPORT int32_t imp_ConvertStartBit_Fbx3toVELAN(uint8_t a, uint8_t b, uint8_t bigEndian,
                                                     uint32_t startBit, uint32_t bitLength,
                                                     uint16_t* out);

typedef int32_t (*imp_CreateObjectFn)(uint32_t, uint32_t, const char*, uint64_t*);
typedef int32_t (*imp_CreateChildObjectFn)(uint32_t, uint32_t, const char*, uint32_t, uint64_t,
                                           uint64_t*);
typedef int32_t (*imp_LinkToParentFn)(uint32_t, uint32_t, uint64_t, uint32_t, uint64_t);
typedef int32_t (*imp_SetPropertyFn)(uint32_t, uint64_t, uint32_t, const void*, uint32_t);
typedef int32_t (*imp_ConvertStartBitFn)(uint8_t, uint8_t, uint8_t, uint32_t, uint32_t,
                                         uint16_t*);

VELAN_END_C

#endif
