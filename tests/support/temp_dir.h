// A fresh folder below the system's temporary folder for one test, removed
// with everything in it on destruction (permissions are restored first, so
// that read-only sub-folders go too).
#ifndef VELAN_TESTS_SUPPORT_TEMP_DIR_H
#define VELAN_TESTS_SUPPORT_TEMP_DIR_H

#include <string>

namespace velan_test {

class TempDir {
 public:
  // Throws std::runtime_error when no folder can be made.
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& Path() const { return path_; }
  std::string File(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

}  // namespace velan_test

#endif
