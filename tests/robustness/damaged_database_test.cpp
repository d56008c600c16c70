// Damaged database files: a saved import, cut short or with bytes changed,
// must open as an error or as a consistent database, never crash or leak.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "robustness_support.h"
#include "velan/velandb_host.h"

namespace {

TEST(DamagedDatabase, CutOrChangedFilesOpenAsErrorOrWhole) {
  robust::TempDir config, work;
  const std::string saved = work.File("can.vdb");
  int32_t savedResult = -1;
  robust::RunImport(robust::ExamplePath("can"), config.Path(), {}, false,
                    [&](uint32_t handle) { savedResult = vdbSaveDatabase(handle, saved.c_str()); });
  ASSERT_EQ(savedResult, VDB_OK);
  const std::string bytes = robust::ReadText(saved);
  ASSERT_GT(bytes.size(), 1000u);

  std::mt19937 random(20261208);
  int opened = 0, refused = 0;
  for (int round = 0; round < 200; ++round) {
    std::string damaged = bytes;
    if (round % 3 == 0) {
      damaged.resize(random() % bytes.size());
    } else {
      for (int k = 1 + random() % 20; k > 0; --k)
        damaged[random() % damaged.size()] = static_cast<char>(random());
    }
    const std::string path = work.File("damaged.vdb");
    robust::WriteText(path, damaged);
    uint32_t handle = 0;
    const int32_t result = vdbOpenDatabase(path.c_str(), &handle);
    if (result != VDB_OK) {
      EXPECT_LT(result, 0);
      ++refused;
      continue;
    }
    ++opened;
    size_t length = 0;
    EXPECT_EQ(vdbFormatTree(handle, nullptr, 0, &length), VDB_OK);
    EXPECT_EQ(vdbDestroyDatabase(handle), VDB_OK);
  }
  EXPECT_GT(refused, 0);
  RecordProperty("opened", opened);
}

}  // namespace
