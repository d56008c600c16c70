// Quick comparison of element names with a wanted qualified name: the
// document pools its names, so a name that is the document's copy of the
// wanted name matches without comparing bytes; any other name is compared
// byte by byte, inline, as names mostly differ right after their namespace
// prefix.
#ifndef VELANAR_RESOLVE_NAME_MATCH_H
#define VELANAR_RESOLVE_NAME_MATCH_H

#include "xml/document.h"

// True when the name equals the wanted one (both NUL-terminated).
inline bool SameNameInline(const char* name, const char* wanted) {
  for (;; ++name, ++wanted) {
    if (*name != *wanted) return false;
    if (*name == '\0') return true;
  }
}

// A wanted name with the document's pooled copy of it (the name itself when
// the document has no copy, or there is no document).
struct cNameMatch {
  cNameMatch(const exElement* anyElement, const char* wantedName) : wanted(wantedName) {
    const exElement* e = anyElement;
    while (e != nullptr && e->Kind() != kElementDocument) e = e->Parent();
    const char* copy = e != nullptr ? static_cast<const exDocument*>(e)->Find(wanted) : nullptr;
    pooled = copy != nullptr ? copy : wanted;
  }

  // True when `name` equals the wanted name.
  bool Matches(const char* name) const {
    if (name == pooled) return true;
    return name != nullptr && SameNameInline(name, wanted);
  }
  // True when the element exists and has the wanted name.
  bool Matches(const exElement* element) const {
    return element != nullptr && Matches(element->Name());
  }

  const char* wanted;
  const char* pooled;
};

#endif
