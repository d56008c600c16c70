// Platform helpers on POSIX: dlopen, folder listings in a fixed order, paths, huge-page regions.
#include "velan_platform.h"

#include <dirent.h>
#include <dlfcn.h>
#include <sys/mman.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace vplat {

namespace {

char AsciiUpper(char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

}  // namespace

void* LoadSharedLibrary(const char* fileName) {
  if (fileName == nullptr || *fileName == '\0') return nullptr;
  return dlopen(fileName, RTLD_NOW | RTLD_LOCAL);
}

void* FindSymbol(void* handle, const char* name) {
  if (handle == nullptr || name == nullptr) return nullptr;
  return dlsym(handle, name);
}

void FreeSharedLibrary(void* handle) {
  if (handle != nullptr) dlclose(handle);
}

std::string FolderOfAddress(const void* address) {
  Dl_info info;
  if (address == nullptr || dladdr(address, &info) == 0 || info.dli_fname == nullptr) {
    return std::string();
  }
  const std::string path = info.dli_fname;
  return path.find('/') == std::string::npos ? std::string() : FolderOf(path);
}

std::string LibraryFileName(const std::string& folder, const std::string& baseName) {
  std::string name = folder;
  if (!name.empty()) name += '/';
  name += "lib";
  name += baseName;
  name += ".so";
  return name;
}

std::string FolderOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

std::string JoinPath(const std::string& folder, const std::string& name) {
  return folder + "/" + name;
}

std::string UserConfigFolder() {
  const char* dir = std::getenv("VELAN_CONFIG_DIR");
  if (dir && *dir) return dir;
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  if (xdg && *xdg) return std::string(xdg) + "/velan";
  const char* home = std::getenv("HOME");
  if (home && *home) return std::string(home) + "/.config/velan";
  return std::string();
}

bool DirectoryOrderLess(const std::string& a, const std::string& b) {
  const size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    const unsigned char ua = static_cast<unsigned char>(AsciiUpper(a[i]));
    const unsigned char ub = static_cast<unsigned char>(AsciiUpper(b[i]));
    if (ua != ub) return ua < ub;
  }
  if (a.size() != b.size()) return a.size() < b.size();
  return a < b;  // std::string compares bytes as unsigned char
}

bool ListRegularFiles(const std::string& folder, std::vector<std::string>* names) {
  names->clear();
  // The folder is closed also when building a name runs out of memory.
  std::unique_ptr<DIR, int (*)(DIR*)> dir(opendir(folder.c_str()), closedir);
  if (dir == nullptr) return false;
  while (struct dirent* entry = readdir(dir.get())) {
    const char* name = entry->d_name;
    if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0) continue;
    if (!IsRegularFile(JoinPath(folder, name))) continue;
    names->emplace_back(name);
  }
  dir.reset();
  std::sort(names->begin(), names->end(), DirectoryOrderLess);
  return true;
}

bool IsDirectory(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

uint64_t FileSize(const std::string& path) {
  struct stat st;
  if (stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return 0;
  return static_cast<uint64_t>(st.st_size);
}

bool IsRegularFile(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool EqualsIgnoreAsciiCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (AsciiUpper(a[i]) != AsciiUpper(b[i])) return false;
  }
  return true;
}

void* AllocateHugeRegion(size_t size) {
  if (size == 0 || size > SIZE_MAX - kHugeRegionSize) return nullptr;
  const size_t rounded = (size + kHugeRegionSize - 1) & ~(kHugeRegionSize - 1);
  void* region = nullptr;
  if (posix_memalign(&region, kHugeRegionSize, rounded) != 0) return nullptr;
#ifdef MADV_HUGEPAGE
  // Only advice: without huge pages the region works as ordinary memory.
  madvise(region, rounded, MADV_HUGEPAGE);
#endif
  return region;
}

void FreeHugeRegion(void* region) {
  std::free(region);
}

}  // namespace vplat
