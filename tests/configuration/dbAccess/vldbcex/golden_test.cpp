// Whole DBC files written for clusters of the stand-in host, compared byte
// for byte with text derived by hand, and read back by an independent DBC
// reader.
#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>
#include <string>

#include "export/to_driver.h"
#include "export/to_status.h"
#include "fake_host.h"
#include "golden_scenarios.h"
#include "real_host.h"
#include "test_util.h"
#include "velan/velandb_read.h"

namespace vldbcex_test {
namespace {

std::string ExportFake(const TCluster& cluster, const std::string& path, dbaStatus* status) {
  FakeHost host;
  const TRefs refs = BuildFake(host, cluster);
  vldbcex::DbcWrite(refs.cluster, path.c_str(), status);
  return ReadFile(path);
}

// First line where two texts differ, for readable failures.
std::string FirstDifference(const std::string& actual, const std::string& expected) {
  size_t i = 0;
  while (i < actual.size() && i < expected.size() && actual[i] == expected[i]) ++i;
  const size_t start = expected.rfind('\n', i == 0 ? 0 : i - 1);
  const size_t from = start == std::string::npos ? 0 : start + 1;
  return "at byte " + std::to_string(i) + "\nexpected: " + expected.substr(from, 120) +
         "\nactual:   " + actual.substr(from, 120);
}

void ExpectSameText(const std::string& actual, const std::string& expected) {
  EXPECT_EQ(actual.size(), expected.size());
  if (actual != expected) ADD_FAILURE() << FirstDifference(actual, expected);
}

void ExpectReaderLoads(const std::string& path, const std::string& expectedListing) {
  const std::string listing = CanmatrixListing(path);
  if (listing == "SKIP\n" || listing == "SKIP") {
    std::fprintf(stderr, "python3-canmatrix is not installed; reader check skipped\n");
    return;
  }
  EXPECT_EQ(listing, expectedListing);
}

TEST(GoldenDbc, ClassicClusterMatchesByteForByte) {
  TempDir dir;
  dbaStatus status = {0, 0};
  const std::string text = ExportFake(ClassicCluster(), dir.File("classic.dbc"), &status);
  EXPECT_EQ(status.code, 0u);
  ExpectSameText(text, CrLf(ClassicExpected()));
  EXPECT_GT(text.size(), 1024u);  // more than one buffer reached the file
  ExpectReaderLoads(dir.File("classic.dbc"), ClassicListing());
}

TEST(GoldenDbc, CanFdJ1939ClusterMatchesByteForByte) {
  TempDir dir;
  dbaStatus status = {0, 0};
  const std::string text = ExportFake(FdJ1939Cluster(false), dir.File("fd.dbc"), &status);
  EXPECT_EQ(status.code, 0u);
  ExpectSameText(text, CrLf(FdJ1939Expected(false)));
  ExpectReaderLoads(dir.File("fd.dbc"), FdJ1939Listing(false));
}

TEST(GoldenDbc, EmptyClusterHasOnlyFixedSectionsAndDefinitions) {
  TempDir dir;
  dbaStatus status = {0, 0};
  const std::string text = ExportFake(EmptyFdCluster(), dir.File("empty.dbc"), &status);
  EXPECT_EQ(status.code, 0u);
  ExpectSameText(text, CrLf(EmptyFdExpected()));
  ExpectReaderLoads(dir.File("empty.dbc"), "");
}

TEST(GoldenDbc, DbNameDefaultIsTheClusterNameUnescaped) {
  TCluster cluster = ClassicCluster();
  cluster.name = "Body \"A\" \\";
  std::string expected = ClassicExpected();
  const std::string plain = "BA_DEF_DEF_ \"DBName\" \"Body\";";
  expected.replace(expected.find(plain), plain.size(), "BA_DEF_DEF_ \"DBName\" \"Body \"A\" \\\";");
  TempDir dir;
  dbaStatus status = {0, 0};
  const std::string text = ExportFake(cluster, dir.File("name.dbc"), &status);
  EXPECT_EQ(status.code, 0u);
  ExpectSameText(text, CrLf(expected));
  ExpectReaderLoads(dir.File("name.dbc"), ClassicListing());
}

// The same clusters in the reference host database, exported once by the
// linked exporter and once through the host's save function, which loads
// the exporter library from its own folder.
struct RealCase {
  const char* name;
  TCluster cluster;
  std::string expected;
  std::string listing;
};

class GoldenDbcRealHost : public ::testing::TestWithParam<int> {
 protected:
  static RealCase Case(int i) {
    switch (i) {
      case 0:
        return {"classic", ClassicCluster(), ClassicExpected(), ClassicListing()};
      case 1:
        return {"fd", FdJ1939Cluster(true), FdJ1939Expected(true), FdJ1939Listing(true)};
      default:
        return {"empty", EmptyFdCluster(), EmptyFdExpected(), ""};
    }
  }
};

TEST_P(GoldenDbcRealHost, LinkedExporterWritesTheExpectedFile) {
  const RealCase c = Case(GetParam());
  RealDatabase db;
  const uint32_t cluster = db.Build(c.cluster);
  ASSERT_NE(cluster, 0u);
  TempDir dir;
  const std::string path = dir.File(std::string(c.name) + ".dbc");
  dbaStatus status = {0, 0};
  vldbcex::DbcWrite(cluster, path.c_str(), &status);
  EXPECT_EQ(status.code, 0u) << std::hex << status.detail << " " << RealDatabase::LastError();
  ExpectSameText(ReadFile(path), CrLf(c.expected));
  ExpectReaderLoads(path, c.listing);
}

TEST_P(GoldenDbcRealHost, HostSaveLoadsTheExporterLibrary) {
  const RealCase c = Case(GetParam());
  RealDatabase db;
  const uint32_t cluster = db.Build(c.cluster);
  ASSERT_NE(cluster, 0u);
  TempDir dir;
  const std::string path = dir.File(std::string(c.name) + ".DBC");
  dbaStatus status = {0, 0};
  dbaSaveDatabase(cluster, path.c_str(), &status);
  EXPECT_EQ(status.code, 0u) << std::hex << status.detail << " " << RealDatabase::LastError();
  ExpectSameText(ReadFile(path), CrLf(c.expected));
}

INSTANTIATE_TEST_SUITE_P(Clusters, GoldenDbcRealHost, ::testing::Values(0, 1, 2));

}  // namespace
}  // namespace vldbcex_test
