// The commands of the velan tool: import, convert, export, dump, variants and
// version, each from its options to the exit status.
#include "commands.h"

#include <dirent.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <memory>

#include "cluster_census.h"
#include "diagnostics.h"
#include "host_db.h"
#include "import_config.h"
#include "import_failure.h"
#include "output_file.h"
#include "plugins.h"
#include "progress.h"
#include "variant_census.h"
#include "velan/velandb_host.h"

namespace velan_tool {
namespace {

void Say(const std::string& text) {
  std::fprintf(stderr, "velan: %s\n", text.c_str());
}

// A database of the host, destroyed with the holder.
class Database {
 public:
  ~Database() {
    if (handle_) vdbDestroyDatabase(handle_);
  }
  bool Create(std::string* error) {
    if (vdbCreateDatabase(nullptr, &handle_) != VDB_OK) {
      *error = std::string("cannot create a database: ") + vdbLastError();
      handle_ = 0;
      return false;
    }
    return true;
  }
  bool Open(const std::string& path, std::string* error) {
    if (vdbOpenDatabase(path.c_str(), &handle_) != VDB_OK) {
      *error = path + ": " + vdbLastError();
      handle_ = 0;
      return false;
    }
    return true;
  }
  uint32_t Handle() const { return handle_; }

 private:
  uint32_t handle_ = 0;
};

// The log file a configuration names for an import of `importPath`, as the
// importer resolves it; empty when it writes none.
std::string ResolveLogTarget(const ImportConfig& cfg, const std::string& importPath) {
  if (!cfg.logFile || cfg.logFile->empty()) return std::string();
  if (*cfg.logFile != "UseFileName") return *cfg.logFile;
  size_t dot = importPath.rfind('.');
  if (dot == std::string::npos) return std::string();
  std::string ext = importPath.substr(dot + 1);
  if (ext.size() != 5 || !EndsWithNoCase(ext, "arxml")) return std::string();
  return importPath + ".txt";
}

// Copies a file to `to` through WriteOutput, so that links, pipes and
// devices are written as such.
bool CopyFile(const std::string& from, const std::string& to, std::string* error) {
  return WriteOutput(
      to,
      [&](const std::string& path, std::string* err) {
        std::ifstream in(from, std::ios::binary);
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        if (in) out << in.rdbuf();
        out.close();
        if (!out) *err = "cannot write " + to;
        return static_cast<bool>(out);
      },
      error);
}

// One import through libvelanar.so into a fresh database, with the
// configuration the options ask for.
class ImportSession {
 public:
  // `diagnostics`: have the log written to a private file with the file list,
  // warnings and errors on.
  ImportSession(const ImportOptions& opts, bool diagnostics)
      : opts_(opts), diagnostics_(diagnostics) {}

  // Prepares the configuration; false with kExitUsage or kExitFailed in
  // `exitCode` and a message already printed.
  bool Prepare(int* exitCode) {
    bool own = diagnostics_ || !opts_.configFile.empty() || !opts_.logFile.empty() ||
               opts_.logAll || opts_.onlyFile || opts_.flexRay || opts_.allClusters ||
               !opts_.variants.empty() || !opts_.predefinedVariant.empty();
    std::string error;
    if (!own) {
      // The importer reads the user's configuration itself; the tool reads
      // it only to know which files the import takes.
      ReadUsersConfig();
      return true;
    }
    if (!opts_.configFile.empty()) {
      if (!ReadImportConfigFile(opts_.configFile, &config_, &error)) {
        Say("cannot use the configuration " + error);
        *exitCode = kExitUsage;
        return false;
      }
    } else {
      ReadUsersConfig();
    }
    userLog_ = ResolveLogTarget(config_, opts_.path);
    if (!config_.hasCategories) {
      config_.categories = ImportConfig::DefaultCategories();
      config_.hasCategories = true;
    }
    if (opts_.flexRay) config_.EnableFlexRay();
    if (opts_.onlyFile) config_.UseOnlySpecifiedFile();
    if (opts_.allClusters) config_.EnableAllClusters();
    if (!opts_.predefinedVariant.empty()) config_.ChoosePredefinedVariant(opts_.predefinedVariant);
    for (const std::string& v : opts_.variants) {
      const size_t eq = v.find('=');
      if (eq == std::string::npos || eq == 0 || eq + 1 == v.size()) {
        Say("--variant needs CRITERION=VALUE, not \"" + v + "\"");
        *exitCode = kExitUsage;
        return false;
      }
      config_.ChooseCriterion(v.substr(0, eq), v.substr(eq + 1));
    }
    if (!opts_.logFile.empty()) {
      // The importer writes a private log (below) that is copied to the
      // user's path afterwards, as any other output (links, pipes, devices).
      userLog_ = opts_.logFile;
    }
    if (opts_.logAll) {
      if (!diagnostics_ && userLog_.empty()) {
        Say("--log-all needs a log file: give --log FILE");
        *exitCode = kExitUsage;
        return false;
      }
      config_.EnableAllCategories();
    }
    if (diagnostics_) {
      config_.EnableCategoryBits(kCatInfo, 1u);  // the file list
      config_.EnableCategoryBits(kCatWarn, ImportConfig::AllBits(kCatWarn));
      config_.EnableCategoryBits(kCatErr, ImportConfig::AllBits(kCatErr));
    }
    folder_ = std::make_unique<TempConfigFolder>();
    // The private log lives in the private folder.
    if (diagnostics_ || !opts_.logFile.empty()) {
      if (!folder_->Create(&error)) {
        Say(error);
        *exitCode = kExitFailed;
        return false;
      }
      privateLog_ = folder_->PathFor("import.log");
      config_.SetLog(privateLog_);
    }
    if (!folder_->Activate(config_, &error)) {
      Say(error);
      *exitCode = kExitFailed;
      return false;
    }
    return true;
  }

