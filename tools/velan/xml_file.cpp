// Feeding a file on disk to an expat parser for the tool's quick scans.
#include "xml_file.h"

#include <fstream>

namespace velan_tool {

void ParseXmlFile(const std::string& path, XML_Parser parser) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return;
  char buffer[1 << 16];
  for (;;) {
    in.read(buffer, sizeof buffer);
    const auto got = in.gcount();
    const bool last = got < static_cast<std::streamsize>(sizeof buffer);
    if (XML_Parse(parser, buffer, static_cast<int>(got), last) != XML_STATUS_OK || last) break;
  }
}

}  // namespace velan_tool
