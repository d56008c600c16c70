// The input file set as the importer chooses it, and the specific cause and
// remedy of a failed import.
#include "import_failure.h"

#include <expat.h>

#include <cstring>

#include "output_file.h"
#include "velan_platform.h"
#include "xml_file.h"

namespace velan_tool {
namespace {

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
  // The same listing, order and joining as the importer's.
  const std::string folder = vplat::FolderOf(importPath);
  std::vector<std::string> names;
  vplat::ListRegularFiles(folder, &names);
  const std::string prefix = folder == "/" ? std::string() : folder;
  std::vector<std::string> files;
  for (const std::string& name : names)
    if (EndsWithNoCase(name, ".arxml")) files.push_back(vplat::JoinPath(prefix, name));
  return files;
}

std::vector<std::string> FilesHoldingSystem(const std::vector<std::string>& files) {
  std::vector<std::string> out;
  for (const auto& f : files)
    if (HoldsSystem(f)) out.push_back(f);
  return out;
}

std::string ImportFailureCause(const ImportFailure& f) {
  const std::vector<std::string> files = InputFileSet(f.importPath, f.onlyFile);
  if (files.empty() || (f.onlyFile && !vplat::IsRegularFile(f.input))) {
    if (f.onlyFile)
      return "cannot read " + f.input +
             (Exists(f.input) ? ": not a regular file" : ": no such file");
    if (f.inputIsFolder) return "the folder " + f.input + " holds no ARXML files";
    const std::string folder = vplat::FolderOf(f.input);
    if (!EndsWithNoCase(f.input, ".arxml"))
      return f.input + " is not an ARXML file, and its folder " + folder +
             " holds no ARXML files to read in its place; --only-file reads the given file itself";
    return "the folder " + folder + " holds no readable ARXML files";
  }
  if (HasError(f.log, "Located too many \"<SYSTEM>\" elements")) {
    const std::vector<std::string> holders = FilesHoldingSystem(files);
    if (files.size() > 1) {
      std::string what = "every ARXML file of the folder " + vplat::FolderOf(files.front()) +
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
