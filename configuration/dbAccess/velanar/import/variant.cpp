// Resolving the configured post-build variant and testing VARIATION-POINTs against it.
#include "import/variant.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "import/convert_ctx.h"
#include "resolve/short_name_resolver.h"
#include "xml/document.h"
#include "xml/navigation.h"

namespace {

const char kCriterion[] = "AR:POST-BUILD-VARIANT-CRITERION";
const char kPredefined[] = "AR:PREDEFINED-VARIANT";

std::string Trimmed(const char* text) {
  if (text == nullptr) return std::string();
  const char* begin = text;
  while (*begin == ' ' || *begin == '\t' || *begin == '\r' || *begin == '\n') ++begin;
  const char* end = begin + std::strlen(begin);
  while (end > begin && (end[-1] == ' ' || end[-1] == '\t' || end[-1] == '\r' || end[-1] == '\n'))
    --end;
  return std::string(begin, end);
}

// Values compare as integers when both are integers ("01" equals "1"), else
// as texts.
bool SameValue(const std::string& a, const std::string& b) {
  if (a == b) return true;
  char* endA = nullptr;
  char* endB = nullptr;
  errno = 0;
  const long long x = std::strtoll(a.c_str(), &endA, 0);
  const long long y = std::strtoll(b.c_str(), &endB, 0);
  return errno == 0 && !a.empty() && !b.empty() && *endA == '\0' && *endB == '\0' && x == y;
}

// The absolute path of an element from the SHORT-NAMEs of it and its
// ancestors.
std::string PathOf(const exElement* element) {
  std::string path;
  for (const exElement* e = element; e != nullptr; e = e->Parent()) {
    const char* name = GetShortName(e);
    if (*name != '\0') path = "/" + std::string(name) + path;
  }
  return path;
}

// Every element named `name` in document order.
void CollectNamed(const exElement* element, const char* name, exElementVector& list) {
  if (element == nullptr) return;
  if (IsNamed(element, name)) list.push_back(const_cast<exElement*>(element));
  for (size_t i = 0; i < element->ChildCount(); ++i) CollectNamed(element->Child(i), name, list);
}

// The element whose short name or path is `name`; null when none.
const exElement* FindByName(const exElementVector& list, const std::string& name) {
  const bool isPath = !name.empty() && name[0] == '/';
  for (const exElement* e : list) {
    if (isPath ? PathOf(e) == name : name == GetShortName(e)) return e;
  }
  return nullptr;
}

void Choose(cVariantChoice& v, const exElement* criterion, const std::string& value) {
  for (auto& c : v.chosen) {
    if (c.first == criterion) {
      c.second = value;
      return;
    }
  }
  v.chosen.emplace_back(criterion, value);
}

void Fail(cConvertCtx* ctx, const char* what, const std::string& name) {
  ctx->status.RaiseError(StatusNoInput);
  ctx->report.Write(kCatErr, kSubErrDefault, "variant: the input defines no %s \"%s\"", what,
                    name.c_str());
}

// The criterion values of a predefined variant's value sets.
bool TakePredefined(cConvertCtx* ctx, const exElement* variant) {
  exElementVector refs;
  CollectChildren(FindChild(variant, "AR:POST-BUILD-VARIANT-CRITERION-VALUE-SET-REFS"),
                  "AR:POST-BUILD-VARIANT-CRITERION-VALUE-SET-REF", refs);
  for (const exElement* ref : refs) {
    const exElement* set = FindReferenceTarget(ctx, ref);
    if (set == nullptr) {
      Fail(ctx, "POST-BUILD-VARIANT-CRITERION-VALUE-SET", Trimmed(ref->Text()));
      return false;
    }
    exElementVector values;
    CollectChildren(FindChild(set, "AR:POST-BUILD-VARIANT-CRITERION-VALUES"),
                    "AR:POST-BUILD-VARIANT-CRITERION-VALUE", values);
    for (const exElement* value : values) {
      const exElement* criterionRef = FindChild(value, "AR:VARIANT-CRITERION-REF");
      const exElement* criterion = FindReferenceTarget(ctx, criterionRef);
      if (criterion == nullptr) {
        Fail(ctx, "POST-BUILD-VARIANT-CRITERION",
             criterionRef ? Trimmed(criterionRef->Text()) : std::string());
        return false;
      }
      const exElement* text = FindChild(value, "AR:VALUE");
      Choose(ctx->variant, criterion, Trimmed(text ? text->Text() : nullptr));
    }
  }
  return true;
}

}  // namespace

void ResolveVariantChoice(cConvertCtx* ctx) {
  cVariantChoice& v = ctx->variant;
  v.chosen.clear();
  if (!v.Requested() || ctx->status.IsError()) return;
  const exElement* root = ctx->document.Get();
  if (!v.predefined.empty()) {
    exElementVector variants;
    CollectNamed(root, kPredefined, variants);
    const exElement* variant = FindByName(variants, v.predefined);
    if (variant == nullptr) return Fail(ctx, "PREDEFINED-VARIANT", v.predefined);
    if (!TakePredefined(ctx, variant)) return;
  }
  // Values named one by one override those of the predefined variant.
  exElementVector criteria;
  if (!v.criteria.empty()) CollectNamed(root, kCriterion, criteria);
  for (const auto& c : v.criteria) {
    const exElement* criterion = FindByName(criteria, c.first);
    if (criterion == nullptr) return Fail(ctx, "POST-BUILD-VARIANT-CRITERION", c.first);
    Choose(v, criterion, Trimmed(c.second.c_str()));
  }
  for (const auto& c : v.chosen) {
    ctx->report.Write(kCatInfo, kSubInfoDefault, "variant: %s = %s", PathOf(c.first).c_str(),
                      c.second.c_str());
  }
}

bool VariationPointKept(cConvertCtx* ctx, const exElement* variationPoint) {
  if (ctx == nullptr || ctx->variant.chosen.empty() || variationPoint == nullptr) return false;
  // A pre-build condition is never evaluated here.
  if (FindChild(variationPoint, "AR:SW-SYSCOND") != nullptr) return false;
  const exElement* list = FindChild(variationPoint, "AR:POST-BUILD-VARIANT-CONDITIONS");
  if (list == nullptr) return false;
  size_t conditions = 0;
  for (size_t i = 0; i < list->ChildCount(); ++i) {
    const exElement* condition = list->Child(i);
    if (!IsNamed(condition, "AR:POST-BUILD-VARIANT-CONDITION")) continue;
    ++conditions;
    const exElement* criterion =
        FindReferenceTarget(ctx, FindChild(condition, "AR:MATCHING-CRITERION-REF"));
    const exElement* value = FindChild(condition, "AR:VALUE");
    bool matched = false;
    for (const auto& c : ctx->variant.chosen) {
      if (c.first == criterion) {
        matched =
            criterion != nullptr && value != nullptr && SameValue(c.second, Trimmed(value->Text()));
        break;
      }
    }
    if (!matched) return false;
  }
  return conditions > 0;
}
