// The VAL_ section against the golden file: the database flag that leaves it
// out, and signals whose value descriptions cannot be read or are garbled.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "export/to_driver.h"
#include "fake_host.h"
#include "golden_scenarios.h"
#include "test_util.h"

namespace vldbcex_test {
namespace {

namespace prop = vldbcex::prop;

const char kValve[] = "VAL_ 2147484159 Valve 0 \"Closed\" 1 \"Open \\\"full\\\"\" ;\n";
const char kTemp[] = "VAL_ 2147484159 Temp -1 \"n/a\" ;\n";
const char kLeaf[] = "VAL_ 291 Leaf 255 \"SNA\" 3 \"Three\" ;\n";

std::string Without(std::string text, std::initializer_list<const char*> lines) {
  for (const char* line : lines) {
    const size_t at = text.find(line);
    EXPECT_NE(at, std::string::npos) << line;
    if (at != std::string::npos) text.erase(at, std::string(line).size());
  }
  return text;
}

TEST(ValueTables, FlagAndUnreadableOrGarbledValues) {
  // Signals of the scenario: [1][1] Valve, [1][2] Temp, [2][2] Leaf.
  struct Case {
    const char* what;
    std::function<void(FakeHost&, const TRefs&)> change;
    std::initializer_list<const char*> missing;
  };
  const Case cases[] = {
      {"flag clear",
       [](FakeHost& h, const TRefs& r) {
         h.SetFlag(r.database, prop::kDatabaseOmitValueTables, false);
       },
       {}},
      {"flag set: the previous output byte for byte",
       [](FakeHost& h, const TRefs& r) {
         h.SetFlag(r.database, prop::kDatabaseOmitValueTables, true);
       },
       {kValve, kTemp, kLeaf}},
      {"unreadable values",
       [](FakeHost& h, const TRefs& r) {
         h.FailRead(r.signals[1][2], prop::kSignalValueDescriptions);
       },
       {kTemp}},
      {"empty list",
       [](FakeHost& h, const TRefs& r) {
         h.SetBytes(r.signals[2][2], prop::kSignalValueDescriptions, "", 0);
       },
       {kLeaf}},
      {"garbled values",
       [](FakeHost& h, const TRefs& r) {
         std::string bytes = EncodeValues({{0, "Closed"}, {1, "Open"}});
         bytes.pop_back();  // the last text loses its NUL
         h.SetBytes(r.signals[1][1], prop::kSignalValueDescriptions, bytes.data(), bytes.size());
       },
       {kValve}},
  };
  for (const Case& c : cases) {
    FakeHost host;
    const TRefs refs = BuildFake(host, FdJ1939Cluster(false));
    c.change(host, refs);
    TempDir dir;
    dbaStatus status = {0, 0};
    vldbcex::DbcWrite(refs.cluster, dir.File("v.dbc").c_str(), &status);
    EXPECT_EQ(status.code, 0u) << c.what;
    EXPECT_EQ(ReadFile(dir.File("v.dbc")), CrLf(Without(FdJ1939Expected(false), c.missing)))
        << c.what;
  }
}

}  // namespace
}  // namespace vldbcex_test
