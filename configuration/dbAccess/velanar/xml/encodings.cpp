// Single-byte encodings that expat does not know by their declared names.
#include "xml/encodings.h"

#include <cctype>
#include <cstring>

namespace {

enum class Table { kAscii, kLatin1, kWindows1252, kLatin9 };

struct Alias {
  const char* name;
  Table table;
};

// Compared without regard to ASCII case.
const Alias kAliases[] = {
    {"ASCII", Table::kAscii},
    {"ANSI_X3.4-1968", Table::kAscii},
    {"US_ASCII", Table::kAscii},
    {"ISO646-US", Table::kAscii},
    {"LATIN1", Table::kLatin1},
    {"ISO8859-1", Table::kLatin1},
    {"ISO_8859-1", Table::kLatin1},
    {"ISO-8859-1:1987", Table::kLatin1},
    {"L1", Table::kLatin1},
    {"CP819", Table::kLatin1},
    {"WINDOWS-1252", Table::kWindows1252},
    {"CP1252", Table::kWindows1252},
    {"CP-1252", Table::kWindows1252},
    {"ISO-8859-15", Table::kLatin9},
    {"ISO8859-15", Table::kLatin9},
    {"ISO_8859-15", Table::kLatin9},
    {"LATIN9", Table::kLatin9},
    {"LATIN-9", Table::kLatin9},
};

bool SameName(const char* a, const char* b) {
  for (; *a && *b; ++a, ++b) {
    if (std::toupper(static_cast<unsigned char>(*a)) !=
        std::toupper(static_cast<unsigned char>(*b)))
      return false;
  }
  return *a == *b;
}

// Code points of windows-1252 bytes 0x80 to 0x9F; -1 where the byte is
// undefined.
const int kWindows1252High[32] = {0x20AC, -1,     0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                  0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, -1,     0x017D, -1,
                                  -1,     0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                  0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, -1,     0x017E, 0x0178};

void Fill(Table table, XML_Encoding* info) {
  for (int b = 0; b < 256; ++b) info->map[b] = b;
  switch (table) {
    case Table::kAscii:
      for (int b = 0x80; b < 256; ++b) info->map[b] = -1;
      break;
    case Table::kLatin1:
      break;
    case Table::kWindows1252:
      for (int b = 0x80; b < 0xA0; ++b) info->map[b] = kWindows1252High[b - 0x80];
      break;
    case Table::kLatin9:
      info->map[0xA4] = 0x20AC;
      info->map[0xA6] = 0x0160;
      info->map[0xA8] = 0x0161;
      info->map[0xB4] = 0x017D;
      info->map[0xB8] = 0x017E;
      info->map[0xBC] = 0x0152;
      info->map[0xBD] = 0x0153;
      info->map[0xBE] = 0x0178;
      break;
  }
  info->data = nullptr;
  info->convert = nullptr;
  info->release = nullptr;
}

}  // namespace

int XMLCALL ResolveUnknownEncoding(void*, const XML_Char* name, XML_Encoding* info) {
  if (name == nullptr || info == nullptr) return XML_STATUS_ERROR;
  for (const Alias& alias : kAliases) {
    if (SameName(name, alias.name)) {
      Fill(alias.table, info);
      return XML_STATUS_OK;
    }
  }
  return XML_STATUS_ERROR;
}

void InstallEncodingAliases(XML_Parser parser) {
  XML_SetUnknownEncodingHandler(parser, &ResolveUnknownEncoding, nullptr);
}
