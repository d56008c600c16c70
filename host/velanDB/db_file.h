// Database files: a whole database in an SQLite file with a versioned schema.
#ifndef VELAN_HOST_VELANDB_DB_FILE_H
#define VELAN_HOST_VELANDB_DB_FILE_H

#include <cstdint>

namespace vdb {

// Both take the store's lock themselves.
int32_t SaveToFile(uint32_t handle, const char* path);
int32_t OpenFromFile(const char* path, uint32_t* handle);

// Tests: make the next save fail after `rows` rows were written (negative:
// never).
void SetSaveFailureAfterRows(int64_t rows);

}  // namespace vdb

#endif
