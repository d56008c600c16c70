// The short-name maps take names in any order: ascending runs go through the
// quick path at the end of the map, the rest through an ordinary insert. Both
// must keep the map ordered and duplicates in insertion order.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "resolve/short_name_resolver.h"
#include "xml/xmlchar.h"

namespace {

// Names in ascending runs with breaks, duplicates inside and at the end of
// the map, and bytes above 0x7F (they sort before ASCII as signed chars).
const std::vector<std::string>& Names() {
  static const std::vector<std::string> names = {
      "F0001", "F0002", "F0002", "F0010", "E9999", "F0002", "F0010", "\xC3\xA4x",
      "F0011", "A",     "F0011", "F00",   "F0001", "Z",     "Z",     "\xC3\xA4x"};
  return names;
}

}  // namespace

TEST(ResolverInsertOrder, MapStaysOrderedAndDuplicatesKeepInsertionOrder) {
  const std::vector<std::string>& names = Names();
  std::vector<cShortNameResolver*> nodes;
  cSNRMap map;
  for (const std::string& n : names) {
    nodes.push_back(new cShortNameResolver(nullptr, &cSNREmptyMap::Instance()));
    ASSERT_TRUE(map.Insert(n.c_str(), nodes.back()));
  }
  ASSERT_EQ(map.Size(), names.size());
  const char* previous = nullptr;
  for (const auto& entry : map) {
    if (previous != nullptr) {
      EXPECT_LE(cmpxmlchar::Compare(previous, entry.first), 0);
    }
    previous = entry.first;
  }
  EXPECT_LT(cmpxmlchar::Compare("\xC3\xA4x", "A"), 0);
  EXPECT_STREQ(map.begin()->first, "\xC3\xA4x");
  // Every name finds its nodes in the order they were inserted.
  cSNRVector<cShortNameResolver*> found;
  for (const std::string& n : names) {
    map.FindAll(n.c_str(), found);
    std::vector<cShortNameResolver*> expected;
    for (size_t i = 0; i < names.size(); ++i) {
      if (names[i] == n) expected.push_back(nodes[i]);
    }
    ASSERT_EQ(found.Size(), expected.size()) << n;
    for (size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(found[i], expected[i]) << n;
  }
}
