// AUTOSAR 3 frames and PDUs: frame records from FRAME-TRIGGERINGSS, PDU
// records from I-PDU-TRIGGERINGS, PDU lengths in bits, PDUs placed in frames
// and the parts of multiplexed PDUs.
#include <cstdint>
#include <new>

#include "convert/converter3.h"
#include "import/convert_ctx.h"
#include "import/scoped.h"
#include "resolve/short_name_resolver.h"
#include "velan/host_vocabulary.h"
#include "xml/document.h"
#include "xml/navigation.h"

// ---------------------------------------------------------------- frames

void cConverter3::CollectFrameTriggerings() {
  CollectFrameRecords("AR:FRAME-TRIGGERINGSS");
}

bool cConverter3::IsScheduledOnlyLinFrame(const exElement* frame) {
  // Substitution frames are scheduled, not triggered.
  return IsNamed(frame, "AR:SUBSTITUTION-FRAME");
}

void cConverter3::ConvertFrames() {
  if (IsError() || currentCluster == nullptr) return;
  for (const auto& entry : currentCluster->frames) {
    if (IsError()) return;
    cVFT& record = *entry.second;
    // Only plain frames become TRIGGERING objects here.
    if (!IsNamed(record.frame, "AR:FRAME")) continue;
    if (!ConvertFrameRecord(entry.first, record)) return;
  }
}

// ---------------------------------------------------------------- PDU records and objects

void cConverter3::CollectPduTriggerings() {
  CollectPduRecords("AR:I-PDU-TRIGGERINGS", "AR:I-PDU-TRIGGERING");
}

// The length is a number of bits here.
void cConverter3::ConvertPdus() {
  ConvertPduRecords(true);
}

// ---------------------------------------------------------------- PDUs in frames

// Records passed over by ConvertFrames have no TRIGGERING to hold PDUs.
void cConverter3::ConvertPduToFrameMappings() {
  ConvertPduToFrameMappingsOf(true, "AR:SIGNAL-I-PDU");
}

// ---------------------------------------------------------------- multiplexed PDUs

void cConverter3::ConvertDynamicParts() {
  if (IsError() || currentPdu == nullptr) return;
  const exElement* part = RequireChild(ctx, currentPdu, "AR:DYNAMIC-PART");
  if (part == nullptr) return;
  ConvertDynamicPartAlternatives(part);
}

void cConverter3::ConvertStaticParts() {
  if (IsError() || currentPdu == nullptr) return;
  const exElement* part = RequireChild(ctx, currentPdu, "AR:STATIC-PART");
  if (part == nullptr) return;
  ConvertStaticPart(part);
}
