// Status record handling of the DBC exporter: the codes it records itself
// and the first-error-wins rule.
#ifndef VLDBCEX_EXPORT_TO_STATUS_H
#define VLDBCEX_EXPORT_TO_STATUS_H

#include <cstdint>

#include "velan/velandb_read.h"

namespace vldbcex {

constexpr uint32_t kStatusErrorBit = 0x80000000u;

// Output file cannot be created or written (also: no text buffer, no path).
constexpr uint32_t kDetailOutputFile = 0xBFF63081u;
constexpr uint32_t kCodeOutputFile = 0xB00143B9u;
// dxtest: the database has no CAN cluster.
constexpr uint32_t kDetailNoCanCluster = 0xBFF63082u;
constexpr uint32_t kCodeNoCanCluster = 0xB0074063u;
// Memory could not be obtained; the detail says for what.
constexpr uint32_t kCodeNoMemory = 0xBFF67001u;
constexpr uint32_t kDetailNoMemoryRefList = 67;
constexpr uint32_t kDetailNoMemoryName = 92;
constexpr uint32_t kDetailNoMemoryComment = 114;
constexpr uint32_t kDetailNoMemoryEcu = 317;
constexpr uint32_t kDetailNoMemoryReceiver = 393;
// The frame list cannot be sized to the number of frames.
constexpr uint32_t kCodeFrameListSize = 0xB00680BAu;
constexpr uint32_t kDetailFrameListSize = 1;
// A writer finds no current item.
constexpr uint32_t kCodeNoCurrentItem = 0xBFF77001u;
constexpr uint32_t kDetailNoCurrentSignal = 144;
constexpr uint32_t kDetailNoCurrentFrame = 285;
constexpr uint32_t kDetailNullFrame = 293;
constexpr uint32_t kDetailNoCurrentFrameAttr = 574;
constexpr uint32_t kDetailNoCurrentEcuAttr = 726;
// An unexpected failure caught at the exported boundary.
constexpr uint32_t kDetailUnexpected = 0;

inline bool IsError(const dbaStatus* status) {
  return status != nullptr && (status->code & kStatusErrorBit) != 0;
}

// The first detail of a want of memory since the export began (0: none).
// Optional values read into a record of their own would otherwise be left
// out silently when memory runs out; the export ends with the error instead
// (see TakeOutOfMemory).
inline thread_local uint32_t tOutOfMemoryDetail = 0;
inline thread_local bool tOutOfMemory = false;

inline void NoteOutOfMemory(uint32_t detail) {
  if (tOutOfMemory) return;
  tOutOfMemory = true;
  tOutOfMemoryDetail = detail;
}

// Writes both words unless the record already holds an error.
inline void RecordError(dbaStatus* status, uint32_t detail, uint32_t code) {
  if (code == kCodeNoMemory) NoteOutOfMemory(detail);
  if (status == nullptr || IsError(status)) return;
  status->detail = detail;
  status->code = code;
}

// Starts an export with no want of memory noted.
inline void ResetOutOfMemory() {
  tOutOfMemory = false;
  tOutOfMemoryDetail = 0;
}

// Records a want of memory noted during the export in `status` (unless it
// holds an error already).
inline void TakeOutOfMemory(dbaStatus* status) {
  if (tOutOfMemory) RecordError(status, tOutOfMemoryDetail, kCodeNoMemory);
}

inline void ClearStatus(dbaStatus* status) {
  status->detail = 0;
  status->code = 0;
}

}  // namespace vldbcex

#endif
