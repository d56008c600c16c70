/* Status-text library (libvelan.so). */
#ifndef VELAN_VLSTATUS_H
#define VELAN_VLSTATUS_H

#include <stdint.h>

#include "velan/export.h"

VELAN_BEGIN_C

/* Writes the text of a host status code into buffer (at most size - 1
 * characters and a terminating NUL). An unknown code gives the empty text.
 * Returns the buffer. */
VELAN_EXPORT char* vlStatusToString(int32_t status, uint32_t size, char* buffer);

typedef char* (*vlStatusToStringFn)(int32_t, uint32_t, char*);

VELAN_END_C

#endif
