// The export driver: one DBC file for one cluster, and the save test.
#ifndef VLDBCEX_EXPORT_TO_DRIVER_H
#define VLDBCEX_EXPORT_TO_DRIVER_H

#include <cstdint>
#include <string>

#include "velan/velandb_read.h"

namespace vldbcex {

// Writes the cluster as a DBC file at path; everything to report goes into
// status (first error kept).
void DbcWrite(uint32_t cluster, const char* path, dbaStatus* status);

// Opens the database file argv[1] and saves its first CAN cluster under
// argv[2]; clears the database cache directory first. Always gives 0.
int32_t DxTest(int32_t argc, char** argv);

// The database cache directory: $VELAN_DBCACHE, else
// ${XDG_CACHE_HOME:-$HOME/.cache}/velan/dbCache; empty when none can be formed.
std::string CacheDirectory();
// Unlinks every entry of the folder that is not a directory (links are
// removed, never followed). A missing folder is no error.
void ClearCacheDirectory(const std::string& folder);

// Closes the database it holds when it ends.
class ToVELANDB {
 public:
  explicit ToVELANDB(dbaStatus* status) : status_(status) {}
  ToVELANDB(const ToVELANDB&) = delete;
  ToVELANDB& operator=(const ToVELANDB&) = delete;
  virtual ~ToVELANDB();
  uint32_t* RefAddress() { return &database_; }
  uint32_t Ref() const { return database_; }

 private:
  uint32_t database_ = 0;
  dbaStatus* status_;
};

}  // namespace vldbcex

#endif
