// Atomic output files and output names.
#include "output_file.h"

#include <dirent.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace velan_tool {
namespace {

class OutputFile : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/velan-out-test-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir_ = tmpl;
  }
  void TearDown() override { std::system(("rm -rf '" + dir_ + "'").c_str()); }
  static std::string Read(const std::string& p) {
    std::ifstream in(p);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  size_t Entries() const {
    size_t n = 0;
    DIR* d = opendir(dir_.c_str());
    while (dirent* e = readdir(d))
      if (e->d_name[0] != '.' || (e->d_name[1] != '\0' && e->d_name[1] != '.')) ++n;
    closedir(d);
    return n;
  }
  std::string dir_;
};

TEST_F(OutputFile, ReplacesOnlyOnSuccess) {
  std::string target = dir_ + "/bus.dbc";
  std::ofstream(target) << "old";
  std::string error;
  std::string seen;
  EXPECT_FALSE(WriteAtomically(
      target,
      [&](const std::string& temp, std::string* err) {
        seen = temp;
        std::ofstream(temp) << "half";
        *err = "writer failed";
        return false;
      },
      &error));
  EXPECT_EQ(error, "writer failed");
  EXPECT_EQ(Read(target), "old");
  EXPECT_EQ(FolderOf(seen), dir_);  // beside the target, so rename stays on one file system
  EXPECT_EQ(Entries(), 1u);         // the temporary file is gone

  mode_t mask = umask(022);
  EXPECT_TRUE(WriteAtomically(
      target,
      [](const std::string& temp, std::string*) {
        std::ofstream(temp) << "new";
        return true;
      },
      &error))
      << error;
  umask(mask);
  EXPECT_EQ(Read(target), "new");
  struct stat st {};
  ASSERT_EQ(stat(target.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0644u);
  EXPECT_EQ(Entries(), 1u);
}

TEST_F(OutputFile, RefusesFoldersAndCreatesParents) {
  std::string error;
  EXPECT_FALSE(WriteAtomically(
      dir_, [](const std::string&, std::string*) { return true; }, &error));
  EXPECT_TRUE(MakeFolders(dir_ + "/a/b/c", &error)) << error;
  EXPECT_TRUE(IsDirectory(dir_ + "/a/b/c"));
  std::ofstream(dir_ + "/file") << "x";
  EXPECT_FALSE(MakeFolders(dir_ + "/file/sub", &error));
}

TEST(OutputNames, SafeFileNamesAndSuffixes) {
  EXPECT_TRUE(IsSafeFileName("VehicleCAN"));
  EXPECT_TRUE(IsSafeFileName("CAN 1 (body)"));
  EXPECT_FALSE(IsSafeFileName(""));
  EXPECT_FALSE(IsSafeFileName("."));
  EXPECT_FALSE(IsSafeFileName(".."));
  EXPECT_FALSE(IsSafeFileName("../etc/x"));
  EXPECT_FALSE(IsSafeFileName("a/b"));
  EXPECT_FALSE(IsSafeFileName("a\nb"));
  EXPECT_TRUE(EndsWithNoCase("out/BUS.DBC", ".dbc"));
  EXPECT_FALSE(EndsWithNoCase("dbc", ".dbc"));
  EXPECT_EQ(FolderOf("x.dbc"), ".");
  EXPECT_EQ(FolderOf("/x.dbc"), "/");
  EXPECT_EQ(FolderOf("a/b/x.dbc"), "a/b");
}

}  // namespace
}  // namespace velan_tool
