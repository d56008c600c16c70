// Temporary folders and files for the import tests.
#ifndef VELAN_TESTS_IMPORT_TEMP_FOLDER_H
#define VELAN_TESTS_IMPORT_TEMP_FOLDER_H

#include <ftw.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

// A fresh folder under $TMPDIR (or /tmp), removed with everything in it.
class TempFolder {
 public:
  TempFolder() {
    const char* base = getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/velanar-test-XXXXXX";
    char* made = mkdtemp(&pattern[0]);
    if (made) path_ = made;
  }
  ~TempFolder() {
    if (!path_.empty()) nftw(path_.c_str(), &RemoveEntry, 16, FTW_DEPTH | FTW_PHYS);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::string& Path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }

  std::string Write(const std::string& name, const std::string& text) const {
    const std::string file = *this / name;
    std::ofstream out(file, std::ios::binary);
    out << text;
    return file;
  }
  std::string MakeFolder(const std::string& name) const {
    const std::string folder = *this / name;
    mkdir(folder.c_str(), 0777);
    return folder;
  }

 private:
  static int RemoveEntry(const char* path, const struct stat*, int, struct FTW*) {
    return remove(path);
  }
  std::string path_;
};

inline std::string ReadWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline bool FileExists(const std::string& path) {
  return access(path.c_str(), F_OK) == 0;
}

#endif
