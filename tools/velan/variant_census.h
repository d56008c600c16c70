// A quick scan of ARXML files for post-build variants: the criteria the
// variation points test, the values they test, and the predefined variants.
#ifndef VELAN_TOOL_VARIANT_CENSUS_H
#define VELAN_TOOL_VARIANT_CENSUS_H

#include <cstddef>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace velan_tool {

struct VariantCensus {
  // Criterion reference text -> tested value -> number of elements whose
  // post-build conditions test that value.
  std::map<std::string, std::map<std::string, size_t>> tested;
  // Elements with post-build conditions only (no pre-build condition).
  size_t dependent = 0;
  struct Predefined {
    std::string name;
    std::vector<std::pair<std::string, std::string>> values;  // criterion, value
  };
  std::vector<Predefined> predefined;
};

VariantCensus CountVariants(const std::vector<std::string>& files);

// The last part of a reference path ("/P/Side" -> "Side").
std::string CriterionName(const std::string& path);

// "note: 3 elements depend on post-build criterion Side (values 0, 1); choose
// one with --variant Side=VALUE"; empty when nothing depends on one.
std::string VariantNote(const VariantCensus& census);

// The listing of `velan variants`.
std::string VariantListing(const VariantCensus& census);

}  // namespace velan_tool

#endif
