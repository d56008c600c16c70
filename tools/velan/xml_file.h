// Feeding a file on disk to an expat parser, for the tool's quick scans of
// ARXML inputs (counting clusters, listing post-build criteria).
#ifndef VELAN_TOOL_XML_FILE_H
#define VELAN_TOOL_XML_FILE_H

#include <expat.h>

#include <string>

namespace velan_tool {

// Parses the file at `path` with `parser` (handlers and user data already
// set) in 64 KiB pieces; stops at the end of the file or the first XML
// error. A file that cannot be opened is passed over.
void ParseXmlFile(const std::string& path, XML_Parser parser);

}  // namespace velan_tool

#endif
