// Runs the import plug-in in-process, the way a host application does:
// writes the input files (and a configuration file) into a fresh temporary
// folder, creates an empty database in the reference host, loads
// libvelanar.so, calls Import and returns the returned code, the object tree
// print of the database and the log text.
//
//   ImportResult r = ImportArxml(arxml::SimpleCan4(...));
//   EXPECT_EQ(r.code, 0u);
//   EXPECT_NE(r.tree.find("CLUSTER \"Can1\""), std::string::npos);
#ifndef VELAN_TESTS_SUPPORT_IMPORT_HARNESS_H
#define VELAN_TESTS_SUPPORT_IMPORT_HARNESS_H

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

struct ImportResult {
  uint32_t code = 0;         // what Import returned
  std::string tree;          // object tree print of the database (LF line ends)
  std::string log;           // log file text with LF line ends ("" without log)
  std::string rawLog;        // log file text as written
  uint64_t objectCount = 0;  // objects created besides the DATABASE object
  bool loaded = false;       // false when the plug-in could not be loaded
  std::string error;         // what went wrong in the harness itself

  // True when `text` occurs in the tree print / the log.
  bool TreeHas(const std::string& text) const { return tree.find(text) != std::string::npos; }
  bool LogHas(const std::string& text) const { return log.find(text) != std::string::npos; }
  // Number of occurrences of `text` in the log.
  size_t LogCount(const std::string& text) const;
  // The log lines that contain `text`, each without its line end.
  std::vector<std::string> LogLines(const std::string& text) const;
  // The tree print from the first line containing `text` up to the next line
  // that is not indented deeper than it (one object with its subtree).
  std::string Subtree(const std::string& text) const;
};

struct ImportOptions {
  // Write a configuration file at all (without one the defaults apply and
  // there is no log).
  bool writeConfig = true;
  // Complete text of the configuration file; when empty one is generated
  // from the fields below.
  std::string configXml;
  // Generated configuration: log every category and subcategory to a file.
  bool logAll = true;
  // Generated configuration: content of the cfg:CATEGORIES element instead
  // of "everything on" (for example "<CatWarn Enabled=\"true\"><SubWarnDefault
  // Enabled=\"true\"/></CatWarn>"), in the configuration namespace.
  std::string categoriesXml;
  // Generated configuration: content of a cfg:Policies element, or no such
  // element when empty (the defaults: CAN and LIN on, FlexRay off).
  std::string policiesXml;
  // Generated configuration: further elements of cfg:CONFIGURATION (for
  // example a Variant element), in the configuration namespace.
  std::string extraXml;
  // Shortcut: a cfg:Policies element enabling CAN, LIN and FlexRay.
  bool allClusterTypes = false;
  // Fault injection: the import call with this number (counted from 1)
  // answers `faultCode` without being carried out; 0 = no fault.
  uint64_t faultCall = 0;
  int32_t faultCode = 0;
  bool faultPerformsCall = false;
  // Pass 0 instead of the database handle.
  bool zeroHandle = false;
  // File to import (name within the input folder); default: the first file.
  std::string importFile;
};

// The configuration namespace used by configuration files.
extern const char* const kConfigNamespace;

// A temporary input folder with its files; removed on destruction.
class ImportHarness {
 public:
  ImportHarness();
  ~ImportHarness();
  ImportHarness(const ImportHarness&) = delete;
  ImportHarness& operator=(const ImportHarness&) = delete;

  void AddFile(const std::string& name, const std::string& content);
  ImportResult Run(const ImportOptions& options = ImportOptions());
  const std::string& InputDir() const { return inputDir_; }

 private:
  std::string root_;
  std::string inputDir_;
  std::string configDir_;
  std::vector<std::string> files_;
};

// One file "input.arxml".
ImportResult ImportArxml(const std::string& text, const ImportOptions& options = ImportOptions());
// Several files (name, text), imported through the first one's folder.
ImportResult ImportArxmlFiles(const std::vector<std::pair<std::string, std::string>>& files,
                              const ImportOptions& options = ImportOptions());

#endif
