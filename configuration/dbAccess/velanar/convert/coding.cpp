// Coding of signals: scaling from compu methods, unit, data type and range.
#include "convert/coding.h"

#include <cstring>
#include <new>

#include "convert/values.h"
#include "import/convert_ctx.h"
#include "resolve/short_name_resolver.h"
#include "xml/navigation.h"

namespace {

const char kArNetworkRepresentationProps[] = "AR:NETWORK-REPRESENTATION-PROPS";
const char kArSwDataDefProps[] = "AR:SW-DATA-DEF-PROPS";
const char kArSwDataDefPropsVariants[] = "AR:SW-DATA-DEF-PROPS-VARIANTS";
const char kArBaseTypeRef[] = "AR:BASE-TYPE-REF";
const char kArDataConstrRef[] = "AR:DATA-CONSTR-REF";
const char kArCompuMethodRef[] = "AR:COMPU-METHOD-REF";
const char kArImplementationDataTypeRef[] = "AR:IMPLEMENTATION-DATA-TYPE-REF";
const char kArUnitRef[] = "AR:UNIT-REF";
const char kArCompuInternalToPhys[] = "AR:COMPU-INTERNAL-TO-PHYS";
const char kArCompuScales[] = "AR:COMPU-SCALES";
const char kArCompuScale[] = "AR:COMPU-SCALE";
const char kArCompuRationalCoeffs[] = "AR:COMPU-RATIONAL-COEFFS";
const char kArCompuNumerator[] = "AR:COMPU-NUMERATOR";
const char kArCompuDenominator[] = "AR:COMPU-DENOMINATOR";
const char kArLowerLimit[] = "AR:LOWER-LIMIT";
const char kArUpperLimit[] = "AR:UPPER-LIMIT";
const char kArCompuConst[] = "AR:COMPU-CONST";
const char kArVt[] = "AR:VT";
const char kArDisplayName[] = "AR:DISPLAY-NAME";
const char kArBaseTypeEncoding[] = "AR:BASE-TYPE-ENCODING";
const char kArDataConstrRules[] = "AR:DATA-CONSTR-RULES";
const char kArDataConstrRule[] = "AR:DATA-CONSTR-RULE";
const char kArInternalConstrs[] = "AR:INTERNAL-CONSTRS";
const char kIntervalType[] = "INTERVAL-TYPE";
const char kIntervalClosed[] = "CLOSED";

// The limit's interval is closed. Without the attribute it is closed too:
// that is the default the schema gives the attribute.
bool IsClosedLimit(const exElement* limit) {
  const char* type = limit->Attribute(kIntervalType);
  return type == nullptr || std::strcmp(type, kIntervalClosed) == 0;
}

// -2^(n-1) .. 2^(n-1)-1 for 1 <= n <= 32, computed as 32-bit values.
void SignedLimits(uint32_t n, int32_t& low, int32_t& high) {
  if (n == 0 || n > 32) {
    low = INT32_MIN;
    high = INT32_MAX;
    return;
  }
  const int64_t half = int64_t{1} << (n - 1);
  low = static_cast<int32_t>(-half);
  high = static_cast<int32_t>(half - 1);
}

uint32_t UnsignedMaximum(uint32_t n) {
  if (n == 0 || n >= 32) return UINT32_MAX;
  return (uint32_t{1} << n) - 1u;
}

}  // namespace

// ---------------------------------------------------------------- cCoding

cCoding::cCoding(cConvertCtx* context, const exElement* signalElement, uint32_t bits)
    : numBits(bits), ctx(context), element(signalElement) {}

cCoding::~cCoding() = default;

void cCoding::MakeRangePhysical() {
  double low = factor * minimum + offset;
  double high = factor * maximum + offset;
  if (low >= high) {
    const double swap = low;
    low = high;
    high = swap;
  }
  minimum = low;
  maximum = high;
}

void cCoding::ComputeRange() {
  if (!ReadDataConstraint()) DefaultRange();
  MakeRangePhysical();
}

