// Tree of AUTOSAR short names over the whole document set, and the resolution
// of reference elements (absolute short-name path plus DEST type) through it.
#ifndef VELANAR_RESOLVE_SHORT_NAME_RESOLVER_H
#define VELANAR_RESOLVE_SHORT_NAME_RESOLVER_H

#include <cstddef>
#include <cstdint>
#include <cstring>
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
  // Lists the subtree as "level=%ld: SHORT-NAME=\"%s\"" lines; false when
  // the listing was cut short for want of memory.
  virtual bool ListToReport(uint32_t category, uint32_t subcategory, cReport& report,
                            int32_t level) const = 0;
  virtual bool ListToLog(ToLogFile& log, int32_t level) const = 0;
};

// Map from pooled name to owned nodes. Entries are kept in insertion order;
// a name finds its entries through a hash of its bytes (a small map simply
// scans its entries), so a lookup compares one name instead of walking a
// tree of names that share long prefixes. Iteration gives the entries sorted
// by cmpxmlchar, entries of equal names in insertion order; the sorted order
// is made on first use after an insert.
class cSNRMap : public cSNRCollectionBase {
 public:
  struct Entry {
    const char* first;           // the name
    cShortNameResolver* second;  // the node
    uint32_t hash;               // hash of the name
    uint32_t next;               // next entry of the same name, or kNone (hashed maps)
  };
  using value_type = Entry;

  // Iterates the entries in listing order.
  class const_iterator {
   public:
    const_iterator(const Entry* entries, const uint32_t* at) : entries_(entries), at_(at) {}
    const Entry& operator*() const { return entries_[*at_]; }
    const Entry* operator->() const { return &entries_[*at_]; }
    const_iterator& operator++() {
      ++at_;
      return *this;
    }
    bool operator==(const const_iterator& other) const { return at_ == other.at_; }
    bool operator!=(const const_iterator& other) const { return at_ != other.at_; }

   private:
    const Entry* entries_;
    const uint32_t* at_;
  };

  cSNRMap() = default;
  // Deletes the nodes of the whole subtree without recursion.
  ~cSNRMap() override;
  cSNRMap(const cSNRMap&) = delete;
  cSNRMap& operator=(const cSNRMap&) = delete;

  bool IsMap() const override { return true; }
  bool Contains(const char* name) const override;
  bool Insert(const char* name, cShortNameResolver* node) override;
  size_t Size() const override { return entries_.size(); }
  size_t size() const { return entries_.size(); }
  bool empty() const { return entries_.empty(); }
  bool FindAll(const char* name, cSNRVector<cShortNameResolver*>& result) const override;
  // The same for the `length` bytes at `name` (which need no NUL).
  bool FindAll(const char* name, size_t length, cSNRVector<cShortNameResolver*>& result) const;
  bool ListToReport(uint32_t category, uint32_t subcategory, cReport& report,
                    int32_t level) const override;
  bool ListToLog(ToLogFile& log, int32_t level) const override;
  // Deletes every node of the subtree, leaving the map empty. Allocates
  // nothing, so it works when memory is exhausted.
  void DeleteAll();

  // Listing order; both throw std::bad_alloc when the order cannot be made.
  const_iterator begin() const;
  const_iterator end() const;

  // Hash of the `length` bytes at `name`, as the map keys them.
  static uint32_t HashName(const char* name, size_t length);

 private:
  static constexpr uint32_t kNone = UINT32_MAX;
  // Maps of up to this many entries have no hash table.
  static constexpr size_t kScanLimit = 8;
  // One slot per distinct name: its first and last entry (kNone: free).
  struct Slot {
    uint32_t head;
    uint32_t tail;
  };

  // The slot of the name, or the free slot where it belongs.
  Slot* Probe(const char* name, size_t length, uint32_t hash) const;
  bool SameName(const Entry& entry, const char* name, size_t length, uint32_t hash) const {
    return entry.hash == hash && std::strncmp(entry.first, name, length) == 0 &&
           entry.first[length] == '\0';
  }
  // Enters entry `index` into the table (which has room); chains it behind
  // the earlier entries of its name.
  void Link(uint32_t index, size_t length);
  // Makes a table of `slots` slots and links every entry; false when out of memory.
  bool Rehash(size_t slots);
  void ReleaseTable();
  // Makes the listing order after inserts.
  void EnsureSorted() const;

  std::vector<Entry> entries_;
  cScopedArray<Slot> table_;
  size_t slotCount_ = 0;  // a power of two, or 0 without table
  size_t distinct_ = 0;   // names in the table
  mutable std::vector<uint32_t> sorted_;
  mutable bool sortedValid_ = false;
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
  bool ListToReport(uint32_t, uint32_t, cReport&, int32_t) const override { return true; }
  bool ListToLog(ToLogFile&, int32_t) const override { return true; }

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
// tree or listing (out of memory) is the error StatusOutOfMemory.
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
