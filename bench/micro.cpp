// Micro-benchmarks of the conversion's hot paths, as the profiles of
// `velan convert` show them: document building, interning, the short-name
// resolver (build and lookup), value conversion, object creation and property
// setting in the reference host, and the exporter's buffered text sink.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "convert/values.h"
#include "dbc/to_logfile.h"
#include "dbc/to_xfile.h"
#include "resolve/short_name_resolver.h"
#include "velan/host_vocabulary.h"
#include "velan/velandb_host.h"
#include "velan/velandb_import.h"
#include "xml/document.h"
#include "xml/navigation.h"
#include "xml/parser.h"
#include "xml/string_pool.h"

namespace {

// An AUTOSAR 4 text shaped like a tool export: `frames` PDUs with six signal
// mappings each, their signals with references, and the packages around.
std::string SystemText(int frames) {
  std::string pdus, signals;
  char buf[512];
  for (int f = 0; f < frames; ++f) {
    pdus += "<I-SIGNAL-I-PDU><SHORT-NAME>";
    std::snprintf(buf, sizeof buf, "F%05d_Pdu</SHORT-NAME><LENGTH>8</LENGTH><I-SIGNAL-TO-PDU-MAPPINGS>", f);
    pdus += buf;
    for (int s = 0; s < 6; ++s) {
      std::snprintf(buf, sizeof buf,
                    "<I-SIGNAL-TO-I-PDU-MAPPING><SHORT-NAME>F%05d_S%d_map</SHORT-NAME>"
                    "<I-SIGNAL-REF DEST=\"I-SIGNAL\">/Signals/F%05d_S%d</I-SIGNAL-REF>"
                    "<PACKING-BYTE-ORDER>MOST-SIGNIFICANT-BYTE-LAST</PACKING-BYTE-ORDER>"
                    "<START-POSITION>%d</START-POSITION></I-SIGNAL-TO-I-PDU-MAPPING>\n",
                    f, s, f, s, s * 8);
      pdus += buf;
      std::snprintf(buf, sizeof buf,
                    "<I-SIGNAL><SHORT-NAME>F%05d_S%d</SHORT-NAME><LENGTH>8</LENGTH>"
                    "<SYSTEM-SIGNAL-REF DEST=\"SYSTEM-SIGNAL\">/SystemSignals/F%05d_S%d"
                    "</SYSTEM-SIGNAL-REF></I-SIGNAL>\n",
                    f, s, f, s);
      signals += buf;
    }
    pdus += "</I-SIGNAL-TO-PDU-MAPPINGS></I-SIGNAL-I-PDU>\n";
  }
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
         "<AUTOSAR xmlns=\"http://autosar.org/schema/r4.0\"><AR-PACKAGES>\n"
         "<AR-PACKAGE><SHORT-NAME>Pdus</SHORT-NAME><ELEMENTS>\n" +
         pdus +
         "</ELEMENTS></AR-PACKAGE>\n<AR-PACKAGE><SHORT-NAME>Signals</SHORT-NAME><ELEMENTS>\n" +
         signals + "</ELEMENTS></AR-PACKAGE>\n</AR-PACKAGES></AUTOSAR>\n";
}

const std::string& SharedText() {
  static const std::string text = SystemText(2000);
  return text;
}

void BM_DocumentBuild(benchmark::State& state) {
  const std::string& text = SharedText();
  for (auto _ : state) {
    exBlockPool elements(exBlockPool::kElementBlockSize);
    exBlockPool maps(exBlockPool::kAttributeMapBlockSize);
    exBlockPool lists(exBlockPool::kChildListBlockSize);
    exDocument document;
    document.SetPools(&elements, &maps, &lists);
    if (ParseText(document, 0, text.data(), text.size()) != kParseOk) {
      state.SkipWithError("parse failed");
      break;
    }
    benchmark::DoNotOptimize(document.ChildCount());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_DocumentBuild)->Unit(benchmark::kMillisecond);

std::vector<std::string> Names(size_t count) {
  std::vector<std::string> names;
  names.reserve(count);
  char buf[64];
  for (size_t i = 0; i < count; ++i) {
    std::snprintf(buf, sizeof buf, "CAN_%02zu_F%04zu_S%02zu", i % 7, i / 24, i % 24);
    names.emplace_back(buf);
  }
  return names;
}

// New texts: every call copies and indexes one.
void BM_InternNew(benchmark::State& state) {
  const std::vector<std::string> names = Names(100000);
  for (auto _ : state) {
    exStringPoolSTL pool;
    for (const std::string& n : names) benchmark::DoNotOptimize(pool.Intern(n.data(), n.size()));
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * names.size()));
}
BENCHMARK(BM_InternNew)->Unit(benchmark::kMillisecond);

// Texts already pooled (element names, repeated values): lookups only.
void BM_InternExisting(benchmark::State& state) {
  const std::vector<std::string> names = Names(100000);
  exStringPoolSTL pool;
  for (const std::string& n : names) pool.Intern(n.data(), n.size());
  for (auto _ : state) {
    for (const std::string& n : names) benchmark::DoNotOptimize(pool.Intern(n.data(), n.size()));
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * names.size()));
}
BENCHMARK(BM_InternExisting)->Unit(benchmark::kMillisecond);

