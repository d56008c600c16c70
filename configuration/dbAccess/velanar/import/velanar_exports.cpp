// Exported entry points of the import plug-in (placeholder).
#include "velan/velanar.h"

uint32_t GetImportVersion(uint32_t* version) {
  if (version) *version = VELANAR_IMPORT_VERSION;
  return 0;
}
uint32_t Import(const char*, uint32_t) {
  return VELANAR_FAILED;
}
uint32_t SetDbDll(const char*) {
  return 0;
}
