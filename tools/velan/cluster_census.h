// The hint the tool adds when an import converted nothing because no SYSTEM
// lists a cluster: a quick count of the clusters in the input files.
#ifndef VELAN_TOOL_CLUSTER_CENSUS_H
#define VELAN_TOOL_CLUSTER_CENSUS_H

#include "diagnostics.h"
#include "import_config.h"

namespace velan_tool {

// Appends "(the file holds 1 CAN cluster; --all-clusters converts it)" to
// the first error of `log` that says no cluster was found, when no SYSTEM
// of the log's input files lists a cluster and they hold clusters of
// enabled types. Nothing when the configuration already converts them.
void AddAllClustersHint(LogSummary* log, const ImportConfig& config);

}  // namespace velan_tool

#endif
