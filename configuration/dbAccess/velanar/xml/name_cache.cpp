// Cache of qualified names made from expat's "uri:local" names.
#include "xml/name_cache.h"

#include <cstring>
#include <new>

exNameCache::~exNameCache() {
  delete[] slots_;
}

exNameCache::Slot* exNameCache::Probe(const char* name, size_t length, uint32_t hash) const {
  for (size_t i = hash & mask_;; i = (i + 1) & mask_) {
    Slot* slot = &slots_[i];
    if (slot->key == nullptr) return slot;
    if (slot->hash == hash && slot->length == length && std::memcmp(slot->key, name, length) == 0)
      return slot;
  }
}

const char* exNameCache::Find(const char* name, size_t length, uint32_t hash) const {
  if (slots_ == nullptr || name == nullptr) return nullptr;
  return Probe(name, length, hash)->value;
}

bool exNameCache::Insert(const char* key, size_t length, uint32_t hash, const char* value) {
  if (key == nullptr || value == nullptr) return false;
  // At most half full: probes stay short and a free slot always exists.
  if ((count_ + 1) * 2 > (slots_ == nullptr ? 0 : mask_ + 1)) {
    const size_t size = slots_ == nullptr ? 256 : (mask_ + 1) * 2;
    if (size > SIZE_MAX / sizeof(Slot) || size - 1 > UINT32_MAX) return false;
    Slot* fresh = new (std::nothrow) Slot[size]();
    if (fresh == nullptr) return false;
    Slot* old = slots_;
    const size_t oldSize = old == nullptr ? 0 : mask_ + 1;
    slots_ = fresh;
    mask_ = size - 1;
    for (size_t i = 0; i < oldSize; ++i) {
      if (old[i].key != nullptr) *Probe(old[i].key, old[i].length, old[i].hash) = old[i];
    }
    delete[] old;
  }
  Slot* slot = Probe(key, length, hash);
  if (slot->key == nullptr) {
    *slot = Slot{key, value, length, hash};
    ++count_;
  }
  return true;
}
