// Allocation failure sweep: the import of each bundled example (and the DBC
// export of each of its clusters) is run once per allocation it makes, with
// that allocation failing (once, or from there on for good). Each run must
// end either with the out-of-memory code and no host call after the failure,
// or as if nothing had failed; never with a crash. Leaks show up in the
// sanitizer build, which sweeps a stride of the allocations to stay fast.
#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "robustness_support.h"
#include "velan/velandb_host.h"

namespace {

using robust::AllocFault;
using robust::HostFault;
using robust::RunImport;
using robust::RunResult;

constexpr uint32_t kImportOutOfMemory = 0xBFF63010u;
constexpr uint32_t kHostOutOfMemory = static_cast<uint32_t>(VDB_E_OUT_OF_MEMORY);
constexpr uint32_t kExportOutOfMemory = 0xBFF67001u;
constexpr uint32_t kExportNoBuffer = 0xB00143B9u;
constexpr uint32_t kExportNoFrameList = 0xB00680BAu;
constexpr uint32_t kHostReadFailure = VDBA_E_INTERNAL;

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kSanitized = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif
#else
constexpr bool kSanitized = false;
#endif

// Every allocation in the normal build; about `runs` spread evenly over them
// under the sanitizers.
uint64_t Stride(uint64_t allocations, uint64_t runs) {
  return kSanitized ? allocations / runs + 1 : 1;
}

std::string Hex(uint32_t v) {
  std::ostringstream s;
  s << "0x" << std::hex << std::uppercase << v;
  return s.str();
}

// Collects the mismatches of a sweep; prints the first few.
class Mismatches {
 public:
  void Add(uint64_t n, const std::string& what) {
    if (++count_ <= 5) text_ << "  allocation " << n << ": " << what << "\n";
  }
  bool Empty() const { return count_ == 0; }
  std::string Text() const { return std::to_string(count_) + " mismatches\n" + text_.str(); }

 private:
  size_t count_ = 0;
  std::ostringstream text_;
};

// Outcomes of a sweep, for the summary line.
struct Outcomes {
  uint64_t runs = 0, outOfMemory = 0, hostOutOfMemory = 0, unchanged = 0, leftOut = 0;
  std::string Text() const {
    return std::to_string(runs) + " runs: " + std::to_string(outOfMemory) + " out of memory, " +
           std::to_string(hostOutOfMemory) + " host out of memory, " + std::to_string(unchanged) +
           " unchanged" +
           (leftOut ? ", " + std::to_string(leftOut) + " optional value left out" : "");
  }
};

// The rule for one import with allocation n failing.
void CheckImport(uint64_t n, const RunResult& r, const RunResult& baseline, Mismatches& bad,
                 Outcomes& outcomes) {
  ++outcomes.runs;
  // The host's tables may grow on a later run than the counting one, so the
  // last n can lie beyond a run's allocations: that run must then be whole.
  if (r.allocFailed && (r.code == kImportOutOfMemory || r.code == kHostOutOfMemory)) {
    ++(r.code == kImportOutOfMemory ? outcomes.outOfMemory : outcomes.hostOutOfMemory);
    if (r.calls != r.callsAtAllocFailure)
      bad.Add(n, "host calls after the failure: " + std::to_string(r.callsAtAllocFailure) +
                     " then " + std::to_string(r.calls));
  } else if (r.code == baseline.code) {
    // The failure was absorbed: the import must be whole.
    ++outcomes.unchanged;
    if (r.calls != baseline.calls || r.tree != baseline.tree)
      bad.Add(n, "returned " + Hex(r.code) + " with " + std::to_string(r.calls) + " of " +
                     std::to_string(baseline.calls) + " host calls" +
                     (r.tree != baseline.tree ? " and another object tree" : ""));
  } else {
    bad.Add(n, "returned " + Hex(r.code));
  }
}

class ImportSweep {
 public:
  explicit ImportSweep(const std::string& path) : path_(path) {
    // The host's tables grow on the first imports of the process: counted
    // after a warm-up, the allocations are the same from run to run.
    RunImport(path_, config_.Path());
    baseline_ = RunImport(path_, config_.Path(), HostFault(), true, nullptr, Counting());
  }
  const RunResult& Baseline() const { return baseline_; }

  // Fails each n of `ns` in turn; the tree is compared when the code says
  // the import went through.
  std::string Run(const std::vector<uint64_t>& ns, bool persistent, Outcomes* outcomes) {
    Mismatches bad;
    for (uint64_t n : ns) {
      const RunResult r = RunImport(path_, config_.Path(), HostFault(), false, nullptr,
                                    AllocFault{n, persistent, false});
      RunResult withTree = r;
      if (r.code == baseline_.code)
        withTree = RunImport(path_, config_.Path(), HostFault(), true, nullptr,
                             AllocFault{n, persistent, false});
      CheckImport(n, withTree, baseline_, bad, *outcomes);
    }
    return bad.Empty() ? std::string() : bad.Text();
  }

  static AllocFault Counting() { return AllocFault{0, false, true}; }

