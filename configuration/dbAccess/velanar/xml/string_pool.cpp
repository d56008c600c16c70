// Pool of shared NUL-terminated texts.
#include "xml/string_pool.h"

#include <cstring>
#include <new>

#include "velan_platform.h"

// Hash over 8-byte words with multiply-xorshift mixing: names of one export
// share long prefixes and differ in their last bytes, and every byte reaches
// every bit of the result.
uint32_t exHashText(const char* text, size_t length) {
  constexpr uint64_t kMul1 = 0xbf58476d1ce4e5b9ULL;
  constexpr uint64_t kMul2 = 0x94d049bb133111ebULL;
  uint64_t h = 0x9e3779b97f4a7c15ULL ^ length;
  while (length >= 8) {
    uint64_t word;
    std::memcpy(&word, text, 8);
    h = (h ^ word) * kMul1;
    h ^= h >> 31;
    text += 8;
    length -= 8;
  }
  uint64_t tail = 0;
  std::memcpy(&tail, text, length);
  h = (h ^ tail ^ (static_cast<uint64_t>(length) << 59)) * kMul2;
  h ^= h >> 29;
  h *= kMul1;
  return static_cast<uint32_t>(h ^ (h >> 32));
}

exStringPoolSTL::~exStringPoolSTL() {
  if (slots_ != nullptr) FreeTable(slots_, mask_ + 1);
}

// Tables of 2 MiB and more live in huge-page regions: every lookup touches a
// random slot, so TLB misses would dominate otherwise.
exStringPoolSTL::Slot* exStringPoolSTL::NewTable(size_t size) {
  const size_t bytes = size * sizeof(Slot);
  if (bytes < vplat::kHugeRegionSize) return new (std::nothrow) Slot[size]();
  void* region = vplat::AllocateHugeRegion(bytes);
  if (region == nullptr) return nullptr;
  Slot* table = static_cast<Slot*>(region);
  for (size_t i = 0; i < size; ++i) new (&table[i]) Slot{nullptr, 0, 0};
  return table;
}

void exStringPoolSTL::FreeTable(Slot* table, size_t size) {
  if (size * sizeof(Slot) < vplat::kHugeRegionSize) {
    delete[] table;
  } else {
    vplat::FreeHugeRegion(table);
  }
}

exStringPoolSTL::Slot* exStringPoolSTL::Probe(const char* text, size_t length,
                                              uint32_t hash) const {
  const uint32_t shortLength = length >= kLongText ? kLongText : static_cast<uint32_t>(length);
  for (size_t i = hash & mask_;; i = (i + 1) & mask_) {
    Slot* slot = &slots_[i];
    if (slot->text == nullptr) return slot;
    if (slot->hash != hash || slot->length != shortLength) continue;
    if (shortLength == kLongText && std::strlen(slot->text) != length) continue;
    if (std::memcmp(slot->text, text, length) == 0) return slot;
  }
}

bool exStringPoolSTL::Grow() {
  // The slot index comes from the 32-bit hash, so 2^32 slots is the limit.
  const uint64_t size = slots_ == nullptr ? 1024 : (static_cast<uint64_t>(mask_) + 1) * 2;
  if (size > (uint64_t{1} << 32) || size > SIZE_MAX / sizeof(Slot)) return false;
  Slot* fresh = NewTable(static_cast<size_t>(size));
  if (fresh == nullptr) return false;
  Slot* old = slots_;
  const size_t oldSize = old == nullptr ? 0 : mask_ + 1;
  slots_ = fresh;
  mask_ = static_cast<size_t>(size - 1);
  // Distinct texts: each goes to the first free slot from its hash.
  for (size_t i = 0; i < oldSize; ++i) {
    if (old[i].text == nullptr) continue;
    size_t at = old[i].hash & mask_;
    while (slots_[at].text != nullptr) at = (at + 1) & mask_;
    slots_[at] = old[i];
  }
  if (old != nullptr) FreeTable(old, oldSize);
  return true;
}

const char* exStringPoolSTL::Find(const char* text) const {
  if (text == nullptr) return nullptr;
  return Find(text, std::strlen(text));
}

const char* exStringPoolSTL::Find(const char* text, size_t length) const {
  if (text == nullptr || slots_ == nullptr) return nullptr;
  return Probe(text, length, exHashText(text, length))->text;
}

const char* exStringPoolSTL::Intern(const char* text) {
  if (text == nullptr) return nullptr;
  return Intern(text, std::strlen(text));
}

const char* exStringPoolSTL::Intern(const char* text, size_t length) {
  if (text == nullptr) return nullptr;
  // Keep the table at most three quarters full, so probes stay short.
  if ((count_ + 1) * 4 > (slots_ == nullptr ? 0 : (mask_ + 1) * 3) && !Grow()) {
    return Find(text, length);
  }
  const uint32_t hash = exHashText(text, length);
  Slot* slot = Probe(text, length, hash);
  if (slot->text != nullptr) return slot->text;
  char* copy = Store(length + 1);
  if (copy == nullptr) return nullptr;
  std::memcpy(copy, text, length);
  copy[length] = '\0';
  slot->text = copy;
  slot->hash = hash;
  slot->length = length >= kLongText ? kLongText : static_cast<uint32_t>(length);
  ++count_;
  return copy;
}

char* exStringPoolSTL::Store(size_t size) {
  if (size > left_) {
    if (size > kChunkSize / 4) {
      // Long texts get a chunk of their own; the current chunk stays current.
      try {
        if (chunks_.size() == chunks_.capacity()) chunks_.reserve(chunks_.capacity() * 2 + 16);
      } catch (...) {
        return nullptr;
      }
      char* chunk = new (std::nothrow) char[size];
      if (chunk != nullptr) chunks_.emplace_back(chunk);
      return chunk;
    }
    char* chunk = static_cast<char*>(chunkPool_.Allocate(kChunkSize));
    if (chunk == nullptr) return nullptr;
    free_ = chunk;
    left_ = kChunkSize;
  }
  char* result = free_;
  free_ += size;
  left_ -= size;
  return result;
}
