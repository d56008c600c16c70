// Writing of output files by what the path names: a regular file replaced
// atomically, a link followed, a pipe or device written straight through.
#include "output_file.h"

#include "cleanup.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <signal.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
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

namespace {

// Removes a registered temporary file when the holder goes.
class TemporaryFile {
 public:
  ~TemporaryFile() {
    if (!path_.empty()) unlink(path_.c_str());
    UnregisterTemporary(slot_);
  }
  // Creates the file from a mkstemp pattern; returns its descriptor.
  int Create(const std::string& pattern) {
    std::vector<char> buf(pattern.begin(), pattern.end());
    buf.push_back('\0');
    InterruptBlock block;
    int fd = mkstemp(buf.data());
    if (fd >= 0) {
      path_ = buf.data();
      slot_ = RegisterTemporary(path_);
    }
    return fd;
  }
  const std::string& Path() const { return path_; }
  // The file was renamed away: nothing to remove.
  void Release() { path_.clear(); }

 private:
  std::string path_;
  int slot_ = -1;
};

std::string BaseName(const std::string& path) {
  size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The descriptor a path of the process's own descriptors names, else -1.
int DescriptorAlias(const std::string& path) {
  if (path == "-" || path == "/dev/stdout") return STDOUT_FILENO;
  if (path == "/dev/stderr") return STDERR_FILENO;
  for (const char* prefix : {"/dev/fd/", "/proc/self/fd/"}) {
    const std::string p = prefix;
    if (path.size() <= p.size() || path.compare(0, p.size(), p) != 0) continue;
    const std::string digits = path.substr(p.size());
    if (digits.size() > 6 || digits.find_first_not_of("0123456789") != std::string::npos) return -1;
    return std::stoi(digits);
  }
  return -1;
}

// SIGPIPE ignored for the holder's lifetime, so that writing to a pipe
// whose reader has gone fails with EPIPE instead of ending the process.
class IgnorePipeSignal {
 public:
  IgnorePipeSignal() {
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    sigaction(SIGPIPE, &ignore, &previous_);
  }
  ~IgnorePipeSignal() { sigaction(SIGPIPE, &previous_, nullptr); }

 private:
  struct sigaction previous_ {};
};

bool CopyInto(int from, int to, const std::string& target, std::string* error) {
  char buf[65536];
  for (;;) {
    ssize_t n = read(from, buf, sizeof buf);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      *error = std::string("cannot read the written content: ") + std::strerror(errno);
      return false;
    }
    if (n == 0) return true;
    for (ssize_t done = 0; done < n;) {
      ssize_t w = write(to, buf + done, static_cast<size_t>(n - done));
      if (w < 0 && errno == EINTR) continue;
      if (w <= 0) {
        *error = "cannot write " + target + ": " + std::strerror(w < 0 ? errno : EIO);
        return false;
      }
      done += w;
    }
  }
}

// Produces the content in a private temporary file, then copies it to the
// stream.
bool WriteStream(const std::string& target, const OutputTarget& out, const OutputWriter& write,
                 std::string* error) {
  const char* tmp = std::getenv("TMPDIR");
  std::string folder = tmp && *tmp ? tmp : "/tmp";
  TemporaryFile temp;
  int fd = temp.Create(JoinPath(folder, "velan-out-XXXXXX"));
  if (fd < 0) {
    *error = "cannot create a file in " + folder + ": " + std::strerror(errno);
    return false;
  }
  close(fd);
  if (!write(temp.Path(), error)) return false;
  int in = open(temp.Path().c_str(), O_RDONLY | O_CLOEXEC);
  if (in < 0) {
    *error = std::string("cannot read the written content: ") + std::strerror(errno);
    return false;
  }
  int to = out.fd;
  if (to < 0) {
    // No O_CREAT and no O_TRUNC: the node exists and is written as it is.
    // A pipe waits here for its reader.
    do {
      to = open(out.path.c_str(), O_WRONLY | O_CLOEXEC);
    } while (to < 0 && errno == EINTR);
    if (to < 0) {
      *error = "cannot open " + target + ": " + std::strerror(errno);
      close(in);
      return false;
    }
  } else {
    std::fflush(out.fd == STDERR_FILENO ? stderr : stdout);
  }
  bool ok;
  {
    IgnorePipeSignal ignore;
    ok = CopyInto(in, to, target, error);
  }
  close(in);
  if (out.fd < 0 && close(to) != 0 && ok) {
    *error = "cannot write " + target + ": " + std::strerror(errno);
    ok = false;
  }
  return ok;
}

}  // namespace

