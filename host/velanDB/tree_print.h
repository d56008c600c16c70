// Deterministic text of an object tree (see vdbPrintTree).
#ifndef VELAN_HOST_VELANDB_TREE_PRINT_H
#define VELAN_HOST_VELANDB_TREE_PRINT_H

#include <cstdint>
#include <string>

#include "store.h"

namespace vdb {

// Appends the tree below (and including) `root` to out. Caller holds the lock.
void FormatTree(Database& db, uint32_t root, std::string* out);

// The decoded value of one property as the print shows it.
std::string FormatValue(Database& db, const PropertyInfo& info, const std::string& bytes);

// A double in the shortest form that reads back to the same value,
// independent of the locale.
std::string FormatDouble(double value);

}  // namespace vdb

#endif
