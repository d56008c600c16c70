// PDUs of a cluster: PDU records and objects, their placement in frames
// (PDU_INST with start and update bit) and the contents of multiplexed PDUs
// (selector, one SUB_FRAME per alternative, static part).
#include <cstdint>

#include "convert/converter4.h"
#include "import/convert_ctx.h"
#include "import/scoped.h"
#include "resolve/short_name_resolver.h"
#include "velan/host_vocabulary.h"
#include "xml/navigation.h"

namespace {

const char kArPduTriggerings[] = "AR:PDU-TRIGGERINGS";
const char kArPduTriggering[] = "AR:PDU-TRIGGERING";
const char kArIPduRef[] = "AR:I-PDU-REF";
const char kArLength[] = "AR:LENGTH";
const char kArPduToFrameMappings[] = "AR:PDU-TO-FRAME-MAPPINGS";
const char kArPduToFrameMapping[] = "AR:PDU-TO-FRAME-MAPPING";
const char kArPduRef[] = "AR:PDU-REF";
const char kArPackingByteOrder[] = "AR:PACKING-BYTE-ORDER";
const char kArStartPosition[] = "AR:START-POSITION";
const char kArUpdateIndicationBitPosition[] = "AR:UPDATE-INDICATION-BIT-POSITION";
const char kArISignalIPdu[] = "AR:I-SIGNAL-I-PDU";
const char kArMultiplexedIPdu[] = "AR:MULTIPLEXED-I-PDU";
const char kArNmPdu[] = "AR:NM-PDU";
const char kArSecuredIPdu[] = "AR:SECURED-I-PDU";
const char kArContainerIPdu[] = "AR:CONTAINER-I-PDU";
const char kArISignalToIPduMappings[] = "AR:I-SIGNAL-TO-I-PDU-MAPPINGS";
const char kArISignalToIPduMapping[] = "AR:I-SIGNAL-TO-I-PDU-MAPPING";
const char kArDynamicParts[] = "AR:DYNAMIC-PARTS";
const char kArDynamicPart[] = "AR:DYNAMIC-PART";
const char kArDynamicPartAlternatives[] = "AR:DYNAMIC-PART-ALTERNATIVES";
const char kArDynamicPartAlternative[] = "AR:DYNAMIC-PART-ALTERNATIVE";
const char kArSelectorFieldCode[] = "AR:SELECTOR-FIELD-CODE";
const char kArSelectorFieldStartPosition[] = "AR:SELECTOR-FIELD-START-POSITION";
const char kArSelectorFieldByteOrder[] = "AR:SELECTOR-FIELD-BYTE-ORDER";
const char kArSelectorFieldLength[] = "AR:SELECTOR-FIELD-LENGTH";
const char kArStaticParts[] = "AR:STATIC-PARTS";
const char kArStaticPart[] = "AR:STATIC-PART";
const char kShortName[] = "SHORT-NAME";

constexpr uint32_t kMostSignificantByteFirst = 1;

}  // namespace

// ---------------------------------------------------------------- shared steps

void cConverterBase::ConvertMultiplexedPdu() {
  if (IsError() || currentPdu == nullptr || currentPduInstIoid == 0) return;
  ConvertDynamicParts();
  ConvertSelectorField();
  ConvertStaticParts();
}

void cConverterBase::ConvertSelectorField() {
  if (IsError() || currentPduRecord == nullptr || currentPduRecord->ioid == 0) return;

  cValueConverterI32 readI32(ctx);
  int32_t startPosition = 0;
  if (!ReadTypedChild<int32_t>(readI32, startPosition, currentPdu, kArSelectorFieldStartPosition)) {
    return;
  }
  uint32_t byteOrder = 0;
  const bool bigEndian = ReadTypedChild<uint32_t>(packingByteOrder, byteOrder, currentPdu,
                                                  kArSelectorFieldByteOrder) &&
                         byteOrder == kMostSignificantByteFirst;
  cValueConverterU32 readU32(ctx);
  uint32_t length = 0;
  if (!ReadTypedChild<uint32_t>(readU32, length, currentPdu, kArSelectorFieldLength)) return;

  const uint64_t selector = ctx->CreateChildObject(VELAN_OT_MULTIPLEXER, "selector", VELAN_OT_PDU,
                                                   currentPduRecord->ioid);
  if (IsError()) return;
  const uint16_t startBit = ctx->ConvertStartBit(
      bigEndian ? 1 : 0, static_cast<uint32_t>(startPosition) + signalBitOffset, length);
  ctx->SetPropertyU16(selector, IDIP_MUX_SW_START_BIT_U16, startBit);
  ctx->SetPropertyI16(selector, IDIP_MUX_SW_BYTE_ORDER_I16, bigEndian ? 1 : 0);
  ctx->SetPropertyU32(selector, IDIP_MUX_SW_NUM_BITS_U32, length);
}

