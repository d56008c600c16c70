// A database filled by the import plug-in from the bundled example, exported
// cluster by cluster and read back by the independent DBC reader.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <string>

#include "export/to_driver.h"
#include "export/to_host.h"
#include "export/to_status.h"
#include "real_host.h"
#include "test_util.h"
#include "velan/velanar.h"

namespace vldbcex_test {
namespace {

namespace prop = vldbcex::prop;

size_t CountLines(const std::string& text, const std::string& prefix) {
  size_t count = 0;
  size_t pos = 0;
  while (pos < text.size()) {
    if (text.compare(pos, prefix.size(), prefix) == 0) ++count;
    const size_t end = text.find('\n', pos);
    if (end == std::string::npos) break;
    pos = end + 1;
  }
  return count;
}

uint32_t ListSize(uint32_t object, uint32_t id) {
  dbaStatus status = {0, 0};
  uint32_t size = 0;
  dbaGetPropertySize(object, id, &size, &status);
  EXPECT_EQ(status.code, 0u);
  return size / 4;
}

TEST(ImportedExample, EveryCanClusterExportsAndReadsBack) {
  const std::string example = std::string(VELAN_SOURCE_DIR) + "/examples/can/system.arxml";
  if (!FileExists(example)) GTEST_SKIP() << "no example " << example;
  const std::string library = std::string(VELAN_TEST_LIB_DIR) + "/libvelanar.so";
  void* plugin = ::dlopen(library.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (plugin == nullptr) GTEST_SKIP() << "the import plug-in is not built: " << ::dlerror();
  auto import = reinterpret_cast<ImportFn>(::dlsym(plugin, "Import"));
  ASSERT_NE(import, nullptr);

  TempDir dir;
  EnvVar config("VELAN_CONFIG_DIR", dir.Path().c_str());  // no configuration file
  RealDatabase db;
  const uint32_t code = import(example.c_str(), db.Handle());
  ::dlclose(plugin);
  ASSERT_TRUE(code == VELANAR_OK || code == VELANAR_HOST_WARNING) << std::hex << code;

  dbaStatus status = {0, 0};
  vldbcex::ToDBRefArray clusters;
  ASSERT_TRUE(vldbcex::ReadRefList(db.Handle(), prop::kDatabaseClusters, clusters, &status));
  int exported = 0;
  for (uint64_t i = 0; i < clusters.Count(); ++i) {
    uint32_t protocol = 0;
    ASSERT_TRUE(vldbcex::ReadU32(clusters[i], prop::kClusterProtocol, protocol, &status));
    if (protocol != 0) continue;
    const std::string path = dir.File("cluster" + std::to_string(i) + ".dbc");
    vldbcex::DbcWrite(clusters[i], path.c_str(), &status);
    ASSERT_EQ(status.code, 0u) << std::hex << status.detail;
    ++exported;
    const std::string listing = CanmatrixListing(path);
    if (listing == "SKIP\n") continue;
    EXPECT_EQ(listing.find("ERROR"), std::string::npos) << listing;
    EXPECT_EQ(listing.find("LOGGED"), std::string::npos) << listing;
    EXPECT_EQ(CountLines(listing, "frame "), ListSize(clusters[i], prop::kClusterFrames));
    EXPECT_EQ(CountLines(listing, "  "), ListSize(clusters[i], prop::kClusterSignals));
    // Every line of the file ends with CR LF.
    const std::string text = ReadFile(path);
    for (size_t p = text.find('\n'); p != std::string::npos; p = text.find('\n', p + 1)) {
      ASSERT_TRUE(p > 0 && text[p - 1] == '\r') << "bare LF at byte " << p;
    }
  }
  EXPECT_GT(exported, 0);
}

}  // namespace
}  // namespace vldbcex_test
