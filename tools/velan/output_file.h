// Writing of output files. A regular file (or a new one) is replaced
// atomically: the content goes to a temporary file in the target's folder,
// renamed over the target only when writing succeeded, so a failed run
// leaves an earlier file as it was. Symbolic links are followed to their
// final target, which is replaced the same way; pipes, character devices
// and standard output are written straight through.
#ifndef VELAN_TOOL_OUTPUT_FILE_H
#define VELAN_TOOL_OUTPUT_FILE_H

#include <functional>
#include <string>

#include "velan_platform.h"

namespace velan_tool {

// Produces the content of an output in the file at `path`.
using OutputWriter = std::function<bool(const std::string& path, std::string* error)>;

// Calls `write` with the path of a fresh, empty temporary file beside
// `target`; when it returns true, gives the file the permission bits of the
// file it replaces (a new file: 0666 less the umask) and renames it to
// `target`. On any failure the temporary file is removed and `error` says
// why.
bool WriteAtomically(const std::string& target, const OutputWriter& write, std::string* error);

// What an output path names once symbolic links are followed.
struct OutputTarget {
  enum Kind {
    kFile,    // a regular file or a new one: replaced atomically at `path`
    kStream,  // a pipe, a character device or an open descriptor: written through
    kRefused  // a folder, a socket, a block device, a broken link: `error` says why
  };
  Kind kind = kRefused;
  std::string path;  // kFile: the final target; kStream: the path to open
  int fd = -1;       // kStream: a descriptor of this process to write to (-1: open `path`)
  std::string error;
};

// Classifies `path`: "-", /dev/stdout, /dev/stderr, /dev/fd/N and
// /proc/self/fd/N are the process's own descriptors; links are followed
// (relative targets from the link's folder) up to 40 deep. A link whose
// final target is missing names a new file when the target's folder exists.
OutputTarget ClassifyOutput(const std::string& path);

// True when `path` names standard output ("-" or an alias of descriptor 1).
bool IsStandardOutput(const std::string& path);

// Writes an output by its kind. A stream gets the content that `write`
// produced in a private temporary file, copied through; a failed write
// (ENOSPC, EPIPE, ...) fails with `error` naming `target`. Nothing is
// created, renamed or removed beside a stream.
bool WriteOutput(const std::string& target, const OutputWriter& write, std::string* error);

// folder + "/" + name without doubled slashes ("out/" and "Body.dbc" give
// "out/Body.dbc"; an empty folder gives the name alone).
std::string JoinPath(const std::string& folder, const std::string& name);

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
