/* Exports of the DBC export plug-in (libvldbcex.so). */
#ifndef VELAN_VLDBCEX_H
#define VELAN_VLDBCEX_H

#include <stdint.h>

#include "velan/export.h"
#include "velan/velandb_read.h"

VELAN_BEGIN_C

VELAN_EXPORT void dxDBCWrite(uint32_t cluster, const char* path, dbaStatus* status);
VELAN_EXPORT int32_t dxtest(int32_t argc, char** argv);

typedef void (*dxDBCWriteFn)(uint32_t, const char*, dbaStatus*);
typedef int32_t (*dxtestFn)(int32_t, char**);

VELAN_END_C

#endif
