// The short-name maps take names in any order and must list them sorted,
// with duplicates in insertion order, and find every name's nodes.
#include <gtest/gtest.h>

#include <cstdio>
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

// Inserts a new node for every name; the map owns them.
std::vector<cShortNameResolver*> Fill(cSNRMap& map, const std::vector<std::string>& names) {
  std::vector<cShortNameResolver*> nodes;
  for (const std::string& n : names) {
    nodes.push_back(new cShortNameResolver(nullptr, &cSNREmptyMap::Instance()));
    EXPECT_TRUE(map.Insert(n.c_str(), nodes.back()));
  }
  EXPECT_EQ(map.Size(), names.size());
  return nodes;
}

// Iteration lists the names sorted (equal names stay together); returns how
// many entries it listed.
size_t ExpectListedSorted(const cSNRMap& map) {
  size_t listed = 0;
  const char* previous = nullptr;
  for (const auto& entry : map) {
    if (previous != nullptr) {
      EXPECT_LE(cmpxmlchar::Compare(previous, entry.first), 0);
    }
    previous = entry.first;
    ++listed;
  }
  return listed;
}

}  // namespace

TEST(ResolverInsertOrder, MapStaysOrderedAndDuplicatesKeepInsertionOrder) {
  const std::vector<std::string>& names = Names();
  cSNRMap map;
  const std::vector<cShortNameResolver*> nodes = Fill(map, names);
  ExpectListedSorted(map);
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

// Large maps find names through a hash table that grows as names come in.
// Names sharing long prefixes, duplicates spread over the growth, and
// lookups by a segment of a longer text (a reference path) must find
// exactly the nodes of that name, in insertion order.
TEST(ResolverInsertOrder, LargeMapsFindEveryNameAcrossGrowth) {
  std::vector<std::string> names;
  for (int frame = 0; frame < 60; ++frame) {
    for (int signal = 0; signal < 5; ++signal) {
      char name[32];
      std::snprintf(name, sizeof name, "CM_CAN_00_F%04d_S%02d", (frame * 37) % 60, signal);
      names.push_back(name);
    }
  }
  for (int i = 0; i < 40; ++i) names.push_back(names[static_cast<size_t>(i * 7)]);  // duplicates
  cSNRMap map;
  const std::vector<cShortNameResolver*> nodes = Fill(map, names);
  cSNRVector<cShortNameResolver*> found;
  for (const std::string& n : names) {
    // The name as the middle segment of a path, not NUL-terminated there.
    const std::string path = "/Pkg/" + n + "/Tail";
    ASSERT_TRUE(map.FindAll(path.c_str() + 5, n.size(), found));
    size_t k = 0;
    for (size_t i = 0; i < names.size(); ++i) {
      if (names[i] != n) continue;
      ASSERT_LT(k, found.Size()) << n;
      EXPECT_EQ(found[k++], nodes[i]) << n;
    }
    EXPECT_EQ(found.Size(), k) << n;
    // A prefix or an extension of a name is another name.
    ASSERT_TRUE(map.FindAll(n.c_str(), n.size() - 1, found));
    EXPECT_TRUE(found.Empty()) << n;
    EXPECT_FALSE(map.Contains((n + "0").c_str())) << n;
  }
  // Listing order: sorted, equal names in insertion order.
  EXPECT_EQ(ExpectListedSorted(map), names.size());
}
