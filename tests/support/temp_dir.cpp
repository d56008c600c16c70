#include "temp_dir.h"

#include <stdlib.h>

#include <filesystem>
#include <stdexcept>

namespace fs = std::filesystem;

namespace velan_test {

namespace {

// Gives the owner every permission on a folder tree again, so that it can
// be removed after a test made parts of it read-only.
void MakeRemovable(const std::string& path) {
  std::error_code ec;
  fs::permissions(path, fs::perms::owner_all, fs::perm_options::add, ec);
  for (fs::recursive_directory_iterator it(path, ec), end; !ec && it != end; it.increment(ec)) {
    if (it->is_directory(ec) && !it->is_symlink(ec)) {
      fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
    }
  }
}

}  // namespace

TempDir::TempDir() {
  std::string pattern = (fs::temp_directory_path() / "velan_testXXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
}

TempDir::~TempDir() {
  MakeRemovable(path_);
  std::error_code ignored;
  fs::remove_all(path_, ignored);
}

}  // namespace velan_test
