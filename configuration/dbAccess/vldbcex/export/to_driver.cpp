// The export driver: sections of one DBC file in order, and the save test.
#include "export/to_driver.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

#include "dbc/dbc_writer.h"
#include "export/to_context.h"
#include "export/to_host.h"
#include "export/to_status.h"

namespace vldbcex {

// The export proper; DbcWrite adds what was noted on the way.
static void DbcWriteFile(uint32_t cluster, const char* path, dbaStatus* status) {
  // The context's members end in the order of the tear-down: attributes,
  // signals, ECUs, frames, cluster name, the invalid-objects flag, the sink.
  ToCtx ctx(status, cluster);
  if (!ctx.Open()) return;

  ToLogFile& sink = ctx.sink;
  sink.SetMode(ToLogFile::kModeFile);
  sink.Attach(nullptr);
  sink.ResetCount();
  sink.SetIndent(0);

  ToXFile* file = nullptr;
  if (sink.HasBuffer() && path != nullptr && *path != '\0') file = ToXFile::Open(path, 1);
  if (file == nullptr) {
    RecordError(status, kDetailOutputFile, kCodeOutputFile);
    return;
  }
  sink.Attach(file);
  file->Rewind();

  WriteVersion(ctx);
  WriteNameSpaces(ctx);
  WriteBitTiming(ctx);
  WriteNodes(ctx);
  WriteFrames(ctx);
  WriteClusterComment(ctx);
  WriteEcuComments(ctx);
  WriteFrameComments(ctx);
  WriteSignalComments(ctx);
  WriteAttributeDefinitions(ctx);
  WriteFrameAttributeValues(ctx);
  WriteSignalStartValues(ctx);
  WriteEcuAttributeValues(ctx);
  WriteValueTables(ctx);
  WriteValueTypes(ctx);
}

void DbcWrite(uint32_t cluster, const char* path, dbaStatus* status) {
  if (status == nullptr) return;
  ResetOutOfMemory();
  DbcWriteFile(cluster, path, status);
  // A value left out for want of memory makes the file incomplete.
  TakeOutOfMemory(status);
}

ToVELANDB::~ToVELANDB() {
  if (database_ != 0) Host().closeDatabase(0, database_, 1, status_);
}

std::string CacheDirectory() {
  const char* dir = std::getenv("VELAN_DBCACHE");
  if (dir != nullptr && *dir != '\0') return dir;
  std::string base;
  const char* xdg = std::getenv("XDG_CACHE_HOME");
  if (xdg != nullptr && *xdg != '\0') {
    base = xdg;
  } else {
    const char* home = std::getenv("HOME");
    if (home == nullptr || *home == '\0') return std::string();
    base = std::string(home) + "/.cache";
  }
  return base + "/velan/dbCache";
}

void ClearCacheDirectory(const std::string& folder) {
  if (folder.empty()) return;
  const int dirFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dirFd < 0) return;
  DIR* dir = ::fdopendir(dirFd);
  if (dir == nullptr) {
    ::close(dirFd);
    return;
  }
  while (const dirent* entry = ::readdir(dir)) {
    const char* name = entry->d_name;
    if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'))) continue;
    struct stat info;
    if (::fstatat(dirFd, name, &info, AT_SYMLINK_NOFOLLOW) != 0) continue;
    if (S_ISDIR(info.st_mode)) continue;
    ::unlinkat(dirFd, name, 0);  // the result is not looked at
  }
  ::closedir(dir);
}

int32_t DxTest(int32_t argc, char** argv) {
  if (argc < 3 || argv == nullptr || argv[1] == nullptr || argv[2] == nullptr) return 0;
  ClearCacheDirectory(CacheDirectory());

  dbaStatus status = {0, 0};
  ToVELANDB database(&status);
  Host().openDatabase(0, argv[1], database.RefAddress(), &status);
  if (IsError(&status)) return 0;

  ToDBRefArray clusters;
  ReadRefList(database.Ref(), prop::kDatabaseClusters, clusters, &status);
  bool saved = false;
  for (uint64_t i = 0; i < clusters.Count(); ++i) {
    uint32_t protocol = 0xFFFFFFFFu;
    if (!ReadU32(clusters[i], prop::kClusterProtocol, protocol, &status)) break;
    if (protocol == 0) {
      Host().saveDatabase(clusters[i], argv[2], &status);
      saved = true;
      break;
    }
  }
  if (!saved) RecordError(&status, kDetailNoCanCluster, kCodeNoCanCluster);
  return 0;
}

}  // namespace vldbcex
