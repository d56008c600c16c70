// PDUs that wrap other PDUs: a secured PDU carries its payload PDU followed by
// the authentication fields; a container PDU carries several contained PDUs,
// each behind a header (identifier and length) or at a fixed offset. The
// wrapped PDUs' signals are placed in the PDU that the frame maps.
#include <cstdint>
#include <new>
#include <string>
#include <vector>

#include "convert/coding.h"
#include "convert/converter4.h"
#include "import/convert_ctx.h"
#include "import/scoped.h"
#include "resolve/short_name_resolver.h"
#include "velan/host_vocabulary.h"
#include "xml/navigation.h"

namespace {

const char kArIPduRef[] = "AR:I-PDU-REF";
const char kArLength[] = "AR:LENGTH";
const char kArISignalIPdu[] = "AR:I-SIGNAL-I-PDU";
const char kArMultiplexedIPdu[] = "AR:MULTIPLEXED-I-PDU";
const char kArSecuredIPdu[] = "AR:SECURED-I-PDU";
const char kArContainerIPdu[] = "AR:CONTAINER-I-PDU";
const char kArNmPdu[] = "AR:NM-PDU";
const char kArPayloadRef[] = "AR:PAYLOAD-REF";
const char kArSecureCommunicationProps[] = "AR:SECURE-COMMUNICATION-PROPS";
const char kArAuthenticationPropsRef[] = "AR:AUTHENTICATION-PROPS-REF";
const char kArFreshnessPropsRef[] = "AR:FRESHNESS-PROPS-REF";
const char kArAuthInfoTxLength[] = "AR:AUTH-INFO-TX-LENGTH";
const char kArFreshnessValueTxLength[] = "AR:FRESHNESS-VALUE-TX-LENGTH";
const char kArUseSecuredPduHeader[] = "AR:USE-SECURED-PDU-HEADER";
const char kArContainedPduTriggeringRefs[] = "AR:CONTAINED-PDU-TRIGGERING-REFS";
const char kArContainedPduTriggeringRef[] = "AR:CONTAINED-PDU-TRIGGERING-REF";
const char kArContainedIPduProps[] = "AR:CONTAINED-I-PDU-PROPS";
const char kArHeaderType[] = "AR:HEADER-TYPE";
const char kArHeaderIdShortHeader[] = "AR:HEADER-ID-SHORT-HEADER";
const char kArHeaderIdLongHeader[] = "AR:HEADER-ID-LONG-HEADER";
const char kArOffset[] = "AR:OFFSET";
const char kArContainerHeaderByteOrder[] = "AR:CONTAINER-I-PDU-HEADER-BYTE-ORDER";
const char kArISignalToPduMappings[] = "AR:I-SIGNAL-TO-PDU-MAPPINGS";
const char kArISignalToIPduMappings[] = "AR:I-SIGNAL-TO-I-PDU-MAPPINGS";
const char kArISignalRef[] = "AR:I-SIGNAL-REF";
const char kArSystemSignalRef[] = "AR:SYSTEM-SIGNAL-REF";
const char kArStaticParts[] = "AR:STATIC-PARTS";
const char kArDynamicParts[] = "AR:DYNAMIC-PARTS";
const char kArDynamicPartAlternatives[] = "AR:DYNAMIC-PART-ALTERNATIVES";
const char kArPduToFrameMappings[] = "AR:PDU-TO-FRAME-MAPPINGS";
const char kArPduRef[] = "AR:PDU-REF";

constexpr uint32_t kMostSignificantByteFirst = 1;
constexpr int kMaxWrapDepth = 4;

// A raw unsigned value of numBits bits: factor 1, offset 0, the full range.
class cRawCoding : public cCoding {
 public:
  cRawCoding(cConvertCtx* ctx, uint32_t bits) : cCoding(ctx, nullptr, bits) {}
  void Evaluate() override { DefaultRange(); }

