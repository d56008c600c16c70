#include "xml/string_pool.h"

#include <cstring>

const char* exStringPoolSTL::Find(const char* text) const {
  if (text == nullptr) return nullptr;
  auto it = texts_.find(std::string_view(text));
  return it == texts_.end() ? nullptr : it->c_str();
}

const char* exStringPoolSTL::Intern(const char* text) {
  if (text == nullptr) return nullptr;
  return Intern(text, std::strlen(text));
}

const char* exStringPoolSTL::Intern(const char* text, size_t length) {
  if (text == nullptr) return nullptr;
  const std::string_view view(text, length);
  auto it = texts_.find(view);
  if (it != texts_.end()) return it->c_str();
  try {
    return texts_.emplace_hint(it, view)->c_str();
  } catch (...) {
    return nullptr;
  }
}