  // Runs the import; false when the plug-in or the database is unusable.
  bool Run(Progress* progress, std::string* error) {
    if (!plugin_.Load(error)) return false;
    if (!db_.Create(error)) return false;
    if (progress) {
      progress->SetPhase("importing " + opts_.path, db_.Handle());
      progress->SetInputs(InputFileSet(ImportPath(), config_.OnlySpecifiedFile()));
    }
    code_ = plugin_.import(ImportPath().c_str(), db_.Handle());
    if (progress) progress->SetInputs({});
    // A log the user asked for (with --log or in the configuration) gets a
    // copy of the private one.
    if (!privateLog_.empty() && !userLog_.empty()) {
      std::string copyError;
      if (!CopyFile(privateLog_, userLog_, &copyError)) {
        if (progress) progress->Suspend();
        Say(copyError);
        logFailed_ = true;
      }
    }
    return true;
  }

  // A missing or broken file of the usual folder leaves the defaults, as
  // it does for the importer.
  void ReadUsersConfig() {
    std::string folder = UserConfigFolder();
    std::string path =
        folder.empty() ? std::string(kConfigFileName) : folder + "/" + kConfigFileName;
    std::string error;
    if (Exists(path) && !ReadImportConfigFile(path, &config_, &error)) config_ = ImportConfig();
  }

  void SetImportPath(const std::string& p) { importPath_ = p; }
  const std::string& ImportPath() const { return importPath_.empty() ? opts_.path : importPath_; }
  // The user's log could not be written.
  bool LogFailed() const { return logFailed_; }
  uint32_t Code() const { return code_; }
  uint32_t Handle() const { return db_.Handle(); }
  const std::string& PrivateLog() const { return privateLog_; }
  const ImportConfig& Config() const { return config_; }
  void Finish() { folder_.reset(); }

