// A quick scan of the input for the clusters it holds, for the hint on
// --all-clusters when no SYSTEM lists one.
#include "cluster_census.h"

#include <expat.h>

#include <cstring>
#include <string>
#include <vector>

#include "xml_file.h"

namespace velan_tool {
namespace {

struct ClusterCensus {
  size_t can = 0, lin = 0, flexRay = 0;
  // Some FIBEX-ELEMENT-REF names a cluster (a SYSTEM lists one).
  bool systemListsCluster = false;
};

// The local part of an element name as written (prefix removed).
const char* LocalName(const XML_Char* name) {
  const char* colon = std::strrchr(name, ':');
  return colon ? colon + 1 : name;
}

bool EndsWith(const char* text, const char* tail) {
  const size_t n = std::strlen(text), m = std::strlen(tail);
  return n >= m && std::strcmp(text + n - m, tail) == 0;
}

void XMLCALL OnStart(void* data, const XML_Char* qname, const XML_Char** attrs) {
  auto* census = static_cast<ClusterCensus*>(data);
  const char* name = LocalName(qname);
  if (std::strcmp(name, "FIBEX-ELEMENT-REF") == 0) {
    for (int i = 0; attrs[i]; i += 2)
      if (std::strcmp(attrs[i], "DEST") == 0 && EndsWith(attrs[i + 1], "-CLUSTER"))
        census->systemListsCluster = true;
    return;
  }
  if (!EndsWith(name, "-CLUSTER")) return;
  if (std::strncmp(name, "CAN-", 4) == 0) ++census->can;
  if (std::strncmp(name, "LIN-", 4) == 0) ++census->lin;
  if (std::strncmp(name, "FLEXRAY-", 8) == 0) ++census->flexRay;
}

void CountFile(const std::string& path, ClusterCensus* census) {
  XML_Parser parser = XML_ParserCreate(nullptr);
  if (!parser) return;
  XML_SetUserData(parser, census);
  XML_SetStartElementHandler(parser, OnStart);
  ParseXmlFile(path, parser);
  XML_ParserFree(parser);
}

// Messages of the importer after which the clusters of a file set without
// a SYSTEM (or whose SYSTEM lists none) stay unconverted.
const char* const kNoClusterErrors[] = {
    "Cannot find \"<SYSTEM>\" element.",
    "Cannot find \"<FIBEX-ELEMENTS>\" element.",
    "Cannot find \"<FIBEX-ELEMENT-REFS>\" element.",
    "Could not find any cluster. Maybe the file has clusters of unsupported types only.",
};

ClusterCensus CountClusters(const std::vector<std::string>& files) {
  ClusterCensus census;
  for (const auto& path : files) CountFile(path, &census);
  return census;
}

std::string AllClustersHint(const ClusterCensus& census, size_t fileCount,
                            const ImportConfig& config) {
  std::vector<std::string> parts;
  size_t total = 0;
  auto add = [&](bool enabled, size_t n, const char* kind) {
    if (!enabled || n == 0) return;
    parts.push_back(std::to_string(n) + " " + kind + (n == 1 ? " cluster" : " clusters"));
    total += n;
  };
  add(config.CanEnabled(), census.can, "CAN");
  add(config.LinEnabled(), census.lin, "LIN");
  add(config.FlexRayEnabled(), census.flexRay, "FlexRay");
  if (total == 0) return std::string();
  std::string list = parts[0];
  for (size_t i = 1; i < parts.size(); ++i)
    list += (i + 1 == parts.size() ? " and " : ", ") + parts[i];
  return std::string("(the ") + (fileCount == 1 ? "file holds " : "files hold ") + list +
         "; --all-clusters converts " + (total == 1 ? "it)" : "them)");
}

}  // namespace

void AddAllClustersHint(LogSummary* log, const ImportConfig& config) {
  if (config.AllClusters()) return;
  for (auto& d : log->diagnostics) {
    if (d.severity != Diagnostic::kError || !d.file.empty()) continue;
    bool match = false;
    for (const char* m : kNoClusterErrors) match = match || d.message == m;
    if (!match) continue;
    std::vector<std::string> files;
    for (const auto& entry : log->files) files.push_back(entry.second);
    const ClusterCensus census = CountClusters(files);
    if (census.systemListsCluster) return;
    const std::string hint = AllClustersHint(census, files.size(), config);
    if (!hint.empty()) d.message += " " + hint;
    return;
  }
}

}  // namespace velan_tool
