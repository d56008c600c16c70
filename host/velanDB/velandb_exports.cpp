// Keeps every exported function of the core library in libvelanDB.so: the
// table refers to each of them, so the linker takes their objects from the
// static core library and their default visibility exports them.
#include "velan/velandb_host.h"
#include "velan/velandb_import.h"
#include "velan/velandb_read.h"

namespace {

__attribute__((used)) const void* const kExported[] = {
    reinterpret_cast<const void*>(&imp_CreateObject),
    reinterpret_cast<const void*>(&imp_CreateChildObject),
    reinterpret_cast<const void*>(&imp_LinkToParent),
    reinterpret_cast<const void*>(&imp_SetProperty),
    reinterpret_cast<const void*>(&imp_ConvertStartBit_Fbx2toVELAN),
    reinterpret_cast<const void*>(&imp_ConvertStartBit_Fbx3toVELAN),
    reinterpret_cast<const void*>(&dbaOpenDatabase),
    reinterpret_cast<const void*>(&dbaCloseDatabase),
    reinterpret_cast<const void*>(&dbaSaveDatabase),
    reinterpret_cast<const void*>(&dbaGetPropertySize),
    reinterpret_cast<const void*>(&dbaGetProperty),
    reinterpret_cast<const void*>(&dbaSetProperty),
    reinterpret_cast<const void*>(&vdbCreateDatabase),
    reinterpret_cast<const void*>(&vdbDestroyDatabase),
    reinterpret_cast<const void*>(&vdbObjectCount),
    reinterpret_cast<const void*>(&vdbGetObject),
    reinterpret_cast<const void*>(&vdbGetChild),
    reinterpret_cast<const void*>(&vdbGetExtraParent),
    reinterpret_cast<const void*>(&vdbFindChild),
    reinterpret_cast<const void*>(&vdbGetPropertyId),
    reinterpret_cast<const void*>(&vdbGetProperty),
    reinterpret_cast<const void*>(&vdbPrintTree),
    reinterpret_cast<const void*>(&vdbFormatTree),
    reinterpret_cast<const void*>(&vdbInjectFault),
    reinterpret_cast<const void*>(&vdbImportCallCount),
    reinterpret_cast<const void*>(&vdbSaveDatabase),
    reinterpret_cast<const void*>(&vdbOpenDatabase),
    reinterpret_cast<const void*>(&vdbLastError),
};

}  // namespace
