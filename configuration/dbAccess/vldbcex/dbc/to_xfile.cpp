// The exporter's output file.
#include "dbc/to_xfile.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <new>

namespace vldbcex {

ToXFile* ToXFile::Open(const char* path, uint32_t mode) {
  if (path == nullptr || *path == '\0') return nullptr;
  int flags = O_WRONLY | O_CLOEXEC;
  switch (mode) {
    case 0:
      flags |= O_CREAT | O_EXCL;
      break;
    case 1:
      flags |= O_CREAT | O_TRUNC;
      break;
    case 3:
      flags |= O_CREAT;
      break;
    case 4:
      flags |= O_TRUNC;
      break;
    default:
      break;
  }
  // Opened without blocking so that a named pipe without a reader fails at
  // once instead of hanging; blocking writes are restored afterwards.
  int fd;
  do {
    fd = ::open(path, flags | O_NONBLOCK, 0666);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) return nullptr;
  const int status = ::fcntl(fd, F_GETFL);
  if (status < 0 || ::fcntl(fd, F_SETFL, status & ~O_NONBLOCK) < 0) {
    ::close(fd);
    return nullptr;
  }
  ToXFile* file = new (std::nothrow) ToXFile();
  if (file == nullptr) {
    ::close(fd);
    return nullptr;
  }
  file->handle_ = fd;
  return file;
}

ToXFile::~ToXFile() {
  Close();
}

bool ToXFile::Close() {
  bool ok = true;
  if (second_ >= 0) {
    if (::close(second_) != 0 && errno != EINTR) ok = false;
    second_ = -1;
  }
  if (handle_ >= 0) {
    if (::close(handle_) != 0 && errno != EINTR) ok = false;
    handle_ = -1;
  }
  return ok;
}

bool ToXFile::Rewind() {
  return handle_ >= 0 && ::lseek(handle_, 0, SEEK_SET) == 0;
}

bool ToXFile::Write(const void* data, size_t size) {
  if (handle_ < 0) return false;
  const char* p = static_cast<const char*>(data);
  while (size > 0) {
    const ssize_t n = ::write(handle_, p, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (n == 0) return false;
    p += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

}  // namespace vldbcex
