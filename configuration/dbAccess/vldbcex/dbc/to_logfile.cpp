// The exporter's buffered text sink and its number formatting.
#include "dbc/to_logfile.h"

#include <charconv>
#include <cinttypes>
#include <cmath>
#include <cstring>
#include <new>

#include "export/to_status.h"

namespace vldbcex {

namespace {

// Writes the decimal digits of `magnitude`, after a '-' when `negative`, and
// the terminating NUL to `area`.
const char* WriteInteger(uint64_t magnitude, bool negative, char (&area)[256]) {
  char digits[24];
  char* start = digits + sizeof digits;
  do {
    *--start = static_cast<char>('0' + magnitude % 10);
    magnitude /= 10;
  } while (magnitude != 0);
  char* out = area;
  if (negative) *out++ = '-';
  const size_t count = static_cast<size_t>(digits + sizeof digits - start);
  std::memcpy(out, start, count);
  out[count] = '\0';
  return area;
}

}  // namespace

const char* FormatReal(double value, char (&area)[256]) {
  // Whole numbers below 2^53 (most factors, offsets and limits) come out of
  // "%.20g" as their plain digits: write those directly. Negative zero, NaN
  // and infinities take the general path.
  constexpr double kExactLimit = 9007199254740992.0;  // 2^53
  if (value > -kExactLimit && value < kExactLimit && value == std::trunc(value) &&
      !(value == 0.0 && std::signbit(value))) {
    const int64_t whole = static_cast<int64_t>(value);
    return WriteInteger(static_cast<uint64_t>(whole < 0 ? -whole : whole), whole < 0, area);
  }
  // The shortest-digits conversion with a precision gives exactly the text of
  // "%.20g" in the C locale, at a fraction of printf's cost; it never writes
  // a decimal comma.
  const std::to_chars_result end =
      std::to_chars(area, area + sizeof area - 1, value, std::chars_format::general, 20);
  *end.ptr = '\0';
  return area;
}

ToLogFile::ToLogFile() : buffer_(new (std::nothrow) char[kCapacity + 1]) {}

ToLogFile::~ToLogFile() {
  Flush();
  CloseFile();
  delete[] buffer_;
}

void ToLogFile::CloseFile() {
  if (file_ == nullptr) return;
  if (!file_->Close() && !writeFailed_) {
    writeFailed_ = true;
    RecordError(status_, kDetailOutputFile, kCodeOutputFile);
  }
  delete file_;
  file_ = nullptr;
}

void ToLogFile::Attach(ToXFile* file) {
  if (file_ != nullptr && file_ != file) CloseFile();
  file_ = file;
  writeFailed_ = false;
}

void ToLogFile::HandOut() {
  if (mode_ == kModeFile && file_ != nullptr && count_ > 0 && !writeFailed_) {
    if (!file_->Write(buffer_, static_cast<size_t>(count_))) {
      writeFailed_ = true;
      RecordError(status_, kDetailOutputFile, kCodeOutputFile);
    }
  }
  count_ = 0;
}

void ToLogFile::Append(const char* text, size_t length, bool blanks) {
  if (buffer_ == nullptr) return;
  while (length > 0) {
    const uint64_t room = capacity_ - count_;
    const size_t part = length < room ? length : static_cast<size_t>(room);
    if (blanks) {
      std::memset(buffer_ + count_, ' ', part);
    } else {
      std::memcpy(buffer_ + count_, text, part);
      text += part;
    }
    count_ += part;
    length -= part;
    if (length == 0) break;
    // The buffer is full and text remains.
    if (mode_ != kModeFile) break;  // mode 3: the rest is dropped
    HandOut();
    if (writeFailed_) break;  // nothing more reaches the file
  }
  buffer_[count_] = '\0';
  if (!buffered_) Flush();
}

void ToLogFile::Write(const char* text) {
  if (text == nullptr) return;
  Append(text, std::strlen(text), false);
}

void ToLogFile::WriteSpaces(uint64_t count) {
  if (count == 0) return;
  Append(nullptr, static_cast<size_t>(count), true);
}

void ToLogFile::Flush() {
  if (mode_ != kModeFile || file_ == nullptr || count_ == 0) return;
  HandOut();
}

const char* ToLogFile::FormatReal(double value) {
  return vldbcex::FormatReal(value, scratch_);
}

const char* ToLogFile::FormatUnsigned(uint32_t value) {
  return WriteInteger(value, false, scratch_);
}

const char* ToLogFile::FormatSigned(int32_t value) {
  const int64_t wide = value;
  return WriteInteger(static_cast<uint64_t>(wide < 0 ? -wide : wide), wide < 0, scratch_);
}

}  // namespace vldbcex
