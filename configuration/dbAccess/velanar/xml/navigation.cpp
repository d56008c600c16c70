#include "xml/navigation.h"

#include <cstring>
#include <string>

#include "import/convert_ctx.h"
#include "import/report.h"
#include "import/variant.h"

const char kArVariationPoint[] = "AR:VARIATION-POINT";
const char kArShortName[] = "AR:SHORT-NAME";
const char kArDesc[] = "AR:DESC";
const char kArL2[] = "AR:L-2";
const char kArV[] = "AR:V";
const char kArEcuInstance[] = "AR:ECU-INSTANCE";

namespace {

bool SameName(const char* a, const char* b) {
  // Pooled names are often the very same pointer.
  return a == b || (a != nullptr && b != nullptr && std::strcmp(a, b) == 0);
}

unsigned long long U64(uint64_t v) {
  return static_cast<unsigned long long>(v);
}

}  // namespace

// ---- Plain layer

bool IsNamed(const exElement* element, const char* name) {
  return element != nullptr && element->Name() != nullptr && name != nullptr &&
         SameName(element->Name(), name);
}

const exElement* FindChild(const exElement* element, const char* name, size_t n) {
  if (element == nullptr || name == nullptr) return nullptr;
  const size_t count = element->ChildCount();
  for (size_t i = 0; i < count; ++i) {
    const exElement* child = element->Child(i);
    if (IsNamed(child, name)) {
      if (n == 0) return child;
      --n;
    }
  }
  return nullptr;
}

void CollectChildren(const exElement* element, const char* name, exElementVector& list) {
  list.clear();
  if (element == nullptr || name == nullptr) return;
  const size_t count = element->ChildCount();
  for (size_t i = 0; i < count; ++i) {
    exElement* child = element->Child(i);
    if (IsNamed(child, name)) list.push_back(child);
  }
}

size_t CountValueChildren(const exElement* element) {
  if (element == nullptr) return 0;
  size_t found = 0;
  const size_t count = element->ChildCount();
  for (size_t i = 0; i < count; ++i) {
    if (IsNamed(element->Child(i), kArV)) ++found;
  }
  return found;
}

const exElement* FindAncestor(const exElement* element, const char* name) {
  for (const exElement* e = element; e != nullptr && e->Kind() != kElementDocument;
       e = e->Parent()) {
    if (IsNamed(e, name)) return e;
  }
  return nullptr;
}

const char* GetShortName(const exElement* element) {
  const exElement* shortName = FindChild(element, kArShortName);
  return shortName != nullptr ? shortName->Text() : "";
}

const char* GetDescription(const exElement* element) {
  const exElement* desc = FindChild(element, kArDesc);
  if (desc == nullptr) return "";
  const exElement* best = nullptr;
  int bestScore = 0;
  const size_t count = desc->ChildCount();
  for (size_t i = 0; i < count; ++i) {
    const exElement* l2 = desc->Child(i);
    if (!IsNamed(l2, kArL2)) continue;
    const char* language = l2->Attribute("L");
    int score;
    if (language == nullptr) {
      score = 1;
    } else if (*language == '\0') {
      score = 2;
    } else if (std::strcmp(language, "EN") == 0) {
      score = 4;
    } else if (std::strcmp(language, "FOR-ALL") == 0) {
      score = 5;
    } else {
      score = 3;
    }
    if (score > bestScore) {
      best = l2;
      bestScore = score;
    }
  }
  return best != nullptr ? best->Text() : "";
}

const char* BuildArName(exDocument* document, const char* word, const char* suffix) {
  if (document == nullptr) return "";
  try {
    std::string name("AR:");
    name += word ? word : "";
    name += '-';
    name += suffix ? suffix : "";
    const char* pooled = document->Intern(name.c_str(), name.size());
    return pooled ? pooled : "";
  } catch (...) {
    return "";
  }
}

const char* BuildArName(cConvertCtx* ctx, const char* word, const char* suffix) {
  const char* name = BuildArName(ctx ? ctx->document.Get() : nullptr, word, suffix);
  // A built name is never empty ("AR:-" at least): empty means out of memory,
  // and every search with it would come back empty-handed.
  if (ctx != nullptr && *name == '\0') ctx->status.RaiseError(StatusOutOfMemory);
  return name;
}

