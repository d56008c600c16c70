#include "output_file.h"

#include "cleanup.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

namespace velan_tool {

bool IsDirectory(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool Exists(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0;
}

bool MakeFolders(const std::string& path, std::string* error) {
  if (path.empty() || IsDirectory(path)) return true;
  std::string parent = FolderOf(path);
  if (parent != path && parent != "." && parent != "/" && !MakeFolders(parent, error)) return false;
  if (mkdir(path.c_str(), 0777) != 0 && errno != EEXIST) {
    *error = "cannot create folder " + path + ": " + std::strerror(errno);
    return false;
  }
  if (!IsDirectory(path)) {
    *error = path + " exists and is not a folder";
    return false;
  }
  return true;
}

bool IsSafeFileName(const std::string& name) {
  if (name.empty() || name == "." || name == "..") return false;
  for (unsigned char c : name)
    if (c == '/' || c < 0x20 || c == 0x7F) return false;
  return true;
}

bool EndsWithNoCase(const std::string& text, const std::string& suffix) {
  if (text.size() < suffix.size()) return false;
  for (size_t i = 0; i < suffix.size(); ++i) {
    char a = text[text.size() - suffix.size() + i];
    char b = suffix[i];
    if (a >= 'A' && a <= 'Z') a = static_cast<char>(a - 'A' + 'a');
    if (b >= 'A' && b <= 'Z') b = static_cast<char>(b - 'A' + 'a');
    if (a != b) return false;
  }
  return true;
}

bool WriteAtomically(
    const std::string& target,
    const std::function<bool(const std::string& tempPath, std::string* error)>& write,
    std::string* error) {
  if (IsDirectory(target)) {
    *error = target + " is a folder";
    return false;
  }
  std::string folder = FolderOf(target);
  std::string base =
      target.substr(target.rfind('/') == std::string::npos ? 0 : target.rfind('/') + 1);
  std::string pattern = folder + "/." + base + ".tmp-XXXXXX";
  std::vector<char> buf(pattern.begin(), pattern.end());
  buf.push_back('\0');
  int fd = -1;
  int slot = -1;
  {
    InterruptBlock block;
    fd = mkstemp(buf.data());
    if (fd >= 0) slot = RegisterTemporary(buf.data());
  }
  if (fd < 0) {
    *error = "cannot create a file in " + folder + ": " + std::strerror(errno);
    return false;
  }
  std::string temp = buf.data();
  struct Unregister {
    int slot;
    ~Unregister() { UnregisterTemporary(slot); }
  } unregister{slot};
  // mkstemp gives 0600; an output file gets what a plain create would give.
  mode_t mask = umask(0);
  umask(mask);
  fchmod(fd, 0666 & ~mask);
  close(fd);
  if (!write(temp, error)) {
    unlink(temp.c_str());
    return false;
  }
  if (rename(temp.c_str(), target.c_str()) != 0) {
    *error = "cannot rename " + temp + " to " + target + ": " + std::strerror(errno);
    unlink(temp.c_str());
    return false;
  }
  return true;
}

}  // namespace velan_tool