 private:
  ImportOptions opts_;
  bool diagnostics_;
  ImportConfig config_;
  std::unique_ptr<TempConfigFolder> folder_;
  std::string privateLog_, userLog_, importPath_;
  ImportPlugin plugin_;
  Database db_;
  uint32_t code_ = 0;
  bool logFailed_ = false;
};

// "import returned CODE (meaning)"; a failure says instead what went wrong,
// keeping the code in the line: "import failed (CODE): cause".
void PrintImportResult(uint32_t code, const std::string& cause = std::string()) {
  if (!ImportCodeIsError(code)) {
    Say("import returned " + Hex32(code) + " (" + ImportCodeMeaning(code) + ")");
    return;
  }
  std::string meaning = ImportCodeMeaning(code);
  // The generic text repeats "import failed"; the code's own meaning stays
  // when nothing more specific is known.
  const std::string generic = "import failed: ";
  if (meaning.compare(0, generic.size(), generic) == 0) meaning = meaning.substr(generic.size());
  Say("import failed (" + Hex32(code) + "): " + (cause.empty() ? meaning : cause));
}

bool SaveDatabase(uint32_t handle, const std::string& path) {
  std::string error;
  bool saved = WriteOutput(
      path,
      [&](const std::string& file, std::string* err) {
        if (vdbSaveDatabase(handle, file.c_str()) == VDB_OK) return true;
        *err = "cannot save " + path + ": " + vdbLastError();
        return false;
      },
      &error);
  if (!saved) Say(error);
  return saved;
}

// Writes one cluster as DBC to `target` (atomically for a file).
bool WriteDbc(ExportPlugin& exporter, uint32_t cluster, const std::string& target,
              std::string* error) {
  return WriteOutput(
      target,
      [&](const std::string& file, std::string* err) {
        dbaStatus st{0, 0};
        exporter.write(cluster, file.c_str(), &st);
        if (DBA_STATUS_IS_ERROR(&st)) {
          *err = "cannot write " + target + ": export failed (" + DescribeStatus(st) + ")";
          return false;
        }
        return true;
      },
      error);
}

// At most one output may go to standard output; false with a message when
// several ask for it.
bool OneStandardOutput(const std::vector<std::pair<const char*, bool>>& users) {
  std::string names;
  int n = 0;
  for (const auto& [name, used] : users) {
    if (!used) continue;
    names += std::string(n++ ? " and " : "") + name;
  }
  if (n <= 1) return true;
  Say(names + " cannot both write to standard output");
  return false;
}

// Asks the exporter, through the database's flag, to leave the value tables
// out of the DBC files written from this database.
bool OmitValueTables(uint32_t database) {
  constexpr uint32_t kOmitValueTablesFlag = 0x02000004u;
  const uint8_t on = 1;
  dbaStatus st{0, 0};
  dbaSetProperty(database, kOmitValueTablesFlag, 1, &on, &st);
  if (!DBA_STATUS_IS_ERROR(&st)) return true;
  Say("cannot leave the value tables out (" + DescribeStatus(st) + ")");
  return false;
}

std::string JoinNames(const std::vector<ClusterInfo>& clusters, bool canOnly) {
  std::string s;
  for (const auto& c : clusters) {
    if (canOnly && c.protocol != kProtocolCan) continue;
    if (!s.empty()) s += ", ";
    s += c.name.empty() ? "\"\"" : c.name;
  }
  return s.empty() ? "none" : s;
}

}  // namespace

int RunImport(const ImportCommand& cmd) {
  if (!OneStandardOutput({{"--dump", cmd.dump},
                          {"-o -", IsStandardOutput(cmd.outputDb)},
                          {"--log -", IsStandardOutput(cmd.import.logFile)}}))
    return kExitUsage;
  ImportSession session(cmd.import, false);
  int exitCode = kExitOk;
  if (!session.Prepare(&exitCode)) return exitCode;
  std::string error;
  Progress progress(true);
  bool ran = session.Run(&progress, &error);
  progress.Stop();
  if (!ran) {
    session.Finish();
    Say(error);
    return kExitFailed;
  }
  std::string cause;
  if (ImportCodeIsError(session.Code())) {
    // The private log, when there is one, tells the cause.
    LogSummary log = ReadImportLog(session.PrivateLog());
    ImportFailure failure{cmd.import.path, session.ImportPath(), false,
                          session.Config().OnlySpecifiedFile(),
                          session.PrivateLog().empty() ? nullptr : &log};
    cause = ImportFailureCause(failure);
  }
  session.Finish();
  PrintImportResult(session.Code(), cause);
  if (cmd.dump) {
    std::fflush(stdout);
    vdbPrintTree(session.Handle(), stdout);
    std::fflush(stdout);
  }
  if (ImportCodeIsError(session.Code())) {
    if (!cmd.outputDb.empty()) Say("not saving " + cmd.outputDb + ": the import failed");
    return kExitFailed;
  }
  if (!cmd.outputDb.empty() && !SaveDatabase(session.Handle(), cmd.outputDb)) return kExitFailed;
  return session.LogFailed() ? kExitFailed : kExitOk;
}

int RunDump(const DumpCommand& cmd) {
  Database db;
  std::string error;
  if (!db.Open(cmd.database, &error)) {
    Say(error);
    return kExitFailed;
  }
  if (cmd.json) {
    // Texts are UTF-8 from the parser; anything else is replaced, not fatal.
    std::cout << ObjectTreeJson(db.Handle())
                     .dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace)
              << "\n";
  } else {
    std::fflush(stdout);
    vdbPrintTree(db.Handle(), stdout);
  }
  std::fflush(stdout);
  return kExitOk;
}

