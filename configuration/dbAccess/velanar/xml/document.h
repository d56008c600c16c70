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
#include <utility>
#include <vector>

#include "import/scoped.h"
#include "xml/block_pool.h"
#include "xml/string_pool.h"
#include "xml/xmlchar.h"

class ToLogFile;
class exElement;
class exDocument;

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

// List of element pointers: the child list of an element and the result list
// of the navigation operations.
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

// Attribute map of an element: pooled qualified name to pooled value, sorted
// by name (cmpxmlchar), each name once. The pairs sit in one array right
// behind the map in the attribute-map pool, so an attribute costs 16 bytes
// instead of a tree node of its own; only a list too long for a pool block
// gets a heap array, which the destructor frees.
class exAttributeMap {
 public:
  using value_type = std::pair<const char*, const char*>;
  using const_iterator = const value_type*;

  exAttributeMap(value_type* items, size_t count, bool owned)
      : items_(items), count_(count), owned_(owned) {}
  ~exAttributeMap() {
    if (owned_) delete[] items_;
  }
  exAttributeMap(const exAttributeMap&) = delete;
  exAttributeMap& operator=(const exAttributeMap&) = delete;

  size_t size() const { return count_; }
  bool empty() const { return count_ == 0; }
  const_iterator begin() const { return items_; }
  const_iterator end() const { return items_ + count_; }
  // Value of the attribute with that qualified name, or null.
  const char* Find(const char* qname) const;

 private:
  value_type* items_;
  size_t count_;
  bool owned_;
};

class exElement {
 public:
  exElement() = default;
  virtual ~exElement();
  // 0 plain element, 1 file root, 2 document.
  virtual int32_t Kind() const { return kElementPlain; }
  // Index of the file the element comes from; -1 for the document and for an
  // element that hangs under no file root.
  virtual int32_t FileIndex() const;

  exElement(const exElement&) = delete;
  exElement& operator=(const exElement&) = delete;

  const char* Name() const { return name_; }
  // Never null; "" when the element has no text.
  const char* Text() const { return text_; }
  // Null until the first child is added.
  exElementVector* Children() const { return children_; }
  size_t ChildCount() const { return children_ ? children_->size() : 0; }
  exElement* Child(size_t i) const { return (*children_)[i]; }
  exElement* Parent() const { return parent_; }
  uint64_t Line() const { return line_; }
  uint64_t Column() const { return column_; }
  // Null until the first attribute is added.
  const exAttributeMap* Attributes() const { return attributes_; }
  // Value of the attribute with that qualified name, or null.
  const char* Attribute(const char* qname) const;

 private:
  friend class exDocument;
  friend class exParser;

  const char* name_ = nullptr;
  const char* text_ = "";
  exElementVector* children_ = nullptr;
  exElement* parent_ = nullptr;
  uint64_t line_ = 0;
  uint64_t column_ = 0;
  exAttributeMap* attributes_ = nullptr;
};

// Root element of one input file.
class exElementArRoot : public exElement {
 public:
  int32_t Kind() const override { return kElementFileRoot; }
  int32_t FileIndex() const override { return fileIndex_; }
  virtual void SetFileIndex(int32_t index) { fileIndex_ = index; }

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
  ~exDocument() override;
  int32_t Kind() const override { return kElementDocument; }
  int32_t FileIndex() const override { return -1; }

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

  // The context's pools for elements, attribute maps and child lists. Until
  // they are given, the document uses pools of its own.
  void SetPools(exBlockPool* elements, exBlockPool* attributeMaps, exBlockPool* childLists);

  // Building blocks of the parser. All return null/false when out of memory.
  exElement* NewElement();
  exElementArRoot* NewFileRoot(int32_t fileIndex);
  // Makes `child` the last child of `parent`.
  bool AppendChild(exElement* parent, exElement* child);
  // Makes the `count` elements at `children` the last children of `parent`,
  // growing its child list once; false (nothing changed) when out of memory.
  bool AppendChildren(exElement* parent, exElement* const* children, size_t count);
  // Gives an element without attributes its attribute map: the `count`
  // pairs (pooled names and values) in document order; of two equal names the
  // first keeps its value. False (nothing changed) when out of memory.
  bool SetAttributes(exElement* element, const exAttributeMap::value_type* pairs, size_t count);
  // Stores the (pooled) text of an element.
  static void SetText(exElement* element, const char* text) { element->text_ = text ? text : ""; }
  static void SetName(exElement* element, const char* name) { element->name_ = name; }
  static void SetPosition(exElement* element, uint64_t line, uint64_t column) {
    element->line_ = line;
    element->column_ = column;
  }

  // Destroys the file roots and every element below them, leaving the
  // document empty. Works without recursion.
  void Clear();
  // Destroys an element that hangs in no child list, with its subtree, in
  // post-order along the parent pointers (no recursion, no memory). File
  // roots are deleted; pooled elements only have their destructors run, their
  // memory stays in the pool.
  static void DestroySubtree(exElement* top);

 private:
  void ForgetChildren();

  cScopedPtr<IfcStringPool> strings_;
  exNamespaceMap namespaces_;
  exBlockPool* elementPool_;
  exBlockPool* attributeMapPool_;
  exBlockPool* childListPool_;
  // Used until SetPools is called; they take no memory before their first use.
  exBlockPool ownElementPool_{exBlockPool::kElementBlockSize};
  exBlockPool ownAttributeMapPool_{exBlockPool::kAttributeMapBlockSize};
  exBlockPool ownChildListPool_{exBlockPool::kChildListBlockSize};
};

// A new empty document, or null when memory is exhausted.
exDocument* CreateDocument();

#endif
