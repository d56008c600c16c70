// Reads the importer's log and renders its findings as compiler-style
// diagnostics.
#include "diagnostics.h"

#include <cctype>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace velan_tool {
namespace {

bool ReadUnsigned(const std::string& s, size_t* pos, uint64_t* value) {
  size_t p = *pos;
  if (p >= s.size() || !std::isdigit(static_cast<unsigned char>(s[p]))) return false;
  uint64_t v = 0;
  while (p < s.size() && std::isdigit(static_cast<unsigned char>(s[p]))) {
    uint64_t next = v * 10 + static_cast<uint64_t>(s[p] - '0');
    if (next < v) return false;  // overflow
    v = next;
    ++p;
  }
  *pos = p;
  *value = v;
  return true;
}

bool ReadSigned(const std::string& s, size_t* pos, int64_t* value) {
  size_t p = *pos;
  bool neg = p < s.size() && s[p] == '-';
  if (neg) ++p;
  uint64_t u = 0;
  if (!ReadUnsigned(s, &p, &u) || u > static_cast<uint64_t>(INT64_MAX)) return false;
  *pos = p;
  *value = neg ? -static_cast<int64_t>(u) : static_cast<int64_t>(u);
  return true;
}

bool Expect(const std::string& s, size_t* pos, const char* text) {
  size_t n = std::char_traits<char>::length(text);
  if (s.compare(*pos, n, text) != 0) return false;
  *pos += n;
  return true;
}

// "C,S,'MESSAGE'" after leading blanks.
bool SplitLogLine(const std::string& line, uint64_t* cat, uint64_t* sub, std::string* msg,
                  bool* closed) {
  size_t p = 0;
  while (p < line.size() && line[p] == ' ') ++p;
  if (!ReadUnsigned(line, &p, cat) || !Expect(line, &p, ",") || !ReadUnsigned(line, &p, sub) ||
      !Expect(line, &p, ",'"))
    return false;
  // A message that contains a line break ends on a later line; its closing
  // quote is then missing here.
  size_t end = line.size();
  *closed = end > p && line.back() == '\'';
  if (*closed) --end;
  *msg = line.substr(p, end - p);
  return true;
}

// "file[N]; \"PATH\""
bool ParseFileLine(const std::string& msg, int64_t* index, std::string* path) {
  size_t p = 0;
  uint64_t n = 0;
  if (!Expect(msg, &p, "file[") || !ReadUnsigned(msg, &p, &n) || !Expect(msg, &p, "]; \"") ||
      msg.size() < p + 1 || msg.back() != '"')
    return false;
  *index = static_cast<int64_t>(n);
  *path = msg.substr(p, msg.size() - 1 - p);
  return true;
}

// "<QNAME> (file=N, line=L, column=C): TEXT", also with " element" after the
// name (the count warning).
bool ParseElementMessage(const std::string& msg, std::string* element, int64_t* file,
                         uint64_t* line, uint64_t* column, std::string* text) {
  if (msg.empty() || msg[0] != '<') return false;
  size_t close = msg.find("> ");
  if (close == std::string::npos) return false;
  size_t p = close + 2;
  Expect(msg, &p, "element ");
  if (!Expect(msg, &p, "(file=") || !ReadSigned(msg, &p, file) || !Expect(msg, &p, ", line=") ||
      !ReadUnsigned(msg, &p, line) || !Expect(msg, &p, ", column=") ||
      !ReadUnsigned(msg, &p, column) || !Expect(msg, &p, "):"))
    return false;
  if (p < msg.size() && msg[p] == ' ') ++p;
  *element = msg.substr(1, close - 1);
  *text = msg.substr(p);
  return true;
}

}  // namespace

std::string Diagnostic::Format() const {
  std::string sev = severity == kError ? "error" : "warning";
  if (file.empty()) return "velan: " + sev + ": " + message;
  std::string out = file + ":" + std::to_string(line) + ":" + std::to_string(column) + ": " + sev +
                    ": " + message;
  if (!element.empty()) out += " [" + element + "]";
  return out;
}