// The cluster an export writes: the one named with --cluster, else the only
// CAN cluster of the database. Null (with the exit status) otherwise.
const ClusterInfo* ChooseExportCluster(const ExportCommand& cmd,
                                       const std::vector<ClusterInfo>& clusters, int* exitCode) {
  *exitCode = kExitUsage;
  if (!cmd.cluster.empty()) {
    const ClusterInfo* chosen = nullptr;
    for (const auto& c : clusters)
      if (c.name == cmd.cluster) chosen = &c;
    if (!chosen) {
      Say("no cluster named " + cmd.cluster + " (CAN clusters: " + JoinNames(clusters, true) + ")");
      return nullptr;
    }
    if (chosen->protocol != kProtocolCan) {
      Say(cmd.cluster + " is a " + chosen->ProtocolName() +
          " cluster; only CAN clusters are written as DBC");
      return nullptr;
    }
    return chosen;
  }
  std::vector<const ClusterInfo*> can;
  for (const auto& c : clusters)
    if (c.protocol == kProtocolCan) can.push_back(&c);
  if (can.empty()) {
    Say(cmd.database + " holds no CAN cluster");
    *exitCode = kExitFailed;
    return nullptr;
  }
  if (can.size() > 1) {
    Say("several CAN clusters; choose one with --cluster: " + JoinNames(clusters, true));
    return nullptr;
  }
  return can.front();
}

int RunExport(const ExportCommand& cmd) {
  dbaStatus st{0, 0};
  uint32_t ref = 0;
  dbaOpenDatabase(0, cmd.database.c_str(), &ref, &st);
  if (DBA_STATUS_IS_ERROR(&st)) {
    Say("cannot open " + cmd.database + " (" + DescribeStatus(st) + ")");
    return kExitFailed;
  }
  struct Closer {
    uint32_t ref;
    ~Closer() {
      dbaStatus s{0, 0};
      dbaCloseDatabase(0, ref, 1, &s);
    }
  } closer{ref};

  std::vector<ClusterInfo> clusters;
  std::string error;
  if (!ReadClusters(ref, &clusters, &error)) {
    Say(error);
    return kExitFailed;
  }
  int exitCode = kExitOk;
  const ClusterInfo* chosen = ChooseExportCluster(cmd, clusters, &exitCode);
  if (chosen == nullptr) return exitCode;
  ExportPlugin exporter;
  if (!exporter.Load(&error)) {
    Say(error);
    return kExitFailed;
  }
  if (cmd.noValueTables && !OmitValueTables(ref)) return kExitFailed;
  // A folder gets the cluster's file, named as convert names it.
  std::string target = cmd.output;
  if (IsDirectory(cmd.output)) {
    if (!IsSafeFileName(chosen->name)) {
      Say("cluster name \"" + chosen->name +
          "\" cannot be used as a file name; give -o FILE.dbc instead of the folder " + cmd.output);
      return kExitFailed;
    }
    target = JoinPath(cmd.output, chosen->name + ".dbc");
  }
  if (!WriteDbc(exporter, chosen->ref, target, &error)) {
    Say(error);
    return kExitFailed;
  }
  return kExitOk;
}

int RunVersion() {
  ImportPlugin plugin;
  std::string error;
  uint32_t interface = 0;
  if (!plugin.Load(&error)) {
    std::printf("velan %s\n", VELAN_VERSION);
    std::fflush(stdout);
    Say("cannot load the import plug-in: " + error);
    return kExitFailed;
  }
  plugin.getVersion(&interface);
  std::printf("velan %s (import interface %s)\n", VELAN_VERSION, Hex32(interface).c_str());
  return kExitOk;
}

int RunVariants(const VariantsCommand& cmd) {
  std::vector<std::string> files;
  if (IsDirectory(cmd.path)) {
    if (DIR* d = opendir(cmd.path.c_str())) {
      while (dirent* e = readdir(d))
        if (EndsWithNoCase(e->d_name, ".arxml")) files.push_back(cmd.path + "/" + e->d_name);
      closedir(d);
    }
    std::sort(files.begin(), files.end());
  } else if (Exists(cmd.path)) {
    files.push_back(cmd.path);
  } else {
    Say("cannot read " + cmd.path + ": no such file or folder");
    return kExitFailed;
  }
  std::fputs(VariantListing(CountVariants(files)).c_str(), stdout);
  return kExitOk;
}

