// Buffered text sink of the exporter: collects text in a 1024-byte buffer
// and hands full buffers to the attached output file.
#ifndef VLDBCEX_DBC_TO_LOGFILE_H
#define VLDBCEX_DBC_TO_LOGFILE_H

#include <cstddef>
#include <cstdint>

#include "dbc/to_xfile.h"
#include "velan/velandb_read.h"

namespace vldbcex {

// Formats a real number as "%.20g" does in the C locale (a full stop as the
// decimal separator, whatever the process's locale) into a 256-character
// area. Gives the area.
const char* FormatReal(double value, char (&area)[256]);

class ToLogFile {
 public:
  static constexpr uint64_t kCapacity = 1024;
  // Output modes.
  static constexpr uint32_t kModeFile = 0;     // full buffers go to the file
  static constexpr uint32_t kModeDiscard = 3;  // nothing leaves the buffer

  ToLogFile();
  ToLogFile(const ToLogFile&) = delete;
  ToLogFile& operator=(const ToLogFile&) = delete;
  // Flushes, closes the file and releases the buffer.
  virtual ~ToLogFile();

  // Appends a zero-terminated text; null is ignored.
  void Write(const char* text);
  // Appends count blanks.
  void WriteSpaces(uint64_t count);
  // Hands the buffered bytes to the file (mode 0 with a file attached).
  void Flush();

  // The blanks that start a line, then nothing else.
  void LineStart() { WriteSpaces(indent_); }
  // CR LF with a file attached, LF otherwise.
  void Eol() { Write(file_ != nullptr ? "\r\n" : "\n"); }

  // Takes ownership of the file (null detaches); a previous file is
  // destroyed.
  void Attach(ToXFile* file);
  ToXFile* File() const { return file_; }

  bool HasBuffer() const { return buffer_ != nullptr; }
  void SetMode(uint32_t mode) { mode_ = mode; }
  uint32_t Mode() const { return mode_; }
  void SetBuffered(bool buffered) { buffered_ = buffered; }
  void ResetCount() { count_ = 0; }
  uint64_t Count() const { return count_; }
  uint32_t Indent() const { return indent_; }
  void SetIndent(uint32_t indent) { indent_ = indent; }

  // A failed or short write to the file is recorded in this record (detail
  // 0xBFF63081, code 0xB00143B9, unless an error is already there) and ends
  // all further output to the file.
  void SetStatus(dbaStatus* status) { status_ = status; }
  bool WriteFailed() const { return writeFailed_; }

  // Number formatting in the scratch area; the text stays valid until the
  // next call.
  const char* FormatReal(double value);
  const char* FormatUnsigned(uint32_t value);
  const char* FormatSigned(int32_t value);

 private:
  void Append(const char* text, size_t length, bool blanks);
  void HandOut();
  void CloseFile();

  uint32_t indent_ = 0;
  ToXFile* file_ = nullptr;
  char* buffer_ = nullptr;
  uint64_t count_ = 0;
  uint64_t capacity_ = kCapacity;
  uint32_t mode_ = kModeDiscard;
  char scratch_[256] = {};
  bool buffered_ = true;
  dbaStatus* status_ = nullptr;
  bool writeFailed_ = false;
};

// Raises the sink's indentation by a step for the life of the scope.
class ToIndentScope {
 public:
  ToIndentScope(ToLogFile& sink, uint32_t step) : sink_(sink), step_(step) {
    sink_.SetIndent(sink_.Indent() + step_);
  }
  ToIndentScope(const ToIndentScope&) = delete;
  ToIndentScope& operator=(const ToIndentScope&) = delete;
  ~ToIndentScope() { sink_.SetIndent(sink_.Indent() >= step_ ? sink_.Indent() - step_ : 0); }

 private:
  ToLogFile& sink_;
  uint32_t step_;
};

}  // namespace vldbcex

#endif