// ---- Reporting layer

void ReportElement(cConvertCtx* ctx, uint32_t subcategory, const exElement* element,
                   const char* message) {
  if (ctx == nullptr || element == nullptr || element->Name() == nullptr) return;
  // The file index climbs the parents: only look it up for a line that is written.
  if (!ctx->report.IsEnabled(kCatWarn, subcategory)) return;
  ctx->report.Write(kCatWarn, subcategory, VELANAR_ELEMENT_MESSAGE_FORMAT, element->Name(),
                    element->FileIndex(), U64(element->Line()), U64(element->Column()),
                    message ? message : "");
}

void ReportMissingChild(cConvertCtx* ctx, const exElement* element, const char* childName) {
  if (ctx == nullptr || element == nullptr || element->Name() == nullptr) return;
  if (!ctx->report.IsEnabled(kCatWarn, kSubWarnDefault)) return;
  try {
    std::string message("missing <");
    message += childName ? childName : "";
    message += "> element";
    ReportElement(ctx, kSubWarnDefault, element, message.c_str());
  } catch (...) {
  }
}

void ReportInvalidFormat(cConvertCtx* ctx, const exElement* element) {
  ReportElement(ctx, kSubWarnDefault, element, "invalid format");
}

const exElement* RequireChild(cConvertCtx* ctx, const exElement* element, const char* name) {
  if (element == nullptr) return nullptr;
  const exElement* child = FindChild(element, name);
  if (child != nullptr) return child;
  if (ctx != nullptr) ctx->status.RaiseWarning();
  ReportMissingChild(ctx, element, name);
  return nullptr;
}

const char* RequireChildText(cConvertCtx* ctx, const exElement* element, const char* name) {
  if (element == nullptr) return "";
  const exElement* child = FindChild(element, name);
  if (child == nullptr) {
    if (ctx != nullptr) ctx->status.RaiseWarning();
    ReportMissingChild(ctx, element, name);
    return "";
  }
  const char* text = child->Text();
  if (text == nullptr) {
    if (ctx != nullptr) ctx->status.RaiseWarning();
    ReportElement(ctx, kSubWarnDefault, child, "missing xml text");
    return "";
  }
  return text;
}

const char* RequireShortName(cConvertCtx* ctx, const exElement* element) {
  const char* name = GetShortName(element);
  if (*name != '\0') return name;
  if (ctx != nullptr) ctx->status.RaiseWarning();
  ReportMissingChild(ctx, element, "SHORT-NAME");
  return "";
}

bool IsLeftOutByVariation(cConvertCtx* ctx, const exElement* element) {
  const exElement* point = FindChild(element, kArVariationPoint);
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

const exElement* FindEcuInstance(cConvertCtx* ctx, const exElement* element) {
  if (element == nullptr) return nullptr;
  if (IsNamed(element, kArEcuInstance)) return element;
  const exElement* ecu = FindAncestor(element->Parent(), kArEcuInstance);
  if (ecu != nullptr) return ecu;
  // The leading blank is part of the message.
  ReportElement(ctx, kSubWarnDefault, element, " missing <AR:ECU-INSTANCE> parent");
  return nullptr;
}

bool CheckChannelCount(cConvertCtx* ctx, int32_t clusterType, const exElement* element,
                       int64_t count) {
  constexpr int32_t kCan = 1;
  constexpr int32_t kLin = 2;
  constexpr int32_t kFlexRay = 3;
  if (clusterType <= 0 || clusterType > kFlexRay) {
    if (ctx != nullptr) ctx->status.RaiseWarning();
    return false;
  }
  if (clusterType == kFlexRay && (count == 1 || count == 2)) return true;
  if ((clusterType == kCan || clusterType == kLin) && count == 1) return true;
  if (ctx != nullptr) ctx->status.RaiseWarning();
  ReportElement(ctx, kSubWarnDefault, element, "invalid number of <X-PHYSICAL-CHANNEL> elements");
  return false;
}
