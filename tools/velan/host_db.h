// What the tool reads from the host database: the clusters of a database
// through the read view, and the object tree as JSON.
#ifndef VELAN_TOOL_HOST_DB_H
#define VELAN_TOOL_HOST_DB_H

#include <cstdint>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "velan/velandb_read.h"

namespace velan_tool {

// Cluster protocols of the read view.
enum : uint32_t { kProtocolCan = 0, kProtocolFlexRay = 1, kProtocolLin = 2 };

struct ClusterInfo {
  uint32_t ref = 0;
  std::string name;
  uint32_t protocol = 0;
  size_t frames = 0, signals = 0, ecus = 0;

  const char* ProtocolName() const;
};

// Reads every cluster of a database (its reference is the host handle).
bool ReadClusters(uint32_t database, std::vector<ClusterInfo>* clusters, std::string* error);

// "code 0x..., detail 0x...: <text>" for a status record that holds an error.
std::string DescribeStatus(const dbaStatus& status);

// The object tree below `root` (an object identifier; the host handle gives
// the whole database): objects with type, name, identifier, number,
// properties by name with decoded values, extra parents and children.
nlohmann::ordered_json ObjectTreeJson(uint64_t root);

// Name of a property identifier ("0x%08X" when it has none).
std::string PropertyName(uint32_t propertyId);
std::string ObjectTypeName(uint32_t type);

}  // namespace velan_tool

#endif