std::string JoinPath(const std::string& folder, const std::string& name) {
  if (folder.empty()) return name;
  size_t end = folder.find_last_not_of('/');
  if (end == std::string::npos) return "/" + name;
  return folder.substr(0, end + 1) + "/" + name;
}

bool WriteAtomically(const std::string& target, const OutputWriter& write, std::string* error) {
  struct stat old {};
  const bool replacing = stat(target.c_str(), &old) == 0;
  if (replacing && S_ISDIR(old.st_mode)) {
    *error = target + " is a folder";
    return false;
  }
  std::string folder = FolderOf(target);
  TemporaryFile temp;
  int fd = temp.Create(JoinPath(folder, "." + BaseName(target) + ".tmp-XXXXXX"));
  if (fd < 0) {
    *error = "cannot create a file in " + folder + ": " + std::strerror(errno);
    return false;
  }
  close(fd);
  if (!write(temp.Path(), error)) return false;
  // Set after writing: a writer may itself have replaced the temporary file.
  if (replacing && S_ISREG(old.st_mode)) {
    // The replacement keeps the permission bits and, where allowed, the
    // owner of the file it replaces.
    if (chown(temp.Path().c_str(), old.st_uid, old.st_gid) != 0) {
      // Only the superuser may give a file away; the owner stays the caller.
    }
    chmod(temp.Path().c_str(), old.st_mode & 07777);
  } else {
    // mkstemp gives 0600; a new output file gets what a plain create would.
    mode_t mask = umask(0);
    umask(mask);
    chmod(temp.Path().c_str(), 0666 & ~mask);
  }
  if (rename(temp.Path().c_str(), target.c_str()) != 0) {
    *error = "cannot rename " + temp.Path() + " to " + target + ": " + std::strerror(errno);
    return false;
  }
  temp.Release();
  return true;
}

bool IsStandardOutput(const std::string& path) {
  return DescriptorAlias(path) == STDOUT_FILENO;
}

OutputTarget ClassifyOutput(const std::string& path) {
  OutputTarget out;
  std::string p = path;
  for (int depth = 0; depth <= 40; ++depth) {
    const int fd = DescriptorAlias(p);
    if (fd >= 0) {
      out.kind = OutputTarget::kStream;
      out.path = p;
      out.fd = fd;
      return out;
    }
    struct stat st {};
    if (lstat(p.c_str(), &st) != 0) {
      if (errno != ENOENT) {
        out.error = "cannot use " + p + ": " + std::strerror(errno);
        return out;
      }
      if (!IsDirectory(FolderOf(p))) {
        out.error = depth == 0 ? "the folder " + FolderOf(p) + " does not exist"
                               : path + " is a link to " + p + ", whose folder does not exist";
        return out;
      }
      out.kind = OutputTarget::kFile;
      out.path = p;
      return out;
    }
    if (S_ISLNK(st.st_mode)) {
      std::vector<char> buf(static_cast<size_t>(st.st_size > 0 ? st.st_size : 255) + 1);
      ssize_t n = readlink(p.c_str(), buf.data(), buf.size());
      if (n < 0 || static_cast<size_t>(n) >= buf.size()) {
        out.error = "cannot read the link " + p;
        return out;
      }
      std::string next(buf.data(), static_cast<size_t>(n));
      const std::string folder = FolderOf(p);
      p = next[0] == '/' || folder == "." ? next : JoinPath(folder, next);
      continue;
    }
    const std::string shown = p == path ? path : path + " (a link to " + p + ")";
    if (S_ISREG(st.st_mode)) {
      out.kind = OutputTarget::kFile;
    } else if (S_ISFIFO(st.st_mode) || S_ISCHR(st.st_mode)) {
      out.kind = OutputTarget::kStream;
    } else if (S_ISDIR(st.st_mode)) {
      out.error = shown + " is a folder";
    } else {
      out.error = shown + " is neither a file, a pipe nor a character device";
    }
    out.path = p;
    return out;
  }
  out.error = path + ": too many levels of symbolic links";
  return out;
}

bool WriteOutput(const std::string& target, const OutputWriter& write, std::string* error) {
  const OutputTarget out = ClassifyOutput(target);
  switch (out.kind) {
    case OutputTarget::kFile:
      return WriteAtomically(out.path, write, error);
    case OutputTarget::kStream:
      return WriteStream(target, out, write, error);
    case OutputTarget::kRefused:
      break;
  }
  *error = out.error;
  return false;
}

}  // namespace velan_tool
