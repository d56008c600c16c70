#include "xml/string_pool.h"

#include <cstring>
#include <new>

const char* exStringPoolSTL::Find(const char* text) const {
  if (text == nullptr) return nullptr;
  return Find(text, std::strlen(text));
}

const char* exStringPoolSTL::Find(const char* text, size_t length) const {
  if (text == nullptr) return nullptr;
  auto it = texts_.find(std::string_view(text, length));
  return it == texts_.end() ? nullptr : it->data();
}

const char* exStringPoolSTL::Intern(const char* text) {
  if (text == nullptr) return nullptr;
  return Intern(text, std::strlen(text));
}

const char* exStringPoolSTL::Intern(const char* text, size_t length) {
  if (text == nullptr) return nullptr;
  if (const char* found = Find(text, length)) return found;
  char* copy = Store(length + 1);
  if (copy == nullptr) return nullptr;
  std::memcpy(copy, text, length);
  copy[length] = '\0';
  try {
    texts_.insert(std::string_view(copy, length));
  } catch (...) {
    return nullptr;  // the copy stays unused in its chunk
  }
  return copy;
}

char* exStringPoolSTL::Store(size_t size) {
  if (size > left_) {
    // Long texts get a chunk of their own; the current chunk stays current.
    const bool own = size > kChunkSize / 4;
    const size_t chunkSize = own ? size : kChunkSize;
    try {
      if (chunks_.size() == chunks_.capacity()) chunks_.reserve(chunks_.capacity() * 2 + 16);
    } catch (...) {
      return nullptr;
    }
    char* chunk = new (std::nothrow) char[chunkSize];
    if (chunk == nullptr) return nullptr;
    chunks_.emplace_back(chunk);
    if (own) return chunk;
    free_ = chunk;
    left_ = chunkSize;
  }
  char* result = free_;
  free_ += size;
  left_ -= size;
  return result;
}
