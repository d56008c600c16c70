#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <utility>
#include <vector>

#include "import/bindings.h"
#include "temp_folder.h"
#include "velan_platform.h"

namespace {

TEST(Platform, LibraryFileNames) {
  EXPECT_EQ(vplat::LibraryFileName("", "velanDB"), "libvelanDB.so");
  EXPECT_EQ(vplat::LibraryFileName("/opt/m", "miravoDB"), "/opt/m/libmiravoDB.so");
  EXPECT_EQ(vplat::LibraryFileName("/opt/m", ""), "/opt/m/lib.so");
}

TEST(Platform, FolderOfAPath) {
  EXPECT_EQ(vplat::FolderOf("/data/sys.arxml"), "/data");
  EXPECT_EQ(vplat::FolderOf("sys.arxml"), ".");
  EXPECT_EQ(vplat::FolderOf("dir\\sys.arxml"), ".");  // a backslash is an ordinary character
  EXPECT_EQ(vplat::FolderOf("/sys.arxml"), "/");
  EXPECT_EQ(vplat::FolderOf("a/b/"), "a/b");
}

TEST(Platform, UserConfigFolderTakesTheFirstVariableThatIsSet) {
  const char* names[] = {"VELAN_CONFIG_DIR", "XDG_CONFIG_HOME", "HOME"};
  std::vector<std::pair<bool, std::string>> saved;
  for (const char* name : names) {
    const char* value = getenv(name);
    saved.emplace_back(value != nullptr, value ? value : "");
  }
  struct Case {
    const char* velan;  // null: unset
    const char* xdg;
    const char* home;
    const char* expected;
  };
  const Case cases[] = {
      {"/cfg", "/xdg", "/home/u", "/cfg"},
      {"", "/xdg", "/home/u", "/xdg/velan"},  // empty counts as unset
      {nullptr, nullptr, "/home/u", "/home/u/.config/velan"},
      {nullptr, "", "", ""},
  };
  for (const Case& c : cases) {
    const char* values[] = {c.velan, c.xdg, c.home};
    for (size_t i = 0; i < 3; ++i) {
      if (values[i] != nullptr) {
        setenv(names[i], values[i], 1);
      } else {
        unsetenv(names[i]);
      }
    }
    EXPECT_EQ(vplat::UserConfigFolder(), c.expected);
  }
  for (size_t i = 0; i < 3; ++i) {
    if (saved[i].first) {
      setenv(names[i], saved[i].second.c_str(), 1);
    } else {
      unsetenv(names[i]);
    }
  }
}

TEST(Platform, DirectoryOrderIgnoresAsciiCaseThenUsesBytes) {
  std::vector<std::string> names = {"b.arxml", "B.arxml", "a_.arxml",       "A.arxml",
                                    "ab",      "a",       "\xc3\xa4.arxml", "Z"};
  std::sort(names.begin(), names.end(), vplat::DirectoryOrderLess);
  // '_' (0x5F) sorts after the upper-cased letters; "a" before "A.arxml" as
  // a prefix; ties of the upper-cased forms by the raw bytes.
  const std::vector<std::string> expected = {"a",       "A.arxml", "ab", "a_.arxml",
                                             "B.arxml", "b.arxml", "Z",  "\xc3\xa4.arxml"};
  EXPECT_EQ(names, expected);
}

TEST(Platform, ListingHoldsOnlyRegularFiles) {
  TempFolder folder;
  folder.Write("b.ARXML", "");
  folder.Write("a.arxml", "");
  folder.Write("c.xml", "");
  folder.MakeFolder("d.arxml");
  ASSERT_EQ(mkfifo((folder / "fifo.arxml").c_str(), 0600), 0);
  ASSERT_EQ(symlink("a.arxml", (folder / "link.arxml").c_str()), 0);
  ASSERT_EQ(symlink("d.arxml", (folder / "dirlink.arxml").c_str()), 0);
  ASSERT_EQ(symlink("missing", (folder / "dangling.arxml").c_str()), 0);

  std::vector<std::string> names;
  ASSERT_TRUE(vplat::ListRegularFiles(folder.Path(), &names));
  const std::vector<std::string> expected = {"a.arxml", "b.ARXML", "c.xml", "link.arxml"};
  EXPECT_EQ(names, expected);

  EXPECT_FALSE(vplat::ListRegularFiles(folder / "nothing", &names));
  EXPECT_TRUE(names.empty());
}

class LibraryNaming : public ::testing::Test {
 protected:
  void TearDown() override { cLibraryName::Instance().Reset(); }
};

TEST_F(LibraryNaming, OwnNamesByDefault) {
  const cLibraryName& names = cLibraryName::Instance();
  EXPECT_EQ(names.HostDatabase(), "libvelanDB.so");
  EXPECT_EQ(names.StatusTexts(), "libvelan.so");
  EXPECT_EQ(names.ConfigurationReader(), "libvelanfx.so");
}

TEST_F(LibraryNaming, SetDbDllSwitchesToTheSecondProduct) {
  cLibraryName::Instance().SetFromDbLibraryPath("/opt/other/bin/libmiravoDB.so");
  const cLibraryName& names = cLibraryName::Instance();
  EXPECT_EQ(names.Folder(), "/opt/other/bin");
  EXPECT_EQ(names.HostDatabase(), "/opt/other/bin/libmiravoDB.so");
  EXPECT_EQ(names.ConfigurationReader(), "/opt/other/bin/libmiravofx.so");
  // The second product has no status-text library: the name cannot load.
  EXPECT_EQ(names.StatusTexts(), "/opt/other/bin/lib.so");
}

TEST_F(LibraryNaming, SetDbDllIgnoresPathsWithoutFolder) {
  for (const char* path : {static_cast<const char*>(nullptr), "libmiravoDB.so", "/libmiravoDB.so",
                           "dir\\libmiravoDB.so", ""}) {
    cLibraryName::Instance().SetFromDbLibraryPath(path);
    EXPECT_TRUE(cLibraryName::Instance().Folder().empty());
    EXPECT_FALSE(cLibraryName::Instance().SecondProduct());
  }
  // A later call with a folder still takes effect; the last one wins.
  cLibraryName::Instance().SetFromDbLibraryPath("a/b/x.so");
  cLibraryName::Instance().SetFromDbLibraryPath("c/y.so");
  EXPECT_EQ(cLibraryName::Instance().HostDatabase(), "c/libmiravoDB.so");
}

}  // namespace
