// In-memory document of all ARXML files of one import: elements with their
// qualified names, trimmed texts, attributes, children, parent and position.
#ifndef VELANAR_XML_DOCUMENT_H
#define VELANAR_XML_DOCUMENT_H

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <new>
#include <type_traits>
#include <unordered_map>
#include <utility>
#include <vector>

#include "import/scoped.h"
#include "xml/block_pool.h"
#include "xml/string_pool.h"
#include "xml/xmlchar.h"

class ToLogFile;
class exElement;
class exDocument;
class exFileJoin;

// Element kinds as given by exElement::Kind().
constexpr int32_t kElementPlain = 0;
constexpr int32_t kElementFileRoot = 1;
constexpr int32_t kElementDocument = 2;

// Allocator of element lists. A child list takes its array from the
// document's child-list pool, right behind the list itself, so building a
// child list costs no heap allocation and tearing it down frees nothing: the
// pool frees its blocks at once. A list without pool (every result list of
// the navigation operations) and arrays of more than kPooledItems use the
// heap. Whether an array is pooled follows from its length alone, so
// releasing one never looks at the pool.
template <typename T>
class exListAllocator {
 public:
  using value_type = T;
  using propagate_on_container_copy_assignment = std::false_type;
  using propagate_on_container_move_assignment = std::false_type;
  using propagate_on_container_swap = std::false_type;
  using is_always_equal = std::false_type;
  static constexpr size_t kPooledItems = 1024;

  exListAllocator() noexcept = default;
  explicit exListAllocator(exBlockPool* pool) noexcept : pool_(pool) {}
  template <typename U>
  exListAllocator(const exListAllocator<U>& other) noexcept : pool_(other.Pool()) {}

  T* allocate(size_t n) {
    if (Pooled(n)) {
      // A pool whose blocks are too small counts as exhausted.
      void* memory = pool_->Allocate(n * sizeof(T), alignof(T));
      if (memory == nullptr) throw std::bad_alloc();
      return static_cast<T*>(memory);
    }
    return std::allocator<T>().allocate(n);
  }
  void deallocate(T* p, size_t n) noexcept {
    if (!Pooled(n)) std::allocator<T>().deallocate(p, n);
  }
  // A copy of a list is an ordinary heap list.
  exListAllocator select_on_container_copy_construction() const { return exListAllocator(); }

  exBlockPool* Pool() const { return pool_; }
  template <typename U>
  bool operator==(const exListAllocator<U>& other) const {
    return pool_ == other.Pool();
  }
  template <typename U>
  bool operator!=(const exListAllocator<U>& other) const {
    return pool_ != other.Pool();
  }

 private:
  bool Pooled(size_t n) const { return pool_ != nullptr && n <= kPooledItems; }

  exBlockPool* pool_ = nullptr;
};

// List of element pointers: the result list of the navigation operations.
class exElementVector : public std::vector<exElement*, exListAllocator<exElement*>> {
 public:
  exElementVector() = default;
  explicit exElementVector(exBlockPool* pool)
      : std::vector<exElement*, exListAllocator<exElement*>>(exListAllocator<exElement*>(pool)) {}
  // Copies are heap lists, and there are no moves (a moved list would carry
  // the pool along): a list taken from a child list never depends on the
  // document's pools.
  exElementVector(const exElementVector&) = default;
  exElementVector& operator=(const exElementVector&) = default;
  virtual ~exElementVector() = default;
  // Writes every element of the list, with its subtree, as indented XML-like
  // text to the sink (nothing when the sink has no file). Works without
  // recursion, so any depth can be dumped.
  virtual void Dump(ToLogFile& sink) const;
};

// Attribute map and child array of an element, in one record of the
// document's attribute-map pool (child-list pool when it has no
// attributes): this header, the attribute pairs (pooled qualified
// name, pooled value) sorted by name (cmpxmlchar), each name once, then the
// child pointers in document order. An element without attributes and
// children has no record. A record too large for a pool block comes from the
// heap and is freed by the document.
class exAttributeMap {
 public:
  using value_type = std::pair<const char*, const char*>;
  using const_iterator = const value_type*;

