// The exporter's output file.
#ifndef VLDBCEX_DBC_TO_XFILE_H
#define VLDBCEX_DBC_TO_XFILE_H

#include <cstddef>
#include <cstdint>

namespace vldbcex {

// Write-only file. Open modes: 0 create new (fails when the file exists),
// 1 create or truncate, 3 open or create, 4 truncate an existing file, any
// other value opens an existing file.
class ToXFile {
 public:
  // Gives null when the file cannot be opened.
  static ToXFile* Open(const char* path, uint32_t mode);

  ToXFile(const ToXFile&) = delete;
  ToXFile& operator=(const ToXFile&) = delete;
  virtual ~ToXFile();

  // Moves the file position to the start; false when that fails.
  bool Rewind();
  // Writes all bytes (retrying interrupted and partial writes); false when
  // the system refuses or writes nothing.
  bool Write(const void* data, size_t size);
  // Closes the handles; false when closing reports an error (a write that
  // the system could only detect late).
  bool Close();

 private:
  ToXFile() = default;

  int handle_ = -1;
  int second_ = -1;  // never opened; closed first when valid
};

}  // namespace vldbcex

#endif
