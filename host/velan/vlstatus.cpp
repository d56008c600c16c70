// Status-text library: texts of the host database's status codes.
#include "velan/vlstatus.h"

char* vlStatusToString(int32_t, uint32_t size, char* buffer) {
  if (buffer && size) buffer[0] = '\0';
  return buffer;
}