  exAttributeMap(uint32_t attributes, uint32_t children)
      : attributeCount_(attributes), childCount_(children) {}
  exAttributeMap(const exAttributeMap&) = delete;
  exAttributeMap& operator=(const exAttributeMap&) = delete;

  // Bytes of a record with that many attributes and children; 0 when the
  // size would not fit into size_t.
  static size_t RecordSize(size_t attributes, size_t children);

  size_t size() const { return attributeCount_; }
  bool empty() const { return attributeCount_ == 0; }
  const_iterator begin() const { return Pairs(); }
  const_iterator end() const { return Pairs() + attributeCount_; }
  // Value of the attribute with that qualified name, or null.
  const char* Find(const char* qname) const;
  // Inserts `pair` into the `count` sorted pairs at `items` (room for one
  // more behind them) at its place by name; false, nothing changed, when
  // the name is there already.
  static bool InsertSorted(value_type* items, size_t count, const value_type& pair);

  uint32_t ChildCount() const { return childCount_; }
  exElement* const* ChildArray() const {
    return reinterpret_cast<exElement* const*>(Pairs() + attributeCount_);
  }

 private:
  friend class exDocument;
  friend class exFileJoin;
  value_type* Pairs() const {
    return reinterpret_cast<value_type*>(const_cast<exAttributeMap*>(this) + 1);
  }
  exElement** MutableChildArray() {
    return reinterpret_cast<exElement**>(Pairs() + attributeCount_);
  }

  uint32_t attributeCount_;
  uint32_t childCount_;
};

// One element: 40 bytes. Positions are kept in 32 bits; a line or column that
// does not fit is stored exactly in the document's overflow table and the
// element holds a mark. The element's kind sits in the top bits of the
// column field.
class exElement {
 public:
  exElement() = default;
  exElement(const exElement&) = delete;
  exElement& operator=(const exElement&) = delete;

  // 0 plain element, 1 file root, 2 document.
  int32_t Kind() const { return static_cast<int32_t>(column_ >> kColumnBits); }
  // Index of the file the element comes from; -1 for the document and for an
  // element that hangs under no file root.
  int32_t FileIndex() const;

  const char* Name() const { return name_; }
  // Never null; "" when the element has no text.
  const char* Text() const { return text_; }
  size_t ChildCount() const { return links_ != nullptr ? links_->ChildCount() : 0; }
  exElement* Child(size_t i) const { return links_->ChildArray()[i]; }
  exElement* Parent() const { return parent_; }
  uint64_t Line() const;
  uint64_t Column() const;
  // Null when the element has no attributes.
  const exAttributeMap* Attributes() const {
    return links_ != nullptr && !links_->empty() ? links_ : nullptr;
  }
  // Value of the attribute with that qualified name, or null.
  const char* Attribute(const char* qname) const;

 protected:
  static constexpr uint32_t kColumnBits = 30;
  static constexpr uint32_t kColumnMask = (1u << kColumnBits) - 1;
  // Marks of a position kept in the overflow table.
  static constexpr uint32_t kLineOverflow = 0xFFFFFFFFu;
  static constexpr uint32_t kColumnOverflow = kColumnMask;
  void SetKind(int32_t kind) {
    column_ = (column_ & kColumnMask) | (static_cast<uint32_t>(kind) << kColumnBits);
  }

 private:
  friend class exDocument;
  friend class exParser;
  friend class exFileJoin;

  const char* name_ = nullptr;
  const char* text_ = "";
  exElement* parent_ = nullptr;
  exAttributeMap* links_ = nullptr;
  uint32_t line_ = 0;
  uint32_t column_ = 0;  // kind in the top two bits
};

// Root element of one input file.
class exElementArRoot : public exElement {
 public:
  exElementArRoot() { SetKind(kElementFileRoot); }
  int32_t Index() const { return fileIndex_; }
  void SetFileIndex(int32_t index) { fileIndex_ = index; }

 private:
  int32_t fileIndex_ = -1;
};

// Namespace bindings of the document: URI to prefix and prefix to URI, both
// of pooled texts.
struct exNamespaceMap {
  std::map<const char*, const char*, cmpxmlchar> uriToPrefix;
  std::map<const char*, const char*, cmpxmlchar> prefixToUri;
  IfcStringPool* strings = nullptr;
};

class exDocument : public exElement {
 public:
  exDocument();
  ~exDocument();