 protected:
  void ReadCompuMethod() override {}
  void CollectScales() override {}
  void ReadUnitName() override {}
  void ReadBaseTypeEncoding() override {}
};

// Unsigned number of a child's text, silently 0 when absent or not numeric.
uint32_t ChildU32(cConvertCtx* ctx, const exElement* parent, const char* name) {
  const exElement* child = FindChild(parent, name);
  uint32_t value = 0;
  cValueConverterU32 converter(ctx);
  if (child == nullptr || !converter.Convert(child->Text(), value)) return 0;
  return value;
}

bool ChildTextIs(const exElement* parent, const char* name, const char* text) {
  const exElement* child = FindChild(parent, name);
  return child != nullptr && std::string(child->Text()) == text;
}

// Header sizes of a container by HEADER-TYPE (0 bits: no header).
struct cContainerHeader {
  uint32_t idBits = 0;
  uint32_t lengthBits = 0;
  const char* idName = nullptr;  // CONTAINED-I-PDU-PROPS child with the identifier
};

cContainerHeader HeaderOf(const exElement* container) {
  cContainerHeader header;
  if (ChildTextIs(container, kArHeaderType, "SHORT-HEADER")) {
    header = {24, 8, kArHeaderIdShortHeader};
  } else if (ChildTextIs(container, kArHeaderType, "LONG-HEADER")) {
    header = {32, 32, kArHeaderIdLongHeader};
  }
  return header;
}

// Bits of the secured PDU header that precedes the payload.
uint32_t SecuredHeaderBits(const exElement* secured) {
  const exElement* header = FindChild(secured, kArUseSecuredPduHeader);
  if (header == nullptr) return 0;
  const std::string text = header->Text();
  if (text == "SECURED-PDU-HEADER-08-BIT") return 8;
  if (text == "SECURED-PDU-HEADER-16-BIT") return 16;
  if (text == "SECURED-PDU-HEADER-32-BIT") return 32;
  return 0;
}

}  // namespace

// ---------------------------------------------------------------- lookups

const exElement* cConverter4::PduOfTriggering(const exElement* triggering, bool report) {
  const exElement* ref = FindChild(triggering, kArIPduRef);
  if (ref == nullptr) {
    if (report && triggering != nullptr) ReportMissingChild(ctx, triggering, kArIPduRef);
    return nullptr;
  }
  return report ? ResolveReference(ctx, ref) : FindReferenceTarget(ctx, ref);
}

const exElement* cConverter4::PayloadPduOf(const exElement* secured, bool report) {
  const exElement* ref =
      report ? RequireChild(ctx, secured, kArPayloadRef) : FindChild(secured, kArPayloadRef);
  if (ref == nullptr) return nullptr;
  const exElement* triggering = report ? ResolveReference(ctx, ref) : FindReferenceTarget(ctx, ref);
  return triggering == nullptr ? nullptr : PduOfTriggering(triggering, report);
}

void cConverter4::CollectContainedPdus(const exElement* container,
                                       std::vector<const exElement*>& out, bool report) {
  const exElement* refs = FindChild(container, kArContainedPduTriggeringRefs);
  for (size_t i = 0; refs != nullptr && i < refs->ChildCount(); ++i) {
    const exElement* ref = refs->Child(i);
    if (!IsNamed(ref, kArContainedPduTriggeringRef)) continue;
    const exElement* triggering =
        report ? ResolveReference(ctx, ref) : FindReferenceTarget(ctx, ref);
    if (triggering == nullptr) continue;
    const exElement* pdu = PduOfTriggering(triggering, report);
    if (pdu == nullptr) continue;
    try {
      out.push_back(pdu);
    } catch (const std::bad_alloc&) {
      ctx->status.RaiseError(StatusOutOfMemory);
      return;
    }
  }
}

// ---------------------------------------------------------------- generated signals

