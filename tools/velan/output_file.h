// Atomic replacement of output files: the content is written to a temporary
// file in the target's folder and renamed over the target only when writing
// succeeded, so a failed run leaves an earlier file as it was.
#ifndef VELAN_TOOL_OUTPUT_FILE_H
#define VELAN_TOOL_OUTPUT_FILE_H

#include <functional>
#include <string>

#include "velan_platform.h"

namespace velan_tool {

// Calls `write` with the path of a fresh, empty temporary file beside
// `target`; when it returns true, gives the file the usual permissions
// (0666 less the umask) and renames it to `target`. On any failure the
// temporary file is removed and `error` says why.
bool WriteAtomically(
    const std::string& target,
    const std::function<bool(const std::string& tempPath, std::string* error)>& write,
    std::string* error);

// Folder part of a path ("." when it has none).
using vplat::FolderOf;

// Creates a folder and its missing parents (mode 0777 less the umask).
bool MakeFolders(const std::string& path, std::string* error);

bool IsDirectory(const std::string& path);
bool Exists(const std::string& path);

// True when the name can be used as a file name in a folder as it is: not
// empty, not "." or "..", no '/', no control characters.
bool IsSafeFileName(const std::string& name);

bool EndsWithNoCase(const std::string& text, const std::string& suffix);

}  // namespace velan_tool

#endif
