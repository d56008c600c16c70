// Turns the importer's log into compiler-style diagnostics.
//
// Log lines have the form  [blanks]C,S,'MESSAGE'  (C category, S
// subcategory). The file list lines  file[N]; "PATH"  name the input files;
// element messages  <QNAME> (file=N, line=L, column=C): TEXT  point into
// them. Category 1 lines become warnings and category 2 lines errors.
#ifndef VELAN_TOOL_DIAGNOSTICS_H
#define VELAN_TOOL_DIAGNOSTICS_H

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace velan_tool {

struct Diagnostic {
  enum Severity { kWarning, kError };
  Severity severity = kWarning;
  std::string file;     // input path; empty when the line names no element
  uint64_t line = 0;    // as the log gives it (from 1)
  uint64_t column = 0;  // as the log gives it (from 0)
  std::string element;  // qualified element name, e.g. AR:CAN-FRAME
  std::string message;  // the text after the position

  // "FILE:LINE:COLUMN: warning: MESSAGE [ELEMENT]" or, without a position,
  // "velan: error: MESSAGE".
  std::string Format() const;
};

struct LogSummary {
  std::map<int64_t, std::string> files;  // file index -> path
  std::vector<Diagnostic> diagnostics;   // in log order
  size_t Count(Diagnostic::Severity s) const;
};

// Parses the whole log text. Lines that do not have the log line form are
// taken as the continuation of the previous message (a message may contain
// a line break).
LogSummary ParseImportLog(const std::string& text);

// The diagnostics as printed to standard error: errors always; with
// `quiet` nothing else; otherwise the first `limit` warnings (all when
// `allWarnings`), in log order, then a line with the number of warnings.
std::string RenderDiagnostics(const LogSummary& log, bool allWarnings, bool quiet,
                              size_t limit = 10);

// Reads a log file; an absent file gives an empty summary.
LogSummary ReadImportLog(const std::string& path);

}  // namespace velan_tool

#endif
