// The public AUTOSAR 3 sample files: they import without a crash, and with a
// SYSTEM that lists their cluster every CAN frame and signal they describe
// arrives in the database. canmatrix_test.arxml, written to a DBC through the
// host's save function, agrees with the DBC that comes with it in frame ids
// and lengths and in every signal's layout and scaling.
#include <dlfcn.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "import_harness.h"
#include "velan/host_vocabulary.h"
#include "velan/velanar.h"
#include "velan/velandb_host.h"
#include "velan/velandb_read.h"

namespace {

std::string SamplePath(const std::string& name) {
  return std::string(VELAN_SAMPLES_DIR) + "/arxml/" + name;
}

bool ReadSample(const std::string& name, std::string* text) {
  std::ifstream in(SamplePath(name), std::ios::binary);
  if (!in) return false;
  std::stringstream buffer;
  buffer << in.rdbuf();
  *text = buffer.str();
  return true;
}

#define REQUIRE_SAMPLE(name, text) \
  if (!ReadSample(name, &text)) GTEST_SKIP() << "sample " << name << " not available"

// The samples carry no SYSTEM element; this file, in the sample's own
// namespace, adds one that lists the given cluster.
std::string SystemFile(const std::string& sample, const std::string& clusterPath) {
  std::string ns = "http://autosar.org/3.2.3";
  const size_t at = sample.find("xmlns=\"");
  if (at != std::string::npos) {
    const size_t end = sample.find('"', at + 7);
    if (end != std::string::npos) ns = sample.substr(at + 7, end - at - 7);
  }
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<AUTOSAR xmlns=\"" + ns +
         "\"><TOP-LEVEL-PACKAGES><AR-PACKAGE><SHORT-NAME>VelanTestSystem</SHORT-NAME>"
         "<ELEMENTS><SYSTEM><SHORT-NAME>Sys</SHORT-NAME><FIBEX-ELEMENT-REFS>"
         "<FIBEX-ELEMENT-REF DEST=\"CAN-CLUSTER\">" +
         clusterPath +
         "</FIBEX-ELEMENT-REF></FIBEX-ELEMENT-REFS></SYSTEM></ELEMENTS></AR-PACKAGE>"
         "</TOP-LEVEL-PACKAGES></AUTOSAR>\n";
}

// SHORT-NAMEs of every element named `element` (for example "FRAME").
std::set<std::string> ShortNamesOf(const std::string& text, const std::string& element) {
  std::set<std::string> names;
  const std::string tag = "<" + element;
  for (size_t at = text.find(tag); at != std::string::npos; at = text.find(tag, at + 1)) {
    const char next = text[at + tag.size()];
    if (next != '>' && next != ' ') continue;
    const size_t open = text.find("<SHORT-NAME>", at);
    const size_t close = text.find("</SHORT-NAME>", open);
    if (open == std::string::npos || close == std::string::npos) break;
    names.insert(text.substr(open + 12, close - open - 12));
  }
  return names;
}

size_t Count(const std::string& text, const std::string& what) {
  size_t count = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++count;
  return count;
}

TEST(Ar3Samples, ImportWithoutSystemEndsCleanly) {
  for (const char* name :
       {"canmatrix_test.arxml", "cantools_system-3.2.3.arxml",
        "canmatrix_ARXMLSecuredPDUTest.arxml", "cantools_system-DAI-3.1.2.arxml"}) {
    std::string text;
    REQUIRE_SAMPLE(name, text);
    ImportResult r = ImportArxmlFiles({{name, text}});
    ASSERT_TRUE(r.loaded) << r.error;
    // None of them has a SYSTEM: an error, and nothing in the database.
    EXPECT_EQ(r.code, VELANAR_FAILED) << name << "\n" << r.log;
    EXPECT_EQ(r.objectCount, 0u) << name;
  }
}

TEST(Ar3Samples, EveryFrameAndSignalOfCanmatrixTest) {
  std::string text;
  REQUIRE_SAMPLE("canmatrix_test.arxml", text);
  ImportResult r = ImportArxmlFiles(
      {{"canmatrix_test.arxml", text}, {"system.arxml", SystemFile(text, "/Cluster/CAN")}});
  ASSERT_TRUE(r.loaded) << r.error;
  EXPECT_FALSE(r.code & 0x80000000u) << std::hex << r.code << "\n" << r.log;

  const std::set<std::string> frames = ShortNamesOf(text, "FRAME");
  EXPECT_EQ(frames.size(), 28u);
  for (const std::string& frame : frames) {
    EXPECT_TRUE(r.TreeHas("TRIGGERING \"" + frame + "\"")) << frame;
  }
  EXPECT_EQ(Count(r.tree, "TRIGGERING \""), 28u);
  // One SIGNAL per mapping; the file keeps every signal's LENGTH on the
  // SYSTEM-SIGNAL only.
  for (const std::string& signal : ShortNamesOf(text, "SYSTEM-SIGNAL")) {
    EXPECT_TRUE(r.TreeHas("SIGNAL \"" + signal + "\"")) << signal;
  }
  EXPECT_EQ(Count(r.tree, "SIGNAL \""), Count(text, "<I-SIGNAL-TO-I-PDU-MAPPING>"));
  EXPECT_EQ(Count(r.tree, "SIGNAL \""), 158u);
  EXPECT_FALSE(r.LogHas("missing <AR:LENGTH> element")) << r.log;
}

TEST(Ar3Samples, CantoolsSystemFramesArrive) {
  std::string text;
  REQUIRE_SAMPLE("cantools_system-3.2.3.arxml", text);
  ImportResult r =
      ImportArxmlFiles({{"cantools.arxml", text},
                        {"system.arxml", SystemFile(text, "/Network/CanCluster/Network")}});
  ASSERT_TRUE(r.loaded) << r.error;
  if (!r.TreeHas("CLUSTER \"")) GTEST_SKIP() << "cluster path differs:\n" << r.log;
  const std::set<std::string> frames = ShortNamesOf(text, "FRAME");
  EXPECT_EQ(frames.size(), 2u);
  for (const std::string& frame : frames) {
    EXPECT_TRUE(r.TreeHas("TRIGGERING \"" + frame + "\"")) << frame << "\n" << r.tree;
  }
  // The channel lists no I-PDU-TRIGGERINGS, so its PDUs have no objects to
  // carry signals.
  EXPECT_TRUE(r.LogHas("missing <AR:I-PDU-TRIGGERINGS> element")) << r.log;
  EXPECT_TRUE(r.TreeHas("IDIP_CLUSTER_SPEED_U64 = ")) << r.tree;
}

TEST(Ar3Samples, SecuredPduTestUsesAnAutosar4ChannelName) {
  std::string text;
  REQUIRE_SAMPLE("canmatrix_ARXMLSecuredPDUTest.arxml", text);
  const size_t cluster = text.find("<CAN-CLUSTER");
  ASSERT_NE(cluster, std::string::npos);
  const size_t open = text.find("<SHORT-NAME>", cluster);
  const std::string clusterName =
      text.substr(open + 12, text.find("</SHORT-NAME>", open) - open - 12);
  ImportResult r = ImportArxmlFiles(
      {{"secured.arxml", text}, {"system.arxml", SystemFile(text, "/Cluster/" + clusterName)}});
  ASSERT_TRUE(r.loaded) << r.error;
  if (!r.TreeHas("CLUSTER \"")) GTEST_SKIP() << "cluster path differs:\n" << r.log;
  // CAN-PHYSICAL-CHANNEL is not an AUTOSAR 3 element: no channel, which ends
  // the conversion.
  EXPECT_EQ(r.code, VELANAR_FAILED);
  EXPECT_TRUE(r.LogHas("invalid number of <X-PHYSICAL-CHANNEL> elements")) << r.log;
}

TEST(Ar3Example, BundledExampleConvertsCleanly) {
  std::ifstream in(std::string(VELAN_SOURCE_DIR) + "/examples/ar3/system.arxml", std::ios::binary);
  if (!in) GTEST_SKIP() << "no bundled example";
  std::stringstream text;
  text << in.rdbuf();
  ImportResult r = ImportArxml(text.str());
  ASSERT_TRUE(r.loaded) << r.error;
  EXPECT_EQ(r.code, VELANAR_OK);
  EXPECT_EQ(r.LogCount("1,0,'<"), 0u) << r.log;
  EXPECT_TRUE(r.TreeHas("CLUSTER \"BodyCAN\"")) << r.tree;
  const std::string lin = r.Subtree("CLUSTER \"BodyLIN\"");
  EXPECT_NE(lin.find("ECU \"SeatModule\""), std::string::npos) << lin;
  EXPECT_NE(lin.find("SCHED_TABLE \"NormalTable\""), std::string::npos) << lin;
  EXPECT_NE(lin.find("SCHED_TABLE \"CollisionResolver\""), std::string::npos) << lin;
  EXPECT_NE(lin.find("IDIP_SCHED_ENTRY_EVENT_ID_U32 = 58"), std::string::npos) << lin;
  EXPECT_NE(lin.find("SIGNAL \"SeatPosition\""), std::string::npos) << lin;
}

// ---------------------------------------------------------------- DBC comparison

struct DbcSignal {
  std::string name;
  int start = 0;
  int length = 0;
  char order = 0;
  double factor = 0;
  double offset = 0;
  bool operator<(const DbcSignal& o) const {
    return std::tie(start, length, order, factor, offset, name) <
           std::tie(o.start, o.length, o.order, o.factor, o.offset, o.name);
  }
};

struct DbcFrame {
  unsigned long id = 0;
  int length = 0;
  std::vector<DbcSignal> signals;
};

std::map<std::string, DbcFrame> ParseDbc(const std::string& text) {
  std::map<std::string, DbcFrame> frames;
  DbcFrame* current = nullptr;
  std::istringstream lines(text);
  std::string line;
  while (std::getline(lines, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.rfind("BO_ ", 0) == 0) {
      char name[256] = {0};
      unsigned long id = 0;
      int length = 0;
      if (std::sscanf(line.c_str(), "BO_ %lu %255[^:]: %d", &id, name, &length) == 3) {
        current = &frames[name];
        current->id = id;
        current->length = length;
      }
      continue;
    }
    const size_t sg = line.find("SG_ ");
    if (current == nullptr || sg == std::string::npos || line.find_first_not_of(' ') != sg) {
      continue;
    }
    DbcSignal signal;
    const size_t colon = line.find(" : ");
    if (colon == std::string::npos || colon < sg + 4) continue;
    signal.name = line.substr(sg + 4, colon - sg - 4);
    char sign = 0;
    if (std::sscanf(line.c_str() + colon + 3, "%d|%d@%c%c (%lf,%lf)", &signal.start, &signal.length,
                    &signal.order, &sign, &signal.factor, &signal.offset) == 6) {
      current->signals.push_back(signal);
    }
  }
  return frames;
}

typedef uint32_t (*ImportFunction)(const char*, uint32_t);

class Ar3SampleDbc : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/velan_ar3dbc-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
    mkdir((dir_ + "/cfg").c_str(), 0700);
    mkdir((dir_ + "/in").c_str(), 0700);
  }
  void TearDown() override {
    for (const std::string& file : files_) unlink(file.c_str());
    rmdir((dir_ + "/cfg").c_str());
    rmdir((dir_ + "/in").c_str());
    rmdir(dir_.c_str());
  }
  std::string Write(const std::string& name, const std::string& text) {
    files_.push_back(dir_ + "/" + name);
    std::ofstream(files_.back(), std::ios::binary) << text;
    return files_.back();
  }

  std::string dir_;
  std::vector<std::string> files_;
};

