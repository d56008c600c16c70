#include "robustness_support.h"

#include <dlfcn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "failing_allocator.h"
#include "velan/host_vocabulary.h"
#include "velan/velanar.h"
#include "velan/velandb_host.h"
#include "velan/vldbcex.h"

namespace robust {
namespace fs = std::filesystem;

namespace {

ImportFn LoadImport() {
  static ImportFn import = [] {
    const std::string path = std::string(VELAN_TEST_LIB_DIR) + "/libvelanar.so";
    void* library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!library) return static_cast<ImportFn>(nullptr);
    return reinterpret_cast<ImportFn>(dlsym(library, "Import"));
  }();
  return import;
}

struct FailureSnapshot {
  uint32_t handle = 0;
  uint64_t calls = 0;
};

void TakeSnapshot(void* context) {
  FailureSnapshot* snapshot = static_cast<FailureSnapshot*>(context);
  snapshot->calls = vdbImportCallCount(snapshot->handle);
}

bool Armed(const AllocFault& alloc) {
  return alloc.count || alloc.failAt != 0;
}

}  // namespace

void WriteText(const std::string& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
}

std::string ReadText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

RunResult RunImport(const std::string& path, const std::string& configDir, const HostFault& fault,
                    bool withTree, const std::function<void(uint32_t handle)>& inspect,
                    const AllocFault& alloc) {
  RunResult result;
  ImportFn import = LoadImport();
  if (!import) {
    result.code = 0xFFFFFFFFu;
    return result;
  }
  setenv("VELAN_CONFIG_DIR", configDir.c_str(), 1);
  uint32_t handle = 0;
  if (vdbCreateDatabase("robust", &handle) != VDB_OK) {
    result.code = 0xFFFFFFFEu;
    return result;
  }
  if (fault.call != 0) vdbInjectFault(handle, fault.call, fault.code, fault.performCall ? 1 : 0);
  FailureSnapshot snapshot{handle, 0};
  if (Armed(alloc)) {
    failalloc::OnFirstFailure(&TakeSnapshot, &snapshot);
    failalloc::Arm(alloc.failAt, alloc.persistent);
  }
  result.code = import(path.c_str(), handle);
  if (Armed(alloc)) {
    const failalloc::Tally tally = failalloc::Disarm();
    failalloc::OnFirstFailure(nullptr, nullptr);
    result.allocations = tally.allocations;
    result.allocFailed = tally.failures > 0;
    result.callsAtAllocFailure = snapshot.calls;
  }
  result.calls = vdbImportCallCount(handle);
  result.objects = vdbObjectCount(handle);
  if (withTree) {
    size_t length = 0;
    vdbFormatTree(handle, nullptr, 0, &length);
    std::string tree(length + 1, '\0');
    vdbFormatTree(handle, &tree[0], tree.size(), &length);
    tree.resize(length);
    result.tree = tree;
  }
  if (inspect) inspect(handle);
  vdbDestroyDatabase(handle);
  return result;
}

void WriteLogConfig(const std::string& configDir, const std::string& logPath) {
  WriteText(configDir + "/velanar-cfg.xml",
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
            "<CONFIGURATION xmlns=\"urn:velan:velanar-cfg:1\">\n  <LogFile>" +
                logPath +
                "</LogFile>\n  <CATEGORIES>\n    <CatInfo Enabled=\"all\"/>\n"
                "    <CatWarn Enabled=\"all\"/>\n    <CatErr Enabled=\"all\"/>\n"
                "    <CatDebug Enabled=\"all\"/>\n  </CATEGORIES>\n</CONFIGURATION>\n");
}

dbaStatus ExportCluster(uint32_t handle, const std::string& clusterName, const std::string& path,
                        const AllocFault& alloc, uint64_t* allocations) {
  dbaStatus status{0, 0};
  static dxDBCWriteFn write = [] {
    const std::string library = std::string(VELAN_TEST_LIB_DIR) + "/libvldbcex.so";
    void* loaded = dlopen(library.c_str(), RTLD_NOW | RTLD_LOCAL);
    return loaded ? reinterpret_cast<dxDBCWriteFn>(dlsym(loaded, "dxDBCWrite")) : nullptr;
  }();
  uint64_t cluster = 0;
  if (!write || vdbFindChild(handle, VELAN_OT_CLUSTER, clusterName.c_str(), &cluster) != VDB_OK) {
    status.code = 0xFFFFFFFFu;
    return status;
  }
  if (Armed(alloc)) failalloc::Arm(alloc.failAt, alloc.persistent);
  write(static_cast<uint32_t>(cluster), path.c_str(), &status);
  if (Armed(alloc)) {
    const failalloc::Tally tally = failalloc::Disarm();
    if (allocations) *allocations = tally.allocations;
  }
  return status;
}

bool RunningAsRoot() {
  return geteuid() == 0;
}

std::string ExamplePath(const std::string& name) {
  return std::string(VELAN_SOURCE_DIR) + "/examples/" + name + "/system.arxml";
}

std::string BuildProgram(const std::string& name) {
  return std::string(VELAN_TEST_BIN_DIR) + "/" + name;
}

int RunCommand(const std::string& command, std::string* errorText) {
  TempDir scratch;
  const std::string errPath = scratch.File("stderr");
  const int status = std::system((command + " 2>" + errPath).c_str());
  if (errorText) *errorText = ReadText(errPath);
  if (status == -1 || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}

}  // namespace robust
