// Post-build variant selection: the criterion values the configuration
// chooses, resolved once per import, and the check of a VARIATION-POINT
// against them.
#ifndef VELANAR_IMPORT_VARIANT_H
#define VELANAR_IMPORT_VARIANT_H

#include <string>
#include <utility>
#include <vector>

class cConvertCtx;
class exElement;

struct cVariantChoice {
  // From the configuration: criterion (short name or full path) and value.
  std::vector<std::pair<std::string, std::string>> criteria;
  // From the configuration: name (short name or full path) of a
  // PREDEFINED-VARIANT; empty when none.
  std::string predefined;
  // Resolved against the input: each chosen criterion element and its value.
  std::vector<std::pair<const exElement*, std::string>> chosen;

  bool Requested() const { return !criteria.empty() || !predefined.empty(); }
};

// Resolves the configured names against the document. A name the input does
// not define is an error in the log and fails the import. Nothing happens
// when no variant is configured.
void ResolveVariantChoice(cConvertCtx* ctx);

// True when the element's VARIATION-POINT holds only post-build conditions
// and every one names a chosen criterion with an equal value. Without a
// chosen variant always false.
bool VariationPointKept(cConvertCtx* ctx, const exElement* variationPoint);

#endif
