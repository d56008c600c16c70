// Path library: tells the import plug-in where its configuration lives.
#include "velan/velanthc.h"

#include <cstring>
#include <string>

#include "velan_platform.h"

int32_t VelanGetPath(uint32_t kind, uint32_t variant, char* buffer, uint32_t size) {
  if (kind != 2 || variant != 1 || buffer == nullptr || size == 0) return -1;
  const std::string folder = vplat::UserConfigFolder();
  if (folder.empty()) return -2;
  if (folder.size() + 1 > size) return -3;
  std::memcpy(buffer, folder.c_str(), folder.size() + 1);
  return 0;
}
