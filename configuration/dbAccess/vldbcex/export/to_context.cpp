// Reading a cluster's frames, ECUs and signals into the export context.
#include "export/to_context.h"

#include <new>

#include "export/to_host.h"
#include "export/to_status.h"

namespace vldbcex {
namespace {

constexpr uint32_t kBit14And15 = 0x0000C000u;

}  // namespace

// ToShowInvalidFromOpen

bool ToShowInvalidFromOpen::Open() {
  if (ref_ == 0) return false;
  uint8_t flag = 0;
  Host().getProperty(ref_, prop::kDatabaseShowInvalid, 1, &flag, status_);
  if (IsError(status_)) return false;
  saved_ = flag;
  if (!WriteFlag(ref_, prop::kDatabaseShowInvalid, 1, status_)) return false;
  opened_ = true;
  return true;
}

ToShowInvalidFromOpen::~ToShowInvalidFromOpen() {
  if (!opened_ || ref_ == 0) return;
  dbaStatus restore = {0, 0};
  WriteFlag(ref_, prop::kDatabaseShowInvalid, saved_, &restore);
  // Only results with bit 14 or 15 reach the export's record, and never
  // over an error; a non-error does not replace a result of that kind.
  if (status_ == nullptr || (restore.code & kBit14And15) == 0 || IsError(status_)) return;
  if (!IsError(&restore) && (status_->code & kBit14And15) != 0) return;
  *status_ = restore;
}

// ToCtxFrame

bool ToCtxFrame::Open() {
  if (!ReadU32(ref_, prop::kFrameCanIoMode, canIoMode_, status_)) return false;
  opened_ = true;
  return true;
}

// ToCtxECU

bool ToCtxECU::Open() {
  opened_ = true;
  return true;
}

// ToCtxFrameRelated

void ToCtxFrameRelated::DestroyElements() {
  for (uint64_t i = 0; i < Count(); ++i) {
    delete (*this)[i];
    (*this)[i] = nullptr;
  }
}

uint32_t ToCtxFrameRelated::FrameRef(uint64_t i) const {
  if (i >= Count() || (*this)[i] == nullptr) return 0;
  return (*this)[i]->Ref();
}

bool ToCtxFrameRelated::Open() {
  if (cluster_ == 0) return false;
  ToDBRefArray list;
  ReadRefList(cluster_, prop::kClusterFrames, list, status_);
  DestroyElements();
  if (!Resize(list.Count()) || Count() != list.Count()) {
    RecordError(status_, kDetailFrameListSize, kCodeFrameListSize);
    return false;
  }
  for (uint64_t i = 0; i < list.Count(); ++i) {
    (*this)[i] = new (std::nothrow) ToCtxFrame(status_, list[i]);
    if ((*this)[i] == nullptr) {
      RecordError(status_, kDetailNoMemoryRefList, kCodeNoMemory);
      return false;
    }
  }
  if (!IsError(status_)) {
    for (uint64_t i = 0; i < Count(); ++i) {
      if ((*this)[i]->Ref() != 0) (*this)[i]->Open();
    }
  }
  opened_ = !IsError(status_);
  return opened_;
}

// ToCtxECURelated

void ToCtxECURelated::DestroyElements() {
  for (uint64_t i = 0; i < Count(); ++i) {
    delete (*this)[i];
    (*this)[i] = nullptr;
  }
}

bool ToCtxECURelated::Open() {
  if (cluster_ == 0) return false;
  if (!ReadRefList(cluster_, prop::kClusterEcus, ecuRefs_, status_)) return false;
  DestroyElements();
  if (!Resize(ecuRefs_.Count())) {
    RecordError(status_, kDetailNoMemoryRefList, kCodeNoMemory);
    return false;
  }
  for (uint64_t i = 0; i < Count(); ++i) {
    ToCtxECU* ecu = new (std::nothrow) ToCtxECU(status_);
    if (ecu == nullptr) {
      RecordError(status_, kDetailNoMemoryEcu, kCodeNoMemory);
      return false;
    }
    ecu->Open();
    (*this)[i] = ecu;
  }
  if (Count() == 0) {
    opened_ = true;
    return true;
  }
  for (uint64_t i = 0; i < Count(); ++i) {
    ToCtxECU& ecu = *(*this)[i];
    const uint32_t ref = ecuRefs_[i];
    ReadText(ref, prop::kEcuName, ecu.name, status_, kDetailNoMemoryName);
    ReadRefList(ref, prop::kEcuReceived, ecu.received, status_);
    ReadRefList(ref, prop::kEcuTransmitted, ecu.transmitted, status_);
    ReadU32(ref, prop::kEcuJ1939Address, ecu.j1939Address, status_);
    ReadU64(ref, prop::kEcuJ1939Name, ecu.j1939Name, status_);
    if (IsError(status_)) return false;
  }
  opened_ = true;
  return true;
}

// ToCtx

ToCtx::ToCtx(dbaStatus* status, uint32_t clusterRef)
    : ToCtxBase(status), showInvalid(status), cluster(clusterRef), frames(status), ecus(status) {
  sink.SetStatus(status);
}

bool ToCtx::Open() {
  opened_ = false;
  if (!ReadU32(cluster, prop::kClusterDatabase, database, status_)) return false;
  if (!ReadU32(cluster, prop::kClusterCanIoMode, canIoMode, status_)) return false;
  if (!ReadU32(cluster, prop::kClusterAppProtocol, appProtocol, status_)) return false;
  showInvalid.SetRef(database);
  if (!showInvalid.Open() || IsError(status_)) return false;
  frames.SetCluster(cluster);
  if (!frames.Open() || IsError(status_)) return false;
  currentFrame = frames.Count();
  ecus.SetCluster(cluster);
  if (!ecus.Open() || IsError(status_)) return false;
  currentEcu = ecus.Count();
  if (!ReadRefList(cluster, prop::kClusterSignals, signals, status_)) return false;
  if (!ReadText(cluster, prop::kClusterName, clusterName, status_, kDetailNoMemoryName)) {
    return false;
  }
  opened_ = BuildAttributeSet(attributes, canIoMode, appProtocol, clusterName);
  return opened_;
}

}  // namespace vldbcex
