// The importer's log categories as C++ tables, expanded from
// log_categories.def: category element names, default switches, and the
// subcategories with their element names.
#ifndef VELAN_LOG_CATEGORIES_H
#define VELAN_LOG_CATEGORIES_H

#include <cstdint>

namespace velan_log {

struct Subcategory {
  uint32_t category;
  uint32_t number;
  const char* element;
};

// Category elements ("CatInfo", ...) in category order.
inline constexpr const char* kCategoryElements[] = {
#define VELAN_LOG_CATEGORY(number, name, bits) "Cat" #name,
#include "velan/log_categories.def"
#undef VELAN_LOG_CATEGORY
};
inline constexpr uint32_t kCategoryCount = sizeof kCategoryElements / sizeof kCategoryElements[0];

// The subcategories on without a CATEGORIES element, per category.
inline constexpr uint32_t kDefaultBits[kCategoryCount] = {
#define VELAN_LOG_CATEGORY(number, name, bits) bits,
#include "velan/log_categories.def"
#undef VELAN_LOG_CATEGORY
};

// Category numbers by name (category::Warn, ...).
namespace category {
#define VELAN_LOG_CATEGORY(number, name, bits) constexpr uint32_t name = number;
#include "velan/log_categories.def"
#undef VELAN_LOG_CATEGORY
}  // namespace category

inline constexpr Subcategory kSubcategories[] = {
#define VELAN_LOG_SUBCATEGORY(cat, number, name, element) {category::cat, number, element},
#include "velan/log_categories.def"
#undef VELAN_LOG_SUBCATEGORY
};

struct SubcategoryCounts {
  uint32_t count[kCategoryCount];
};
constexpr SubcategoryCounts CountSubcategories() {
  SubcategoryCounts counts{};
  for (const Subcategory& s : kSubcategories) ++counts.count[s.category];
  return counts;
}
inline constexpr SubcategoryCounts kSubcategoryCounts = CountSubcategories();

// Number of subcategories of a category (0 for an unknown category).
constexpr uint32_t SubcategoryCount(uint32_t category) {
  return category < kCategoryCount ? kSubcategoryCounts.count[category] : 0;
}

// Element name of a subcategory, or null for an unknown one.
constexpr const char* SubcategoryElement(uint32_t category, uint32_t number) {
  for (const Subcategory& s : kSubcategories)
    if (s.category == category && s.number == number) return s.element;
  return nullptr;
}

}  // namespace velan_log

#endif
