// Exported entry points of the import plug-in. No exception leaves them.
#include <new>

#include "import/bindings.h"
#include "import/import_driver.h"
#include "velan/velanar.h"

uint32_t GetImportVersion(uint32_t* version) {
  if (version != nullptr) *version = VELANAR_IMPORT_VERSION;
  return 0;
}

uint32_t Import(const char* importPath, uint32_t hostHandle) {
  try {
    return RunImport(importPath, hostHandle);
  } catch (const std::bad_alloc&) {
    return VELANAR_OUT_OF_MEMORY;
  } catch (...) {
    return VELANAR_INTERNAL_ERROR;
  }
}

uint32_t SetDbDll(const char* dbLibraryPath) {
  try {
    cLibraryName::Instance().SetFromDbLibraryPath(dbLibraryPath);
  } catch (...) {
    // Out of memory while storing the folder: the naming stays as it was.
  }
  return 0;
}
