// Helpers for the document, navigation and resolver tests: the narrow
// diagnostics handle with a log file and a document, and ARXML text parsed
// from memory.
#ifndef VELAN_TESTS_XML_TEST_SUPPORT_H
#define VELAN_TESTS_XML_TEST_SUPPORT_H

#include <pthread.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "import/diagnostics.h"
#include "xml/document.h"
#include "xml/parser.h"

namespace xmltest {

constexpr const char kAr4Uri[] = "http://autosar.org/schema/r4.0";
constexpr const char kAr3Uri[] = "http://autosar.org/3.2.2";

// An AUTOSAR 4 document (default namespace) around `body`.
inline std::string Ar4(const std::string& body) {
  return std::string("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<AUTOSAR xmlns=\"") + kAr4Uri +
         "\">" + body + "</AUTOSAR>";
}

// A package with a short name around `elements`.
inline std::string Package(const std::string& name, const std::string& elements) {
  return "<AR-PACKAGES><AR-PACKAGE><SHORT-NAME>" + name + "</SHORT-NAME><ELEMENTS>" + elements +
         "</ELEMENTS></AR-PACKAGE></AR-PACKAGES>";
}

inline exParseResult Parse(exDocument& document, const std::string& text, int32_t fileIndex = 0) {
  return ParseText(document, fileIndex, text.data(), text.size());
}

// AUTOSAR 4 text with `depth` nested <E> elements (SHORT-NAME "n" on every
// level when `named`), the innermost holding `inner`.
inline std::string Nested(size_t depth, bool named, const std::string& inner = "x") {
  std::string text = std::string("<AUTOSAR xmlns=\"") + kAr4Uri + "\">";
  const std::string open = named ? "<E><SHORT-NAME>n</SHORT-NAME>" : "<E>";
  text.reserve(text.size() + depth * (open.size() + 4) + inner.size() + 16);
  for (size_t i = 0; i < depth; ++i) text += open;
  text += inner;
  for (size_t i = 0; i < depth; ++i) text += "</E>";
  return text + "</AUTOSAR>";
}

// Runs `work` on a thread with a small stack: code whose recursion follows
// the input depth overflows it, iterative code does not.
inline bool RunOnSmallStack(const std::function<void()>& work, size_t stackSize = 256 * 1024) {
  pthread_attr_t attributes;
  pthread_attr_init(&attributes);
  pthread_attr_setstacksize(&attributes, stackSize);
  pthread_t thread;
  std::function<void()> copy = work;
  const int made = pthread_create(
      &thread, &attributes,
      [](void* arg) -> void* {
        (*static_cast<std::function<void()>*>(arg))();
        return nullptr;
      },
      &copy);
  pthread_attr_destroy(&attributes);
  if (made != 0) return false;
  pthread_join(thread, nullptr);
  return true;
}

// A temporary log file, read back as lines.
class TempLog {
 public:
  TempLog() {
    const char* base = getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/velanar-xml-XXXXXX";
    const int fd = mkstemp(&pattern[0]);
    if (fd >= 0) close(fd);
    path_ = pattern;
  }
  ~TempLog() { unlink(path_.c_str()); }
  TempLog(const TempLog&) = delete;
  TempLog& operator=(const TempLog&) = delete;

  const char* Path() const { return path_.c_str(); }
  // Closes the report's log and returns its lines (without their CR LF ends).
  std::vector<std::string> Lines(cReport& report) const {
    report.Sink().Close();
    std::ifstream in(path_, std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
      lines.push_back(text.substr(start, end - start));
    if (start < text.size()) lines.push_back(text.substr(start));
    return lines;
  }

 private:
  std::string path_;
};

// What the XML layer and the resolver work with: the narrow diagnostics
// handle, its report going to a temporary log file, and a document.
class LoggedDoc {
 public:
  LoggedDoc() { diag.report.OpenLogFile(log_.Path()); }
  LoggedDoc(const LoggedDoc&) = delete;
  LoggedDoc& operator=(const LoggedDoc&) = delete;

  exParseResult Parse(const std::string& text, int32_t fileIndex = 0) {
    return xmltest::Parse(*document, text, fileIndex);
  }
  std::vector<std::string> Lines() { return log_.Lines(diag.report); }
  const exElement* Root(size_t i = 0) const { return document->Child(i); }

  cDiagnostics diag;
  cScopedPtr<exDocument> document{CreateDocument()};

 private:
  TempLog log_;
};

}  // namespace xmltest

#endif
