// The import report: categorised log lines written to an optional log file
// through a 1024-byte buffered sink.
#ifndef VELANAR_IMPORT_REPORT_H
#define VELANAR_IMPORT_REPORT_H

#include <cinttypes>
#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "import/scoped.h"
#include "velan/log_categories.h"

// Report categories (kCatWarn, ...) and their subcategories
// (kSubWarnScaling, ...): velan/log_categories.def.
#define VELAN_LOG_CATEGORY(number, name, bits) constexpr uint32_t kCat##name = number;
#define VELAN_LOG_SUBCATEGORY(cat, number, name, element) \
  constexpr uint32_t kSub##cat##name = number;
#include "velan/log_categories.def"
#undef VELAN_LOG_SUBCATEGORY
#undef VELAN_LOG_CATEGORY
constexpr uint32_t kCategoryCount = velan_log::kCategoryCount;

// The form of every report line about an element: qualified name, file
// index, line, column and message.
#define VELANAR_ELEMENT_MESSAGE_FORMAT "<%s> (file=%d, line=%llu, column=%llu): %s"

// Buffered text sink of the log file. Without an open file all text is
// dropped.
class ToLogFile {
 public:
  static constexpr size_t kBufferSize = 1024;

  ToLogFile() = default;
  ~ToLogFile();
  ToLogFile(const ToLogFile&) = delete;
  ToLogFile& operator=(const ToLogFile&) = delete;

  int32_t Indentation() const { return indentation_; }
  // Changes the indentation by delta; a change that would make it negative
  // is not made. Returns whether it was made.
  bool AddIndentation(int32_t delta);

  // Empties the buffer, closes any open file and opens path for writing and
  // reading, emptying it. A null or empty path opens nothing.
  bool Open(const char* path);
  bool IsOpen() const { return file_ != nullptr; }
  // Writes the buffered rest and closes the file.
  void Close();
  // Writes the buffered text to the file.
  void Flush();

  void Append(const char* text, size_t length);
  void Append(const char* text);
  void AppendBlanks(size_t count);
  // CR LF with an open file, LF otherwise.
  void AppendLineEnd();

 private:
  enum class Mode { None, File };

  int32_t indentation_ = 0;
  FILE* file_ = nullptr;
  char buffer_[kBufferSize];
  size_t fill_ = 0;
  Mode mode_ = Mode::None;
};

// Adds an amount to a sink's indentation for the life of the scope.
class ToIndent {
 public:
  ToIndent(int32_t amount, ToLogFile& sink) : sink_(sink) {
    applied_ = sink_.AddIndentation(amount) ? amount : 0;
  }
  ~ToIndent() { sink_.AddIndentation(-applied_); }
  ToIndent(const ToIndent&) = delete;
  ToIndent& operator=(const ToIndent&) = delete;

 private:
  ToLogFile& sink_;
  int32_t applied_;
};

class cReport {
 public:
  static constexpr size_t kStatusTextSize = 2048;
  static constexpr size_t kGrowthStep = 256;
  static constexpr size_t kPrefixSize = 256;
  static constexpr size_t kScratchCount = 16;
  static constexpr size_t kScratchSize = 256;

  cReport();
  virtual ~cReport();
  cReport(const cReport&) = delete;
  cReport& operator=(const cReport&) = delete;

  // Writes one line when its category and subcategory are enabled:
  // indentation, "cat,sub,", the message in single quotes, line end.
  void Write(uint32_t category, uint32_t subcategory, const char* format, ...)
      __attribute__((format(printf, 4, 5)));
  // Writes only a line end when the category and subcategory are enabled.
  void WriteEmptyLine(uint32_t category, uint32_t subcategory);
  // Writes a message about an element in the element message form.
  void WriteElement(uint32_t category, uint32_t subcategory, const char* qname, int32_t fileIndex,
                    uint64_t line, uint64_t column, const char* message);

  bool IsEnabled(uint32_t category, uint32_t subcategory) const;
  // Number of subcategories of a category (0 for an unknown category).
  static uint32_t SubcategoryCount(uint32_t category);

  // Category switches.
  void EnableSubcategory(uint32_t category, uint32_t subcategory);
  void EnableAll(uint32_t category);
  void DisableAll(uint32_t category);

  bool OpenLogFile(const char* path);
  ToLogFile& Sink() { return sink_; }

  // Buffer for host status texts.
  char* StatusText() { return statusText_; }
  // Scratch buffers for names in host callback lines (index below 16).
  char* Scratch(size_t index) { return scratch_[index % kScratchCount]; }

 private:
  struct CategoryTable {
    uint32_t bits[kCategoryCount];
    bool built;
  };

  ToLogFile sink_;
  char statusText_[kStatusTextSize];
  CategoryTable categories_;
  size_t growth_ = kGrowthStep;
  char prefix_[kPrefixSize];
  cScopedArray<char> message_;
  size_t messageSize_ = 0;
  char scratch_[kScratchCount][kScratchSize];
};

#endif
