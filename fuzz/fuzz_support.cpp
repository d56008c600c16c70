#include "fuzz_support.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>


namespace fuzz {

const std::string& ScratchDir() {
  static const std::string dir = [] {
    std::string base = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
    std::string templ = base + "/velan-fuzz-XXXXXX";
    if (!mkdtemp(&templ[0])) std::abort();
    return templ;
  }();
  return dir;
}

void WriteFile(const std::string& path, const uint8_t* data, size_t size) {
  int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0) std::abort();
  size_t done = 0;
  while (done < size) {
    ssize_t n = write(fd, data + done, size - done);
    if (n <= 0) std::abort();
    done += static_cast<size_t>(n);
  }
  close(fd);
}

std::string ByteReader::Text(size_t max) {
  size_t len = U8() % (max + 1);
  std::string s;
  for (size_t i = 0; i < len && !Empty(); ++i) {
    char c = static_cast<char>(U8());
    s.push_back(c == '\0' ? 'x' : c);
  }
  return s;
}

}  // namespace fuzz
