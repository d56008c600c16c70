// Coding of signals: scaling from compu methods, unit, data type and range.
#include "convert/coding.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <utility>

#include "convert/values.h"
#include "import/convert_ctx.h"
#include "resolve/short_name_resolver.h"
#include "xml/navigation.h"

namespace {

const char kArNetworkRepresentationProps[] = "AR:NETWORK-REPRESENTATION-PROPS";
const char kArSwDataDefProps[] = "AR:SW-DATA-DEF-PROPS";
const char kArSwDataDefPropsVariants[] = "AR:SW-DATA-DEF-PROPS-VARIANTS";
const char kArSwDataDefPropsConditional[] = "AR:SW-DATA-DEF-PROPS-CONDITIONAL";
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
const char kArPhysConstrs[] = "AR:PHYS-CONSTRS";
const char kArSystemSignalRef[] = "AR:SYSTEM-SIGNAL-REF";
const char kArPhysicalProps[] = "AR:PHYSICAL-PROPS";
const char kArInitValue[] = "AR:INIT-VALUE";
const char kArNumericalValueSpecification[] = "AR:NUMERICAL-VALUE-SPECIFICATION";
const char kArConstantReference[] = "AR:CONSTANT-REFERENCE";
const char kArConstantRef[] = "AR:CONSTANT-REF";
const char kArValue[] = "AR:VALUE";
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

// Constant references followed for one initial value before giving up (a
// cycle of constants would otherwise never end).
constexpr int kMaxConstantDepth = 8;
// Units in the last place tried on either side of a physical initial value.
constexpr int kMaxUlpSteps = 16;

bool StartsNegative(const char* text) {
  while (*text == ' ' || *text == '\t' || *text == '\n' || *text == '\r') ++text;
  return *text == '-';
}

// One limit read with converter C, as a double.
template <class C>
bool ReadLimitAs(cConvertCtx* ctx, const exElement* parent, const char* name, double& value) {
  C converter(ctx);
  typename C::value_type read{};
  if (!ReadTypedChild(converter, read, parent, name)) return false;
  value = static_cast<double>(read);
  return true;
}

// The number of `name` children of `element` (none without element), with
// the first `room` of them in document order in `first`.
size_t FirstChildren(const exElement* element, const char* name, const exElement** first,
                     size_t room) {
  if (element == nullptr) return 0;
  size_t found = 0;
  const size_t count = element->ChildCount();
  for (size_t i = 0; i < count; ++i) {
    const exElement* child = element->Child(i);
    if (!IsNamed(child, name)) continue;
    if (found < room) first[found] = child;
    ++found;
  }
  return found;
}

double Clamp(double value, double low, double high) {
  return value < low ? low : (value > high ? high : value);
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
  if (ReadPhysicalRange()) return;
  if (ReadDataConstraint()) {
    // A constraint wider than the signal's bits can hold (a 1-bit signal
    // typed as an 8-bit integer) says no more than the bits allow.
    double low = 0.0;
    double high = 0.0;
    if (RawLimits(low, high)) {
      minimum = Clamp(minimum, low, high);
      maximum = Clamp(maximum, low, high);
    }
  } else {
    DefaultRange();
  }
  MakeRangePhysical();
}

bool cCoding::RawLimits(double& low, double& high) const {
  if (dataType == kCodingFloat || numBits == 0) return false;
  const uint32_t n = numBits < 64 ? numBits : 64;
  if (dataType == kCodingSigned) {
    const int64_t lowest = n == 64 ? INT64_MIN : -(int64_t{1} << (n - 1));
    const int64_t highest = n == 64 ? INT64_MAX : (int64_t{1} << (n - 1)) - 1;
    low = static_cast<double>(lowest);
    high = static_cast<double>(highest);
  } else {
    low = 0.0;
    high = static_cast<double>(n == 64 ? UINT64_MAX : (uint64_t{1} << n) - 1u);
  }
  return true;
}

bool cCoding::ReadLimit(const exElement* constraints, const char* name, double& value) {
  if (dataType == kCodingFloat)
    return ReadLimitAs<cValueConverterF64>(ctx, constraints, name, value);
  // An unsigned signal's limit written as a negative number means that
  // number (it is clamped to the raw range afterwards), not its two's
  // complement pattern.
  const exElement* limit = FindChild(constraints, name);
  const bool isSigned =
      dataType == kCodingSigned || (limit != nullptr && StartsNegative(limit->Text()));
  if (numBits > 32) {
    return isSigned ? ReadLimitAs<cValueConverterI64>(ctx, constraints, name, value)
                    : ReadLimitAs<cValueConverterU64>(ctx, constraints, name, value);
  }
  return isSigned ? ReadLimitAs<cValueConverterI32>(ctx, constraints, name, value)
                  : ReadLimitAs<cValueConverterU32>(ctx, constraints, name, value);
}

bool cCoding::ReadPhysicalRange() {
  if (dataConstraint == nullptr || !constraintOnSystemSignal) return false;
  const exElement* rule = nullptr;
  if (FirstChildren(FindChild(dataConstraint, kArDataConstrRules), kArDataConstrRule, &rule, 1) !=
          1 ||
      FindChild(rule, kArInternalConstrs) != nullptr) {
    return false;
  }
  const exElement* constraints = FindChild(rule, kArPhysConstrs);
  double low = 0.0;
  double high = 0.0;
  if (!ReadCoefficient(FindChild(constraints, kArLowerLimit), low) ||
      !ReadCoefficient(FindChild(constraints, kArUpperLimit), high)) {
    return false;
  }
  if (low > high) std::swap(low, high);
  // Within the physical image of the raw range, where there is one.
  double rawLow = 0.0;
  double rawHigh = 0.0;
  if (RawLimits(rawLow, rawHigh)) {
    double reachLow = factor * rawLow + offset;
    double reachHigh = factor * rawHigh + offset;
    if (reachLow > reachHigh) std::swap(reachLow, reachHigh);
    low = Clamp(low, reachLow, reachHigh);
    high = Clamp(high, reachLow, reachHigh);
  }
  minimum = low;
  maximum = high;
  return true;
}

bool cCoding::ReadDataConstraint() {
  if (dataConstraint == nullptr) return false;
  const exElement* rule = nullptr;
  if (FirstChildren(FindChild(dataConstraint, kArDataConstrRules), kArDataConstrRule, &rule, 1) !=
      1) {
    return false;
  }
  const exElement* constraints = FindChild(rule, kArInternalConstrs);

  double low = 0.0;
  double high = 0.0;
  if (!ReadLimit(constraints, kArLowerLimit, low)) return false;
  if (!ReadLimit(constraints, kArUpperLimit, high)) return false;
  minimum = low;
  maximum = high;
  return true;
}

void cCoding::DefaultRange() {
  if (dataType == kCodingFloat) return;
  // Longer signals reach the extremes of their own length (up to 64 bits).
  if (numBits > 32) {
    RawLimits(minimum, maximum);
    return;
  }
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

bool cCoding::ReadRawInitValue(double&) {
  return false;
}

bool cCoding::PhysicalInitValue(double& value) {
  double raw = 0.0;
  if (!ReadRawInitValue(raw)) return false;
  value = PhysicalValueOf(raw, factor, offset);
  return true;
}

double PhysicalValueOf(double raw, double factor, double offset) {
  const double guess = raw * factor + offset;
  if (factor == 0.0 || !std::isfinite(guess) || (guess - offset) / factor == raw) return guess;
  double above = guess;
  double below = guess;
  for (int step = 0; step < kMaxUlpSteps; ++step) {
    above = std::nextafter(above, HUGE_VAL);
    if ((above - offset) / factor == raw) return above;
    below = std::nextafter(below, -HUGE_VAL);
    if ((below - offset) / factor == raw) return below;
  }
  return guess;
}

bool ReadNumericalText(cConvertCtx* ctx, const char* text, double& value) {
  std::string number(text);
  const size_t first = number.find_first_not_of(" \t\r\n");
  if (first == std::string::npos) return false;
  number = number.substr(first, number.find_last_not_of(" \t\r\n") + 1 - first);
  const bool negative = number[0] == '-';
  const char* p = number.c_str() + ((number[0] == '+' || negative) ? 1 : 0);
  int base = 0;
  const char* digits = p;
  if (p[0] == '0' && (p[1] == 'x' || p[1] == 'X')) {
    base = 16;
    digits = p + 2;
  } else if (p[0] == '0' && (p[1] == 'b' || p[1] == 'B')) {
    base = 2;
    digits = p + 2;
  } else if (p[0] == '0' && p[1] != '\0' && std::strspn(p, "01234567") == std::strlen(p)) {
    base = 8;
  } else if (p[0] != '\0' && std::strspn(p, "0123456789") == std::strlen(p)) {
    base = 10;
  }
  if (base != 0) {
    if (*digits == '\0' || *digits == '-' || *digits == '+') return false;
    char* end = nullptr;
    const unsigned long long magnitude = std::strtoull(digits, &end, base);
    if (*end != '\0') return false;
    value = negative ? -static_cast<double>(magnitude) : static_cast<double>(magnitude);
    return true;
  }
  // A decimal fraction, nothing else (no trailing text, no INF or NaN).
  if (std::strspn(p, "0123456789.,eE+-") != std::strlen(p)) return false;
  cValueConverterF64 converter(ctx);
  return converter.Convert(number.c_str(), value) && std::isfinite(value);
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
  const exElement* values[2] = {nullptr, nullptr};
  size_t count = FirstChildren(FindChild(coeffs, kArCompuNumerator), kArV, values, 2);
  if (count > 2) return false;
  if (count >= 1 && !ReadCoefficient(values[0], n0)) return false;
  if (count == 2 && !ReadCoefficient(values[1], n1)) return false;

  double d = 1.0;
  count = FirstChildren(FindChild(coeffs, kArCompuDenominator), kArV, values, 1);
  if (count > 1) return false;
  if (count == 1) {
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

bool cCoding::IsTextTableScaleAt(size_t index) const {
  // Beyond the remembered scales (and without allocating, so that memory
  // running out changes nothing here) the answer is worked out each time.
  if (index >= kRememberedScales) return IsTextTableScale(scales[index]);
  signed char& known = textTableScales_[index];
  if (known < 0) known = IsTextTableScale(scales[index]) ? 1 : 0;
  return known == 1;
}

void cCoding::ComputeScaling() {
  uint32_t linear = 0;
  uint32_t unrecognised = 0;
  double linearFactor = 1.0;
  double linearOffset = 0.0;
  // The scales may have been collected anew.
  for (signed char& known : textTableScales_) known = -1;
  for (size_t i = 0; i < scales.size(); ++i) {
    const exElement* scale = scales[i];
    double scaleFactor = 1.0;
    double scaleOffset = 0.0;
    if (ReadRationalScale(scale, scaleFactor, scaleOffset)) {
      if (linear == 0) {
        linearFactor = scaleFactor;
        linearOffset = scaleOffset;
      }
      ++linear;
    } else if (!IsTextTableScaleAt(i)) {
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
  if (ctx->status.IsError()) return;
  // Mostly there is one conditional and nothing to report: then it is taken
  // without collecting. Otherwise the collection reports what it finds.
  const exElement* conditional = nullptr;
  size_t count = 0;
  if (!CountKeptChildren(ctx, variants, kArSwDataDefPropsConditional, count, conditional) ||
      count == 0) {
    exElementVector conditionals;
    CollectConditionals(ctx, variants, "SW-DATA-DEF-PROPS", 0, conditionals);
    if (conditionals.size() != 1) return;
    conditional = conditionals[0];
  } else if (count != 1) {
    return;
  }
  // The first reference of each kind, found in one pass.
  const exElement* refs[4] = {nullptr, nullptr, nullptr, nullptr};
  static const char* const kRefNames[4] = {kArBaseTypeRef, kArDataConstrRef, kArCompuMethodRef,
                                           kArImplementationDataTypeRef};
  const size_t children = conditional->ChildCount();
  for (size_t i = 0; i < children; ++i) {
    const exElement* child = conditional->Child(i);
    for (size_t k = 0; k < 4; ++k) {
      if (refs[k] == nullptr && IsNamed(child, kRefNames[k])) {
        refs[k] = child;
        break;
      }
    }
  }
  baseType = FindReferenceTarget(ctx, refs[0]);
  dataConstraint = FindReferenceTarget(ctx, refs[1]);
  compuMethod = FindReferenceTarget(ctx, refs[2]);
  implementationDataType = FindReferenceTarget(ctx, refs[3]);
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
  if (compuMethod == nullptr || dataConstraint == nullptr) {
    ReadSystemSignalProps();
    if (compuMethod == nullptr) compuMethod = systemCompuMethod;
    if (dataConstraint == nullptr) {
      dataConstraint = systemDataConstraint;
      constraintOnSystemSignal = dataConstraint != nullptr;
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
    ReadSystemSignalProps();
    unitElement = systemUnit;
  }
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

void cCodingAr4::ReadSystemSignalProps() {
  if (systemPropsRead) return;
  systemPropsRead = true;
  const exElement* systemSignal = FindReferenceTarget(ctx, FindChild(element, kArSystemSignalRef));
  const exElement* variants =
      FindChild(FindChild(systemSignal, kArPhysicalProps), kArSwDataDefPropsVariants);
  if (variants == nullptr) return;
  exElementVector conditionals;
  CollectConditionals(ctx, variants, "SW-DATA-DEF-PROPS", 0, conditionals);
  if (conditionals.size() != 1) return;
  const exElement* conditional = conditionals[0];
  systemCompuMethod = FindReferenceTarget(ctx, FindChild(conditional, kArCompuMethodRef));
  const exElement* constraint = FindReferenceTarget(ctx, FindChild(conditional, kArDataConstrRef));
  if (constraint != nullptr && !HasVariationPoint(ctx, constraint)) {
    systemDataConstraint = constraint;
  }
  const exElement* unitRef = FindChild(conditional, kArUnitRef);
  const exElement* unitTarget = FindReferenceTarget(ctx, unitRef);
  if (unitTarget != nullptr && !HasVariationPoint(ctx, unitRef)) systemUnit = unitTarget;
}

namespace {

// The child of a constant that holds its value: the one with a numerical
// value or a reference on to another constant.
const exElement* ConstantValueHolder(const exElement* constant) {
  for (size_t i = 0; constant != nullptr && i < constant->ChildCount(); ++i) {
    const exElement* child = constant->Child(i);
    if (FindChild(child, kArNumericalValueSpecification) != nullptr ||
        FindChild(child, kArConstantReference) != nullptr) {
      return child;
    }
  }
  return nullptr;
}

}  // namespace

// INIT-VALUE holds a numerical value, or a reference to a constant whose
// value element holds one (or refers on to another constant).
bool cCodingAr4::ReadRawInitValue(double& raw) {
  const exElement* holder = FindChild(element, kArInitValue);
  for (int depth = 0; holder != nullptr && depth < kMaxConstantDepth; ++depth) {
    const exElement* numerical = FindChild(holder, kArNumericalValueSpecification);
    if (numerical != nullptr) {
      const exElement* value = FindChild(numerical, kArValue);
      return value != nullptr && ReadNumericalText(ctx, value->Text(), raw);
    }
    const exElement* reference = FindChild(holder, kArConstantReference);
    const exElement* constant = FindReferenceTarget(ctx, FindChild(reference, kArConstantRef));
    holder = ConstantValueHolder(constant);
  }
  return false;
}