 private:
  std::string path_;
  robust::TempDir config_;  // empty: default configuration, no log
  RunResult baseline_;
};

std::vector<uint64_t> Every(uint64_t last, uint64_t stride) {
  std::vector<uint64_t> ns;
  for (uint64_t n = 1; n <= last; n += stride) ns.push_back(n);
  if (ns.back() != last) ns.push_back(last);
  return ns;
}

class AllocSweep : public ::testing::TestWithParam<const char*> {};

TEST_P(AllocSweep, ImportEndsOutOfMemoryOrWholeForEveryFailingAllocation) {
  ImportSweep sweep(robust::ExamplePath(GetParam()));
  const RunResult& base = sweep.Baseline();
  ASSERT_EQ(base.code, 0u) << Hex(base.code);
  // The plug-in's own allocations reach the test allocator.
  ASSERT_GT(base.allocations, 100u);
  RecordProperty("allocations", static_cast<int>(base.allocations));
  for (bool persistent : {false, true}) {
    SCOPED_TRACE(persistent ? "failing for good" : "failing once");
    Outcomes outcomes;
    const std::string bad =
        sweep.Run(Every(base.allocations, Stride(base.allocations, 150)), persistent, &outcomes);
    EXPECT_EQ(bad, "") << GetParam() << " (" << base.allocations << " allocations)";
    std::printf("[  sweep   ] %s import, %s: %llu allocations; %s\n", GetParam(),
                persistent ? "for good" : "once", static_cast<unsigned long long>(base.allocations),
                outcomes.Text().c_str());
  }
}

// The clusters of a tree print, by name.
std::vector<std::string> ClusterNames(const std::string& tree) {
  std::vector<std::string> names;
  std::istringstream lines(tree);
  for (std::string line; std::getline(lines, line);) {
    const size_t at = line.find("CLUSTER \"");
    if (at == std::string::npos || line.find_first_not_of(' ') != at) continue;
    const size_t begin = at + 9;
    names.push_back(line.substr(begin, line.find('"', begin) - begin));
  }
  return names;
}

TEST_P(AllocSweep, ExportEndsWithAnErrorOrTheSameFileForEveryFailingAllocation) {
  robust::TempDir config, out;
  const RunResult imported = RunImport(robust::ExamplePath(GetParam()), config.Path(), {}, true);
  const std::vector<std::string> clusters = ClusterNames(imported.tree);
  ASSERT_FALSE(clusters.empty()) << imported.tree;
  RunImport(robust::ExamplePath(GetParam()), config.Path(), {}, false, [&](uint32_t handle) {
    for (const std::string& cluster : clusters) {
      SCOPED_TRACE(cluster);
      const std::string basePath = out.File("base.dbc"), path = out.File("swept.dbc");
      uint64_t allocations = 0;
      robust::ExportCluster(handle, cluster, basePath);  // warm-up
      const dbaStatus base =
          robust::ExportCluster(handle, cluster, basePath, ImportSweep::Counting(), &allocations);
      ASSERT_EQ(base.code, 0u) << Hex(base.code);
      ASSERT_GT(allocations, 10u);
      const std::string expected = robust::ReadText(basePath);
      Mismatches bad;
      Outcomes outcomes;
      for (bool persistent : {false, true}) {
        for (uint64_t n : Every(allocations, Stride(allocations, 100))) {
          std::remove(path.c_str());
          uint64_t made = 0;
          const dbaStatus s =
              robust::ExportCluster(handle, cluster, path, AllocFault{n, persistent, false}, &made);
          ++outcomes.runs;
          if (DBA_STATUS_IS_ERROR(&s)) {
            ++(s.code == kExportOutOfMemory ? outcomes.outOfMemory : outcomes.hostOutOfMemory);
            // Out of memory, the text buffer or the frame list that cannot
            // be had, or the host's failure.
            if (s.code != kExportOutOfMemory && s.code != kExportNoBuffer &&
                s.code != kExportNoFrameList && s.code != kHostReadFailure)
              bad.Add(n, "status code " + Hex(s.code));
          } else if (robust::ReadText(path) == expected) {
            ++outcomes.unchanged;
          } else {
            // An optional value whose host read failed (the host's own
            // memory) is left out by rule; the exporter's own wants of
            // memory end the export (checked above).
            ++outcomes.leftOut;
          }
        }
      }
      EXPECT_TRUE(bad.Empty()) << bad.Text();
      std::printf("[  sweep   ] %s export of %s: %llu allocations; %s\n", GetParam(),
                  cluster.c_str(), static_cast<unsigned long long>(allocations),
                  outcomes.Text().c_str());
    }
  });
}

INSTANTIATE_TEST_SUITE_P(Examples, AllocSweep, ::testing::Values("can", "lin", "ar3"));

TEST(AllocSweepLarge, GeneratedMegabyteSystemEndsOutOfMemoryOrWhole) {
  robust::TempDir work;
  const std::string path = work.File("system.arxml");
  const std::string generate = "python3 " + std::string(VELAN_SOURCE_DIR) +
                               "/bench/gen_arxml.py --size-mb 1 --seed 7 --out " + path +
                               " >/dev/null";
  if (robust::RunCommand(generate) != 0) GTEST_SKIP() << "python3 cannot run the generator";
  ImportSweep sweep(path);
  const RunResult& base = sweep.Baseline();
  ASSERT_EQ(base.code, 0u) << Hex(base.code);
  // A sample: the first allocations (set-up), then spread over the import.
  std::vector<uint64_t> ns = Every(40, 1);
  const uint64_t spread = kSanitized ? 40 : 200;
  for (uint64_t i = 1; i <= spread; ++i) ns.push_back(40 + i * (base.allocations - 40) / spread);
  for (bool persistent : {false, true}) {
    SCOPED_TRACE(persistent ? "failing for good" : "failing once");
    Outcomes outcomes;
    EXPECT_EQ(sweep.Run(ns, persistent, &outcomes), "");
    std::printf("[  sweep   ] 1 MB system, %s: %llu allocations; %s\n",
                persistent ? "for good" : "once", static_cast<unsigned long long>(base.allocations),
                outcomes.Text().c_str());
  }
}

}  // namespace