// Where the DBC files of a convert go.
struct ConvertOutputs {
  bool toStdout = false;    // "-o -"
  bool toStream = false;    // standard output, a pipe or a device
  bool singleFile = false;  // one file, else a folder of <cluster>.dbc
  FILE* summary = stdout;   // where the "wrote ..." lines go
};

// Reads -o and the other outputs of a convert; false (with the exit status)
// for a combination that cannot be written.
bool PlanConvertOutputs(const ConvertCommand& cmd, ConvertOutputs* out, int* exitCode) {
  // One file is written to standard output ("-"), a pipe or a device, or a
  // name ending in .dbc; anything else names a folder.
  out->toStdout = IsStandardOutput(cmd.output);
  out->toStream = !cmd.output.empty() && ClassifyOutput(cmd.output).kind == OutputTarget::kStream;
  out->singleFile = out->toStream || (!cmd.output.empty() && EndsWithNoCase(cmd.output, ".dbc") &&
                                      !IsDirectory(cmd.output));
  if (!OneStandardOutput({{"-o -", out->toStdout},
                          {"--keep-db -", IsStandardOutput(cmd.keepDb)},
                          {"--log -", IsStandardOutput(cmd.import.logFile)}})) {
    *exitCode = kExitUsage;
    return false;
  }
  // The lines about the written files go to standard error when an output
  // goes to standard output.
  out->summary =
      out->toStdout || IsStandardOutput(cmd.keepDb) || IsStandardOutput(cmd.import.logFile)
          ? stderr
          : stdout;
  if (out->singleFile && cmd.clusters.size() > 1) {
    Say("-o " + cmd.output + " names one file, but " + std::to_string(cmd.clusters.size()) +
        " clusters are asked for; give a folder");
    *exitCode = kExitUsage;
    return false;
  }
  return true;
}

// Prints the import's findings, and the note on elements left out only
// because no post-build variant was chosen. The input is scanned again only
// when the log says such elements exist.
void ShowImportFindings(const LogSummary& log, const ConvertCommand& cmd,
                        const ImportSession& session) {
  std::fputs(RenderDiagnostics(log, cmd.allWarnings, cmd.quiet).c_str(), stderr);
  bool leftOut = false;
  for (const auto& d : log.diagnostics)
    leftOut = leftOut || d.message.find("<VARIATION-POINT>") != std::string::npos;
  if (leftOut && !session.Config().variant) {
    std::vector<std::string> files;
    for (const auto& entry : log.files) files.push_back(entry.second);
    const std::string note = VariantNote(CountVariants(files));
    if (!note.empty()) Say(note);
  }
}

// The CAN clusters to write: those named with --cluster, else every one.
// False (with the exit status) when a name is wrong or nothing is left.
bool ChooseClusters(const ConvertCommand& cmd, const std::vector<ClusterInfo>& clusters,
                    bool singleFile, std::vector<const ClusterInfo*>* chosen, int* exitCode) {
  *exitCode = kExitUsage;
  if (!cmd.clusters.empty()) {
    for (const auto& name : cmd.clusters) {
      const ClusterInfo* found = nullptr;
      for (const auto& c : clusters)
        if (c.name == name) found = &c;
      if (!found) {
        Say("no cluster named " + name +
            " in the input (CAN clusters: " + JoinNames(clusters, true) + ")");
        return false;
      }
      if (found->protocol != kProtocolCan) {
        Say(name + " is a " + found->ProtocolName() +
            " cluster; only CAN clusters are written as DBC");
        return false;
      }
      chosen->push_back(found);
    }
  } else {
    for (const auto& c : clusters)
      if (c.protocol == kProtocolCan) chosen->push_back(&c);
  }
  if (chosen->empty()) {
    Say("the input holds no CAN cluster to write (clusters: " + JoinNames(clusters, false) + ")");
    *exitCode = kExitFailed;
    return false;
  }
  if (singleFile && chosen->size() > 1) {
    Say("-o " + cmd.output + " names one file, but the input has " +
        std::to_string(chosen->size()) + " CAN clusters (" + JoinNames(clusters, true) +
        "); give a folder or choose one with --cluster");
    return false;
  }
  return true;
}

