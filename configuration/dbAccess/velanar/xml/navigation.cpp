// Element navigation: plain lookups, and the reporting layer's warnings at elements.
#include "xml/navigation.h"

#include <cstring>
#include <string>

#include "import/diagnostics.h"

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

// ---- Reporting layer

void ReportElement(cDiagnostics* diag, uint32_t subcategory, const exElement* element,
                   const char* message) {
  if (diag == nullptr || element == nullptr || element->Name() == nullptr) return;
  // The file index climbs the parents: only look it up for a line that is written.
  if (!diag->report.IsEnabled(kCatWarn, subcategory)) return;
  diag->report.Write(kCatWarn, subcategory, VELANAR_ELEMENT_MESSAGE_FORMAT, element->Name(),
                     element->FileIndex(), U64(element->Line()), U64(element->Column()),
                     message ? message : "");
}

void ReportMissingChild(cDiagnostics* diag, const exElement* element, const char* childName) {
  if (diag == nullptr || element == nullptr || element->Name() == nullptr) return;
  if (!diag->report.IsEnabled(kCatWarn, kSubWarnDefault)) return;
  try {
    std::string message("missing <");
    message += childName ? childName : "";
    message += "> element";
    ReportElement(diag, kSubWarnDefault, element, message.c_str());
  } catch (...) {
  }
}

void ReportInvalidFormat(cDiagnostics* diag, const exElement* element) {
  ReportElement(diag, kSubWarnDefault, element, "invalid format");
}

const exElement* RequireChild(cDiagnostics* diag, const exElement* element, const char* name) {
  if (element == nullptr) return nullptr;
  const exElement* child = FindChild(element, name);
  if (child != nullptr) return child;
  if (diag != nullptr) diag->status.RaiseWarning();
  ReportMissingChild(diag, element, name);
  return nullptr;
}

const char* RequireChildText(cDiagnostics* diag, const exElement* element, const char* name) {
  if (element == nullptr) return "";
  const exElement* child = FindChild(element, name);
  if (child == nullptr) {
    if (diag != nullptr) diag->status.RaiseWarning();
    ReportMissingChild(diag, element, name);
    return "";
  }
  const char* text = child->Text();
  if (text == nullptr) {
    if (diag != nullptr) diag->status.RaiseWarning();
    ReportElement(diag, kSubWarnDefault, child, "missing xml text");
    return "";
  }
  return text;
}

const char* RequireShortName(cDiagnostics* diag, const exElement* element) {
  const char* name = GetShortName(element);
  if (*name != '\0') return name;
  if (diag != nullptr) diag->status.RaiseWarning();
  ReportMissingChild(diag, element, "SHORT-NAME");
  return "";
}

const exElement* FindEcuInstance(cDiagnostics* diag, const exElement* element) {
  if (element == nullptr) return nullptr;
  if (IsNamed(element, kArEcuInstance)) return element;
  const exElement* ecu = FindAncestor(element->Parent(), kArEcuInstance);
  if (ecu != nullptr) return ecu;
  // The leading blank is part of the message.
  ReportElement(diag, kSubWarnDefault, element, " missing <AR:ECU-INSTANCE> parent");
  return nullptr;
}

bool CheckChannelCount(cDiagnostics* diag, int32_t clusterType, const exElement* element,
                       int64_t count) {
  constexpr int32_t kCan = 1;
  constexpr int32_t kLin = 2;
  constexpr int32_t kFlexRay = 3;
  if (clusterType <= 0 || clusterType > kFlexRay) {
    if (diag != nullptr) diag->status.RaiseWarning();
    return false;
  }
  if (clusterType == kFlexRay && (count == 1 || count == 2)) return true;
  if ((clusterType == kCan || clusterType == kLin) && count == 1) return true;
  if (diag != nullptr) diag->status.RaiseWarning();
  ReportElement(diag, kSubWarnDefault, element, "invalid number of <X-PHYSICAL-CHANNEL> elements");
  return false;
}
