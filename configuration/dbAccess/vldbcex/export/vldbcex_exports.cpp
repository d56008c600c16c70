// Exported entry points of the DBC export plug-in (placeholder).
#include "velan/vldbcex.h"

void dxDBCWrite(uint32_t, const char*, dbaStatus*) {}
int32_t dxtest(int32_t, char**) { return 0; }