size_t LogSummary::Count(Diagnostic::Severity s) const {
  size_t n = 0;
  for (const auto& d : diagnostics)
    if (d.severity == s) ++n;
  return n;
}

namespace {

// A finding whose element position names its file by index; the path is
// filled in once the whole log is read.
struct PendingFile {
  size_t diag;
  int64_t file;
};

// Adds the finding of a Warn (1) or Err (2) line to `out`; false when the
// line is none of its own (a status text that belongs to the finding before
// it, or a line of the unresolved-reference listing other than its elements).
bool AddFinding(uint64_t cat, uint64_t sub, const std::string& msg, LogSummary* out,
                std::vector<PendingFile>* pending) {
  // The host's status text follows a WARNING or ERROR line of an object
  // creation as a line of its own, in double quotes.
  if (msg.size() >= 2 && msg.front() == '"' && msg.back() == '"' && !out->diagnostics.empty() &&
      out->diagnostics.back().message.find("-- CreateChildObject") != std::string::npos) {
    out->diagnostics.back().message += " " + msg;
    return false;
  }
  Diagnostic d;
  d.severity = cat == 2 ? Diagnostic::kError : Diagnostic::kWarning;
  int64_t fileIndex = 0;
  if (ParseElementMessage(msg, &d.element, &fileIndex, &d.line, &d.column, &d.message)) {
    pending->push_back({out->diagnostics.size(), fileIndex});
  } else if (cat == 1 && sub == 3) {
    // The unresolved-reference listing: only its element lines are
    // findings; its title, rule and "[none]" are not.
    return false;
  } else {
    d.message = msg;
  }
  out->diagnostics.push_back(std::move(d));
  return true;
}

}  // namespace

LogSummary ParseImportLog(const std::string& text) {
  LogSummary out;
  // Element positions are resolved after the whole log is read: the file
  // list comes first in practice, but nothing depends on it.
  std::vector<PendingFile> pending;
  // The last diagnostic's message continues on the next line (its closing
  // quote has not been seen yet).
  bool open = false;
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    start = end + 1;
    if (line.empty()) {
      if (end == text.size()) break;
      open = false;
      continue;
    }
    uint64_t cat = 0, sub = 0;
    std::string msg;
    bool closed = true;
    if (!SplitLogLine(line, &cat, &sub, &msg, &closed)) {
      if (open && !out.diagnostics.empty()) {
        std::string rest = line;
        if (!rest.empty() && rest.back() == '\'') {
          rest.pop_back();
          open = false;
        }
        out.diagnostics.back().message += " " + rest;
      }
      continue;
    }
    open = false;
    if (cat == 0) {
      int64_t index = 0;
      std::string path;
      if (ParseFileLine(msg, &index, &path)) out.files[index] = path;
      continue;
    }
    if (cat != 1 && cat != 2) continue;
    if (AddFinding(cat, sub, msg, &out, &pending)) open = !closed;
  }
  for (const auto& p : pending) {
    auto it = out.files.find(p.file);
    out.diagnostics[p.diag].file =
        it != out.files.end() ? it->second : "<file " + std::to_string(p.file) + ">";
  }
  return out;
}

std::string RenderDiagnostics(const LogSummary& log, bool allWarnings, bool quiet, size_t limit) {
  std::string out;
  size_t warnings = 0, shown = 0;
  for (const auto& d : log.diagnostics) {
    if (d.severity == Diagnostic::kWarning) {
      ++warnings;
      if (quiet || (!allWarnings && shown >= limit)) continue;
      ++shown;
    }
    out += d.Format() + "\n";
  }
  if (!quiet && warnings > 0) {
    out += "velan: " + std::to_string(warnings) + (warnings == 1 ? " warning" : " warnings");
    if (shown < warnings) out += " (" + std::to_string(shown) + " shown; --warnings shows all)";
    out += "\n";
  }
  return out;
}

LogSummary ReadImportLog(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return LogSummary();
  std::ostringstream buf;
  buf << in.rdbuf();
  return ParseImportLog(buf.str());
}

}  // namespace velan_tool