void cConverter4::CollectPduSignalNames(const exElement* pdu, int depth) {
  if (pdu == nullptr || depth > kMaxWrapDepth) return;
  if (IsNamed(pdu, kArSecuredIPdu)) {
    CollectPduSignalNames(PayloadPduOf(pdu, false), depth + 1);
    return;
  }
  if (IsNamed(pdu, kArContainerIPdu)) {
    std::vector<const exElement*> contained;
    CollectContainedPdus(pdu, contained, false);
    for (const exElement* part : contained) CollectPduSignalNames(part, depth + 1);
    return;
  }
  if (IsNamed(pdu, kArMultiplexedIPdu)) {
    frameSignalNames.insert("selector");
    const exElement* statics = FindChild(pdu, kArStaticParts);
    for (size_t i = 0; statics != nullptr && i < statics->ChildCount(); ++i) {
      CollectPduSignalNames(PduOfTriggering(statics->Child(i), false), depth + 1);
    }
    const exElement* dynamics = FindChild(pdu, kArDynamicParts);
    for (size_t i = 0; dynamics != nullptr && i < dynamics->ChildCount(); ++i) {
      const exElement* alternatives = FindChild(dynamics->Child(i), kArDynamicPartAlternatives);
      for (size_t a = 0; alternatives != nullptr && a < alternatives->ChildCount(); ++a) {
        CollectPduSignalNames(PduOfTriggering(alternatives->Child(a), false), depth + 1);
      }
    }
    return;
  }
  const exElement* mappings = FindChild(pdu, kArISignalToPduMappings);
  if (mappings == nullptr) mappings = FindChild(pdu, kArISignalToIPduMappings);
  for (size_t i = 0; mappings != nullptr && i < mappings->ChildCount(); ++i) {
    const exElement* signalRef = FindChild(mappings->Child(i), kArISignalRef);
    const exElement* signal = signalRef ? FindReferenceTarget(ctx, signalRef) : nullptr;
    const exElement* systemRef = FindChild(signal, kArSystemSignalRef);
    const exElement* system = systemRef ? FindReferenceTarget(ctx, systemRef) : nullptr;
    if (system != nullptr) frameSignalNames.insert(GetShortName(system));
  }
}

std::string cConverter4::FrameUniqueName(const std::string& base) {
  try {
    // The frame is the grandparent of the mapping (PDU-TO-FRAME-MAPPINGS).
    const exElement* mappings = currentPduMapping ? currentPduMapping->Parent() : nullptr;
    const exElement* frame = mappings ? mappings->Parent() : nullptr;
    if (frame != frameSignalNamesOf || currentCluster != frameSignalNamesCluster ||
        frame == nullptr) {
      frameSignalNames.clear();
      frameSignalNamesOf = frame;
      frameSignalNamesCluster = currentCluster;
      const exElement* list = FindChild(frame, kArPduToFrameMappings);
      for (size_t i = 0; list != nullptr && i < list->ChildCount(); ++i) {
        const exElement* ref = FindChild(list->Child(i), kArPduRef);
        if (ref != nullptr) CollectPduSignalNames(FindReferenceTarget(ctx, ref), 0);
      }
    }
    std::string name = base;
    for (uint32_t n = 1; frameSignalNames.count(name) != 0; ++n) {
      name = base + "_" + std::to_string(n);
    }
    frameSignalNames.insert(name);
    return name;
  } catch (const std::bad_alloc&) {
    ctx->status.RaiseError(StatusOutOfMemory);
    return std::string();
  }
}