// Exports each chosen cluster to its DBC file and says so; false when one of
// them could not be written (the others still are).
bool WriteClusters(const ConvertCommand& cmd, const ConvertOutputs& out,
                   const std::vector<const ClusterInfo*>& chosen, ExportPlugin& exporter,
                   ImportSession& session, Progress& progress) {
  bool allWritten = true;
  std::string error;
  for (const ClusterInfo* c : chosen) {
    std::string target;
    if (out.singleFile) {
      target = cmd.output;
    } else {
      if (!IsSafeFileName(c->name)) {
        Say("cluster name \"" + c->name +
            "\" cannot be used as a file name; write it with -o FILE.dbc and --cluster");
        allWritten = false;
        continue;
      }
      target = JoinPath(cmd.output, c->name + ".dbc");
    }
    progress.SetPhase("writing " + target, session.Handle());
    progress.Resume();
    if (!WriteDbc(exporter, c->ref, target, &error)) {
      progress.Suspend();
      Say(error);
      allWritten = false;
      continue;
    }
    progress.Suspend();
    if (!cmd.quiet)
      std::fprintf(out.summary, "wrote %s: cluster %s, %zu frames, %zu signals, %zu ECUs\n",
                   out.toStdout ? "standard output" : target.c_str(), c->name.c_str(), c->frames,
                   c->signals, c->ecus);
    std::fflush(out.summary);
  }
  std::fflush(stdout);
  return allWritten;
}

int RunConvert(const ConvertCommand& cmd) {
  const std::string& input = cmd.import.path;
  if (!Exists(input)) {
    Say("cannot read " + input + ": no such file or folder");
    return kExitFailed;
  }
  bool inputIsFolder = IsDirectory(input);
  if (inputIsFolder && cmd.import.onlyFile) {
    Say("--only-file needs an ARXML file, not the folder " + input);
    return kExitUsage;
  }
  ConvertOutputs out;
  int exitCode = kExitOk;
  if (!PlanConvertOutputs(cmd, &out, &exitCode)) return exitCode;

  ImportSession session(cmd.import, true);
  // The importer takes every ARXML file of the folder its path names; a
  // path to a name inside the folder makes it read the folder.
  if (inputIsFolder) session.SetImportPath((input.back() == '/' ? input : input + "/") + "*.arxml");
  if (!session.Prepare(&exitCode)) return exitCode;
  Progress progress(!cmd.quiet);
  std::string error;
  bool ran = session.Run(&progress, &error);
  if (!ran) {
    progress.Stop();
    Say(error);
    return kExitFailed;
  }

  LogSummary log = ReadImportLog(session.PrivateLog());
  if (ImportCodeIsError(session.Code())) AddAllClustersHint(&log, session.Config());
  session.Finish();
  progress.Suspend();
  ShowImportFindings(log, cmd, session);

  uint32_t code = session.Code();
  if (ImportCodeIsError(code)) {
    ImportFailure failure{input, session.ImportPath(), inputIsFolder,
                          session.Config().OnlySpecifiedFile(), &log};
    PrintImportResult(code, ImportFailureCause(failure));
    return kExitFailed;
  }
  if (code != 0 && !cmd.quiet) PrintImportResult(code);

  std::vector<ClusterInfo> clusters;
  if (!ReadClusters(session.Handle(), &clusters, &error)) {
    Say(error);
    return kExitFailed;
  }
  std::vector<const ClusterInfo*> chosen;
  if (!ChooseClusters(cmd, clusters, out.singleFile, &chosen, &exitCode)) return exitCode;

  std::string folder =
      out.singleFile ? FolderOf(cmd.output) : (cmd.output.empty() ? "." : cmd.output);
  if (!out.toStream && !MakeFolders(folder, &error)) {
    Say(error);
    return kExitFailed;
  }
  ExportPlugin exporter;
  if (!exporter.Load(&error)) {
    Say(error);
    return kExitFailed;
  }
  if (cmd.noValueTables && !OmitValueTables(session.Handle())) return kExitFailed;
  bool allWritten = WriteClusters(cmd, out, chosen, exporter, session, progress);
  if (!cmd.keepDb.empty() && !SaveDatabase(session.Handle(), cmd.keepDb)) allWritten = false;
  return allWritten && !session.LogFailed() ? kExitOk : kExitFailed;
}

}  // namespace velan_tool
