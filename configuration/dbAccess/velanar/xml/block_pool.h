// Block pool: carves small records out of large blocks and frees them all at
// once. The document takes its elements, child lists and attribute maps from
// such pools because a system description has hundreds of thousands of them.
#ifndef VELANAR_XML_BLOCK_POOL_H
#define VELANAR_XML_BLOCK_POOL_H

#include <cstddef>
#include <cstdint>
#include <vector>

class exBlockPool {
 public:
  // Block sizes of the three pools of an import.
  static constexpr uint64_t kElementBlockSize = 0x12000;
  static constexpr uint64_t kAttributeMapBlockSize = 16384;
  static constexpr uint64_t kChildListBlockSize = 32768;

  explicit exBlockPool(uint64_t blockSize);
  ~exBlockPool();

  exBlockPool(const exBlockPool&) = delete;
  exBlockPool& operator=(const exBlockPool&) = delete;

  // Memory for `size` bytes, aligned for any object type. Null when the
  // request is larger than the block size or a new block cannot be had.
  // A request that does not fit into the rest of the current block starts a
  // new block; the rest of the old one is not used again.
  void* Allocate(size_t size);
  // The same with the given alignment (a power of two, at most that of
  // std::max_align_t): records of pointers packed without padding.
  void* Allocate(size_t size, size_t alignment);

  // Blocks allocated one by one before a pool switches to carving its blocks
  // out of huge-page regions (see NewBlock).
  static constexpr uint64_t kDirectBlocks = 16;

  uint64_t Used() const { return used_; }
  uint64_t BlockSize() const { return blockSize_; }
  uint64_t BlockCount() const { return blockCount_; }

 private:
  // A fresh block, or null when out of memory.
  char* NewBlock();

  uint64_t used_ = 0;
  uint64_t blockSize_;
  uint64_t blockCount_ = 0;
  char* current_ = nullptr;
  std::vector<char*> blocks_;   // blocks allocated one by one
  std::vector<char*> regions_;  // huge-page regions blocks are carved from
  uint64_t regionLeft_ = 0;     // blocks still free in the last region
};

#endif
