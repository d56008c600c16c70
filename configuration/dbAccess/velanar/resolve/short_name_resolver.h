// Tree of AUTOSAR short names over the whole document set, and the resolution
// of reference elements (absolute short-name path plus DEST type) through it.
#ifndef VELANAR_RESOLVE_SHORT_NAME_RESOLVER_H
#define VELANAR_RESOLVE_SHORT_NAME_RESOLVER_H

#include <cstddef>
#include <cstdint>
#include <map>
#include <vector>

#include "import/scoped.h"
#include "xml/xmlchar.h"

struct cDiagnostics;
class cSNRMap;
class cReport;
class ToLogFile;
class exElement;

// Small vector that keeps its first item inline: the common single-hit case
// allocates nothing. The heap vector for further items is created on the
// second push and never shrunk.
template <typename T>
class cSNRVector {
 public:
  cSNRVector() = default;
  cSNRVector(const cSNRVector&) = delete;
  cSNRVector& operator=(const cSNRVector&) = delete;

  size_t Size() const { return empty_ ? 0 : 1 + (rest_ ? rest_->size() : 0); }
  bool Empty() const { return empty_; }
  T operator[](size_t i) const { return i == 0 ? first_ : (*rest_)[i - 1]; }
  // False when out of memory; the vector is then unchanged.
  bool PushBack(T item) {
    if (empty_) {
      first_ = item;
      empty_ = false;
      return true;
    }
    try {
      if (!rest_) rest_.Reset(new std::vector<T>());
      rest_->push_back(item);
    } catch (...) {
      return false;
    }
    return true;
  }
  void Clear() {
    empty_ = true;
    if (rest_) rest_->clear();
  }

 private:
  bool empty_ = true;
  T first_{};
  cScopedPtr<std::vector<T>> rest_;
};

class cShortNameResolver;

class cSNRCollectionBase {
 public:
  virtual ~cSNRCollectionBase() = default;
  virtual bool IsMap() const = 0;
  virtual bool Contains(const char* name) const = 0;
  // Takes ownership of the node; false (node not taken) when out of memory.
  virtual bool Insert(const char* name, cShortNameResolver* node) = 0;
  virtual size_t Size() const = 0;
  // Clears the result, then appends every node stored under the name.
  // False when out of memory (the result may then lack nodes).
  virtual bool FindAll(const char* name, cSNRVector<cShortNameResolver*>& result) const = 0;
  // Lists the subtree as "level=%ld: SHORT-NAME=\"%s\"" lines.
  virtual void ListToReport(uint32_t category, uint32_t subcategory, cReport& report,
                            int32_t level) const = 0;
  virtual void ListToLog(ToLogFile& log, int32_t level) const = 0;
};

// Multimap from pooled name to owned node, ordered by cmpxmlchar.
template <typename T>
class ctMultiMap : public std::multimap<const char*, T, cmpxmlchar> {};

class cSNRMap : public cSNRCollectionBase, public ctMultiMap<cShortNameResolver*> {
 public:
  cSNRMap() = default;
  // Deletes the nodes of the whole subtree without recursion.
  ~cSNRMap() override;
  cSNRMap(const cSNRMap&) = delete;
  cSNRMap& operator=(const cSNRMap&) = delete;

  bool IsMap() const override { return true; }
  bool Contains(const char* name) const override;
  bool Insert(const char* name, cShortNameResolver* node) override;
  size_t Size() const override { return size(); }
  bool FindAll(const char* name, cSNRVector<cShortNameResolver*>& result) const override;
  void ListToReport(uint32_t category, uint32_t subcategory, cReport& report,
                    int32_t level) const override;
  void ListToLog(ToLogFile& log, int32_t level) const override;
  // Deletes every node of the subtree, leaving the map empty. Allocates
  // nothing, so it works when memory is exhausted.
  void DeleteAll();
};

// The empty collection shared by every leaf node.
class cSNREmptyMap : public cSNRCollectionBase {
 public:
  bool IsMap() const override { return false; }
  bool Contains(const char*) const override { return false; }
  bool Insert(const char*, cShortNameResolver*) override { return false; }
  size_t Size() const override { return 0; }
  bool FindAll(const char*, cSNRVector<cShortNameResolver*>& result) const override {
    result.Clear();
    return true;
  }
  void ListToReport(uint32_t, uint32_t, cReport&, int32_t) const override {}
  void ListToLog(ToLogFile&, int32_t) const override {}

  // The one instance for the whole program.
  static cSNREmptyMap& Instance();
};

// One node of the tree: an element with a non-empty SHORT-NAME.
class cShortNameResolver {
 public:
  explicit cShortNameResolver(const exElement* element, cSNRCollectionBase* children)
      : element_(element), children_(children) {}
  virtual ~cShortNameResolver();
  virtual bool IsValid() const { return children_ != nullptr; }

  cShortNameResolver(const cShortNameResolver&) = delete;
  cShortNameResolver& operator=(const cShortNameResolver&) = delete;

  const exElement* Element() const { return element_; }
  cSNRCollectionBase* Children() const { return children_; }
  // Replaces the child collection (the old one is not deleted).
  void SetChildren(cSNRCollectionBase* children) { children_ = children; }

 private:
  friend class cSNRMap;
  union {
    const exElement* element_;
    // While cSNRMap::DeleteAll tears the tree down: the next node to delete.
    cShortNameResolver* nextDoomed_;
  };
  cSNRCollectionBase* children_;
};

// Fills `collection` with the named descendants of `element`. Unnamed
// elements are transparent. Works without recursion. False when a subtree
// was left out for want of memory.
bool BuildResolverTree(const exElement* element, cSNRCollectionBase* collection);
// Builds the tree of `document` into `root` (emptied first) and lists it to
// the report (Debug, ListShortNameResolver). Nothing happens while the
// status is an error; a missing document is HostUnavailable; an incomplete
// tree (out of memory) is the error StatusOutOfMemory.
void ListResolverTree(cDiagnostics* diag, const exElement* document, cSNRMap& root);
// Target of a reference element through `root`, with reporting: a null
// reference raises a warning; an unresolved one warns ("unresolved
// reference") and raises the status. A search cut short for want of memory
// raises StatusOutOfMemory.
const exElement* ResolveReferenceIn(cDiagnostics* diag, const cSNRCollectionBase& root,
                                    const exElement* ref);
// Target of a reference element through `root`, or null. No report, no
// status change; `outOfMemory`, when given, is set when the search could
// not be completed.
const exElement* FindReferenceTargetIn(const cSNRCollectionBase& root, const exElement* ref,
                                       bool* outOfMemory = nullptr);

#endif
