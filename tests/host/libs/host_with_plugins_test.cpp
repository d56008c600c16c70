// The reference host together with the real plug-ins: an import through
// libvelanar.so lands in the application's database, the read view of the
// imported example is consistent, the database survives a file round trip,
// and dbaSaveDatabase reaches the DBC exporter next to the host library.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "velan/host_vocabulary.h"
#include "velan/velanar.h"
#include "velan/velandb_host.h"
#include "velan/velandb_read.h"

namespace {

std::string LibPath(const char* name) {
  return std::string(VELAN_TEST_LIB_DIR) + "/" + name;
}

std::string Tree(uint64_t root) {
  size_t length = 0;
  vdbFormatTree(root, nullptr, 0, &length);
  std::string text(length + 1, '\0');
  vdbFormatTree(root, text.data(), text.size(), &length);
  text.resize(length);
  return text;
}

std::vector<uint32_t> List(uint32_t object, uint32_t property) {
  dbaStatus st{0, 0};
  uint32_t size = 0;
  dbaGetPropertySize(object, property, &size, &st);
  std::vector<uint32_t> refs(size / 4);
  dbaGetProperty(object, property, size, refs.data(), &st);
  EXPECT_EQ(st.code, 0u) << std::hex << property;
  return refs;
}

template <typename T>
T Get(uint32_t object, uint32_t property) {
  T value{};
  dbaStatus st{0, 0};
  dbaGetProperty(object, property, sizeof value, &value, &st);
  EXPECT_EQ(st.code, 0u) << std::hex << property;
  return value;
}

class HostWithPlugins : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/vdbplug-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
    // An empty configuration folder: the import runs with its defaults.
    setenv("VELAN_CONFIG_DIR", dir_.c_str(), 1);
    example_ = std::string(VELAN_SOURCE_DIR) + "/examples/can/system.arxml";
    ASSERT_EQ(vdbCreateDatabase("import", &handle_), VDB_OK);
  }
  void TearDown() override {
    if (handle_) vdbDestroyDatabase(handle_);
    for (const std::string& f : files_) unlink(f.c_str());
    rmdir(dir_.c_str());
    unsetenv("VELAN_CONFIG_DIR");
  }
  std::string File(const char* name) {
    files_.push_back(dir_ + "/" + name);
    return files_.back();
  }
  // Imports the bundled CAN example the way a host application does.
  bool ImportExample() {
    void* plugin = dlopen(LibPath("libvelanar.so").c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!plugin) return false;
    auto import = reinterpret_cast<ImportFn>(dlsym(plugin, "Import"));
    code_ = import ? import(example_.c_str(), handle_) : 0xFFFFFFFFu;
    dlclose(plugin);
    return import != nullptr;
  }

  std::string dir_, example_;
  std::vector<std::string> files_;
  uint32_t handle_ = 0;
  uint32_t code_ = 0;
};

TEST_F(HostWithPlugins, ImportFillsTheApplicationsDatabase) {
  if (access(example_.c_str(), R_OK) != 0) GTEST_SKIP() << "no bundled example";
  ASSERT_TRUE(ImportExample()) << dlerror();
  EXPECT_TRUE(code_ == VELANAR_OK || code_ == VELANAR_HOST_WARNING) << std::hex << code_;
  EXPECT_GT(vdbObjectCount(handle_), 10u);
  EXPECT_GT(vdbImportCallCount(handle_), vdbObjectCount(handle_));
  EXPECT_NE(Tree(handle_).find("CLUSTER \"VehicleCAN\""), std::string::npos) << Tree(handle_);
}

TEST_F(HostWithPlugins, ReadViewOfTheImportedExampleIsConsistent) {
  if (access(example_.c_str(), R_OK) != 0) GTEST_SKIP() << "no bundled example";
  ASSERT_TRUE(ImportExample());
  std::vector<uint32_t> clusters = List(handle_, 0x06000002);
  ASSERT_EQ(clusters.size(), 1u);
  const uint32_t cluster = clusters[0];
  EXPECT_EQ(Get<uint32_t>(cluster, 0x05010002), handle_);
  std::vector<uint32_t> frames = List(cluster, 0x06010004);
  ASSERT_FALSE(frames.empty());
  std::vector<uint32_t> all;
  for (uint32_t frame : frames) {
    for (uint32_t signal : List(frame, 0x06020008)) {
      all.push_back(signal);
      EXPECT_EQ(Get<uint32_t>(signal, 0x05030005), frame);
      // Every signal lies inside its frame's payload.
      uint32_t start = Get<uint32_t>(signal, 0x00030015);
      uint32_t bits = Get<uint32_t>(signal, 0x00030012);
      EXPECT_LT(start, Get<uint32_t>(frame, 0x00020007) * 8) << signal;
      EXPECT_GT(bits, 0u);
    }
  }
  EXPECT_FALSE(all.empty());
  EXPECT_EQ(List(cluster, 0x06010007), all);
  std::vector<uint32_t> ecus = List(cluster, 0x06010003);
  EXPECT_EQ(ecus.size(), 2u);
  for (uint32_t ecu : ecus) {
    for (uint32_t frame : List(ecu, 0x06050004))
      EXPECT_NE(std::find(frames.begin(), frames.end(), frame), frames.end());
  }
}

TEST_F(HostWithPlugins, ImportedDatabaseSurvivesAFileRoundTrip) {
  if (access(example_.c_str(), R_OK) != 0) GTEST_SKIP() << "no bundled example";
  ASSERT_TRUE(ImportExample());
  const std::string path = File("import.vdb");
  ASSERT_EQ(vdbSaveDatabase(handle_, path.c_str()), VDB_OK) << vdbLastError();
  uint32_t reopened = 0;
  ASSERT_EQ(vdbOpenDatabase(path.c_str(), &reopened), VDB_OK) << vdbLastError();
  EXPECT_EQ(Tree(reopened), Tree(handle_));
  vdbDestroyDatabase(reopened);
}

TEST_F(HostWithPlugins, SaveAsDbcUsesTheExporterNextToTheHostLibrary) {
  if (access(example_.c_str(), R_OK) != 0) GTEST_SKIP() << "no bundled example";
  if (access(LibPath("libvldbcex.so").c_str(), R_OK) != 0) GTEST_SKIP() << "no exporter built";
  ASSERT_TRUE(ImportExample());
  const uint32_t cluster = List(handle_, 0x06000002).at(0);
  const std::string path = File("out.DbC");
  dbaStatus st{0, 0};
  dbaSaveDatabase(cluster, path.c_str(), &st);
  EXPECT_EQ(st.code, 0u) << std::hex << st.code << " detail " << st.detail;
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  EXPECT_EQ(text.str().rfind("VERSION \"\"\r\n", 0), 0u) << text.str().substr(0, 200);
  EXPECT_NE(text.str().find("BO_ "), std::string::npos);
  // The export put the invalid-objects flag back.
  EXPECT_EQ(Get<uint8_t>(handle_, 0x02000003), 0);

  st = {0, 0};
  dbaSaveDatabase(cluster, File("out.arxml").c_str(), &st);
  EXPECT_EQ(st.code, VDBA_E_UNSUPPORTED_FORMAT);
}

}  // namespace
