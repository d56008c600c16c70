// Block pool: records carved from large blocks, all freed at once.
#include "xml/block_pool.h"

#include <cstddef>
#include <new>

#include "velan_platform.h"

namespace {
constexpr uint64_t kAlign = alignof(std::max_align_t);
uint64_t AlignUp(uint64_t n, uint64_t alignment) {
  return (n + alignment - 1) & ~(alignment - 1);
}
}  // namespace

exBlockPool::exBlockPool(uint64_t blockSize) : blockSize_(blockSize) {}

exBlockPool::~exBlockPool() {
  for (char* block : blocks_) ::operator delete[](block, std::align_val_t(kAlign));
  for (char* region : regions_) vplat::FreeHugeRegion(region);
}

char* exBlockPool::NewBlock() {
  // Make room in the lists first, so a failure leaves nothing behind.
  try {
    if (blocks_.size() == blocks_.capacity()) blocks_.reserve(blocks_.capacity() * 2 + 16);
    if (regions_.size() == regions_.capacity()) regions_.reserve(regions_.capacity() * 2 + 16);
  } catch (...) {
    return nullptr;
  }
  // A pool that keeps growing is a large document: its further blocks come
  // from huge-page regions, which saves most of the page faults and TLB
  // misses of filling them. Small documents never touch a whole huge page.
  const uint64_t perRegion = blockSize_ > 0 ? vplat::kHugeRegionSize / blockSize_ : 0;
  if (blockCount_ >= kDirectBlocks && perRegion >= 4 && blockSize_ % kAlign == 0) {
    if (regionLeft_ == 0) {
      char* region = static_cast<char*>(vplat::AllocateHugeRegion(vplat::kHugeRegionSize));
      if (region != nullptr) {
        regions_.push_back(region);
        regionLeft_ = perRegion;
      }
    }
    if (regionLeft_ > 0) {
      char* block = regions_.back() + (perRegion - regionLeft_) * blockSize_;
      --regionLeft_;
      return block;
    }
  }
  char* block = static_cast<char*>(
      ::operator new[](static_cast<size_t>(blockSize_), std::align_val_t(kAlign), std::nothrow));
  if (block != nullptr) blocks_.push_back(block);
  return block;
}

void* exBlockPool::Allocate(size_t size) {
  return Allocate(size, kAlign);
}

void* exBlockPool::Allocate(size_t size, size_t alignment) {
  if (size > blockSize_) return nullptr;
  if (alignment == 0 || alignment > kAlign || (alignment & (alignment - 1)) != 0)
    alignment = kAlign;
  const uint64_t start = AlignUp(used_, alignment);
  if (current_ == nullptr || start > blockSize_ || blockSize_ - start < size) {
    char* block = NewBlock();
    if (block == nullptr) return nullptr;
    ++blockCount_;
    current_ = block;
    used_ = size;
    return block;
  }
  used_ = start + size;
  return current_ + start;
}
