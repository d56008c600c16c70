// The input file set as the importer chooses it, and the specific cause and
// remedy of a failed import.
#include "import_failure.h"

#include <dirent.h>
#include <expat.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstring>

#include "output_file.h"
#include "xml_file.h"

namespace velan_tool {
namespace {

char Upper(char c) {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

bool DirectoryOrderLess(const std::string& a, const std::string& b) {
  const size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    const auto ua = static_cast<unsigned char>(Upper(a[i]));
    const auto ub = static_cast<unsigned char>(Upper(b[i]));
    if (ua != ub) return ua < ub;
  }
  if (a.size() != b.size()) return a.size() < b.size();
  return a < b;
}

bool IsRegularFile(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// The importer's folder of a path: the text before the last '/'.
std::string ImportFolder(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? "." : path.substr(0, slash);
}

bool HoldsSystem(const std::string& path) {
  XML_Parser parser = XML_ParserCreate(nullptr);
  if (!parser) return false;
  bool found = false;
  struct Scan {
    XML_Parser parser;
    bool* found;
  } scan{parser, &found};
  XML_SetUserData(parser, &scan);
  XML_SetStartElementHandler(parser, [](void* data, const XML_Char* qname, const XML_Char**) {
    auto* s = static_cast<Scan*>(data);
    const char* colon = std::strrchr(qname, ':');
    if (std::strcmp(colon ? colon + 1 : qname, "SYSTEM") != 0) return;
    *s->found = true;
    XML_StopParser(s->parser, XML_FALSE);  // one is enough
  });
  ParseXmlFile(path, parser);
  XML_ParserFree(parser);
  return found;
}

bool HasError(const LogSummary* log, const char* text) {
  if (!log) return false;
  for (const auto& d : log->diagnostics)
    if (d.severity == Diagnostic::kError && d.message.find(text) != std::string::npos) return true;
  return false;
}

std::string JoinList(const std::vector<std::string>& items) {
  std::string s;
  for (const auto& i : items) s += (s.empty() ? "" : ", ") + i;
  return s;
}

}  // namespace

std::vector<std::string> InputFileSet(const std::string& importPath, bool onlyFile) {
  if (onlyFile) return {importPath};
  const std::string folder = ImportFolder(importPath);
  std::vector<std::string> names;
  if (DIR* d = opendir(folder.empty() ? "/" : folder.c_str())) {
    while (dirent* e = readdir(d)) {
      const std::string name = e->d_name;
      if (!EndsWithNoCase(name, ".arxml")) continue;
      if (IsRegularFile(folder + "/" + name)) names.push_back(name);
    }
    closedir(d);
  }
  std::sort(names.begin(), names.end(), DirectoryOrderLess);
  for (auto& n : names) n = folder + "/" + n;
  return names;
}

std::vector<std::string> FilesHoldingSystem(const std::vector<std::string>& files) {
  std::vector<std::string> out;
  for (const auto& f : files)
    if (HoldsSystem(f)) out.push_back(f);
  return out;
}

std::string ImportFailureCause(const ImportFailure& f) {
  const std::vector<std::string> files = InputFileSet(f.importPath, f.onlyFile);
  if (files.empty() || (f.onlyFile && !IsRegularFile(f.input))) {
    if (f.onlyFile)
      return "cannot read " + f.input +
             (Exists(f.input) ? ": not a regular file" : ": no such file");
    if (f.inputIsFolder) return "the folder " + f.input + " holds no ARXML files";
    const std::string folder = ImportFolder(f.input);
    if (!EndsWithNoCase(f.input, ".arxml"))
      return f.input + " is not an ARXML file, and its folder " + folder +
             " holds no ARXML files to read in its place; --only-file reads the given file itself";
    return "the folder " + folder + " holds no readable ARXML files";
  }
  if (HasError(f.log, "Located too many \"<SYSTEM>\" elements")) {
    const std::vector<std::string> holders = FilesHoldingSystem(files);
    if (files.size() > 1) {
      std::string what = "every ARXML file of the folder " + ImportFolder(files.front()) +
                         " was read (" + std::to_string(files.size()) + " files)";
      if (holders.size() > 1)
        what += ", and " + std::to_string(holders.size()) +
                " of them hold a SYSTEM: " + JoinList(holders);
      else
        what += ", and together they hold more than one SYSTEM";
      return what + "; convert one of them alone with --only-file";
    }
    return files.front() + " holds more than one SYSTEM; only one can be converted";
  }
  if (f.log) {
    for (const auto& d : f.log->diagnostics) {
      if (d.severity != Diagnostic::kError) continue;
      std::string text = d.Format();
      const std::string prefix = "velan: error: ";
      if (text.compare(0, prefix.size(), prefix) == 0) text = text.substr(prefix.size());
      return text;
    }
  }
  return std::string();
}

}  // namespace velan_tool
