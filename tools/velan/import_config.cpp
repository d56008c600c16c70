// The importer's configuration file: the user's file read, the tool's
// options added, and the private copy written for one run.
#include "import_config.h"

#include "cleanup.h"

#include <dirent.h>
#include <expat.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <sstream>
#include <vector>

namespace velan_tool {
namespace {

// A configuration element of the configuration namespace.
struct Node {
  std::string name;  // local name
  std::optional<std::string> enabled;
  std::optional<std::string> nameAttr, valueAttr;  // "Name" and "Value"
  std::string text;
  std::vector<std::unique_ptr<Node>> children;

  const Node* Child(const char* local) const {
    for (const auto& c : children)
      if (c->name == local) return c.get();
    return nullptr;
  }
};

struct ParseState {
  std::unique_ptr<Node> root;  // the document element, when it is ours
  // Open elements; null for elements outside the namespace (and their content).
  std::vector<Node*> stack;
};

bool SplitName(const XML_Char* qname, std::string* local) {
  const char* sep = std::strchr(qname, '\x01');
  if (!sep) return false;
  if (std::string(qname, sep) != kConfigNamespace) return false;
  *local = sep + 1;
  return true;
}

void XMLCALL OnStart(void* data, const XML_Char* qname, const XML_Char** attrs) {
  auto* st = static_cast<ParseState*>(data);
  std::string local;
  Node* parent = st->stack.empty() ? nullptr : st->stack.back();
  bool ours = SplitName(qname, &local);
  if (!ours || (!st->stack.empty() && !parent) || (st->stack.empty() && st->root)) {
    st->stack.push_back(nullptr);
    return;
  }
  auto node = std::make_unique<Node>();
  node->name = local;
  for (int i = 0; attrs[i]; i += 2) {
    // Unprefixed attributes carry no namespace.
    if (std::strcmp(attrs[i], "Enabled") == 0) node->enabled = attrs[i + 1];
    if (std::strcmp(attrs[i], "Name") == 0) node->nameAttr = attrs[i + 1];
    if (std::strcmp(attrs[i], "Value") == 0) node->valueAttr = attrs[i + 1];
  }
  Node* raw = node.get();
  if (parent)
    parent->children.push_back(std::move(node));
  else
    st->root = std::move(node);
  st->stack.push_back(raw);
}

void XMLCALL OnEnd(void* data, const XML_Char*) {
  auto* st = static_cast<ParseState*>(data);
  if (!st->stack.empty()) st->stack.pop_back();
}

void XMLCALL OnText(void* data, const XML_Char* s, int len) {
  auto* st = static_cast<ParseState*>(data);
  if (!st->stack.empty() && st->stack.back()) st->stack.back()->text.append(s, len);
}

std::string Trim(const std::string& s) {
  size_t b = 0, e = s.size();
  while (b < e && static_cast<unsigned char>(s[b]) <= 0x20) ++b;
  while (e > b && static_cast<unsigned char>(s[e - 1]) <= 0x20) --e;
  return s.substr(b, e - b);
}

std::string XmlEscape(const std::string& s) {
  std::string out;
  for (char c : s) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

uint32_t EvaluateCategory(const Node* cat, int category) {
  if (!cat || !cat->enabled) return 0;
  if (*cat->enabled == "all") return ImportConfig::AllBits(category);
  if (*cat->enabled != "true") return 0;
  uint32_t bits = 0;
  for (uint32_t i = 0; i < velan_log::SubcategoryCount(category); ++i) {
    const Node* sub = cat->Child(velan_log::SubcategoryElement(category, i));
    if (sub && sub->enabled && (*sub->enabled == "true" || *sub->enabled == "all")) bits |= 1u << i;
  }
  return bits;
}

}  // namespace

bool ImportConfig::CanEnabled() const {
  return !policies || policies->can == "true";
}
bool ImportConfig::LinEnabled() const {
  return !policies || policies->lin == "true";
}
bool ImportConfig::FlexRayEnabled() const {
  return policies && policies->flexRay == "true";
}
bool ImportConfig::OnlySpecifiedFile() const {
  return policies && policies->fileSetPolicy == "UseSpecifiedARXMLOnly";
}
bool ImportConfig::AllClusters() const {
  return policies && policies->allClusters == "true";
}

// Writing a Policies element switches every cluster type to its explicit
// value, so the defaults are written out when the file had none.
static ImportConfig::Policies& EnsurePolicies(std::optional<ImportConfig::Policies>& p) {
  if (!p) {
    p.emplace();
    p->can = "true";
    p->lin = "true";
    p->flexRay = "false";
  }
  return *p;
}

void ImportConfig::EnableFlexRay() {
  EnsurePolicies(policies).flexRay = "true";
}
void ImportConfig::UseOnlySpecifiedFile() {
  EnsurePolicies(policies).fileSetPolicy = "UseSpecifiedARXMLOnly";
}
void ImportConfig::EnableAllClusters() {
  EnsurePolicies(policies).allClusters = "true";
}
void ImportConfig::ChooseCriterion(const std::string& name, const std::string& value) {
  if (!variant) variant.emplace();
  for (auto& c : variant->criteria) {
    if (c.first == name) {
      c.second = value;
      return;
    }
  }
  variant->criteria.emplace_back(name, value);
}
void ImportConfig::ChoosePredefinedVariant(const std::string& name) {
  if (!variant) variant.emplace();
  variant->predefined = name;
}
void ImportConfig::SetLog(const std::string& path) {
  logFile = path;
}
void ImportConfig::EnableAllCategories() {
  for (int c = 0; c < 4; ++c) categories[c] = AllBits(c);
  hasCategories = true;
}
void ImportConfig::EnableCategoryBits(int category, uint32_t bits) {
  categories[category] |= bits & AllBits(category);
  hasCategories = true;
}

std::string ImportConfig::ToXml() const {
  std::ostringstream x;
  x << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
  x << "<cfg:CONFIGURATION xmlns:cfg=\"" << kConfigNamespace << "\">\n";
  if (policies) {
    x << "  <cfg:Policies>\n";
    auto sw = [&](const char* name, const std::optional<std::string>& v) {
      if (v) x << "    <cfg:" << name << " Enabled=\"" << XmlEscape(*v) << "\"/>\n";
    };
    sw("CANCluster", policies->can);
    sw("LINCluster", policies->lin);
    sw("FlexRayCluster", policies->flexRay);
    sw("AllClusters", policies->allClusters);
    if (policies->fileSetPolicy)
      x << "    <cfg:FileSetPolicy>" << XmlEscape(*policies->fileSetPolicy)
        << "</cfg:FileSetPolicy>\n";
    x << "  </cfg:Policies>\n";
  }
  if (variant) {
    x << "  <cfg:Variant>\n";
    if (variant->predefined)
      x << "    <cfg:PredefinedVariant>" << XmlEscape(*variant->predefined)
        << "</cfg:PredefinedVariant>\n";
    for (const auto& c : variant->criteria)
      x << "    <cfg:Criterion Name=\"" << XmlEscape(c.first) << "\" Value=\""
        << XmlEscape(c.second) << "\"/>\n";
    x << "  </cfg:Variant>\n";
  }
  if (logFile) x << "  <cfg:LogFile>" << XmlEscape(*logFile) << "</cfg:LogFile>\n";
  if (hasCategories) {
    x << "  <cfg:CATEGORIES>\n";
    for (int c = 0; c < 4; ++c) {
      x << "    <cfg:" << velan_log::kCategoryElements[c] << " Enabled=\"true\">\n";
      for (uint32_t i = 0; i < velan_log::SubcategoryCount(c); ++i)
        x << "      <cfg:" << velan_log::SubcategoryElement(c, i) << " Enabled=\""
          << ((categories[c] >> i) & 1u ? "true" : "false") << "\"/>\n";
      x << "    </cfg:" << velan_log::kCategoryElements[c] << ">\n";
    }
    x << "  </cfg:CATEGORIES>\n";
  }
  x << "</cfg:CONFIGURATION>\n";
  return x.str();
}

bool ParseImportConfig(const std::string& text, ImportConfig* config, std::string* error) {
  *config = ImportConfig();
  ParseState st;
  XML_Parser parser = XML_ParserCreateNS(nullptr, '\x01');
  if (!parser) {
    *error = "out of memory";
    return false;
  }
  XML_SetUserData(parser, &st);
  XML_SetElementHandler(parser, OnStart, OnEnd);
  XML_SetCharacterDataHandler(parser, OnText);
  bool ok = XML_Parse(parser, text.data(), static_cast<int>(text.size()), 1) == XML_STATUS_OK;
  if (!ok) {
    *error = "line " + std::to_string(XML_GetCurrentLineNumber(parser)) + ": " +
             XML_ErrorString(XML_GetErrorCode(parser));
  }
  XML_ParserFree(parser);
  if (!ok) return false;
  const Node* root = st.root.get();
  if (!root || root->name != "CONFIGURATION") return true;

  if (const Node* pol = root->Child("Policies")) {
    ImportConfig::Policies p;
    if (const Node* n = pol->Child("CANCluster")) p.can = n->enabled.value_or("");
    if (const Node* n = pol->Child("LINCluster")) p.lin = n->enabled.value_or("");
    if (const Node* n = pol->Child("FlexRayCluster")) p.flexRay = n->enabled.value_or("");
    if (const Node* n = pol->Child("FileSetPolicy")) p.fileSetPolicy = Trim(n->text);
    if (const Node* n = pol->Child("AllClusters")) p.allClusters = n->enabled.value_or("");
    config->policies = p;
  }
  if (const Node* v = root->Child("Variant")) {
    ImportConfig::Variant variant;
    for (const auto& c : v->children) {
      if (c->name == "Criterion")
        variant.criteria.emplace_back(c->nameAttr.value_or(""), c->valueAttr.value_or(""));
    }
    // The importer takes the element text as it is.
    if (const Node* p = v->Child("PredefinedVariant")) variant.predefined = p->text;
    config->variant = variant;
  }
  if (const Node* log = root->Child("LogFile")) config->logFile = Trim(log->text);
  if (const Node* cats = root->Child("CATEGORIES")) {
    config->hasCategories = true;
    for (int c = 0; c < 4; ++c)
      config->categories[c] = EvaluateCategory(cats->Child(velan_log::kCategoryElements[c]), c);
  }
  return true;
}

bool ReadImportConfigFile(const std::string& path, ImportConfig* config, std::string* error) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    *error = path + ": " + std::strerror(errno);
    return false;
  }
  std::ostringstream buf;
  buf << in.rdbuf();
  std::string parseError;
  if (!ParseImportConfig(buf.str(), config, &parseError)) {
    *error = path + ": " + parseError;
    return false;
  }
  return true;
}

