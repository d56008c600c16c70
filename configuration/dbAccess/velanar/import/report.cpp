// The import report: category switches, line formatting and the buffered log file.
#include "import/report.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <new>

// ---------------------------------------------------------------- ToLogFile

ToLogFile::~ToLogFile() {
  Close();
}

bool ToLogFile::AddIndentation(int32_t delta) {
  const int64_t next = static_cast<int64_t>(indentation_) + delta;
  if (next < 0 || next > INT32_MAX) return false;
  indentation_ = static_cast<int32_t>(next);
  return true;
}

bool ToLogFile::Open(const char* path) {
  fill_ = 0;
  if (file_ != nullptr) {
    std::fclose(file_);
    file_ = nullptr;
    mode_ = Mode::None;
  }
  if (path == nullptr || *path == '\0') return false;
  struct stat info;
  if (::stat(path, &info) == 0 && S_ISFIFO(info.st_mode)) {
    // A FIFO opened for reading and writing never waits for a reader, and
    // the import would then block for good once the pipe is full. Write to
    // a FIFO only while someone reads it; without a reader there is no log.
    const int fd = ::open(path, O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return false;
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0 ||
        (file_ = ::fdopen(fd, "wb")) == nullptr) {
      ::close(fd);
      return false;
    }
  } else {
    file_ = std::fopen(path, "w+b");
  }
  if (file_ == nullptr) return false;
  mode_ = Mode::File;
  return true;
}

void ToLogFile::Flush() {
  if (fill_ == 0) return;
  if (mode_ == Mode::File && file_ != nullptr) {
    // A short write drops the rest of the buffered text.
    (void)std::fwrite(buffer_, 1, fill_, file_);
  }
  fill_ = 0;
}

void ToLogFile::Close() {
  Flush();
  if (file_ != nullptr) {
    std::fclose(file_);
    file_ = nullptr;
  }
  mode_ = Mode::None;
}

void ToLogFile::Append(const char* text, size_t length) {
  if (mode_ != Mode::File || text == nullptr) return;
  while (length > 0) {
    if (fill_ == kBufferSize) Flush();
    size_t chunk = kBufferSize - fill_;
    if (chunk > length) chunk = length;
    std::memcpy(buffer_ + fill_, text, chunk);
    fill_ += chunk;
    text += chunk;
    length -= chunk;
  }
}

void ToLogFile::Append(const char* text) {
  if (text != nullptr) Append(text, std::strlen(text));
}

void ToLogFile::AppendBlanks(size_t count) {
  static const char kBlanks[] = "                                ";
  constexpr size_t kChunk = sizeof(kBlanks) - 1;
  while (count > 0) {
    const size_t n = count < kChunk ? count : kChunk;
    Append(kBlanks, n);
    count -= n;
  }
}

void ToLogFile::AppendLineEnd() {
  if (file_ != nullptr) {
    Append("\r\n", 2);
  } else {
    Append("\n", 1);
  }
}

// ------------------------------------------------------------------ cReport

cReport::cReport() {
  statusText_[0] = '\0';
  prefix_[0] = '\0';
  for (uint32_t c = 0; c < kCategoryCount; ++c) categories_.bits[c] = velan_log::kDefaultBits[c];
  categories_.built = true;
  message_.Reset(new (std::nothrow) char[kGrowthStep]);
  messageSize_ = message_ ? kGrowthStep : 0;
  for (auto& buffer : scratch_) buffer[0] = '\0';
}

cReport::~cReport() {
  sink_.Close();
}

uint32_t cReport::SubcategoryCount(uint32_t category) {
  return category < kCategoryCount ? velan_log::SubcategoryCount(category) : 0;
}

bool cReport::IsEnabled(uint32_t category, uint32_t subcategory) const {
  if (!categories_.built || category >= kCategoryCount) return false;
  if (subcategory >= velan_log::SubcategoryCount(category)) return false;
  return (categories_.bits[category] >> subcategory) & 1u;
}

void cReport::EnableSubcategory(uint32_t category, uint32_t subcategory) {
  if (category >= kCategoryCount || subcategory >= velan_log::SubcategoryCount(category)) return;
  categories_.bits[category] |= 1u << subcategory;
}

void cReport::EnableAll(uint32_t category) {
  if (category >= kCategoryCount) return;
  categories_.bits[category] = (1u << velan_log::SubcategoryCount(category)) - 1u;
}

void cReport::DisableAll(uint32_t category) {
  if (category >= kCategoryCount) return;
  categories_.bits[category] = 0;
}

bool cReport::OpenLogFile(const char* path) {
  return sink_.Open(path);
}

void cReport::Write(uint32_t category, uint32_t subcategory, const char* format, ...) {
  if (!message_ || !IsEnabled(category, subcategory) || format == nullptr) return;

  // Format, growing the message buffer in steps until the text fits.
  for (;;) {
    va_list args;
    va_start(args, format);
    const int needed = std::vsnprintf(message_.Get(), messageSize_, format, args);
    va_end(args);
    if (needed < 0) return;
    if (static_cast<size_t>(needed) < messageSize_) break;
    const size_t want = static_cast<size_t>(needed) + 1;
    size_t next = messageSize_;
    while (next < want) next += growth_;
    char* bigger = new (std::nothrow) char[next];
    if (bigger == nullptr) return;  // the line is dropped
    message_.Reset(bigger);
    messageSize_ = next;
  }

  std::snprintf(prefix_, sizeof(prefix_), "%d,%d,", static_cast<int>(category),
                static_cast<int>(subcategory));
  sink_.AppendBlanks(static_cast<size_t>(sink_.Indentation()));
  sink_.Append(prefix_);
  sink_.Append("'", 1);
  sink_.Append(message_.Get());
  sink_.Append("'", 1);
  sink_.AppendLineEnd();
}

void cReport::WriteEmptyLine(uint32_t category, uint32_t subcategory) {
  if (!IsEnabled(category, subcategory)) return;
  sink_.AppendLineEnd();
}

void cReport::WriteElement(uint32_t category, uint32_t subcategory, const char* qname,
                           int32_t fileIndex, uint64_t line, uint64_t column, const char* message) {
  if (!IsEnabled(category, subcategory)) return;
  Write(category, subcategory, VELANAR_ELEMENT_MESSAGE_FORMAT, qname ? qname : "",
        static_cast<int>(fileIndex), static_cast<unsigned long long>(line),
        static_cast<unsigned long long>(column), message ? message : "");
}
