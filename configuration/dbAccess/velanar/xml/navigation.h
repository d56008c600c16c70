// Element navigation: a plain layer that only navigates, and a reporting
// layer that reports what is missing or surprising at the element concerned
// and raises the import status to warning.
#ifndef VELANAR_XML_NAVIGATION_H
#define VELANAR_XML_NAVIGATION_H

#include <cstddef>
#include <cstdint>

#include "xml/document.h"

struct cDiagnostics;

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

// ---- Reporting layer. To warn means: a line in category Warn, subcategory 0,
// in the element message form at the element named.

// Writes the element message form in category Warn and the given
// subcategory; nothing when the element or its name is absent.
void ReportElement(cDiagnostics* diag, uint32_t subcategory, const exElement* element,
                   const char* message);
// "missing <child> element" at the element. No status change.
void ReportMissingChild(cDiagnostics* diag, const exElement* element, const char* childName);
// "invalid format" at the element. No status change.
void ReportInvalidFormat(cDiagnostics* diag, const exElement* element);
// The first child with that name; a missing child warns and raises the status.
const exElement* RequireChild(cDiagnostics* diag, const exElement* element, const char* name);
// The text of the first child with that name ("" may be a valid text); a
// missing child warns and raises the status.
const char* RequireChildText(cDiagnostics* diag, const exElement* element, const char* name);
// The SHORT-NAME; an empty or missing one warns and raises the status.
const char* RequireShortName(cDiagnostics* diag, const exElement* element);
// The element or its nearest ECU-INSTANCE ancestor; warns when there is none.
const exElement* FindEcuInstance(cDiagnostics* diag, const exElement* element);
// Checks the number of physical channels of a cluster (1 CAN, 2 LIN,
// 3 FlexRay); false (with a warning) when it does not fit the type.
bool CheckChannelCount(cDiagnostics* diag, int32_t clusterType, const exElement* element,
                       int64_t count);

#endif