bool cCoding::ReadDataConstraint() {
  if (dataConstraint == nullptr) return false;
  exElementVector rules;
  CollectChildren(FindChild(dataConstraint, kArDataConstrRules), kArDataConstrRule, rules);
  if (rules.size() != 1) return false;
  const exElement* constraints = FindChild(rules[0], kArInternalConstrs);

  double low = 0.0;
  double high = 0.0;
  if (dataType == kCodingSigned) {
    cValueConverterI32 converter(ctx);
    int32_t lowValue = 0;
    int32_t highValue = 0;
    if (!ReadTypedChild<int32_t>(converter, lowValue, constraints, kArLowerLimit)) return false;
    if (!ReadTypedChild<int32_t>(converter, highValue, constraints, kArUpperLimit)) return false;
    low = lowValue;
    high = highValue;
  } else if (dataType == kCodingFloat) {
    cValueConverterF64 converter(ctx);
    if (!ReadTypedChild<double>(converter, low, constraints, kArLowerLimit)) return false;
    if (!ReadTypedChild<double>(converter, high, constraints, kArUpperLimit)) return false;
  } else {
    cValueConverterU32 converter(ctx);
    uint32_t lowValue = 0;
    uint32_t highValue = 0;
    if (!ReadTypedChild<uint32_t>(converter, lowValue, constraints, kArLowerLimit)) return false;
    if (!ReadTypedChild<uint32_t>(converter, highValue, constraints, kArUpperLimit)) return false;
    low = lowValue;
    high = highValue;
  }
  minimum = low;
  maximum = high;
  return true;
}

void cCoding::DefaultRange() {
  if (dataType == kCodingFloat) return;
  if (dataType == kCodingSigned) {
    int32_t low = 0;
    int32_t high = 0;
    SignedLimits(numBits, low, high);
    minimum = low;
    maximum = high;
    return;
  }
  minimum = 0.0;
  maximum = UnsignedMaximum(numBits);
}

bool cCoding::ReadCoefficient(const exElement* v, double& value) const {
  value = 0.0;
  if (v == nullptr || v->Text()[0] == '\0') return false;
  cValueConverterF64 converter(ctx);
  return converter.Convert(v->Text(), value);
}

bool cCoding::ReadRationalScale(const exElement* scale, double& scaleFactor, double& scaleOffset) {
  const exElement* coeffs = FindChild(scale, kArCompuRationalCoeffs);
  if (coeffs == nullptr) return false;

  double n0 = 0.0;
  double n1 = 1.0;
  exElementVector values;
  CollectChildren(FindChild(coeffs, kArCompuNumerator), kArV, values);
  if (values.size() > 2) return false;
  if (values.size() >= 1 && !ReadCoefficient(values[0], n0)) return false;
  if (values.size() == 2 && !ReadCoefficient(values[1], n1)) return false;

  double d = 1.0;
  CollectChildren(FindChild(coeffs, kArCompuDenominator), kArV, values);
  if (values.size() > 1) return false;
  if (values.size() == 1) {
    if (!ReadCoefficient(values[0], d)) return false;
    if (d == 0.0) return false;
  }
  scaleFactor = n1 / d;
  scaleOffset = n0 / d;
  return true;
}

bool cCoding::IsTextTableScale(const exElement* scale) const {
  const exElement* lower = FindChild(scale, kArLowerLimit);
  const exElement* upper = FindChild(scale, kArUpperLimit);
  if (lower == nullptr || upper == nullptr) return false;
  double value = 0.0;
  if (!ReadCoefficient(lower, value) || !ReadCoefficient(upper, value)) return false;
  if (!IsClosedLimit(lower) || !IsClosedLimit(upper)) return false;
  if (std::strcmp(lower->Text(), upper->Text()) != 0) return false;
  const exElement* vt = FindChild(FindChild(scale, kArCompuConst), kArVt);
  return vt != nullptr && vt->Text()[0] != '\0';
}

void cCoding::ComputeScaling() {
  uint32_t linear = 0;
  uint32_t unrecognised = 0;
  double linearFactor = 1.0;
  double linearOffset = 0.0;
  for (const exElement* scale : scales) {
    double scaleFactor = 1.0;
    double scaleOffset = 0.0;
    if (ReadRationalScale(scale, scaleFactor, scaleOffset)) {
      if (linear == 0) {
        linearFactor = scaleFactor;
        linearOffset = scaleOffset;
      }
      ++linear;
    } else if (!IsTextTableScale(scale)) {
      ++unrecognised;
    }
  }
  if (unrecognised == 0 && linear == 1) {
    factor = linearFactor;
    offset = linearOffset;
    return;
  }
  ctx->status.RaiseWarning();
  ReportElement(ctx, kSubWarnScaling, compuMethod, "unknown declaration - attach 1:1 scaling");
}

// ---------------------------------------------------------------- chain

cSwDataDefProps::cSwDataDefProps(cConvertCtx* context, const exElement* props) : ctx(context) {
  const exElement* variants = FindChild(props, kArSwDataDefPropsVariants);
  if (variants == nullptr) {
    ctx->status.RaiseWarning();
    ReportMissingChild(ctx, props, kArSwDataDefPropsVariants);
    return;
  }
  exElementVector conditionals;
  CollectConditionals(ctx, variants, "SW-DATA-DEF-PROPS", 0, conditionals);
  if (conditionals.size() != 1) return;
  const exElement* conditional = conditionals[0];
  baseType = FindReferenceTarget(ctx, FindChild(conditional, kArBaseTypeRef));
  dataConstraint = FindReferenceTarget(ctx, FindChild(conditional, kArDataConstrRef));
  compuMethod = FindReferenceTarget(ctx, FindChild(conditional, kArCompuMethodRef));
  implementationDataType =
      FindReferenceTarget(ctx, FindChild(conditional, kArImplementationDataTypeRef));
}

