// Pool of NUL-terminated texts: equal texts share one copy that lives as long
// as the pool.
#ifndef VELANAR_XML_STRING_POOL_H
#define VELANAR_XML_STRING_POOL_H

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "xml/block_pool.h"

// Hash of the `length` bytes at `text`, as the pools use it.
uint32_t exHashText(const char* text, size_t length);

class IfcStringPool {
 public:
  virtual ~IfcStringPool() = default;
  // The pooled copy equal to `text`, or null when there is none.
  virtual const char* Find(const char* text) const = 0;
  // The pooled copy equal to `text`, made when missing; null when copying
  // fails or `text` is null.
  virtual const char* Intern(const char* text) = 0;
};

// Copies live in large chunks that never move. An open-addressing table of
// (copy, hash, length) slots finds a text without copying it first: one
// probe usually touches one slot and the copy, and no slot is allocated on
// its own.
class exStringPoolSTL : public IfcStringPool {
 public:
  static constexpr size_t kChunkSize = 64 * 1024;

  exStringPoolSTL() = default;
  ~exStringPoolSTL() override;
  exStringPoolSTL(const exStringPoolSTL&) = delete;
  exStringPoolSTL& operator=(const exStringPoolSTL&) = delete;

  const char* Find(const char* text) const override;
  const char* Intern(const char* text) override;
  // Same as Intern for the `length` bytes at `text` (which need no NUL).
  const char* Intern(const char* text, size_t length);
  const char* Find(const char* text, size_t length) const;
  size_t Size() const { return count_; }

 private:
  struct Slot {
    const char* text;  // null: free
    uint32_t hash;     // the text's hash; its low bits give the first slot
    uint32_t length;   // kLongText for texts of 2^32 - 1 bytes and more
  };
  static constexpr uint32_t kLongText = UINT32_MAX;

  // The slot holding the text, or the free slot where it belongs.
  Slot* Probe(const char* text, size_t length, uint32_t hash) const;
  // Doubles the table (or makes the first one); false when out of memory.
  bool Grow();
  static Slot* NewTable(size_t size);
  static void FreeTable(Slot* table, size_t size);
  // Room for `size` bytes in the chunks; null when out of memory.
  char* Store(size_t size);

  Slot* slots_ = nullptr;
  size_t mask_ = 0;  // slot count - 1; the slot count is a power of two
  size_t count_ = 0;
  exBlockPool chunkPool_{kChunkSize};
  std::vector<std::unique_ptr<char[]>> chunks_;  // texts too long for a chunk
  char* free_ = nullptr;                         // next free byte of the current chunk
  size_t left_ = 0;                              // free bytes in the current chunk
};

#endif
