// Reads velanar-cfg.xml: cluster and file-set policies, variant, log file, categories.
#include "import/configuration.h"

#include <cstdio>
#include <cstring>

#include "import/bindings.h"
#include "import/convert_ctx.h"
#include "velan/log_categories.h"
#include "velan/velanfx.h"
#include "velan/velanthc.h"
#include "velan_platform.h"

namespace {

// The four readings of an "Enabled" attribute.
enum class Enabled { True, False, All, Other };

Enabled ReadEnabled(IfcXMLNode* node) {
  if (node == nullptr) return Enabled::Other;
  const char* value = node->Attribute("Enabled");
  if (value == nullptr) return Enabled::Other;
  if (std::strcmp(value, "true") == 0) return Enabled::True;
  if (std::strcmp(value, "false") == 0) return Enabled::False;
  if (std::strcmp(value, "all") == 0) return Enabled::All;
  return Enabled::Other;
}

// Room for "cfg:" and the longest category or subcategory element name.
constexpr size_t kElementSize = 64;

constexpr bool ElementNamesFit() {
  for (const velan_log::Subcategory& s : velan_log::kSubcategories) {
    size_t length = 0;
    while (s.element[length] != '\0') ++length;
    if (4 + length >= kElementSize) return false;
  }
  return true;
}
static_assert(ElementNamesFit(), "a subcategory element name does not fit kElementSize");

// The log file path, or "" when there is none.
std::string LogFilePath(const char* text, const std::string& importPath) {
  if (text == nullptr || *text == '\0') return std::string();
  if (std::strcmp(text, "UseFileName") != 0) return text;
  const size_t dot = importPath.rfind('.');
  if (dot == std::string::npos) return std::string();
  if (!vplat::EqualsIgnoreAsciiCase(importPath.substr(dot + 1), "arxml")) return std::string();
  return importPath + ".txt";
}

void ReadCategories(IfcXMLNode* configuration, cReport& report) {
  IfcXMLNode* categories = configuration->FirstChild("cfg:CATEGORIES", 0);
  // Without a CATEGORIES element the report keeps its default categories.
  if (categories == nullptr) return;
  for (uint32_t c = 0; c < kCategoryCount; ++c) {
    report.DisableAll(c);
    char element[kElementSize];
    std::snprintf(element, sizeof element, "cfg:%s", velan_log::kCategoryElements[c]);
    IfcXMLNode* category = categories->FirstChild(element, 0);
    if (category == nullptr) continue;
    switch (ReadEnabled(category)) {
      case Enabled::True:
        for (uint32_t s = 0; s < cReport::SubcategoryCount(c); ++s) {
          std::snprintf(element, sizeof element, "cfg:%s", velan_log::SubcategoryElement(c, s));
          const Enabled sub = ReadEnabled(category->FirstChild(element, 0));
          if (sub == Enabled::True || sub == Enabled::All) report.EnableSubcategory(c, s);
        }
        break;
      case Enabled::All:
        report.EnableAll(c);
        break;
      default:
        break;
    }
  }
}

void ReadPolicies(IfcXMLNode* configuration, cPolicies& policies) {
  IfcXMLNode* node = configuration->FirstChild("cfg:Policies", 0);
  if (node == nullptr) return;
  policies.canEnabled = ReadEnabled(node->FirstChild("cfg:CANCluster", 0)) == Enabled::True;
  policies.linEnabled = ReadEnabled(node->FirstChild("cfg:LINCluster", 0)) == Enabled::True;
  policies.flexRayEnabled = ReadEnabled(node->FirstChild("cfg:FlexRayCluster", 0)) == Enabled::True;
  policies.allClusters = ReadEnabled(node->FirstChild("cfg:AllClusters", 0)) == Enabled::True;
  IfcXMLNode* fileSet = node->FirstChild("cfg:FileSetPolicy", 0);
  if (fileSet != nullptr && std::strcmp(fileSet->Text(), "UseSpecifiedARXMLOnly") == 0) {
    policies.fileSetPolicy = 1;
  }
}

// cfg:Variant: cfg:Criterion elements (attributes "Name" and "Value") and an
// optional cfg:PredefinedVariant whose text names a predefined variant.
void ReadVariant(IfcXMLNode* configuration, cVariantChoice& variant) {
  IfcXMLNode* node = configuration->FirstChild("cfg:Variant", 0);
  if (node == nullptr) return;
  for (uint32_t i = 0;; ++i) {
    IfcXMLNode* criterion = node->FirstChild("cfg:Criterion", i);
    if (criterion == nullptr) break;
    const char* name = criterion->Attribute("Name");
    const char* value = criterion->Attribute("Value");
    variant.criteria.emplace_back(name ? name : "", value ? value : "");
  }
  IfcXMLNode* predefined = node->FirstChild("cfg:PredefinedVariant", 0);
  if (predefined != nullptr && predefined->Text() != nullptr) {
    variant.predefined = predefined->Text();
  }
}

}  // namespace

std::string ConfigurationPath() {
  char folder[1024];
  folder[0] = '\0';
  const int32_t result = VelanGetPath(2, 1, folder, sizeof(folder));
  folder[sizeof(folder) - 1] = '\0';
  if (result < 0 || folder[0] == '\0') return VELANAR_CONFIG_FILE_NAME;
  std::string path = folder;
  if (path.back() == '/') path.pop_back();
  path += '/';
  path += VELANAR_CONFIG_FILE_NAME;
  return path;
}

void ReadConfigurationFile(const std::string& configPath, const std::string& importPath,
                           cPolicies& policies, cReport& report, cVariantChoice* variant) {
  cLoadLibrary library;
  if (!library.Load(cLibraryName::Instance().ConfigurationReader())) return;
  QueryXMLParserFn query = reinterpret_cast<QueryXMLParserFn>(library.Function("QueryXMLParser"));
  if (query == nullptr) return;
  IfcXMLParser* reader = query();
  if (reader == nullptr) return;
  cAutoCleanup release([reader] { reader->Release(); });

  reader->BindNamespace(VELANAR_CONFIG_NAMESPACE, "cfg");
  reader->LoadFile(configPath.c_str());
  IfcXMLNode* root = reader->RootNode();
  if (root == nullptr) return;
  IfcXMLNode* configuration = root->FirstChild("cfg:CONFIGURATION", 0);
  if (configuration == nullptr) return;

  IfcXMLNode* logFile = configuration->FirstChild("cfg:LogFile", 0);
  const std::string logPath = LogFilePath(logFile ? logFile->Text() : nullptr, importPath);
  if (!logPath.empty() && report.OpenLogFile(logPath.c_str())) {
    ReadCategories(configuration, report);
  }
  ReadPolicies(configuration, policies);
  if (variant != nullptr) ReadVariant(configuration, *variant);
}

void ReadConfiguration(cConvertCtx* ctx) {
  ReadConfigurationFile(ConfigurationPath(), ctx->importPath, ctx->policies, ctx->report,
                        &ctx->variant);
}