void cSwDataDefPropsChain::Build(cConvertCtx* ctx, const exElement* signal) {
  clear();
  const exElement* props = FindChild(signal, kArNetworkRepresentationProps);
  if (props == nullptr) return;
  emplace_back(ctx, props);
  for (;;) {
    const exElement* dataType = back().implementationDataType;
    if (dataType == nullptr) return;
    props = FindChild(dataType, kArSwDataDefProps);
    if (props == nullptr) return;
    cSwDataDefProps record(ctx, props);
    // Each implementation data type enters the chain once: a type that leads
    // back to one already followed ends the chain.
    for (const cSwDataDefProps& earlier : *this) {
      if (earlier.implementationDataType == record.implementationDataType) return;
    }
    push_back(record);
  }
}

// ---------------------------------------------------------------- cCodingAr4

void cCodingAr4::Evaluate() {
  if (ctx->status.IsError() || element == nullptr) return;
  try {
    chain.Build(ctx, element);
  } catch (const std::bad_alloc&) {
    ctx->status.RaiseError(StatusOutOfMemory);
    return;
  }

  bool first = true;
  for (const cSwDataDefProps& record : chain) {
    if (first) {
      baseType = record.baseType;
      compuMethod = record.compuMethod;
      first = false;
      continue;
    }
    if (record.baseType != nullptr && record.baseType != baseType) {
      if (baseType == nullptr) {
        baseType = record.baseType;
      } else {
        ReportElement(ctx, kSubWarnScaling, element, "refers to several <BASE-TYPE> declarations");
      }
    }
    if (record.compuMethod != nullptr && record.compuMethod != compuMethod) {
      if (compuMethod == nullptr) {
        compuMethod = record.compuMethod;
      } else {
        ReportElement(ctx, kSubWarnScaling, element, "refers to several <COMPU-METHOD> instances");
      }
    }
  }
  for (const cSwDataDefProps& record : chain) {
    if (record.dataConstraint != nullptr && !HasVariationPoint(ctx, record.dataConstraint)) {
      dataConstraint = record.dataConstraint;
      break;
    }
  }

  ReadCompuMethod();
  ReadUnitName();
  ReadBaseTypeEncoding();
  ComputeRange();
}

void cCodingAr4::ReadCompuMethod() {
  if (compuMethod == nullptr) {
    ReportElement(ctx, kSubWarnScaling, element, "missing <COMPU-METHOD>");
    return;
  }
  if (HasVariationPoint(ctx, compuMethod)) return;
  const exElement* unitRef = FindChild(compuMethod, kArUnitRef);
  const exElement* unitTarget = FindReferenceTarget(ctx, unitRef);
  if (unitTarget != nullptr && !HasVariationPoint(ctx, unitRef)) unitElement = unitTarget;
  CollectScales();
  ComputeScaling();
}

void cCodingAr4::CollectScales() {
  scales.clear();
  const exElement* container =
      FindChild(FindChild(compuMethod, kArCompuInternalToPhys), kArCompuScales);
  if (container == nullptr) return;
  CollectChildren(container, kArCompuScale, scales);
  DropVariationPointMembers(ctx, scales);
}

void cCodingAr4::ReadUnitName() {
  if (unitElement == nullptr) {
    ReportElement(ctx, kSubWarnScaling, element, "missing <UNIT>");
    return;
  }
  if (HasVariationPoint(ctx, unitElement)) return;
  const exElement* displayName = FindChild(unitElement, kArDisplayName);
  if (displayName == nullptr) {
    ctx->status.RaiseWarning();
    ReportMissingChild(ctx, unitElement, kArDisplayName);
    return;
  }
  if (displayName->Text()[0] != '\0') unit = displayName->Text();
}

void cCodingAr4::ReadBaseTypeEncoding() {
  if (baseType == nullptr) {
    ReportElement(ctx, kSubWarnScaling, element, "missing <SW-BASE-TYPE>");
    return;
  }
  if (HasVariationPoint(ctx, baseType)) return;
  cCv_BASE_TYPE_ENCODING converter(ctx);
  ReadTypedChild<int16_t>(converter, dataType, baseType, kArBaseTypeEncoding);
}