// A parsed document kept for the resolver benchmarks.
struct ParsedSystem {
  exBlockPool elements{exBlockPool::kElementBlockSize};
  exBlockPool maps{exBlockPool::kAttributeMapBlockSize};
  exBlockPool lists{exBlockPool::kChildListBlockSize};
  exDocument document;
  std::vector<const exElement*> references;

  ParsedSystem() {
    document.SetPools(&elements, &maps, &lists);
    const std::string& text = SharedText();
    ParseText(document, 0, text.data(), text.size());
    // Every I-SIGNAL-REF of the mappings, found with an explicit stack.
    std::vector<const exElement*> todo{&document};
    while (!todo.empty()) {
      const exElement* e = todo.back();
      todo.pop_back();
      if (e->Attribute("DEST") != nullptr && std::string(e->Name()) == "AR:I-SIGNAL-REF")
        references.push_back(e);
      for (size_t i = 0; i < e->ChildCount(); ++i) todo.push_back(e->Child(i));
    }
  }
};

ParsedSystem& Parsed() {
  static ParsedSystem parsed;
  return parsed;
}

void BM_ResolverBuild(benchmark::State& state) {
  ParsedSystem& parsed = Parsed();
  for (auto _ : state) {
    cSNRMap root;
    BuildResolverTree(&parsed.document, &root);
    benchmark::DoNotOptimize(root.Size());
  }
}
BENCHMARK(BM_ResolverBuild)->Unit(benchmark::kMillisecond);

void BM_ResolverLookup(benchmark::State& state) {
  ParsedSystem& parsed = Parsed();
  cSNRMap root;
  BuildResolverTree(&parsed.document, &root);
  size_t found = 0;
  for (auto _ : state) {
    for (const exElement* ref : parsed.references)
      found += FindReferenceTargetIn(root, ref) != nullptr;
  }
  if (found != state.iterations() * parsed.references.size())
    state.SkipWithError("a reference did not resolve");
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * parsed.references.size()));
}
BENCHMARK(BM_ResolverLookup)->Unit(benchmark::kMillisecond);

void BM_ValueConversion(benchmark::State& state) {
  // The notations of ARXML numbers: decimal, hexadecimal, fractions and
  // exponents (no context: '.' is the decimal separator).
  const char* integers[] = {"0", "8", "255", "0x1F", "0X7FF", "536870911", "0b1010", "017"};
  const char* reals[] = {"0.5", "-40", "0.1", "1e-3", "6513.5", "0.25", "2", "1.0E2"};
  cValueConverterU32 u32(nullptr);
  cValueConverterF64 f64(nullptr);
  for (auto _ : state) {
    for (const char* t : integers) {
      uint32_t v = 0;
      benchmark::DoNotOptimize(u32.Convert(t, v));
      benchmark::DoNotOptimize(v);
    }
    for (const char* t : reals) {
      double v = 0;
      benchmark::DoNotOptimize(f64.Convert(t, v));
      benchmark::DoNotOptimize(v);
    }
  }
  state.SetItemsProcessed(state.iterations() * 16);
}
BENCHMARK(BM_ValueConversion);

// A cluster with 1000 triggerings, each with three properties, as the
// importer creates them.
void BM_HostCreateAndSet(benchmark::State& state) {
  char name[32];
  for (auto _ : state) {
    uint32_t handle = 0;
    if (vdbCreateDatabase("bench", &handle) != 0) {
      state.SkipWithError("no database");
      break;
    }
    uint64_t cluster = 0;
    imp_CreateChildObject(handle, VELAN_OT_CLUSTER, "CAN", VELAN_OT_DATABASE, handle, &cluster);
    const uint32_t speed = 500000;
    imp_SetProperty(handle, cluster, IDIP_CLUSTER_SPEED_U32, &speed, sizeof speed);
    for (int32_t i = 0; i < 1000; ++i) {
      std::snprintf(name, sizeof name, "F%04d", static_cast<int>(i));
      uint64_t trig = 0;
      imp_CreateChildObject(handle, VELAN_OT_TRIGGERING, name, VELAN_OT_CLUSTER, cluster, &trig);
      imp_SetProperty(handle, trig, IDIP_TRIG_IDENTIFIER_I32, &i, sizeof i);
      imp_SetProperty(handle, trig, IDIP_TRIG_COMMENT_STR, name, 6);
    }
    vdbDestroyDatabase(handle);
  }
  state.SetItemsProcessed(state.iterations() * 1000);
}
BENCHMARK(BM_HostCreateAndSet)->Unit(benchmark::kMicrosecond);

// Signal lines as the DBC writer forms them, through the 1024-byte sink.
void BM_ExportSink(benchmark::State& state) {
  vldbcex::ToLogFile sink;
  sink.Attach(vldbcex::ToXFile::Open("/dev/null", 1));
  sink.SetMode(vldbcex::ToLogFile::kModeFile);
  for (auto _ : state) {
    for (int i = 0; i < 1000; ++i) {
      sink.LineStart();
      sink.Write(" SG_ CAN_00_F0001_S00 : ");
      sink.Write(sink.FormatUnsigned(static_cast<uint32_t>(i % 64)));
      sink.Write("|16@1+ (");
      sink.Write(sink.FormatReal(0.1 * (i % 7)));
      sink.Write(",");
      sink.Write(sink.FormatReal(-40));
      sink.Write(") [0|6513.5] \"km/h\" ECU_001");
      sink.Eol();
    }
  }
  state.SetItemsProcessed(state.iterations() * 1000);
}
BENCHMARK(BM_ExportSink)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
