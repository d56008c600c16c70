#include "failing_allocator.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace failalloc {
namespace {

std::atomic<bool> armed{false};
std::atomic<uint64_t> failAtCount{0};
std::atomic<bool> failPersistent{false};
std::atomic<uint64_t> seen{0};
std::atomic<uint64_t> failed{0};
void (*failureHook)(void*) = nullptr;
void* failureContext = nullptr;
// Set while the hook runs: its own allocations pass through uncounted.
thread_local bool inHook = false;

// True when this allocation is to fail.
bool ShouldFail() {
  if (!armed.load(std::memory_order_relaxed) || inHook) return false;
  const uint64_t n = seen.fetch_add(1, std::memory_order_relaxed) + 1;
  const uint64_t at = failAtCount.load(std::memory_order_relaxed);
  if (at == 0 || n < at || (n > at && !failPersistent.load(std::memory_order_relaxed)))
    return false;
  if (failed.fetch_add(1, std::memory_order_relaxed) == 0 && failureHook != nullptr) {
    inHook = true;
    failureHook(failureContext);
    inHook = false;
  }
  return true;
}

void* Allocate(std::size_t size, std::size_t alignment) {
  if (ShouldFail()) return nullptr;
  if (size == 0) size = 1;
  if (alignment <= alignof(std::max_align_t)) return std::malloc(size);
  void* p = nullptr;
  return posix_memalign(&p, alignment, size) == 0 ? p : nullptr;
}

void* AllocateOrThrow(std::size_t size, std::size_t alignment) {
  void* p = Allocate(size, alignment);
  if (p == nullptr) throw std::bad_alloc();
  return p;
}

}  // namespace

void Arm(uint64_t failAt, bool persistent) {
  seen = 0;
  failed = 0;
  failAtCount = failAt;
  failPersistent = persistent;
  armed = true;
}

Tally Disarm() {
  armed = false;
  return Tally{seen.load(), failed.load()};
}

void OnFirstFailure(void (*hook)(void*), void* context) {
  failureHook = hook;
  failureContext = context;
}

}  // namespace failalloc

using failalloc::Allocate;
using failalloc::AllocateOrThrow;
constexpr std::size_t kPlain = alignof(std::max_align_t);

void* operator new(std::size_t size) {
  return AllocateOrThrow(size, kPlain);
}
void* operator new[](std::size_t size) {
  return AllocateOrThrow(size, kPlain);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  return Allocate(size, kPlain);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
  return Allocate(size, kPlain);
}
void* operator new(std::size_t size, std::align_val_t alignment) {
  return AllocateOrThrow(size, static_cast<std::size_t>(alignment));
}
void* operator new[](std::size_t size, std::align_val_t alignment) {
  return AllocateOrThrow(size, static_cast<std::size_t>(alignment));
}
void* operator new(std::size_t size, std::align_val_t alignment, const std::nothrow_t&) noexcept {
  return Allocate(size, static_cast<std::size_t>(alignment));
}
void* operator new[](std::size_t size, std::align_val_t alignment, const std::nothrow_t&) noexcept {
  return Allocate(size, static_cast<std::size_t>(alignment));
}

void operator delete(void* p) noexcept {
  std::free(p);
}
void operator delete[](void* p) noexcept {
  std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
  std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept {
  std::free(p);
}
void operator delete(void* p, const std::nothrow_t&) noexcept {
  std::free(p);
}
void operator delete[](void* p, const std::nothrow_t&) noexcept {
  std::free(p);
}
void operator delete(void* p, std::align_val_t) noexcept {
  std::free(p);
}
void operator delete[](void* p, std::align_val_t) noexcept {
  std::free(p);
}
void operator delete(void* p, std::size_t, std::align_val_t) noexcept {
  std::free(p);
}
void operator delete[](void* p, std::size_t, std::align_val_t) noexcept {
  std::free(p);
}
void operator delete(void* p, std::align_val_t, const std::nothrow_t&) noexcept {
  std::free(p);
}
void operator delete[](void* p, std::align_val_t, const std::nothrow_t&) noexcept {
  std::free(p);
}