  // Pooled copy of a text (made when missing); null when out of memory.
  const char* Intern(const char* text);
  const char* Intern(const char* text, size_t length);
  // Pooled copy of a text, or null when it was never pooled.
  const char* Find(const char* text) const;
  IfcStringPool* StringPool() const { return strings_.Get(); }

  // The URI bound to a prefix, or null.
  const char* NamespaceUri(const char* prefix) const;
  // The prefix bound to a URI, or null.
  const char* NamespacePrefix(const char* uri) const;
  // Pools both texts and records the pair in both maps. A prefix or URI that
  // is already bound keeps its first binding. False when out of memory.
  bool BindNamespace(const char* uri, const char* prefix);

  // The context's pools for elements, for link records with attributes and
  // for those with children only. Until they are given, the document uses
  // pools of its own.
  void SetPools(exBlockPool* elements, exBlockPool* attributeMaps, exBlockPool* childLists);

  // Building blocks of the parser. All return null/false when out of memory.
  exElement* NewElement();
  exElementArRoot* NewFileRoot(int32_t fileIndex);
  // Makes `child` the last child of `parent` (copies the parent's record:
  // meant for short lists such as the document's file roots).
  bool AppendChild(exElement* parent, exElement* child);
  // Makes the `count` elements at `children` the last children of `parent`;
  // false (nothing changed) when out of memory.
  bool AppendChildren(exElement* parent, exElement* const* children, size_t count);
  // Gives an element without attributes its attribute map: the `count`
  // pairs (pooled names and values) in document order; of two equal names the
  // first keeps its value. False (nothing changed) when out of memory.
  bool SetAttributes(exElement* element, const exAttributeMap::value_type* pairs, size_t count);
  // Gives an element without attributes and children both at once, in one
  // record: the attribute pairs as for SetAttributes, the children in
  // document order (their parent is set). False (nothing changed) when out of
  // memory.
  bool SetLinks(exElement* element, const exAttributeMap::value_type* pairs, size_t pairCount,
                exElement* const* children, size_t childCount);
  // Stores the (pooled) text of an element.
  static void SetText(exElement* element, const char* text) { element->text_ = text ? text : ""; }
  static void SetName(exElement* element, const char* name) { element->name_ = name; }
  // Stores the position; one beyond 32 bits goes to the overflow table.
  // False when that table cannot grow (the position is then 0).
  bool SetPosition(exElement* element, uint64_t line, uint64_t column);
  // Exact position of an element whose line or column carries the overflow
  // mark.
  uint64_t OverflowLine(const exElement* element) const;
  uint64_t OverflowColumn(const exElement* element) const;

  // Forgets the file roots and every element below them, leaving the
  // document empty. Their memory stays in the pools.
  void Clear();

  // Takes over a document of one file parsed apart, whose root has joined
  // this document: its pools, texts and overflow positions live as long as
  // this document. False (nothing changed) when out of memory.
  bool AdoptPart(std::unique_ptr<exDocument> part);

 private:
  // A record for that many attributes and children, from the link pool or,
  // when too large for a block, from the heap (kept for the destructor).
  exAttributeMap* NewLinks(size_t attributes, size_t children);
  void FreeHeapLinks();

  cScopedPtr<IfcStringPool> strings_;
  exNamespaceMap namespaces_;
  exBlockPool* elementPool_;
  exBlockPool* attributeMapPool_;
  exBlockPool* childListPool_;
  // Link records too large for a pool block.
  std::vector<void*> heapLinks_;
  // Exact positions of elements whose line or column exceeds 32 bits.
  std::unordered_map<const exElement*, std::pair<uint64_t, uint64_t>> overflow_;
  // Documents of files parsed apart whose elements joined this one.
  std::vector<std::unique_ptr<exDocument>> parts_;
  // Used until SetPools is called; they take no memory before their first use.
  exBlockPool ownElementPool_{exBlockPool::kElementBlockSize};
  exBlockPool ownAttributeMapPool_{exBlockPool::kAttributeMapBlockSize};
  exBlockPool ownChildListPool_{exBlockPool::kChildListBlockSize};
};

// A new empty document, or null when memory is exhausted.
exDocument* CreateDocument();

#endif
