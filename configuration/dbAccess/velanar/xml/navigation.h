// Element navigation: a plain layer that only navigates, and a reporting
// layer that reports what is missing or surprising at the element concerned
// and raises the import status to warning.
#ifndef VELANAR_XML_NAVIGATION_H
#define VELANAR_XML_NAVIGATION_H

#include <cstddef>
#include <cstdint>

#include "xml/document.h"

class cConvertCtx;

// Qualified names used by the navigation operations.
extern const char kArVariationPoint[];  // "AR:VARIATION-POINT"
extern const char kArShortName[];       // "AR:SHORT-NAME"
extern const char kArDesc[];            // "AR:DESC"
extern const char kArL2[];              // "AR:L-2"
extern const char kArV[];               // "AR:V"
extern const char kArEcuInstance[];     // "AR:ECU-INSTANCE"

// ---- Plain layer: no report, no status change. Absent elements give the
// empty result; texts are never null.

// The element exists, has a name, and the name equals `name`.
bool IsNamed(const exElement* element, const char* name);
// The child with that name that comes (n + 1)th in document order, or null.
const exElement* FindChild(const exElement* element, const char* name, size_t n = 0);
// Empties the list, then appends every child with that name in document order.
void CollectChildren(const exElement* element, const char* name, exElementVector& list);
// Number of children named "AR:V".
size_t CountValueChildren(const exElement* element);
// The element itself or its nearest ancestor with that name; never the document.
const exElement* FindAncestor(const exElement* element, const char* name);
// Text of the first AR:SHORT-NAME child; "" when there is none.
const char* GetShortName(const exElement* element);
// Text of the best AR:L-2 of the first AR:DESC child (FOR-ALL before EN before
// other languages); "" when there is none.
const char* GetDescription(const exElement* element);
// Pooled "AR:<word>-<suffix>"; "" when it cannot be made.
const char* BuildArName(exDocument* document, const char* word, const char* suffix);
// Raises StatusOutOfMemory (and gives "") when the name cannot be pooled.
const char* BuildArName(cConvertCtx* ctx, const char* word, const char* suffix);

// ---- Reporting layer. To warn means: a line in category Warn, subcategory 0,
// in the element message form at the element named.

// Writes the element message form in category Warn and the given
// subcategory; nothing when the element or its name is absent.
void ReportElement(cConvertCtx* ctx, uint32_t subcategory, const exElement* element,
                   const char* message);
// "missing <child> element" at the element. No status change.
void ReportMissingChild(cConvertCtx* ctx, const exElement* element, const char* childName);
// "invalid format" at the element. No status change.
void ReportInvalidFormat(cConvertCtx* ctx, const exElement* element);
// The first child with that name; a missing child warns and raises the status.
const exElement* RequireChild(cConvertCtx* ctx, const exElement* element, const char* name);
// The text of the first child with that name ("" may be a valid text); a
// missing child warns and raises the status.
const char* RequireChildText(cConvertCtx* ctx, const exElement* element, const char* name);
// The SHORT-NAME; an empty or missing one warns and raises the status.
const char* RequireShortName(cConvertCtx* ctx, const exElement* element);
// True when the element has a VARIATION-POINT child that the chosen
// post-build variant does not keep.
bool IsLeftOutByVariation(cConvertCtx* ctx, const exElement* element);
// True when the element has a VARIATION-POINT child that the chosen variant
// does not keep (then warns at it).
bool HasVariationPoint(cConvertCtx* ctx, const exElement* element);
// Removes (last to first) and warns about every element with a
// VARIATION-POINT child. The others keep their order.
void DropVariationPointMembers(cConvertCtx* ctx, exElementVector& list);
// CollectChildren without variation-point members, warning when fewer than
// `minimum` remain or, when `maximum` > 0 and not below `minimum`, more than
// `maximum`. The list keeps all remaining items.
void CollectChildrenCounted(cConvertCtx* ctx, const exElement* element, const char* name,
                            exElementVector& list, int32_t minimum, int32_t maximum);
// Collects the AR:<baseWord>-CONDITIONAL children (minimum 1). False, list
// untouched, when the status is an error.
bool CollectConditionals(cConvertCtx* ctx, const exElement* element, const char* baseWord,
                         int32_t maximum, exElementVector& list);
// The FIBEX-ELEMENT-REF of every FIBEX-ELEMENT-REF-CONDITIONAL child without
// variation point; discarded conditionals are reported once per reason.
void CollectFibexRefs(cConvertCtx* ctx, const exElement* element, exElementVector& list);
// The element or its nearest ECU-INSTANCE ancestor; warns when there is none.
const exElement* FindEcuInstance(cConvertCtx* ctx, const exElement* element);
// Checks the number of physical channels of a cluster (1 CAN, 2 LIN,
// 3 FlexRay); false (with a warning) when it does not fit the type.
bool CheckChannelCount(cConvertCtx* ctx, int32_t clusterType, const exElement* element,
                       int64_t count);

#endif
