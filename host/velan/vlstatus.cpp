// Status-text library: texts of the host database's status codes.
#include "velan/vlstatus.h"

#include <algorithm>
#include <cstring>

namespace {

struct StatusText {
  int32_t code;
  const char* text;
};

const StatusText kTexts[] = {
#define VELAN_STATUS_TEXT(code, text) {code, text},
#include "status_texts.def"
#undef VELAN_STATUS_TEXT
};

}  // namespace

char* vlStatusToString(int32_t status, uint32_t size, char* buffer) {
  if (!buffer || size == 0) return buffer;
  const char* text = "";
  for (const StatusText& entry : kTexts) {
    if (entry.code == status) {
      text = entry.text;
      break;
    }
  }
  const size_t n = std::min<size_t>(std::strlen(text), size - 1);
  std::memcpy(buffer, text, n);
  buffer[n] = '\0';
  return buffer;
}
