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

namespace {

const char kArIPduRef[] = "AR:I-PDU-REF";
const char kArLength[] = "AR:LENGTH";
const char kArPackingByteOrder[] = "AR:PACKING-BYTE-ORDER";
const char kArStartPosition[] = "AR:START-POSITION";
const char kArUpdateIndicationBitPosition[] = "AR:UPDATE-INDICATION-BIT-POSITION";
const char kArSelectorFieldCode[] = "AR:SELECTOR-FIELD-CODE";
const char kShortName[] = "SHORT-NAME";

constexpr uint32_t kMostSignificantByteFirst = 1;

}  // namespace

// ---------------------------------------------------------------- frames

void cConverter3::CollectFrameTriggerings() {
  if (IsError() || currentCluster == nullptr || channelA == nullptr) return;
  const exElement* container = RequireChild(ctx, channelA, "AR:FRAME-TRIGGERINGSS");
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

    if (cluster.type == kClusterLin && IsNamed(frame, "AR:SUBSTITUTION-FRAME")) {
      // Substitution frames are scheduled, not triggered.
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

void cConverter3::ConvertFrames() {
  if (IsError() || currentCluster == nullptr) return;
  cCvCluster& cluster = *currentCluster;
  for (const auto& entry : cluster.frames) {
    if (IsError()) return;
    cVFT& record = *entry.second;
    // Only plain frames become TRIGGERING objects here.
    if (!IsNamed(record.frame, "AR:FRAME")) continue;
    const char* name = entry.first;
    if (!MakeUniqueName(name, "_frm")) return;
    record.ioid = ctx->CreateChildObject(VELAN_OT_TRIGGERING, name, VELAN_OT_CLUSTER, cluster.ioid);
    if (IsError()) return;
    SetDescription(record.ioid, IDIP_TRIG_COMMENT_STR, record.frame);

    if (cluster.type != kClusterCan && cluster.type != kClusterLin) continue;
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
      ctx->SetPropertyU32(record.ioid, IDIP_TRIG_NUM_BYTES_U32, length);
    }
  }
}

// ---------------------------------------------------------------- PDU records and objects

void cConverter3::CollectPduTriggerings() {
  if (IsError() || currentCluster == nullptr || channelA == nullptr) return;
  const exElement* triggerings = RequireChild(ctx, channelA, "AR:I-PDU-TRIGGERINGS");
  if (triggerings == nullptr) return;
  exElementVector list;
  CollectChildrenCounted(ctx, triggerings, "AR:I-PDU-TRIGGERING", list, 0, 0);

  cVPTMap& pdus = currentCluster->pdus;
  for (const exElement* triggering : list) {
    if (IsError()) return;
    const exElement* ref = RequireChild(ctx, triggering, kArIPduRef);
    if (ref == nullptr) continue;
    const exElement* pdu = ResolveReference(ctx, ref);
    if (pdu == nullptr) continue;
    const char* name = RequireShortName(ctx, pdu);
    if (name[0] == '\0') continue;

    if (cVPT* existing = pdus.Find(name)) {
      existing->triggeringB = triggering;
      continue;
    }
    cVPT* record = cVPT::Create();
    if (record == nullptr) {
      ctx->status.RaiseError(StatusOutOfMemory);
      return;
    }
    record->triggeringA = triggering;
    record->pdu = pdu;
    if (!pdus.Insert(name, record)) {
      delete record;
      ctx->status.RaiseError(StatusOutOfMemory);
      return;
    }
  }
}

void cConverter3::ConvertPdus() {
  if (IsError() || currentCluster == nullptr) return;
  for (const auto& entry : currentCluster->pdus) {
    if (IsError()) return;
    cVPT* record = entry.second;
    cAutoRestore<cVPT*> recordGuard(currentPduRecord, record);

    if (record->ioid == 0) {
      const char* name = entry.first;
      if (!MakeUniqueName(name, "_pdu")) return;
      record->ioid =
          ctx->CreateChildObject(VELAN_OT_PDU, name, VELAN_OT_CLUSTER, currentCluster->ioid);
      if (IsError()) return;
    }
    if (record->ioid != 0) SetDescription(record->ioid, IDI_PDU_COMMENT_STR, record->pdu);

    // The length is a number of bits; only whole bytes make a PDU size.
    cValueConverterU32 readU32(ctx);
    uint32_t bits = 0;
    if (ReadTypedChild<uint32_t>(readU32, bits, record->pdu, kArLength)) {
      if (bits == 0 || bits % 8 != 0) {
        ReportElement(ctx, kSubWarnDefault, record->pdu,
                      "invalid <LENGTH> value (need to be above 0 and multiple of 8)");
      } else {
        record->length = bits / 8;
        ctx->SetPropertyU32(record->ioid, IDI_PDU_NUM_BYTES_U32, record->length);
      }
    }
    ConvertPduTiming();
  }
}

// ---------------------------------------------------------------- PDUs in frames

void cConverter3::ConvertPduToFrameMappings() {
  if (IsError() || currentCluster == nullptr) return;
  for (const auto& entry : currentCluster->frames) {
    if (IsError()) return;
    const cVFT* frame = entry.second;
    // Records passed over by ConvertFrames have no TRIGGERING to hold PDUs.
    if (frame->ioid == 0) continue;
    const exElement* mappings = RequireChild(ctx, frame->frame, "AR:PDU-TO-FRAME-MAPPINGS");
    if (mappings == nullptr) continue;
    exElementVector list;
    CollectChildrenCounted(ctx, mappings, "AR:PDU-TO-FRAME-MAPPING", list, 1, 0);
    for (const exElement* mapping : list) {
      if (IsError()) return;
      ConvertPduToFrameMapping(mapping, frame->ioid);
    }
  }
}

void cConverter3::ConvertPduToFrameMapping(const exElement* mapping, uint64_t triggeringIoid) {
  const exElement* pduRef = RequireChild(ctx, mapping, "AR:PDU-REF");
  if (pduRef == nullptr) return;
  cAutoRestore<const exElement*> pduGuard(currentPdu, ResolveReference(ctx, pduRef));
  if (currentPdu == nullptr) return;

  const char* name = RequireShortName(ctx, currentPdu);
  if (name[0] == '\0') return;
  cVPT* record = currentCluster->pdus.Find(name);
  if (record == nullptr) {
    // The PDU has no I-PDU-TRIGGERING on this channel, so it has no PDU object.
    ReportElement(ctx, kSubWarnDefault, pduRef, "failed creating tPDUInst for that reference");
    return;
  }

  cAutoRestore<cVPT*> recordGuard(currentPduRecord, record);
  cAutoRestore<uint64_t> instanceGuard(
      currentPduInstIoid,
      ctx->CreateChildObject(VELAN_OT_PDU_INST, "", VELAN_OT_TRIGGERING, triggeringIoid));
  ctx->LinkToParent(VELAN_OT_PDU, record->ioid, VELAN_OT_PDU_INST, currentPduInstIoid);
  if (IsError()) return;

  uint32_t byteOrder = 0;
  const bool bigEndian =
      ReadTypedChild<uint32_t>(packingByteOrder, byteOrder, mapping, kArPackingByteOrder) &&
      byteOrder == kMostSignificantByteFirst;
  const uint8_t byteOrderFlag = bigEndian ? 1 : 0;

  cValueConverterI32 readI32(ctx);
  int32_t startPosition = 0;
  if (ReadTypedChild<int32_t>(readI32, startPosition, mapping, kArStartPosition)) {
    uint16_t startBit = ctx->ConvertStartBit(byteOrderFlag, static_cast<uint32_t>(startPosition),
                                             record->length * 8u);
    if (bigEndian) {
      if (startBit % 8 != 0) {
        ctx->status.RaiseWarning();
        ReportElement(ctx, kSubWarnDefault, mapping,
                      "declares PDU start position which is not a byte limit");
      } else {
        // The host gives a big-endian block's start bit in its last byte; the
        // PDU instance starts at the block's first byte.
        startBit = static_cast<uint16_t>(startBit + 8u * (1u - record->length));
      }
    }
    ctx->SetPropertyU16(currentPduInstIoid, IDIP_PDUI_START_BIT_U16, startBit);
  }

  const exElement* updateBit = FindChild(mapping, kArUpdateIndicationBitPosition);
  int32_t updatePosition = 0;
  if (updateBit != nullptr && readI32.Convert(updateBit->Text(), updatePosition)) {
    const uint16_t bit =
        ctx->ConvertStartBit(byteOrderFlag, static_cast<uint32_t>(updatePosition), 1);
    ctx->SetPropertyU16(currentPduInstIoid, IDIP_PDUI_UPDATE_BIT_U16, bit);
  }

  if (IsNamed(currentPdu, "AR:SIGNAL-I-PDU")) {
    ConvertSignalMappings();
  } else if (IsNamed(currentPdu, "AR:MULTIPLEXED-I-PDU")) {
    ConvertMultiplexedPdu();
  }
}

// ---------------------------------------------------------------- multiplexed PDUs

void cConverter3::ConvertDynamicParts() {
  if (IsError() || currentPdu == nullptr) return;
  const exElement* part = RequireChild(ctx, currentPdu, "AR:DYNAMIC-PART");
  if (part == nullptr) return;
  const exElement* alternatives = RequireChild(ctx, part, "AR:DYNAMIC-PART-ALTERNATIVES");
  if (alternatives == nullptr) return;
  exElementVector alternativeList;
  CollectChildrenCounted(ctx, alternatives, "AR:DYNAMIC-PART-ALTERNATIVE", alternativeList, 0, 0);

  const uint64_t pduIoid = currentPduRecord != nullptr ? currentPduRecord->ioid : 0;
  for (const exElement* alternative : alternativeList) {
    if (IsError()) return;
    const exElement* ref = RequireChild(ctx, alternative, kArIPduRef);
    if (ref == nullptr) continue;
    const exElement* alternativePdu = ResolveReference(ctx, ref);
    if (alternativePdu == nullptr) continue;
    const char* name = GetShortName(alternativePdu);
    if (name[0] == '\0') {
      // Without a SUB_FRAME the alternative's signals would land in the PDU
      // as if they were static: the alternative is left out.
      ctx->status.RaiseWarning();
      ReportMissingChild(ctx, alternativePdu, kShortName);
      continue;
    }
    cAutoRestore<uint64_t> subFrameGuard(
        currentSubFrameIoid,
        ctx->CreateChildObject(VELAN_OT_SUB_FRAME, name, VELAN_OT_PDU, pduIoid));
    if (IsError() || currentSubFrameIoid == 0) continue;
    ReadAndSetProperty<cValueConverterU32>(ctx, currentSubFrameIoid, IDIP_SUBF_SWITCH_CODE_U32,
                                           alternative, kArSelectorFieldCode);
    cAutoRestore<const exElement*> pduGuard(currentPdu, alternativePdu);
    ConvertSignalMappings();
  }
}

void cConverter3::ConvertStaticParts() {
  if (IsError() || currentPdu == nullptr) return;
  const exElement* part = RequireChild(ctx, currentPdu, "AR:STATIC-PART");
  if (part == nullptr) return;
  const exElement* ref = RequireChild(ctx, part, kArIPduRef);
  if (ref == nullptr) return;
  const exElement* staticPdu = ResolveReference(ctx, ref);
  if (staticPdu == nullptr) return;
  RequireShortName(ctx, staticPdu);

  cAutoRestore<const exElement*> pduGuard(currentPdu, staticPdu);
  cAutoRestore<uint64_t> subFrameGuard(currentSubFrameIoid, 0);
  ConvertSignalMappings();
}
