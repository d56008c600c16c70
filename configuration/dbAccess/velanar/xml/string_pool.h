// Pool of NUL-terminated texts: equal texts share one copy that lives as long
// as the pool.
#ifndef VELANAR_XML_STRING_POOL_H
#define VELANAR_XML_STRING_POOL_H

#include <cstddef>
#include <set>
#include <string>
#include <string_view>

class IfcStringPool {
 public:
  virtual ~IfcStringPool() = default;
  // The pooled copy equal to `text`, or null when there is none.
  virtual const char* Find(const char* text) const = 0;
  // The pooled copy equal to `text`, made when missing; null when copying
  // fails or `text` is null.
  virtual const char* Intern(const char* text) = 0;
};

class exStringPoolSTL : public IfcStringPool {
 public:
  const char* Find(const char* text) const override;
  const char* Intern(const char* text) override;
  // Same as Intern for the `length` bytes at `text` (which need no NUL).
  const char* Intern(const char* text, size_t length);
  size_t Size() const { return texts_.size(); }

 private:
  // Set nodes never move, so the c_str() of an entry stays valid.
  std::set<std::string, std::less<>> texts_;
};

#endif
