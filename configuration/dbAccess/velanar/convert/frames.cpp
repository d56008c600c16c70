// Frame triggerings of a cluster: one frame record per frame, one
// TRIGGERING object per record. The collecting and the common part of the
// TRIGGERING object are shared by both releases.
#include <new>

#include "convert/converter4.h"
#include "import/convert_ctx.h"
#include "import/report.h"
#include "resolve/short_name_resolver.h"
#include "velan/host_vocabulary.h"
#include "xml/document.h"
#include "xml/navigation.h"

namespace {

// CAN-FRAME-TX-BEHAVIOR / CAN-FRAME-RX-BEHAVIOR "CAN-FD".
constexpr uint32_t kCanFdBehavior = 1;

}  // namespace

void cConverterBase::CollectFrameRecords(const char* containerName) {
  if (IsError() || currentCluster == nullptr || channelA == nullptr) return;
  const exElement* container = RequireChild(ctx, channelA, containerName);
  if (container == nullptr) return;
  exElementVector triggerings;
  CollectChildrenCounted(ctx, container, ClusterArName("FRAME-TRIGGERING"), triggerings, 0, 0);

  cCvCluster& cluster = *currentCluster;
  for (const exElement* triggering : triggerings) {
    if (IsError()) return;
    const exElement* ref = RequireChild(ctx, triggering, "AR:FRAME-REF");
    if (ref == nullptr) continue;
    const exElement* frame = ResolveReference(ctx, ref);
    if (frame == nullptr) continue;

    if (cluster.type == kClusterLin && IsScheduledOnlyLinFrame(frame)) {
      try {
        cluster.specialLinFrames.insert(triggering);
      } catch (const std::bad_alloc&) {
        ctx->status.RaiseError(StatusOutOfMemory);
        return;
      }
      continue;
    }

    const char* name = RequireShortName(ctx, frame);
    if (name[0] == '\0') continue;
    if (cVFT* record = cluster.frames.Find(name)) {
      record->triggeringB = triggering;
      continue;
    }
    cVFT* record = cVFT::Create();
    if (record == nullptr) {
      ctx->status.RaiseError(StatusOutOfMemory);
      return;
    }
    record->triggeringA = triggering;
    record->frame = frame;
    if (!cluster.frames.Insert(name, record)) {
      delete record;
      ctx->status.RaiseError(StatusOutOfMemory);
      return;
    }
  }
}

bool cConverterBase::IsScheduledOnlyLinFrame(const exElement* frame) {
  // Event-triggered and sporadic frames are scheduled, not triggered.
  return ClassifyLinFrame(frame) != 0;
}

bool cConverterBase::ConvertFrameRecord(const char* name, cVFT& record) {
  cCvCluster& cluster = *currentCluster;
  if (!MakeUniqueName(name, "_frm")) return false;
  record.ioid = ctx->CreateChildObject(VELAN_OT_TRIGGERING, name, VELAN_OT_CLUSTER, cluster.ioid);
  if (IsError()) return false;
  SetDescription(record.ioid, IDIP_TRIG_COMMENT_STR, record.frame);

  if (cluster.type != kClusterCan && cluster.type != kClusterLin) return true;
  const exElement* triggering = record.triggeringA;

  cValueConverterI32 identifierConverter(ctx);
  int32_t identifier = 0;
  if (ReadTypedChild(identifierConverter, identifier, triggering, "AR:IDENTIFIER")) {
    ctx->SetPropertyI32(record.ioid, IDIP_TRIG_IDENTIFIER_I32, identifier);
  }
  if (cluster.type == kClusterCan) {
    ReadAndSetPropertyIfPresent<cCv_EXTENDED_ADDRESSING_MODE>(
        ctx, record.ioid, IDIP_TRIG_EXTENDED_I16, triggering, "AR:CAN-ADDRESSING-MODE");
  }
  cValueConverterU32 lengthConverter(ctx);
  uint32_t length = 0;
  if (ReadTypedChild(lengthConverter, length, record.frame, "AR:FRAME-LENGTH")) {
    record.length = length;
    ctx->SetPropertyU32(record.ioid, IDIP_TRIG_NUM_BYTES_U32, length);
  }
  return true;
}

void cConverter4::CollectFrameTriggerings() {
  CollectFrameRecords("AR:FRAME-TRIGGERINGS");
}

void cConverter4::ConvertFrames() {
  if (IsError() || currentCluster == nullptr) return;
  cCvCluster& cluster = *currentCluster;
  for (const auto& entry : cluster.frames) {
    if (IsError()) return;
    cVFT& record = *entry.second;
    if (!ConvertFrameRecord(entry.first, record)) return;
    if (cluster.type != kClusterCan) continue;
    ctx->SetPropertyU32(record.ioid, IDIP_TRIG_CAN_FD_MODE_U32, CanFdModeOf(record));
  }
}

uint32_t cConverter4::CanFdModeOf(const cVFT& record) {
  cCvCluster& cluster = *currentCluster;
  const exElement* triggering = record.triggeringA;

  // The transmit behaviour says how the frame is sent; a triggering that
  // gives only the receive behaviour is sent the same way.
  // CAN-FD-FRAME-SUPPORT only allows CAN FD and decides nothing alone.
  bool fdSupport = false;
  if (const exElement* support = FindChild(triggering, "AR:CAN-FD-FRAME-SUPPORT", 0)) {
    cCv_BOOLEAN converter(ctx);
    if (!converter.Convert(support->Text(), fdSupport)) fdSupport = false;
  }
  cCv_CAN_FRAME_TX_BEHAVIOR behaviorConverter(ctx);
  uint32_t txBehavior = 0;
  uint32_t rxBehavior = 0;
  const exElement* tx = FindChild(triggering, "AR:CAN-FRAME-TX-BEHAVIOR", 0);
  if (tx != nullptr) behaviorConverter.Convert(tx->Text(), txBehavior);
  if (const exElement* rx = FindChild(triggering, "AR:CAN-FRAME-RX-BEHAVIOR", 0)) {
    behaviorConverter.Convert(rx->Text(), rxBehavior);
  }
  bool fd = (tx != nullptr ? txBehavior : rxBehavior) == kCanFdBehavior;

  // More than 8 data bytes fit only a CAN FD frame.
  if (!fd && record.length > 8) {
    fd = true;
    if (!fdSupport && rxBehavior != kCanFdBehavior) {
      ReportElement(ctx, kSubWarnDefault, triggering,
                    "frame longer than 8 bytes without CAN FD marks; converted as CAN FD frame");
    }
  }
  if (!fd) return 0;

  // A cluster that carries CAN FD frames is a CAN FD cluster, also when it
  // declares no CAN FD baud rate.
  if (cluster.canFdMode != 1 && cluster.canFdMode != 2) {
    cluster.canFdMode = 1;
    ctx->SetPropertyU32(cluster.ioid, IDIP_CLUSTER_CAN_FD_MODE_U32, 1);
  }
  return cluster.canFdMode;
}

uint32_t cConverter4::ClassifyLinFrame(const exElement* frame) {
  if (IsNamed(frame, "AR:LIN-SPORADIC-FRAME")) return 1;
  if (IsNamed(frame, "AR:LIN-EVENT-TRIGGERED-FRAME")) return 2;
  return 0;
}
