// A quick count of the clusters in ARXML files, for the hint the tool adds
// when an import converted nothing because no SYSTEM lists a cluster.
#ifndef VELAN_TOOL_CLUSTER_CENSUS_H
#define VELAN_TOOL_CLUSTER_CENSUS_H

#include <cstddef>
#include <string>
#include <vector>

#include "diagnostics.h"
#include "import_config.h"

namespace velan_tool {

struct ClusterCensus {
  size_t can = 0, lin = 0, flexRay = 0;
  // Some FIBEX-ELEMENT-REF names a cluster (a SYSTEM lists one).
  bool systemListsCluster = false;
};

// Counts the cluster elements of the files by kind. Unreadable or broken
// files count as far as they could be read.
ClusterCensus CountClusters(const std::vector<std::string>& files);

// "(the file holds 1 CAN cluster; --all-clusters converts it)", or "" when
// the option would convert nothing.
std::string AllClustersHint(const ClusterCensus& census, size_t fileCount,
                            const ImportConfig& config);

// Appends the hint to the first error of `log` that says no cluster was
// found for want of a SYSTEM listing one, counting the clusters of the
// log's input files. Nothing when the configuration already converts every
// cluster or there is no such error.
void AddAllClustersHint(LogSummary* log, const ImportConfig& config);

}  // namespace velan_tool

#endif
