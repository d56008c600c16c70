// Navigation and resolution that depend on the chosen variant and the context's tree.
#include "import/context_navigation.h"

#include <cstddef>
#include <string>

#include "import/convert_ctx.h"
#include "import/report.h"
#include "import/variant.h"
#include "resolve/name_match.h"
#include "resolve/short_name_resolver.h"

namespace {

unsigned long long U64(uint64_t v) {
  return static_cast<unsigned long long>(v);
}

}  // namespace

const char* BuildArName(cConvertCtx* ctx, const char* word, const char* suffix) {
  const char* name = BuildArName(ctx ? ctx->document.Get() : nullptr, word, suffix);
  // A built name is never empty ("AR:-" at least): empty means out of memory,
  // and every search with it would come back empty-handed.
  if (ctx != nullptr && *name == '\0') ctx->status.RaiseError(StatusOutOfMemory);
  return name;
}

bool IsLeftOutByVariation(cConvertCtx* ctx, const exElement* element) {
  // Asked of most elements the conversion meets, and mostly answered by
  // names that differ early: compared inline.
  const exElement* point = nullptr;
  const size_t count = element != nullptr ? element->ChildCount() : 0;
  for (size_t i = 0; i < count; ++i) {
    const exElement* child = element->Child(i);
    if (child != nullptr && child->Name() != nullptr &&
        SameNameInline(child->Name(), kArVariationPoint)) {
      point = child;
      break;
    }
  }
  return point != nullptr && !VariationPointKept(ctx, point);
}

bool HasVariationPoint(cConvertCtx* ctx, const exElement* element) {
  if (!IsLeftOutByVariation(ctx, element)) return false;
  ReportElement(ctx, kSubWarnDefault, element, "has <VARIATION-POINT> member");
  return true;
}

void DropVariationPointMembers(cConvertCtx* ctx, exElementVector& list) {
  for (size_t i = list.size(); i-- > 0;) {
    if (!IsLeftOutByVariation(ctx, list[i])) continue;
    ReportElement(ctx, kSubWarnDefault, list[i], "ignored (using <VARIATION-POINT> child)");
    list.erase(list.begin() + static_cast<std::ptrdiff_t>(i));
  }
}

void CollectChildrenCounted(cConvertCtx* ctx, const exElement* element, const char* name,
                            exElementVector& list, int32_t minimum, int32_t maximum) {
  CollectChildren(element, name, list);
  DropVariationPointMembers(ctx, list);
  if (ctx == nullptr) return;
  const int32_t found = static_cast<int32_t>(list.size());
  const bool hasElement = element != nullptr && element->Name() != nullptr;
  if (found < minimum) {
    ctx->status.RaiseWarning();
    if (hasElement && ctx->report.IsEnabled(kCatWarn, kSubWarnDefault)) {
      ctx->report.Write(kCatWarn, kSubWarnDefault,
                        "<%s> element (file=%d, line=%llu, column=%llu): found only %d <%s> "
                        "elements. Expected %d elements.",
                        element->Name(), element->FileIndex(), U64(element->Line()),
                        U64(element->Column()), found, name ? name : "", minimum);
    }
  } else if (maximum > 0 && maximum >= minimum && found > maximum) {
    // A maximum of 0 (or below the minimum) means no upper limit.
    ctx->status.RaiseWarning();
    if (hasElement && ctx->report.IsEnabled(kCatWarn, kSubWarnDefault)) {
      ctx->report.Write(kCatWarn, kSubWarnDefault,
                        "<%s> element (file=%d, line=%llu, column=%llu): found %d <%s>. "
                        "Expected %d elements only.",
                        element->Name(), element->FileIndex(), U64(element->Line()),
                        U64(element->Column()), found, name ? name : "", maximum);
    }
  }
}

bool CountKeptChildren(cConvertCtx* ctx, const exElement* element, const char* name, size_t& count,
                       const exElement*& first) {
  count = 0;
  first = nullptr;
  if (element == nullptr || name == nullptr) return true;
  const size_t children = element->ChildCount();
  for (size_t i = 0; i < children; ++i) {
    const exElement* child = element->Child(i);
    if (!IsNamed(child, name)) continue;
    if (IsLeftOutByVariation(ctx, child)) return false;
    if (count++ == 0) first = child;
  }
  return true;
}

bool CollectConditionals(cConvertCtx* ctx, const exElement* element, const char* baseWord,
                         int32_t maximum, exElementVector& list) {
  if (ctx == nullptr || ctx->status.IsError()) return false;
  list.clear();
  const char* name = BuildArName(ctx, baseWord, "CONDITIONAL");
  if (element != nullptr) CollectChildrenCounted(ctx, element, name, list, 1, maximum);
  return true;
}

void CollectFibexRefs(cConvertCtx* ctx, const exElement* element, exElementVector& list) {
  list.clear();
  if (ctx == nullptr || ctx->status.IsError()) return;
  const char* conditionalName = BuildArName(ctx, "FIBEX-ELEMENT", "REF-CONDITIONAL");
  const char* refName = BuildArName(ctx, "FIBEX-ELEMENT", "REF");
  bool droppedForVariation = false;
  bool droppedForMissingRef = false;
  const size_t count = element != nullptr ? element->ChildCount() : 0;
  for (size_t i = 0; i < count; ++i) {
    const exElement* conditional = element->Child(i);
    if (!IsNamed(conditional, conditionalName)) continue;
    if (IsLeftOutByVariation(ctx, conditional)) {
      droppedForVariation = true;
      continue;
    }
    const exElement* ref = FindChild(conditional, refName);
    if (ref == nullptr) {
      droppedForMissingRef = true;
      continue;
    }
    list.push_back(const_cast<exElement*>(ref));
  }
  if (droppedForVariation) {
    ctx->status.RaiseWarning();
    ctx->report.Write(kCatWarn, kSubWarnDefault, "Discarded <%s> elements. Found <%s> members.",
                      conditionalName, kArVariationPoint);
  }
  if (droppedForMissingRef) {
    ctx->status.RaiseWarning();
    ctx->report.Write(kCatWarn, kSubWarnDefault, "Discarded <%s> without <%s> members.",
                      conditionalName, refName);
  }
}

// ---- The context's resolver tree

void ListResolverTree(cConvertCtx* ctx) {
  if (ctx == nullptr) return;
  ListResolverTree(ctx, ctx->document.Get(), ctx->resolverRoot);
}

const exElement* FindReferenceTarget(cConvertCtx* ctx, const exElement* ref) {
  if (ctx == nullptr) return nullptr;
  bool outOfMemory = false;
  const exElement* target = FindReferenceTargetIn(ctx->resolverRoot, ref, &outOfMemory);
  if (outOfMemory) ctx->status.RaiseError(StatusOutOfMemory);
  return target;
}

const exElement* ResolveReference(cConvertCtx* ctx, const exElement* ref) {
  if (ctx == nullptr) return nullptr;
  const exElement* target = ResolveReferenceIn(ctx, ctx->resolverRoot, ref);
  if (target == nullptr) return nullptr;
  if (IsLeftOutByVariation(ctx, target)) {
    ctx->status.RaiseWarning();
    ReportElement(ctx, kSubWarnDefault, ref,
                  "Cannot resolve. Target has <VARIATION-POINT> member.");
    return nullptr;
  }
  return target;
}
