// The commands of the velan tool. Each returns the process exit status:
// 0 success, 1 failure of the work, 2 usage error.
#ifndef VELAN_TOOL_COMMANDS_H
#define VELAN_TOOL_COMMANDS_H

#include <string>
#include <vector>

namespace velan_tool {

enum ExitCode : int { kExitOk = 0, kExitFailed = 1, kExitUsage = 2 };

// Options shared by the commands that run an import.
struct ImportOptions {
  std::string path;        // ARXML file (or, for convert, a folder)
  std::string configFile;  // --config
  std::string logFile;     // --log
  bool logAll = false;     // --log-all
  bool onlyFile = false;   // --only-file
  bool flexRay = false;    // --flexray
  // --all-clusters: every cluster of the input when no SYSTEM lists one
  bool allClusters = false;
  // --variant CRITERION=VALUE (repeatable) and --predefined-variant NAME
  std::vector<std::string> variants;
  std::string predefinedVariant;
};

struct ImportCommand {
  ImportOptions import;
  bool dump = false;     // --dump
  std::string outputDb;  // -o FILE.vdb
};

struct DumpCommand {
  std::string database;
  bool json = false;
};

struct VariantsCommand {
  std::string path;  // ARXML file or folder
};

struct ExportCommand {
  std::string database;
  std::string cluster;
  std::string output;
  bool noValueTables = false;  // --no-value-tables
};

struct ConvertCommand {
  ImportOptions import;
  std::string output;                 // -o; empty: the current folder
  std::vector<std::string> clusters;  // --cluster, repeatable
  std::string keepDb;                 // --keep-db
  bool allWarnings = false;           // --warnings
  bool quiet = false;                 // --quiet
  bool noValueTables = false;         // --no-value-tables
};

int RunImport(const ImportCommand& cmd);
int RunDump(const DumpCommand& cmd);
int RunExport(const ExportCommand& cmd);
int RunConvert(const ConvertCommand& cmd);
// Lists the post-build criteria, tested values and predefined variants.
int RunVariants(const VariantsCommand& cmd);

// Prints "velan VERSION (import interface 0xXXXXXXXX)"; when the import
// plug-in cannot be loaded, the tool's version and then why (exit 1).
int RunVersion();

// Parses the command line and runs the command.
int Main(int argc, char** argv);

}  // namespace velan_tool

#endif
