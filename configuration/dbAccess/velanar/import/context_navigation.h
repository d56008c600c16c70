// Navigation and reference resolution that need the whole conversion
// context: the chosen post-build variant decides which elements with a
// VARIATION-POINT stay, and the context owns the document and its resolver
// tree. The plain and reporting navigation below this is xml/navigation.h.
#ifndef VELANAR_IMPORT_CONTEXT_NAVIGATION_H
#define VELANAR_IMPORT_CONTEXT_NAVIGATION_H

#include <cstdint>

#include "xml/navigation.h"

class cConvertCtx;

// Pooled "AR:<word>-<suffix>" in the context's document; "" when it cannot
// be made, which raises StatusOutOfMemory.
const char* BuildArName(cConvertCtx* ctx, const char* word, const char* suffix);
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
// Counts the `name` children of `element` and gives the first of them, when
// none is left out by the chosen variant: then CollectChildrenCounted finds
// exactly these and reports nothing unless the count is off its limits.
// False (count and first not final) as soon as a child is left out.
bool CountKeptChildren(cConvertCtx* ctx, const exElement* element, const char* name, size_t& count,
                       const exElement*& first);
// Collects the AR:<baseWord>-CONDITIONAL children (minimum 1). False, list
// untouched, when the status is an error.
bool CollectConditionals(cConvertCtx* ctx, const exElement* element, const char* baseWord,
                         int32_t maximum, exElementVector& list);
// The FIBEX-ELEMENT-REF of every FIBEX-ELEMENT-REF-CONDITIONAL child without
// variation point; discarded conditionals are reported once per reason.
void CollectFibexRefs(cConvertCtx* ctx, const exElement* element, exElementVector& list);

// Resolver phase of an import: builds the tree of the context's document into
// its resolver root and lists it to the report (Debug, ListShortNameResolver).
// An incomplete tree (out of memory) is the error StatusOutOfMemory.
void ListResolverTree(cConvertCtx* ctx);
// Target of a reference element, or null. No report; the status changes only
// when memory runs out (StatusOutOfMemory).
const exElement* FindReferenceTarget(cConvertCtx* ctx, const exElement* ref);
// Same with reporting: "unresolved reference", or a refused target that has a
// VARIATION-POINT child; both warn. A null reference only raises a warning.
const exElement* ResolveReference(cConvertCtx* ctx, const exElement* ref);

#endif