TempConfigFolder::~TempConfigFolder() {
  if (active_) {
    if (hadOld_)
      setenv("VELAN_CONFIG_DIR", oldValue_.c_str(), 1);
    else
      unsetenv("VELAN_CONFIG_DIR");
  }
  if (!folder_.empty()) {
    // The folder is private: remove whatever the import left in it.
    if (DIR* d = opendir(folder_.c_str())) {
      while (dirent* e = readdir(d)) {
        if (std::strcmp(e->d_name, ".") == 0 || std::strcmp(e->d_name, "..") == 0) continue;
        unlink((folder_ + "/" + e->d_name).c_str());
      }
      closedir(d);
    }
    rmdir(folder_.c_str());
  }
  for (int slot : slots_) UnregisterTemporary(slot);
}

bool TempConfigFolder::Create(std::string* error) {
  if (!folder_.empty()) return true;
  const char* tmp = std::getenv("TMPDIR");
  std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/velan-cfg-XXXXXX";
  std::vector<char> buf(pattern.begin(), pattern.end());
  buf.push_back('\0');
  InterruptBlock block;
  if (!mkdtemp(buf.data())) {
    *error = "cannot create a temporary folder: " + std::string(std::strerror(errno));
    return false;
  }
  folder_ = buf.data();
  slots_.push_back(RegisterTemporary(folder_));
  slots_.push_back(RegisterTemporary(folder_ + "/" + kConfigFileName));
  return true;
}

std::string TempConfigFolder::PathFor(const std::string& name) {
  std::string path = folder_ + "/" + name;
  slots_.push_back(RegisterTemporary(path));
  return path;
}

bool TempConfigFolder::Activate(const ImportConfig& config, std::string* error) {
  if (!Create(error)) return false;
  std::string path = folder_ + "/" + kConfigFileName;
  {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << config.ToXml();
    out.close();
    if (!out) {
      *error = "cannot write " + path;
      return false;
    }
  }
  if (!active_) {
    const char* old = std::getenv("VELAN_CONFIG_DIR");
    hadOld_ = old != nullptr;
    if (old) oldValue_ = old;
  }
  setenv("VELAN_CONFIG_DIR", folder_.c_str(), 1);
  active_ = true;
  return true;
}

}  // namespace velan_tool
