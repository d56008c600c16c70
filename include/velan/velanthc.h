/* Path library (libvelanthc.so), linked at load time by the import plug-in. */
#ifndef VELAN_VELANTHC_H
#define VELAN_VELANTHC_H

#include <stdint.h>

#include "velan/export.h"

VELAN_BEGIN_C

/* VelanGetPath(2, 1, buffer, size) fills buffer with the configuration
 * folder: $VELAN_CONFIG_DIR when set and not empty, else
 * ${XDG_CONFIG_HOME:-$HOME/.config}/velan. Returns 0 on success, a negative
 * value when no folder can be formed, it does not fit, or the arguments are
 * other than 2 and 1. */
VELAN_EXPORT int32_t VelanGetPath(uint32_t kind, uint32_t variant, char* buffer, uint32_t size);

VELAN_END_C

#endif