void cConverter4::CreateRawSignal(const std::string& baseName, uint32_t streamBit, uint32_t numBits,
                                  bool bigEndian) {
  if (IsError() || numBits == 0 || currentPduRecord == nullptr) return;
  const std::string name = FrameUniqueName(baseName);
  if (name.empty()) return;
  // A big-endian field is given by its most significant bit, the first one
  // sent; a little-endian one (on a byte limit) by its first byte's bit 0.
  const uint32_t bit = streamBit + signalBitOffset;
  const uint32_t position = bigEndian ? (bit / 8) * 8 + 7 - bit % 8 : bit;

  cAutoRestore<uint64_t> instanceGuard(
      currentSigInstIoid,
      ctx->CreateChildObject(VELAN_OT_SIG_INST, "", VELAN_OT_PDU, currentPduRecord->ioid));
  if (IsError()) return;
  ctx->SetPropertyU16(currentSigInstIoid, IDIP_SGI_START_BIT_U16,
                      ctx->ConvertStartBit(bigEndian ? 1 : 0, position, numBits));
  ctx->SetPropertyI16(currentSigInstIoid, IDIP_SGI_BYTE_ORDER_I16, bigEndian ? 1 : 0);
  cAutoRestore<uint64_t> signalGuard(
      currentSignalIoid,
      ctx->CreateChildObject(VELAN_OT_SIGNAL, name.c_str(), VELAN_OT_SIG_INST, currentSigInstIoid));
  if (IsError()) return;
  if (currentSubFrameIoid != 0) {
    ctx->LinkToParent(VELAN_OT_SIG_INST, currentSignalIoid, VELAN_OT_SUB_FRAME,
                      currentSubFrameIoid);
  }
  cRawCoding coding(ctx, numBits);
  coding.Evaluate();
  WriteCoding(coding);
}

// ---------------------------------------------------------------- secured PDUs

void cConverter4::ConvertSecuredPduContents(const exElement* secured) {
  if (IsError() || currentPduInstIoid == 0) return;
  const exElement* payload = PayloadPduOf(secured, true);
  if (payload == nullptr) return;
  const uint32_t headerBits = SecuredHeaderBits(secured);
  {
    cAutoRestore<uint32_t> offsetGuard(signalBitOffset, signalBitOffset + headerBits);
    ConvertWrappedPduSignals(payload);
  }

  // The lengths are given in the secured PDU's own props or in the props
  // it refers to.
  const exElement* props = FindChild(secured, kArSecureCommunicationProps);
  auto length = [&](const char* refName, const char* lengthName) -> uint32_t {
    if (FindChild(props, lengthName) != nullptr) return ChildU32(ctx, props, lengthName);
    const exElement* ref = FindChild(secured, refName);
    return ref == nullptr ? 0 : ChildU32(ctx, ResolveReference(ctx, ref), lengthName);
  };
  const uint32_t freshnessBits = length(kArFreshnessPropsRef, kArFreshnessValueTxLength);
  const uint32_t authBits = length(kArAuthenticationPropsRef, kArAuthInfoTxLength);
  const uint32_t payloadBits = ChildU32(ctx, payload, kArLength) * 8;

  const std::string name = GetShortName(secured);
  CreateRawSignal(name + "_HeaderLength", 0, headerBits, true);
  CreateRawSignal(name + "_Freshness", headerBits + payloadBits, freshnessBits, true);
  CreateRawSignal(name + "_Authenticator", headerBits + payloadBits + freshnessBits, authBits,
                  true);
}

// ---------------------------------------------------------------- container PDUs

void cConverter4::ConvertWrappedPduSignals(const exElement* pdu) {
  cAutoRestore<const exElement*> pduGuard(currentPdu, pdu);
  if (IsNamed(pdu, kArISignalIPdu)) {
    ConvertSignalMappings();
  } else if (IsNamed(pdu, kArSecuredIPdu)) {
    ConvertSecuredPduContents(pdu);
  } else if (IsNamed(pdu, kArMultiplexedIPdu) && currentSubFrameIoid == 0) {
    ConvertMultiplexedPdu();
  } else if (IsNamed(pdu, kArNmPdu)) {
    ConvertOtherPduContents();
  } else {
    // A multiplexed PDU inside a container alternative would need a second
    // selector level, and containers do not nest.
    ReportElement(ctx, kSubWarnDefault, pdu,
                  "contents of this PDU kind inside a wrapping PDU are not converted");
  }
}

