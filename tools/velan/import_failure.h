// The input file set as the importer chooses it, and the specific cause of
// a failed import told in words, with what to do about it.
#ifndef VELAN_TOOL_IMPORT_FAILURE_H
#define VELAN_TOOL_IMPORT_FAILURE_H

#include <string>
#include <vector>

#include "diagnostics.h"

namespace velan_tool {

// The files the importer reads for `importPath`: with `onlyFile` that path
// alone, else every regular file named *.arxml (any case) of its folder, in
// the importer's order (ASCII upper-cased bytes, ties by the raw bytes).
std::vector<std::string> InputFileSet(const std::string& importPath, bool onlyFile);

// Which of `files` hold a SYSTEM element (a quick scan).
std::vector<std::string> FilesHoldingSystem(const std::vector<std::string>& files);

struct ImportFailure {
  std::string input;       // the path the user gave
  std::string importPath;  // the path handed to the importer
  bool inputIsFolder = false;
  bool onlyFile = false;            // the importer reads the given file alone
  const LogSummary* log = nullptr;  // the import's log, when the tool has one
};

// One line saying why the import failed and what to do, or empty when
// neither the log nor the input tells more than the returned code.
std::string ImportFailureCause(const ImportFailure& f);

}  // namespace velan_tool

#endif
