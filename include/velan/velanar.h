/* Exports of the ARXML import plug-in (libvelanar.so). */
#ifndef VELAN_VELANAR_H
#define VELAN_VELANAR_H

#include <stdint.h>

#include "velan/export.h"

VELAN_BEGIN_C

/* Interface version written by GetImportVersion. */
#define VELANAR_IMPORT_VERSION 0x24281800u

/* Codes returned by Import besides the host's own negative codes. */
#define VELANAR_OK 0x00000000u
#define VELANAR_HOST_WARNING 0x3FF63085u
#define VELANAR_FAILED 0xBFF63081u
#define VELANAR_OUT_OF_MEMORY 0xBFF63010u
#define VELANAR_UNSUPPORTED_VERSION 0xBFF63165u
#define VELANAR_INTERNAL_ERROR 0xBFF63001u

VELAN_EXPORT uint32_t GetImportVersion(uint32_t* version);
VELAN_EXPORT uint32_t Import(const char* importPath, uint32_t hostHandle);
VELAN_EXPORT uint32_t SetDbDll(const char* dbLibraryPath);

typedef uint32_t (*GetImportVersionFn)(uint32_t*);
typedef uint32_t (*ImportFn)(const char*, uint32_t);
typedef uint32_t (*SetDbDllFn)(const char*);

VELAN_END_C

#endif
