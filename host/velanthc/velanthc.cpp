// Path library: tells the import plug-in where its configuration lives.
#include "velan/velanthc.h"

#include <cstdlib>
#include <cstring>
#include <string>

namespace {

std::string ConfigFolder() {
  const char* dir = std::getenv("VELAN_CONFIG_DIR");
  if (dir && *dir) return dir;
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  if (xdg && *xdg) return std::string(xdg) + "/velan";
  const char* home = std::getenv("HOME");
  if (home && *home) return std::string(home) + "/.config/velan";
  return std::string();
}

}  // namespace

int32_t VelanGetPath(uint32_t kind, uint32_t variant, char* buffer, uint32_t size) {
  if (kind != 2 || variant != 1 || buffer == nullptr || size == 0) return -1;
  const std::string folder = ConfigFolder();
  if (folder.empty()) return -2;
  if (folder.size() + 1 > size) return -3;
  std::memcpy(buffer, folder.c_str(), folder.size() + 1);
  return 0;
}