// ---------------------------------------------------------------- PDU records and objects

void cConverterBase::CollectPduRecords(const char* containerName, const char* triggeringName) {
  if (IsError() || currentCluster == nullptr || channelA == nullptr) return;
  const exElement* triggerings = RequireChild(ctx, channelA, containerName);
  if (triggerings == nullptr) return;
  exElementVector list;
  CollectChildrenCounted(ctx, triggerings, triggeringName, list, 0, 0);

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

void cConverterBase::ConvertPduRecords(bool lengthInBits) {
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

    cValueConverterU32 readU32(ctx);
    uint32_t length = 0;
    if (ReadTypedChild<uint32_t>(readU32, length, record->pdu, kArLength)) {
      if (!lengthInBits) {
        record->length = length;
        ctx->SetPropertyU32(record->ioid, IDI_PDU_NUM_BYTES_U32, length);
      } else if (length == 0 || length % 8 != 0) {
        // Only whole bytes make a PDU size.
        ReportElement(ctx, kSubWarnDefault, record->pdu,
                      "invalid <LENGTH> value (need to be above 0 and multiple of 8)");
      } else {
        record->length = length / 8;
        ctx->SetPropertyU32(record->ioid, IDI_PDU_NUM_BYTES_U32, record->length);
      }
    }
    ConvertPduTiming();
  }
}

void cConverter4::CollectPduTriggerings() {
  CollectPduRecords(kArPduTriggerings, kArPduTriggering);
}

void cConverter4::ConvertPdus() {
  ConvertPduRecords(false);
}

// ---------------------------------------------------------------- PDUs in frames

void cConverterBase::ConvertPduToFrameMappingsOf(bool skipFramesWithoutObject,
                                                 const char* signalPduName) {
  if (IsError() || currentCluster == nullptr) return;
  for (const auto& entry : currentCluster->frames) {
    if (IsError()) return;
    const cVFT* frame = entry.second;
    if (skipFramesWithoutObject && frame->ioid == 0) continue;
    const exElement* mappings = RequireChild(ctx, frame->frame, kArPduToFrameMappings);
    if (mappings == nullptr) continue;
    exElementVector list;
    CollectChildrenCounted(ctx, mappings, kArPduToFrameMapping, list, 1, 0);
    for (const exElement* mapping : list) {
      if (IsError()) return;
      ConvertPduToFrameMapping(mapping, frame->ioid, signalPduName);
    }
  }
}