void cConverter4::ConvertContainedAtOffsets(const std::vector<const exElement*>& contained) {
  for (const exElement* pdu : contained) {
    if (IsError()) return;
    const exElement* props = FindChild(pdu, kArContainedIPduProps);
    // OFFSET counts bytes: contained PDUs are copied into the container
    // whole, so they always start on a byte boundary.
    const uint64_t offsetBits = uint64_t{ChildU32(ctx, props, kArOffset)} * 8u;
    if (offsetBits > UINT32_MAX - signalBitOffset) {
      ReportElement(ctx, kSubWarnDefault, pdu, "contained PDU offset out of range");
      continue;
    }
    cAutoRestore<uint32_t> offsetGuard(signalBitOffset,
                                       signalBitOffset + static_cast<uint32_t>(offsetBits));
    ConvertWrappedPduSignals(pdu);
  }
}

void cConverter4::ConvertContainerPduContents() {
  if (IsError() || currentPduInstIoid == 0 || currentPduRecord == nullptr) return;
  const exElement* container = currentPdu;
  std::vector<const exElement*> contained;
  CollectContainedPdus(container, contained, true);
  const cContainerHeader header = HeaderOf(container);

  if (header.idBits == 0) return ConvertContainedAtOffsets(contained);

  // The header byte order is one setting of the whole system.
  uint32_t byteOrder = kMostSignificantByteFirst;
  const exElement* orderElement = FindChild(systemElement, kArContainerHeaderByteOrder);
  if (orderElement != nullptr) packingByteOrder.Convert(orderElement->Text(), byteOrder);
  const bool bigEndian = byteOrder == kMostSignificantByteFirst;

  const std::string name = GetShortName(container);
  const std::string selectorName = FrameUniqueName(name + "_HeaderId");
  if (selectorName.empty()) return;
  const uint64_t selector = ctx->CreateChildObject(VELAN_OT_MULTIPLEXER, selectorName.c_str(),
                                                   VELAN_OT_PDU, currentPduRecord->ioid);
  if (IsError()) return;
  const uint32_t idPosition = signalBitOffset + (bigEndian ? 7 : 0);
  ctx->SetPropertyU16(selector, IDIP_MUX_SW_START_BIT_U16,
                      ctx->ConvertStartBit(bigEndian ? 1 : 0, idPosition, header.idBits));
  ctx->SetPropertyI16(selector, IDIP_MUX_SW_BYTE_ORDER_I16, bigEndian ? 1 : 0);
  ctx->SetPropertyU32(selector, IDIP_MUX_SW_NUM_BITS_U32, header.idBits);
  CreateRawSignal(name + "_HeaderLength", header.idBits, header.lengthBits, bigEndian);

  const uint32_t headerBits = header.idBits + header.lengthBits;
  for (const exElement* pdu : contained) {
    if (IsError()) return;
    const char* pduName = GetShortName(pdu);
    const exElement* idElement = FindChild(FindChild(pdu, kArContainedIPduProps), header.idName);
    uint32_t id = 0;
    cValueConverterU32 readU32(ctx);
    if (pduName[0] == '\0' || idElement == nullptr || !readU32.Convert(idElement->Text(), id)) {
      ReportElement(ctx, kSubWarnDefault, pdu,
                    "contained PDU without a header identifier of its container's header type; "
                    "left out");
      continue;
    }
    cAutoRestore<uint64_t> subFrameGuard(
        currentSubFrameIoid,
        ctx->CreateChildObject(VELAN_OT_SUB_FRAME, pduName, VELAN_OT_PDU, currentPduRecord->ioid));
    if (IsError() || currentSubFrameIoid == 0) continue;
    ctx->SetPropertyU32(currentSubFrameIoid, IDIP_SUBF_SWITCH_CODE_U32, id);
    cAutoRestore<uint32_t> offsetGuard(signalBitOffset, signalBitOffset + headerBits);
    ConvertWrappedPduSignals(pdu);
  }
}
