#include "xml/block_pool.h"

#include <cstddef>
#include <new>

namespace {
constexpr uint64_t kAlign = alignof(std::max_align_t);
uint64_t AlignUp(uint64_t n) {
  return (n + kAlign - 1) & ~(kAlign - 1);
}
}  // namespace

exBlockPool::exBlockPool(uint64_t blockSize) : blockSize_(blockSize) {}

exBlockPool::~exBlockPool() {
  for (char* block : blocks_) ::operator delete[](block, std::align_val_t(kAlign));
}

void* exBlockPool::Allocate(size_t size) {
  if (size > blockSize_) return nullptr;
  const uint64_t start = AlignUp(used_);
  if (current_ == nullptr || start > blockSize_ || blockSize_ - start < size) {
    // Make room in the list first, so a failure leaves nothing behind.
    try {
      if (blocks_.size() == blocks_.capacity()) blocks_.reserve(blocks_.capacity() * 2 + 16);
    } catch (...) {
      return nullptr;
    }
    char* block = static_cast<char*>(
        ::operator new[](static_cast<size_t>(blockSize_), std::align_val_t(kAlign), std::nothrow));
    if (block == nullptr) return nullptr;
    blocks_.push_back(block);
    ++blockCount_;
    current_ = block;
    used_ = size;
    return block;
  }
  used_ = start + size;
  return current_ + start;
}
