// Shared pieces of the fuzz targets: a private scratch folder, the import
// run against a fresh reference-host database, and a reader of the fuzzer's
// bytes.
#ifndef VELAN_FUZZ_SUPPORT_H
#define VELAN_FUZZ_SUPPORT_H

#include <cstddef>
#include <cstdint>
#include <string>

namespace fuzz {

// A folder created once per process (under /dev/shm when it exists) whose
// files are rewritten for every input.
const std::string& ScratchDir();

// Writes `size` bytes to `path` (replacing the file).
void WriteFile(const std::string& path, const uint8_t* data, size_t size);

// Points the importer's configuration folder at `dir` (an empty folder means
// the defaults, a folder with velanar-cfg.xml that configuration).
void UseConfigDir(const std::string& dir);

// Imports `path` into a new database, checks the returned code is one the
// importer can return, and destroys the database again.
uint32_t ImportIntoFreshDatabase(const std::string& path);

// Consumes the fuzzer's bytes front to back; past the end every read is 0.
class ByteReader {
 public:
  ByteReader(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  bool Empty() const { return pos_ >= size_; }
  uint8_t U8() { return pos_ < size_ ? data_[pos_++] : 0; }
  uint32_t U32() {
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v = (v << 8) | U8();
    return v;
  }
  // Up to `max` bytes as a text without NUL bytes.
  std::string Text(size_t max);

 private:
  const uint8_t* data_;
  size_t size_;
  size_t pos_ = 0;
};

}  // namespace fuzz

#endif