void cConverterBase::ConvertPduToFrameMapping(const exElement* mapping, uint64_t triggeringIoid,
                                              const char* signalPduName) {
  const exElement* pduRef = RequireChild(ctx, mapping, kArPduRef);
  if (pduRef == nullptr) return;
  cAutoRestore<const exElement*> mappingGuard(currentPduMapping, mapping);
  cAutoRestore<const exElement*> pduGuard(currentPdu, ResolveReference(ctx, pduRef));
  if (currentPdu == nullptr) return;

  const char* name = RequireShortName(ctx, currentPdu);
  if (name[0] == '\0') return;
  cVPT* record = currentCluster->pdus.Find(name);
  if (record == nullptr) {
    // The PDU has no triggering on this channel, so it has no PDU object.
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
        // For a big-endian block the host gives the start bit in the block's
        // last byte (its least significant one); the PDU instance starts at
        // the block's first byte.
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

  if (IsNamed(currentPdu, signalPduName)) {
    ConvertSignalMappings();
  } else if (IsNamed(currentPdu, kArMultiplexedIPdu)) {
    ConvertMultiplexedPdu();
  } else {
    ConvertOtherPduContents();
  }
}

void cConverterBase::ConvertOtherPduContents() {}

void cConverter4::ConvertOtherPduContents() {
  if (IsNamed(currentPdu, kArSecuredIPdu)) {
    ConvertSecuredPduContents(currentPdu);
    return;
  }
  if (IsNamed(currentPdu, kArContainerIPdu)) {
    ConvertContainerPduContents();
    return;
  }
  // An NM-PDU may carry user data: signals mapped like those of an
  // I-SIGNAL-I-PDU, in a container of another name.
  if (!IsNamed(currentPdu, kArNmPdu)) return;
  const exElement* mappings = FindChild(currentPdu, kArISignalToIPduMappings);
  if (mappings == nullptr || FindChild(mappings, kArISignalToIPduMapping) == nullptr) return;
  ConvertSignalMappingsIn(kArISignalToIPduMappings);
}

void cConverter4::ConvertPduToFrameMappings() {
  ConvertPduToFrameMappingsOf(false, kArISignalIPdu);
}

// ---------------------------------------------------------------- multiplexed PDUs

void cConverterBase::ConvertDynamicPartAlternatives(const exElement* part) {
  const exElement* alternatives = RequireChild(ctx, part, kArDynamicPartAlternatives);
  if (alternatives == nullptr) return;
  exElementVector alternativeList;
  CollectChildrenCounted(ctx, alternatives, kArDynamicPartAlternative, alternativeList, 0, 0);

  const uint64_t pduIoid = currentPduRecord != nullptr ? currentPduRecord->ioid : 0;
  for (const exElement* alternative : alternativeList) {
    if (IsError()) return;
    const exElement* ref = RequireChild(ctx, alternative, kArIPduRef);
    if (ref == nullptr) continue;
    const exElement* alternativePdu = ResolveReference(ctx, ref);
    if (alternativePdu == nullptr) continue;
    const char* name = GetShortName(alternativePdu);
    if (name[0] == '\0') {
      // Without a name there is no SUB_FRAME, and without a SUB_FRAME the
      // alternative's signals would land in the PDU as if they were static:
      // the alternative is left out.
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

void cConverterBase::ConvertStaticPart(const exElement* part) {
  const exElement* ref = RequireChild(ctx, part, kArIPduRef);
  if (ref == nullptr) return;
  const exElement* staticPdu = ResolveReference(ctx, ref);
  if (staticPdu == nullptr) return;
  RequireShortName(ctx, staticPdu);

  cAutoRestore<const exElement*> pduGuard(currentPdu, staticPdu);
  cAutoRestore<uint64_t> subFrameGuard(currentSubFrameIoid, 0);
  ConvertSignalMappings();
}

void cConverter4::ConvertDynamicParts() {
  if (IsError() || currentPdu == nullptr) return;
  const exElement* parts = RequireChild(ctx, currentPdu, kArDynamicParts);
  if (parts == nullptr) return;
  exElementVector list;
  CollectChildrenCounted(ctx, parts, kArDynamicPart, list, 0, 0);
  if (list.size() != 1) {
    ReportElement(ctx, kSubWarnDefault, currentPdu,
                  "wrong number of <DYNAMIC-PART> elements found");
    return;
  }
  ConvertDynamicPartAlternatives(list[0]);
}

void cConverter4::ConvertStaticParts() {
  if (IsError() || currentPdu == nullptr) return;
  const exElement* parts = RequireChild(ctx, currentPdu, kArStaticParts);
  if (parts == nullptr) return;
  exElementVector list;
  CollectChildrenCounted(ctx, parts, kArStaticPart, list, 0, 0);
  if (list.size() != 1) {
    ReportElement(ctx, kSubWarnDefault, currentPdu, "wrong number of <STATIC-PART> elements found");
    return;
  }
  ConvertStaticPart(list[0]);
}
