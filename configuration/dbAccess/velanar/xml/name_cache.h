// Cache of the qualified names the parser made from expat's names
// ("uri:local"). A file uses a few hundred distinct names while the start
// handler asks for one per element and attribute, so a small open-addressing
// table that stays in the cache replaces the hashing and probing of a
// general map.
#ifndef VELANAR_XML_NAME_CACHE_H
#define VELANAR_XML_NAME_CACHE_H

#include <cstddef>
#include <cstdint>

class exNameCache {
 public:
  exNameCache() = default;
  ~exNameCache();
  exNameCache(const exNameCache&) = delete;
  exNameCache& operator=(const exNameCache&) = delete;

  // The value cached under the `length` bytes at `name` (with their
  // exHashText hash), or null.
  const char* Find(const char* name, size_t length, uint32_t hash) const;
  // Caches `value` under `key`, which must live as long as the cache (a
  // pooled text). False when out of memory; nothing is cached then.
  bool Insert(const char* key, size_t length, uint32_t hash, const char* value);
  size_t Size() const { return count_; }

 private:
  struct Slot {
    const char* key;  // null: free
    const char* value;
    size_t length;
    uint32_t hash;
  };
  Slot* Probe(const char* name, size_t length, uint32_t hash) const;

  Slot* slots_ = nullptr;
  size_t mask_ = 0;
  size_t count_ = 0;
};

#endif
