// The save test entry: argument check, cache directory, first CAN cluster.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "export/to_driver.h"
#include "fake_host.h"
#include "golden_scenarios.h"
#include "real_host.h"
#include "test_util.h"
#include "velan/velandb_host.h"
#include "velan/vldbcex.h"

namespace vldbcex_test {
namespace {

int32_t RunDxTest(std::vector<std::string> args) {
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  return vldbcex::DxTest(static_cast<int32_t>(args.size()), argv.data());
}

class DxTest : public ::testing::Test {
 protected:
  TempDir cacheDir;
  EnvVar cache{"VELAN_DBCACHE", cacheDir.Path().c_str()};
  FakeHost host;
};

TEST_F(DxTest, TooFewArgumentsDoNothing) {
  WriteFile(cacheDir.File("cached"), "x");
  host.files["db.vdb"] = 1;
  EXPECT_EQ(RunDxTest({"prog", "db.vdb"}), 0);
  EXPECT_EQ(RunDxTest({"prog"}), 0);
  EXPECT_EQ(vldbcex::DxTest(0, nullptr), 0);
  EXPECT_TRUE(host.reads.empty());
  EXPECT_TRUE(host.closes.empty());
  EXPECT_TRUE(FileExists(cacheDir.File("cached")));
}

TEST_F(DxTest, SavesTheFirstCanCluster) {
  TCluster lin = ClassicCluster();
  lin.protocol = 2;
  TCluster flexray = ClassicCluster();
  flexray.protocol = 1;
  uint32_t database = 0;
  const std::vector<TRefs> refs =
      BuildFake(host, {lin, ClassicCluster(), flexray, ClassicCluster()}, &database);
  host.files["db.vdb"] = database;
  EXPECT_EQ(RunDxTest({"prog", "db.vdb", "out.dbc"}), 0);
  ASSERT_EQ(host.saves.size(), 1u);
  EXPECT_EQ(host.saves[0].first, refs[1].cluster);
  EXPECT_EQ(host.saves[0].second, "out.dbc");
  EXPECT_EQ(host.closes, std::vector<uint32_t>{database});
}

TEST_F(DxTest, NoCanClusterSavesNothingAndClosesTheDatabase) {
  TCluster lin = ClassicCluster();
  lin.protocol = 2;
  uint32_t database = 0;
  BuildFake(host, {lin}, &database);
  host.files["db.vdb"] = database;
  EXPECT_EQ(RunDxTest({"prog", "db.vdb", "out.dbc"}), 0);
  EXPECT_TRUE(host.saves.empty());
  EXPECT_EQ(host.closes, std::vector<uint32_t>{database});
}

TEST_F(DxTest, UnreadableProtocolEndsTheWalk) {
  uint32_t database = 0;
  const std::vector<TRefs> refs = BuildFake(host, {ClassicCluster(), ClassicCluster()}, &database);
  host.FailRead(refs[0].cluster, vldbcex::prop::kClusterProtocol);
  host.files["db.vdb"] = database;
  EXPECT_EQ(RunDxTest({"prog", "db.vdb", "out.dbc"}), 0);
  EXPECT_TRUE(host.saves.empty());
  EXPECT_EQ(host.closes.size(), 1u);
}

TEST_F(DxTest, FailedOpenClosesNothing) {
  EXPECT_EQ(RunDxTest({"prog", "missing.vdb", "out.dbc"}), 0);
  EXPECT_TRUE(host.closes.empty());
}

TEST_F(DxTest, ClearsFilesAndLinksOfTheCacheDirectoryOnly) {
  TempDir outside;
  WriteFile(outside.File("target"), "keep me");
  WriteFile(cacheDir.File("a.cache"), "1");
  WriteFile(cacheDir.File(".hidden"), "2");
  ASSERT_EQ(::symlink(outside.File("target").c_str(), cacheDir.File("link").c_str()), 0);
  ASSERT_EQ(::symlink(outside.Path().c_str(), cacheDir.File("dirlink").c_str()), 0);
  ASSERT_EQ(::mkdir(cacheDir.File("sub").c_str(), 0700), 0);
  WriteFile(cacheDir.File("sub/inner"), "3");
  EXPECT_EQ(RunDxTest({"prog", "missing.vdb", "out.dbc"}), 0);
  EXPECT_FALSE(FileExists(cacheDir.File("a.cache")));
  EXPECT_FALSE(FileExists(cacheDir.File(".hidden")));
  EXPECT_FALSE(FileExists(cacheDir.File("link")));
  EXPECT_FALSE(FileExists(cacheDir.File("dirlink")));
  EXPECT_TRUE(FileExists(cacheDir.File("sub/inner")));
  EXPECT_EQ(ReadFile(outside.File("target")), "keep me");
}

TEST(CacheDirectory, FromTheEnvironment) {
  {
    EnvVar cache("VELAN_DBCACHE", "/tmp/velan-cache");
    EXPECT_EQ(vldbcex::CacheDirectory(), "/tmp/velan-cache");
  }
  {
    EnvVar cache("VELAN_DBCACHE", "");
    EnvVar xdg("XDG_CACHE_HOME", "/xdg");
    EXPECT_EQ(vldbcex::CacheDirectory(), "/xdg/velan/dbCache");
  }
  {
    EnvVar cache("VELAN_DBCACHE", nullptr);
    EnvVar xdg("XDG_CACHE_HOME", "");
    EnvVar home("HOME", "/home/someone");
    EXPECT_EQ(vldbcex::CacheDirectory(), "/home/someone/.cache/velan/dbCache");
  }
  {
    EnvVar cache("VELAN_DBCACHE", nullptr);
    EnvVar xdg("XDG_CACHE_HOME", nullptr);
    EnvVar home("HOME", nullptr);
    EXPECT_EQ(vldbcex::CacheDirectory(), "");
  }
  vldbcex::ClearCacheDirectory("/nonexistent/velan/dbCache");  // no error, no effect
}

// The whole way through the reference host: a database file whose first
// cluster is LIN and whose second is CAN, opened and saved by the plug-in's
// exported entry.
TEST(DxTestRealHost, SavesTheSecondClusterWhenTheFirstIsNotCan) {
  TempDir dir;
  TempDir cacheDir;
  EnvVar cache("VELAN_DBCACHE", cacheDir.Path().c_str());
  const std::string dbFile = dir.File("two.vdb");
  {
    RealDatabase db;
    TCluster lin;
    lin.name = "LinBus";
    lin.protocol = 2;
    const std::vector<uint32_t> clusters = db.Build({lin, ClassicCluster()});
    ASSERT_NE(clusters.at(1), 0u);
    ASSERT_EQ(vdbSaveDatabase(db.Handle(), dbFile.c_str()), VDB_OK) << RealDatabase::LastError();
  }
  const std::string library = std::string(VELAN_TEST_LIB_DIR) + "/libvldbcex.so";
  void* handle = ::dlopen(library.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) GTEST_SKIP() << "libvldbcex.so is not built: " << ::dlerror();
  auto entry = reinterpret_cast<dxtestFn>(::dlsym(handle, "dxtest"));
  ASSERT_NE(entry, nullptr);
  const std::string out = dir.File("second.dbc");
  std::vector<std::string> args = {"dxtest", dbFile, out};
  std::vector<char*> argv = {args[0].data(), args[1].data(), args[2].data(), nullptr};
  EXPECT_EQ(entry(3, argv.data()), 0);
  EXPECT_EQ(ReadFile(out), CrLf(ClassicExpected()));
  ::dlclose(handle);
}

}  // namespace
}  // namespace vldbcex_test
