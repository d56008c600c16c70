// A quick scan of ARXML files for post-build variants: the criteria, the
// values their conditions test, and the predefined variants.
#include "variant_census.h"

#include <expat.h>

#include <cstring>

#include "xml_file.h"

namespace velan_tool {
namespace {

const char* LocalName(const XML_Char* name) {
  const char* colon = std::strrchr(name, ':');
  return colon ? colon + 1 : name;
}

struct Frame {
  std::string name;  // local element name
  std::string shortName;
};

struct Scan {
  VariantCensus* census;
  std::vector<Frame> stack;
  std::string text;
  // The variation point being read.
  bool inPoint = false, preBuild = false;
  std::vector<std::pair<std::string, std::string>> conditions;
  std::string ref, value;
  // Value sets by path, predefined variants with their set references.
  std::map<std::string, std::vector<std::pair<std::string, std::string>>> sets;
  std::vector<std::pair<std::string, std::vector<std::string>>> predefined;

  std::string Path() const {
    std::string path;
    for (const Frame& f : stack)
      if (!f.shortName.empty()) path += "/" + f.shortName;
    return path;
  }
  // The nearest open element with that name, or null.
  Frame* Open(const char* name) {
    for (size_t i = stack.size(); i-- > 0;)
      if (stack[i].name == name) return &stack[i];
    return nullptr;
  }
};

std::string Trim(const std::string& s) {
  const size_t b = s.find_first_not_of(" \t\r\n");
  if (b == std::string::npos) return std::string();
  return s.substr(b, s.find_last_not_of(" \t\r\n") - b + 1);
}

void XMLCALL OnStart(void* data, const XML_Char* qname, const XML_Char**) {
  auto* s = static_cast<Scan*>(data);
  const char* name = LocalName(qname);
  s->stack.push_back({name, std::string()});
  s->text.clear();
  if (std::strcmp(name, "VARIATION-POINT") == 0) {
    s->inPoint = true;
    s->preBuild = false;
    s->conditions.clear();
  } else if (std::strcmp(name, "PREDEFINED-VARIANT") == 0) {
    s->predefined.emplace_back();
  }
}

void XMLCALL OnText(void* data, const XML_Char* text, int len) {
  static_cast<Scan*>(data)->text.append(text, static_cast<size_t>(len));
}

void XMLCALL OnEnd(void* data, const XML_Char*) {
  auto* s = static_cast<Scan*>(data);
  const std::string name = s->stack.back().name;
  const std::string text = Trim(s->text);
  s->text.clear();
  if (name == "SHORT-NAME" && s->stack.size() >= 2) {
    s->stack[s->stack.size() - 2].shortName = text;
  } else if (name == "SW-SYSCOND" && s->inPoint) {
    s->preBuild = true;
  } else if (name == "MATCHING-CRITERION-REF" || name == "VARIANT-CRITERION-REF") {
    s->ref = text;
  } else if (name == "VALUE") {
    s->value = text;
  } else if (name == "POST-BUILD-VARIANT-CONDITION" && s->inPoint) {
    s->conditions.emplace_back(s->ref, s->value);
  } else if (name == "POST-BUILD-VARIANT-CRITERION-VALUE") {
    s->stack.pop_back();
    if (s->Open("POST-BUILD-VARIANT-CRITERION-VALUE-SET")) {
      std::string path = s->Path();
      s->sets[path].emplace_back(s->ref, s->value);
    }
    return;
  } else if (name == "POST-BUILD-VARIANT-CRITERION-VALUE-SET-REF" && !s->predefined.empty() &&
             s->Open("PREDEFINED-VARIANT")) {
    s->predefined.back().second.push_back(text);
  } else if (name == "PREDEFINED-VARIANT" && !s->predefined.empty()) {
    s->predefined.back().first = s->stack.back().shortName;
  } else if (name == "VARIATION-POINT") {
    s->inPoint = false;
    if (!s->preBuild && !s->conditions.empty()) {
      ++s->census->dependent;
      for (const auto& c : s->conditions) ++s->census->tested[c.first][c.second];
    }
  }
  s->stack.pop_back();
}

void ScanFile(const std::string& path, Scan* scan) {
  XML_Parser parser = XML_ParserCreate(nullptr);
  if (!parser) return;
  scan->stack.clear();
  XML_SetUserData(parser, scan);
  XML_SetElementHandler(parser, OnStart, OnEnd);
  XML_SetCharacterDataHandler(parser, OnText);
  ParseXmlFile(path, parser);
  XML_ParserFree(parser);
}

std::string Join(const std::map<std::string, size_t>& values) {
  std::string list;
  for (const auto& v : values) list += (list.empty() ? "" : ", ") + v.first;
  return list;
}

}  // namespace

VariantCensus CountVariants(const std::vector<std::string>& files) {
  VariantCensus census;
  Scan scan;
  scan.census = &census;
  for (const auto& path : files) ScanFile(path, &scan);
  for (const auto& p : scan.predefined) {
    VariantCensus::Predefined predefined{p.first, {}};
    for (const std::string& setPath : p.second) {
      auto it = scan.sets.find(setPath);
      if (it == scan.sets.end()) continue;
      for (const auto& v : it->second) predefined.values.push_back(v);
    }
    census.predefined.push_back(predefined);
  }
  return census;
}

std::string CriterionName(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string VariantNote(const VariantCensus& census) {
  if (census.dependent == 0 || census.tested.empty()) return std::string();
  std::string criteria, option;
  size_t i = 0;
  for (const auto& c : census.tested) {
    const std::string name = CriterionName(c.first);
    if (i > 0) criteria += (i + 1 == census.tested.size() ? " and " : ", ");
    criteria += name + " (values " + Join(c.second) + ")";
    option += " --variant " + name + "=VALUE";
    ++i;
  }
  return "note: " + std::to_string(census.dependent) +
         (census.dependent == 1 ? " element depends" : " elements depend") +
         (census.tested.size() == 1 ? " on post-build criterion " : " on post-build criteria ") +
         criteria + "; choose " + (census.tested.size() == 1 ? "one" : "them") + " with" + option;
}

std::string VariantListing(const VariantCensus& census) {
  std::string out;
  if (census.tested.empty()) out += "no post-build criterion\n";
  for (const auto& c : census.tested) {
    out += "criterion " + CriterionName(c.first) + " (" + c.first + ")\n";
    for (const auto& v : c.second)
      out += "  value " + v.first + ": " + std::to_string(v.second) +
             (v.second == 1 ? " element\n" : " elements\n");
  }
  for (const auto& p : census.predefined) {
    out += "predefined variant " + p.name + ":";
    for (const auto& v : p.values) out += " " + CriterionName(v.first) + "=" + v.second;
    out += "\n";
  }
  return out;
}

}  // namespace velan_tool
