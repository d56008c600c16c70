// Signals of a PDU: one SIG_INST (placement), SIGNAL and CODING per
// I-SIGNAL-TO-I-PDU-MAPPING. The steps are shared by both releases; only the
// container and reference names, where the length lives and the coding
// differ.
#include <cstdint>
#include <cstring>

#include "convert/coding.h"
#include "convert/converter4.h"
#include "convert/value_descriptions.h"
#include "import/convert_ctx.h"
#include "import/scoped.h"
#include "resolve/short_name_resolver.h"
#include "velan/host_vocabulary.h"
#include "xml/navigation.h"

namespace {

const char kArISignalToPduMappings[] = "AR:I-SIGNAL-TO-PDU-MAPPINGS";
const char kArISignalToIPduMapping[] = "AR:I-SIGNAL-TO-I-PDU-MAPPING";
const char kArISignalRef[] = "AR:I-SIGNAL-REF";
const char kArSystemSignalRef[] = "AR:SYSTEM-SIGNAL-REF";
const char kArStartPosition[] = "AR:START-POSITION";
const char kArPackingByteOrder[] = "AR:PACKING-BYTE-ORDER";
const char kArLength[] = "AR:LENGTH";

constexpr uint32_t kMostSignificantByteFirst = 1;

}  // namespace

// The signal's initial value, as the physical value of its raw initial value.
void WriteInitValue(cConvertCtx* ctx, uint64_t signalIoid, cCoding& coding) {
  double value = 0.0;
  if (ctx->status.IsError() || signalIoid == 0 || !coding.PhysicalInitValue(value)) return;
  ctx->SetPropertyF64(signalIoid, IDIP_SIG_DEFAULT_VALUE_F64, value);
}

void cConverterBase::ConvertSignalMappingsIn(const char* containerName) {
  if (IsError() || currentPduInstIoid == 0 || currentPdu == nullptr) return;
  const exElement* mappings = RequireChild(ctx, currentPdu, containerName);
  if (mappings == nullptr) return;
  exElementVector list;
  CollectChildrenCounted(ctx, mappings, kArISignalToIPduMapping, list, 1, 0);
  for (const exElement* mapping : list) {
    if (IsError()) return;
    cAutoRestore<const exElement*> mappingGuard(currentMapping, mapping);
    ConvertSignalMapping();
  }
}

void cConverterBase::ConvertSignalMappingBy(const char* signalRefName) {
  if (IsError() || currentMapping == nullptr) return;
  const exElement* ref = RequireChild(ctx, currentMapping, signalRefName);
  if (ref == nullptr) return;
  const exElement* signal = ResolveReference(ctx, ref);
  if (signal == nullptr) return;
  cAutoRestore<const exElement*> signalGuard(currentSignal, signal);
  ConvertSignal();
}

