#include "fake_host.h"

#include <cmath>
#include <cstring>

#include "export/to_status.h"
#include "velan/value_descriptions.h"

namespace vldbcex_test {
namespace {

FakeHost* g_current = nullptr;

constexpr uint32_t kUnknownCode = 0x80A10002u;
constexpr uint32_t kSizeCode = 0x80A10003u;

}  // namespace

FakeHost::FakeHost()
    : functions_{&FakeHost::Open,    &FakeHost::Close, &FakeHost::Save,
                 &FakeHost::GetSize, &FakeHost::Get,   &FakeHost::Set} {
  g_current = this;
  vldbcex::SetHostFunctions(&functions_);
}

FakeHost::~FakeHost() {
  vldbcex::SetHostFunctions(nullptr);
  g_current = nullptr;
}

FakeHost* FakeHost::Current() {
  return g_current;
}

void FakeHost::SetBytes(uint32_t object, uint32_t id, const void* data, size_t size) {
  const uint8_t* p = static_cast<const uint8_t*>(data);
  props_[{object, id}] = std::vector<uint8_t>(p, p + size);
}

void FakeHost::SetText(uint32_t object, uint32_t id, const std::string& text) {
  if (text.empty()) {
    SetBytes(object, id, "", 0);
  } else {
    SetBytes(object, id, text.c_str(), text.size() + 1);
  }
}

void FakeHost::SetList(uint32_t object, uint32_t id, const std::vector<uint32_t>& refs) {
  SetBytes(object, id, refs.data(), refs.size() * 4);
}

std::vector<uint8_t> FakeHost::Bytes(uint32_t object, uint32_t id) const {
  auto it = props_.find({object, id});
  return it != props_.end() ? it->second : std::vector<uint8_t>();
}

void FakeHost::FailRead(uint32_t object, uint32_t id, uint32_t code) {
  failures_[{object, id}] = code;
}

void FakeHost::Fail(dbaStatus* status, uint32_t code) {
  status->detail = 0x1234;
  status->code = code;
}

void FakeHost::Open(uint32_t, const char* path, uint32_t* database, dbaStatus* status) {
  auto it = g_current->files.find(path != nullptr ? path : "");
  if (it == g_current->files.end()) return Fail(status, kUnknownCode);
  *database = it->second;
}

void FakeHost::Close(uint32_t, uint32_t database, uint8_t, dbaStatus*) {
  g_current->closes.push_back(database);
}

void FakeHost::Save(uint32_t cluster, const char* path, dbaStatus* status) {
  g_current->saves.emplace_back(cluster, path != nullptr ? path : "");
  if (g_current->onSave) g_current->onSave(cluster, path, status);
}

void FakeHost::GetSize(uint32_t object, uint32_t id, uint32_t* size, dbaStatus* status) {
  FakeHost& host = *g_current;
  auto failure = host.failures_.find({object, id});
  if (failure != host.failures_.end()) return Fail(status, failure->second);
  auto it = host.props_.find({object, id});
  if (it == host.props_.end()) return Fail(status, kUnknownCode);
  *size = static_cast<uint32_t>(it->second.size());
}

void FakeHost::Get(uint32_t object, uint32_t id, uint32_t size, void* buffer, dbaStatus* status) {
  FakeHost& host = *g_current;
  host.reads.emplace_back(object, id);
  auto failure = host.failures_.find({object, id});
  if (failure != host.failures_.end()) return Fail(status, failure->second);
  auto it = host.props_.find({object, id});
  if (it == host.props_.end()) return Fail(status, kUnknownCode);
  if (it->second.size() != size || buffer == nullptr) return Fail(status, kSizeCode);
  if (size > 0) std::memcpy(buffer, it->second.data(), size);
}

void FakeHost::Set(uint32_t object, uint32_t id, uint32_t size, const void* value,
                   dbaStatus* status) {
  FakeHost& host = *g_current;
  host.writes.emplace_back(object, id,
                           size > 0 && value != nullptr ? *static_cast<const uint8_t*>(value) : 0);
  if (!host.writeResults_.empty()) {
    const uint32_t code = host.writeResults_.front();
    host.writeResults_.erase(host.writeResults_.begin());
    if (code != 0) {
      status->detail = 0x5678;
      status->code = code;
      if ((code & vldbcex::kStatusErrorBit) != 0) return;
    }
  }
  auto it = host.props_.find({object, id});
  if (it == host.props_.end() || it->second.size() != size) return Fail(status, kSizeCode);
  std::memcpy(it->second.data(), value, size);
}

std::pair<uint32_t, double> ReadViewTiming(const TFrame& frame) {
  switch (frame.timing) {
    case TTiming::kCyclic:
      return {0, frame.cycle};
    case TTiming::kEvent:
      return {1, frame.debounce.value_or(0.0)};
    case TTiming::kBoth:
      return {4, frame.cycle};
    case TTiming::kNone:
      break;
  }
  return {1, 0.0};
}

std::vector<TRefs> BuildFake(FakeHost& host, const std::vector<TCluster>& clusters,
                             uint32_t* databaseOut) {
  namespace prop = vldbcex::prop;
  const uint32_t database = host.NewObject();
  host.SetFlag(database, prop::kDatabaseShowInvalid, false);
  std::vector<TRefs> result;
  std::vector<uint32_t> clusterRefs;
  for (const TCluster& cl : clusters) {
    TRefs refs;
    refs.database = database;
    refs.cluster = host.NewObject();
    clusterRefs.push_back(refs.cluster);
    const uint32_t c = refs.cluster;
    host.SetU32(c, prop::kClusterDatabase, database);
    host.SetU32(c, prop::kClusterCanIoMode, cl.canIoMode);
    host.SetU32(c, prop::kClusterAppProtocol, cl.appProtocol);
    host.SetU32(c, prop::kClusterProtocol, cl.protocol);
    host.SetText(c, prop::kClusterName, cl.name);
    host.SetText(c, prop::kClusterComment, cl.comment);
    std::vector<uint32_t> allSignals;
    for (const TFrame& fr : cl.frames) {
      const uint32_t f = host.NewObject();
      refs.frames.push_back(f);
      host.SetText(f, prop::kFrameName, fr.name);
      host.SetText(f, prop::kFrameComment, fr.comment);
      host.SetFlag(f, prop::kFrameExtended, fr.extended);
      host.SetU32(f, prop::kFrameIdentifier, fr.identifier);
      host.SetU32(f, prop::kFrameLength, fr.length);
      host.SetU32(f, prop::kFrameCanIoMode, fr.canIoMode);
      const auto timing = ReadViewTiming(fr);
      host.SetU32(f, prop::kFrameTimingType, timing.first);
      host.SetReal(f, prop::kFrameTime, timing.second);
      host.SetU32(f, prop::kFrameAppProtocol, fr.appProtocol);
      std::vector<uint32_t> sigs;
      for (const TSignal& sg : fr.signals) {
        const uint32_t s = host.NewObject();
        sigs.push_back(s);
        host.SetText(s, prop::kSignalName, sg.name);
        host.SetText(s, prop::kSignalComment, sg.comment);
        host.SetText(s, prop::kSignalUnit, sg.unit);
        host.SetFlag(s, prop::kSignalMultiplexer, sg.multiplexer);
        host.SetFlag(s, prop::kSignalModeDependent, sg.modeDependent);
        host.SetU32(s, prop::kSignalModeValue, sg.modeValue);
        host.SetU32(s, prop::kSignalStartBit, sg.startBit);
        host.SetU32(s, prop::kSignalBits, sg.bits);
        host.SetU32(s, prop::kSignalByteOrder, sg.byteOrder);
        host.SetU32(s, prop::kSignalDataType, sg.dataType);
        host.SetReal(s, prop::kSignalFactor, sg.factor);
        host.SetReal(s, prop::kSignalOffset, sg.offset);
        host.SetReal(s, prop::kSignalMinimum, sg.minimum);
        host.SetReal(s, prop::kSignalMaximum, sg.maximum);
        host.SetReal(s, prop::kSignalDefault, sg.defaultValue.value_or(sg.offset));
        host.SetU32(s, prop::kSignalFrame, f);
        std::string values;
        for (const auto& [v, text] : sg.values) VelanAppendValueDescription(values, v, text);
        host.SetBytes(s, prop::kSignalValueDescriptions, values.data(), values.size());
      }
      host.SetList(f, prop::kFrameSignals, sigs);
      allSignals.insert(allSignals.end(), sigs.begin(), sigs.end());
      refs.signals.push_back(sigs);
    }
    for (const TEcu& ec : cl.ecus) {
      const uint32_t e = host.NewObject();
      refs.ecus.push_back(e);
      host.SetText(e, prop::kEcuName, ec.name);
      host.SetText(e, prop::kEcuComment, ec.comment);
      std::vector<uint32_t> tx;
      std::vector<uint32_t> rx;
      for (size_t i : ec.transmits) tx.push_back(refs.frames.at(i));
      for (size_t i : ec.receives) rx.push_back(refs.frames.at(i));
      host.SetList(e, prop::kEcuTransmitted, tx);
      host.SetList(e, prop::kEcuReceived, rx);
      host.SetU32(e, prop::kEcuJ1939Address, ec.j1939Address.value_or(254));
      host.SetU64(e, prop::kEcuJ1939Name, ec.j1939Name.value_or(0));
    }
    host.SetList(c, prop::kClusterFrames, refs.frames);
    host.SetList(c, prop::kClusterEcus, refs.ecus);
    host.SetList(c, prop::kClusterSignals, allSignals);
    result.push_back(refs);
  }
  host.SetList(database, prop::kDatabaseClusters, clusterRefs);
  if (databaseOut != nullptr) *databaseOut = database;
  return result;
}

}  // namespace vldbcex_test
