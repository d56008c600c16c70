#include "test_util.h"

#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace vldbcex_test {

EnvVar::EnvVar(const char* name, const char* value) : name_(name) {
  const char* old = std::getenv(name);
  had_ = old != nullptr;
  if (had_) old_ = old;
  if (value != nullptr) {
    ::setenv(name, value, 1);
  } else {
    ::unsetenv(name);
  }
}

EnvVar::~EnvVar() {
  if (had_) {
    ::setenv(name_.c_str(), old_.c_str(), 1);
  } else {
    ::unsetenv(name_.c_str());
  }
}

bool FileExists(const std::string& path) {
  struct stat info;
  return ::lstat(path.c_str(), &info) == 0;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

void WriteFile(const std::string& path, const std::string& content) {
  std::ofstream out(path, std::ios::binary);
  out << content;
}

std::string CrLf(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '\n') out += '\r';
    out += c;
  }
  return out;
}

namespace {

const char kListingScript[] = R"PY(
import contextlib
import io
import logging
import sys

class Collect(logging.Handler):
    def __init__(self):
        logging.Handler.__init__(self, logging.ERROR)
        self.messages = []
    def emit(self, record):
        self.messages.append(record.getMessage())

collect = Collect()
logging.getLogger().addHandler(collect)
printed = io.StringIO()
with contextlib.redirect_stdout(printed):
    try:
        import canmatrix.formats
    except ImportError:
        canmatrix = None
    if canmatrix is not None:
        try:
            db = canmatrix.formats.loadp_flat(sys.argv[1])
        except Exception as e:
            db = e
if canmatrix is None:
    print("SKIP")
    sys.exit(0)
if isinstance(db, Exception):
    print("ERROR: %r" % (db,))
    sys.exit(0)
# Complaints of the reader, printed or logged. Not counted: the notes on
# formats it lacks, and node attribute values, which it cannot place because
# it takes its node list only from "BU_:" without a blank before the colon
# (those come in pairs: line number, line).
messages = [m for m in printed.getvalue().splitlines() if not m.endswith(" is not supported")]
messages += collect.messages
i = 0
while i < len(messages):
    if (messages[i].startswith("error with line no") and i + 1 < len(messages)
            and " BU_ " in messages[i + 1] and messages[i + 1].startswith("b'BA_ ")):
        i += 2
        continue
    print("LOGGED: %s" % messages[i])
    i += 1
def num(x):
    return "%.17g" % float(x)
for f in sorted(db.frames, key=lambda f: f.arbitration_id.id):
    print("frame %d %d %s %d %s%s" % (f.arbitration_id.id, 1 if f.arbitration_id.extended else 0,
          f.name, f.size, ",".join(f.transmitters) or "-",
          " complex" if f.is_complex_multiplexed else ""))
    for s in f.signals:
        if s.is_multiplexer:
            mux = "M"
        elif s.multiplex is not None:
            mux = "m%d" % s.multiplex
        else:
            mux = "-"
        kind = "float" if s.is_float else ("signed" if s.is_signed else "unsigned")
        print("  %s %d|%d@%s %s (%s,%s) [%s|%s] %s %s %s" % (s.name,
              s.get_startbit(bit_numbering=1), s.size, "le" if s.is_little_endian else "be",
              kind, num(s.factor), num(s.offset), num(s.min), num(s.max), s.unit or "-",
              ",".join(s.receivers) or "-", mux))
)PY";

}  // namespace

std::string CanmatrixListing(const std::string& path) {
  if (::access("/usr/bin/python3", X_OK) != 0) return "SKIP";
  std::string command = "/usr/bin/python3 -c '";
  for (char c : std::string(kListingScript)) {
    if (c == '\'') {
      command += "'\\''";
    } else {
      command += c;
    }
  }
  command += "' '" + path + "' 2>/dev/null";
  FILE* pipe = ::popen(command.c_str(), "r");
  if (pipe == nullptr) return "ERROR: popen";
  std::string output;
  std::array<char, 4096> chunk;
  size_t n;
  while ((n = std::fread(chunk.data(), 1, chunk.size(), pipe)) > 0) output.append(chunk.data(), n);
  ::pclose(pipe);
  return output;
}

}  // namespace vldbcex_test
