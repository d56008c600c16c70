// Pool of NUL-terminated texts: equal texts share one copy that lives as long
// as the pool.
#ifndef VELANAR_XML_STRING_POOL_H
#define VELANAR_XML_STRING_POOL_H

#include <cstddef>
#include <memory>
#include <string_view>
#include <unordered_set>
#include <vector>

class IfcStringPool {
 public:
  virtual ~IfcStringPool() = default;
  // The pooled copy equal to `text`, or null when there is none.
  virtual const char* Find(const char* text) const = 0;
  // The pooled copy equal to `text`, made when missing; null when copying
  // fails or `text` is null.
  virtual const char* Intern(const char* text) = 0;
};

// Copies live in large chunks that never move; a hash set of views into
// them finds a text without copying it first.
class exStringPoolSTL : public IfcStringPool {
 public:
  static constexpr size_t kChunkSize = 64 * 1024;

  const char* Find(const char* text) const override;
  const char* Intern(const char* text) override;
  // Same as Intern for the `length` bytes at `text` (which need no NUL).
  const char* Intern(const char* text, size_t length);
  const char* Find(const char* text, size_t length) const;
  size_t Size() const { return texts_.size(); }

 private:
  // Room for `size` bytes in the chunks; null when out of memory.
  char* Store(size_t size);

  std::unordered_set<std::string_view> texts_;
  std::vector<std::unique_ptr<char[]>> chunks_;
  char* free_ = nullptr;  // next free byte of the current chunk
  size_t left_ = 0;       // free bytes in the current chunk
};

#endif
