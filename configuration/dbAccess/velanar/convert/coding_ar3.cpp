// Coding of AUTOSAR 3 signals: the I-SIGNAL leads through its SYSTEM-SIGNAL
// and the system signal's data type to the compu method, base type and data
// constraint.
#include <cstring>

#include "convert/coding.h"
#include "convert/values.h"
#include "import/convert_ctx.h"
#include "resolve/short_name_resolver.h"
#include "xml/navigation.h"

const exElement* cCodingAr3::FollowRef(const exElement* parent, const char* name) {
  if (parent == nullptr) return nullptr;
  const exElement* ref = RequireChild(ctx, parent, name);
  if (ref == nullptr) return nullptr;
  return ResolveReference(ctx, ref);
}

void cCodingAr3::Evaluate() {
  if (ctx->status.IsError() || element == nullptr) return;
  const exElement* systemSignal = FollowRef(element, "AR:SYSTEM-SIGNAL-REF");
  const exElement* dataType = FollowRef(systemSignal, "AR:DATA-TYPE-REF");
  const exElement* props =
      dataType != nullptr ? RequireChild(ctx, dataType, "AR:SW-DATA-DEF-PROPS") : nullptr;
  compuMethod = FollowRef(props, "AR:COMPU-METHOD-REF");
  baseType = FollowRef(props, "AR:BASE-TYPE-REF");
  dataConstraint = FollowRef(props, "AR:DATA-CONSTR-REF");
  if (ctx->status.IsError()) return;

  ReadCompuMethod();
  ReadUnitName();
  ReadBaseTypeEncoding();
  ComputeRange();
}

void cCodingAr3::ReadCompuMethod() {
  if (compuMethod == nullptr) {
    ReportElement(ctx, kSubWarnScaling, element, "missing <COMPU-METHOD>");
    return;
  }
  unitElement = FindReferenceTarget(ctx, FindChild(compuMethod, "AR:UNIT-REF"));
  CollectScales();
  ComputeScaling();
}

void cCodingAr3::CollectScales() {
  scales.clear();
  const exElement* container =
      FindChild(FindChild(compuMethod, "AR:COMPU-INTERNAL-TO-PHYS"), "AR:COMPU-SCALES");
  if (container == nullptr) return;
  CollectChildren(container, "AR:COMPU-SCALE", scales);
}

void cCodingAr3::ReadUnitName() {
  if (unitElement == nullptr) {
    ReportElement(ctx, kSubWarnScaling, element, "missing <UNIT>");
    return;
  }
  const exElement* displayName = FindChild(unitElement, "AR:DISPLAY-NAME");
  if (displayName == nullptr) {
    ctx->status.RaiseWarning();
    ReportMissingChild(ctx, unitElement, "AR:DISPLAY-NAME");
    return;
  }
  if (displayName->Text()[0] != '\0') unit = displayName->Text();
}

void cCodingAr3::ReadBaseTypeEncoding() {
  if (baseType == nullptr) {
    ReportElement(ctx, kSubWarnScaling, element, "missing base type information");
    return;
  }
  cCv_BASE_TYPE_ENCODING converter(ctx);
  ReadTypedChild<int16_t>(converter, dataType, baseType, "AR:BASE-TYPE-ENCODING");
}

// The INIT-VALUE-REF of the I-SIGNAL, else of its SYSTEM-SIGNAL, names a
// literal (or the constant that holds it) with the raw value.
bool cCodingAr3::ReadRawInitValue(double& raw) {
  const exElement* ref = FindChild(element, "AR:INIT-VALUE-REF");
  if (ref == nullptr) {
    const exElement* systemSignal =
        FindReferenceTarget(ctx, FindChild(element, "AR:SYSTEM-SIGNAL-REF"));
    ref = FindChild(systemSignal, "AR:INIT-VALUE-REF");
  }
  const exElement* literal = FindReferenceTarget(ctx, ref);
  if (IsNamed(literal, "AR:CONSTANT-SPECIFICATION")) {
    const exElement* holder = FindChild(literal, "AR:VALUE");
    literal = holder != nullptr && holder->ChildCount() > 0 ? holder->Child(0) : nullptr;
  }
  const exElement* value = FindChild(literal, "AR:VALUE");
  if (value == nullptr) return false;
  if (IsNamed(literal, "AR:INTEGER-LITERAL") || IsNamed(literal, "AR:REAL-LITERAL")) {
    return ReadNumericalText(ctx, value->Text(), raw);
  }
  if (IsNamed(literal, "AR:BOOLEAN-LITERAL")) {
    cCv_BOOLEAN converter(ctx);
    bool flag = false;
    if (!converter.Convert(value->Text(), flag)) return false;
    raw = flag ? 1.0 : 0.0;
    return true;
  }
  return false;
}
