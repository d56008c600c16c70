// Exported entry points of the DBC export plug-in. Nothing is thrown across
// them: an unexpected failure becomes an error in the status record.
#include <new>

#include "export/to_driver.h"
#include "export/to_status.h"
#include "velan/vldbcex.h"

void dxDBCWrite(uint32_t cluster, const char* path, dbaStatus* status) {
  try {
    vldbcex::DbcWrite(cluster, path, status);
  } catch (...) {
    vldbcex::RecordError(status, vldbcex::kDetailUnexpected, vldbcex::kCodeNoMemory);
  }
}

int32_t dxtest(int32_t argc, char** argv) {
  try {
    return vldbcex::DxTest(argc, argv);
  } catch (...) {
    return 0;
  }
}