TEST_F(Ar3SampleDbc, CanmatrixTestAgreesWithItsDbc) {
  std::string text;
  std::string reference;
  REQUIRE_SAMPLE("canmatrix_test.arxml", text);
  REQUIRE_SAMPLE("canmatrix_test_CAN.dbc", reference);
  const std::string libDir = VELAN_TEST_LIB_DIR;
  if (access((libDir + "/libvldbcex.so").c_str(), R_OK) != 0) GTEST_SKIP() << "no exporter built";

  const std::string input = Write("in/canmatrix_test.arxml", text);
  Write("in/system.arxml", SystemFile(text, "/Cluster/CAN"));
  const std::string output = dir_ + "/CAN.dbc";
  files_.push_back(output);

  // A host application: its own database, the plug-in loaded by name, the
  // import, then the database's save function writing a DBC file.
  setenv("VELAN_CONFIG_DIR", (dir_ + "/cfg").c_str(), 1);
  uint32_t handle = 0;
  ASSERT_EQ(vdbCreateDatabase("ar3", &handle), VDB_OK);
  void* plugin = dlopen((libDir + "/libvelanar.so").c_str(), RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(plugin, nullptr) << dlerror();
  auto import = reinterpret_cast<ImportFunction>(dlsym(plugin, "Import"));
  ASSERT_NE(import, nullptr);
  const uint32_t code = import(input.c_str(), handle);
  dlclose(plugin);
  unsetenv("VELAN_CONFIG_DIR");
  EXPECT_FALSE(code & 0x80000000u) << std::hex << code;

  uint64_t cluster = 0;
  ASSERT_EQ(vdbFindChild(handle, VELAN_OT_CLUSTER, "CAN", &cluster), VDB_OK);
  dbaStatus status{0, 0};
  dbaSaveDatabase(static_cast<uint32_t>(cluster), output.c_str(), &status);
  EXPECT_EQ(status.code, 0u) << std::hex << status.code << " detail " << status.detail;
  vdbDestroyDatabase(handle);

  std::ifstream in(output, std::ios::binary);
  std::stringstream written;
  written << in.rdbuf();
  const std::map<std::string, DbcFrame> ours = ParseDbc(written.str());
  const std::map<std::string, DbcFrame> theirs = ParseDbc(reference);
  ASSERT_EQ(theirs.size(), 28u);
  ASSERT_EQ(ours.size(), 28u) << written.str().substr(0, 2000);

  for (const auto& entry : theirs) {
    auto found = ours.find(entry.first);
    ASSERT_NE(found, ours.end()) << entry.first;
    const DbcFrame& a = found->second;
    const DbcFrame& b = entry.second;
    EXPECT_EQ(a.id, b.id) << entry.first;
    EXPECT_EQ(a.length, b.length) << entry.first;
    ASSERT_EQ(a.signals.size(), b.signals.size()) << entry.first;
    // Compared by layout: the reference renamed the same-named signals of
    // two frames (FreqHi0, FreqHi1, ...); signedness is not compared.
    std::vector<DbcSignal> sa = a.signals;
    std::vector<DbcSignal> sb = b.signals;
    std::sort(sa.begin(), sa.end());
    std::sort(sb.begin(), sb.end());
    for (size_t i = 0; i < sa.size(); ++i) {
      if (sb[i].name == "Enable_command" && sa[i].name == "Enable_command") {
        // The file defines /Signal/Enable_command twice, with LENGTH 32760
        // and then 2; a reference names the first of two same-typed
        // elements with one path, the reference DBC took the last.
        EXPECT_EQ(sa[i].length, 32760) << entry.first;
        continue;
      }
      EXPECT_EQ(sa[i].start, sb[i].start) << entry.first << " " << sb[i].name;
      EXPECT_EQ(sa[i].length, sb[i].length) << entry.first << " " << sb[i].name;
      EXPECT_EQ(sa[i].order, sb[i].order) << entry.first << " " << sb[i].name;
      EXPECT_DOUBLE_EQ(sa[i].factor, sb[i].factor) << entry.first << " " << sb[i].name;
      EXPECT_DOUBLE_EQ(sa[i].offset, sb[i].offset) << entry.first << " " << sb[i].name;
      // Names agree up to the number the reference appends to repeated ones
      // and the blank of "RealPower command", which the reference replaced.
      std::string name = sa[i].name;
      std::replace(name.begin(), name.end(), ' ', '_');
      std::string base = sb[i].name;
      if (base != name) {
        while (!base.empty() && base.back() >= '0' && base.back() <= '9') base.pop_back();
      }
      EXPECT_EQ(name, base) << entry.first;
    }
  }
}

}  // namespace