void cConverterBase::ConvertSignalPlacement(bool lengthMayBeOnSystemSignal) {
  if (IsError() || currentSignal == nullptr || currentPduRecord == nullptr) return;

  cValueConverterI32 readI32(ctx);
  int32_t startPosition = 0;
  if (!ReadTypedChild<int32_t>(readI32, startPosition, currentMapping, kArStartPosition)) return;
  uint32_t byteOrder = 0;
  ReadTypedChild<uint32_t>(packingByteOrder, byteOrder, currentMapping, kArPackingByteOrder);
  const uint8_t byteOrderFlag = byteOrder == kMostSignificantByteFirst ? 1 : 0;

  const exElement* systemSignalRef = RequireChild(ctx, currentSignal, kArSystemSignalRef);
  if (systemSignalRef == nullptr) return;
  const exElement* systemSignal = ResolveReference(ctx, systemSignalRef);
  if (systemSignal == nullptr) return;
  // Where the SYSTEM-SIGNAL may hold the length, an I-SIGNAL's own length
  // still wins. Missing in both is reported at the I-SIGNAL.
  const exElement* lengthOwner = currentSignal;
  if (lengthMayBeOnSystemSignal && FindChild(currentSignal, kArLength) == nullptr &&
      FindChild(systemSignal, kArLength) != nullptr) {
    lengthOwner = systemSignal;
  }
  int32_t length = 0;
  if (!ReadTypedChild<int32_t>(readI32, length, lengthOwner, kArLength)) return;
  const uint32_t numBits = static_cast<uint32_t>(length);

  cAutoRestore<uint64_t> instanceGuard(
      currentSigInstIoid,
      ctx->CreateChildObject(VELAN_OT_SIG_INST, "", VELAN_OT_PDU, currentPduRecord->ioid));
  cAutoRestore<uint64_t> signalGuard(currentSignalIoid, 0);
  if (!IsError()) {
    const uint16_t startBit = ctx->ConvertStartBit(
        byteOrderFlag, static_cast<uint32_t>(startPosition) + signalBitOffset, numBits);
    ctx->SetPropertyU16(currentSigInstIoid, IDIP_SGI_START_BIT_U16, startBit);
    ctx->SetPropertyI16(currentSigInstIoid, IDIP_SGI_BYTE_ORDER_I16, byteOrderFlag);
  }

  const char* name = RequireShortName(ctx, systemSignal);
  if (name[0] == '\0') return;
  currentSignalIoid =
      ctx->CreateChildObject(VELAN_OT_SIGNAL, name, VELAN_OT_SIG_INST, currentSigInstIoid);
  if (IsError()) return;

  SetDescription(currentSignalIoid, IDIP_SIG_COMMENT_STR, systemSignal);
  if (currentSubFrameIoid != 0) {
    // The host takes the object by its identifier; the type given is that of
    // the placement, as the host expects for this link.
    ctx->LinkToParent(VELAN_OT_SIG_INST, currentSignalIoid, VELAN_OT_SUB_FRAME,
                      currentSubFrameIoid);
  }
  ConvertSignalCoding(numBits);
}

void cConverterBase::ConvertSignalCoding(uint32_t) {}

void cConverterBase::EvaluateAndWriteCoding(cCoding& coding) {
  coding.Evaluate();
  WriteCoding(coding);
  WriteInitValue(ctx, currentSignalIoid, coding);
}

void cConverterBase::WriteCoding(const cCoding& coding) {
  const uint64_t codingIoid =
      ctx->CreateChildObject(VELAN_OT_CODING, "", VELAN_OT_SIGNAL, currentSignalIoid);
  if (IsError()) return;
  ctx->SetPropertyU32(codingIoid, IDIP_COD_NUM_BITS_U32, coding.numBits);
  ctx->SetPropertyI16(codingIoid, IDIP_COD_DATA_TYPE_I16, coding.dataType);
  ctx->SetPropertyF64(codingIoid, IDIP_COD_FACTOR_F64, coding.factor);
  ctx->SetPropertyF64(codingIoid, IDIP_COD_OFFSET_F64, coding.offset);
  ctx->SetPropertyF64(codingIoid, IDIP_COD_MIN_VAL_F64, coding.minimum);
  ctx->SetPropertyF64(codingIoid, IDIP_COD_MAX_VAL_F64, coding.maximum);
  // The unit goes to the host without its terminating NUL.
  ctx->SetProperty(codingIoid, IDIP_COD_UNIT_STR, coding.unit,
                   static_cast<uint32_t>(std::strlen(coding.unit)));
  WriteValueDescriptions(ctx, codingIoid, coding);
}

void cConverter4::ConvertSignalMappings() {
  ConvertSignalMappingsIn(kArISignalToPduMappings);
}

// A mapping of a signal group has no I-SIGNAL-REF and ends here.
void cConverter4::ConvertSignalMapping() {
  ConvertSignalMappingBy(kArISignalRef);
}

void cConverter4::ConvertSignal() {
  ConvertSignalPlacement(false);
}

void cConverter4::ConvertSignalCoding(uint32_t numBits) {
  cCodingAr4 coding(ctx, currentSignal, numBits);
  EvaluateAndWriteCoding(coding);
}
