#include "db_file.h"

#include "store.h"

namespace vdb {

int32_t SaveToFile(uint32_t, const char*) {
  return Fail(VDB_E_INTERNAL, "not yet");
}
int32_t OpenFromFile(const char*, uint32_t*) {
  return Fail(VDB_E_INTERNAL, "not yet");
}
void SetSaveFailureAfterRows(int64_t) {}

}  // namespace vdb
