// The in-memory document: element creation, link records, positions and name interning.
#include "xml/document.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>

namespace {

// The document an element hangs in, found along the parents; null for an
// element under no document.
const exDocument* DocumentOf(const exElement* element) {
  const exElement* e = element;
  while (e != nullptr && e->Kind() != kElementDocument) e = e->Parent();
  return static_cast<const exDocument*>(e);
}

}  // namespace

int32_t exElement::FileIndex() const {
  // Climb to the nearest file root (or the document) iteratively, so the
  // depth of the document does not matter.
  const exElement* e = this;
  while (e != nullptr && e->Kind() == kElementPlain) e = e->parent_;
  if (e == nullptr || e->Kind() != kElementFileRoot) return -1;
  return static_cast<const exElementArRoot*>(e)->Index();
}

uint64_t exElement::Line() const {
  if (line_ != kLineOverflow) return line_;
  const exDocument* document = DocumentOf(this);
  return document != nullptr ? document->OverflowLine(this) : line_;
}

uint64_t exElement::Column() const {
  const uint32_t column = column_ & kColumnMask;
  if (column != kColumnOverflow) return column;
  const exDocument* document = DocumentOf(this);
  return document != nullptr ? document->OverflowColumn(this) : column;
}

const char* exElement::Attribute(const char* qname) const {
  if (links_ == nullptr || qname == nullptr) return nullptr;
  return links_->Find(qname);
}

size_t exAttributeMap::RecordSize(size_t attributes, size_t children) {
  const size_t pairBytes = sizeof(value_type);
  const size_t childBytes = sizeof(exElement*);
  if (attributes > (SIZE_MAX / 2) / pairBytes || children > (SIZE_MAX / 2) / childBytes) return 0;
  const size_t body = attributes * pairBytes + children * childBytes;
  if (body > SIZE_MAX - sizeof(exAttributeMap)) return 0;
  return sizeof(exAttributeMap) + body;
}

bool exAttributeMap::InsertSorted(value_type* items, size_t count, const value_type& pair) {
  size_t at = count;
  while (at > 0) {
    const int order = cmpxmlchar::Compare(pair.first, items[at - 1].first);
    if (order == 0) return false;
    if (order > 0) break;
    --at;
  }
  for (size_t k = count; k > at; --k) new (&items[k]) value_type(items[k - 1]);
  new (&items[at]) value_type(pair);
  return true;
}

const char* exAttributeMap::Find(const char* qname) const {
  // Elements carry one or two attributes: a scan beats a binary search.
  const value_type* pairs = Pairs();
  for (uint32_t i = 0; i < attributeCount_; ++i) {
    if (std::strcmp(pairs[i].first, qname) == 0) return pairs[i].second;
  }
  return nullptr;
}

exDocument::exDocument()
    : strings_(new exStringPoolSTL()),
      elementPool_(&ownElementPool_),
      attributeMapPool_(&ownAttributeMapPool_),
      childListPool_(&ownChildListPool_) {
  namespaces_.strings = strings_.Get();
  SetKind(kElementDocument);
}

exDocument::~exDocument() {
  Clear();
  FreeHeapLinks();
}

void exDocument::FreeHeapLinks() {
  for (void* record : heapLinks_) std::free(record);
  heapLinks_.clear();
}

void exDocument::Clear() {
  // Elements and link records are trivially destructible: their memory goes
  // with the pools and the heap records with the document.
  exElement* self = this;
  self->links_ = nullptr;
}

bool exDocument::AdoptPart(std::unique_ptr<exDocument> part) {
  if (!part) return false;
  try {
    parts_.reserve(parts_.size() + 1);
    overflow_.insert(part->overflow_.begin(), part->overflow_.end());
  } catch (...) {
    return false;
  }
  // The part's root now hangs in this document; the part forgets it.
  part->Clear();
  parts_.push_back(std::move(part));
  return true;
}

const char* exDocument::Intern(const char* text) {
  return strings_->Intern(text);
}

const char* exDocument::Intern(const char* text, size_t length) {
  return static_cast<exStringPoolSTL*>(strings_.Get())->Intern(text, length);
}

const char* exDocument::Find(const char* text) const {
  return strings_->Find(text);
}

const char* exDocument::NamespaceUri(const char* prefix) const {
  if (prefix == nullptr) return nullptr;
  auto it = namespaces_.prefixToUri.find(prefix);
  return it == namespaces_.prefixToUri.end() ? nullptr : it->second;
}

const char* exDocument::NamespacePrefix(const char* uri) const {
  if (uri == nullptr) return nullptr;
  auto it = namespaces_.uriToPrefix.find(uri);
  return it == namespaces_.uriToPrefix.end() ? nullptr : it->second;
}

bool exDocument::BindNamespace(const char* uri, const char* prefix) {
  const char* pooledUri = Intern(uri);
  const char* pooledPrefix = Intern(prefix);
  if (pooledUri == nullptr || pooledPrefix == nullptr) return false;
  try {
    namespaces_.uriToPrefix.emplace(pooledUri, pooledPrefix);
    namespaces_.prefixToUri.emplace(pooledPrefix, pooledUri);
  } catch (...) {
    return false;
  }
  return true;
}

void exDocument::SetPools(exBlockPool* elements, exBlockPool* attributeMaps,
                          exBlockPool* childLists) {
  if (elements) elementPool_ = elements;
  if (attributeMaps) attributeMapPool_ = attributeMaps;
  if (childLists) childListPool_ = childLists;
}

exElement* exDocument::NewElement() {
  void* memory = elementPool_->Allocate(sizeof(exElement), alignof(exElement));
  return memory ? new (memory) exElement() : nullptr;
}

exElementArRoot* exDocument::NewFileRoot(int32_t fileIndex) {
  void* memory = elementPool_->Allocate(sizeof(exElementArRoot), alignof(exElementArRoot));
  if (memory == nullptr) return nullptr;
  exElementArRoot* root = new (memory) exElementArRoot();
  root->SetFileIndex(fileIndex);
  return root;
}

bool exDocument::SetPosition(exElement* element, uint64_t line, uint64_t column) {
  const bool lineFits = line < kLineOverflow;
  const bool columnFits = column < kColumnOverflow;
  if (!lineFits || !columnFits) {
    try {
      overflow_[element] = std::make_pair(line, column);
    } catch (...) {
      element->line_ = 0;
      element->column_ &= ~kColumnMask;
      return false;
    }
  }
  element->line_ = lineFits ? static_cast<uint32_t>(line) : kLineOverflow;
  element->column_ = (element->column_ & ~kColumnMask) |
                     (columnFits ? static_cast<uint32_t>(column) : kColumnOverflow);
  return true;
}

uint64_t exDocument::OverflowLine(const exElement* element) const {
  auto it = overflow_.find(element);
  return it != overflow_.end() ? it->second.first : element->line_;
}

uint64_t exDocument::OverflowColumn(const exElement* element) const {
  auto it = overflow_.find(element);
  return it != overflow_.end() ? it->second.second : (element->column_ & kColumnMask);
}

exAttributeMap* exDocument::NewLinks(size_t attributes, size_t children) {
  if (attributes > UINT32_MAX || children > UINT32_MAX) return nullptr;
  const size_t size = exAttributeMap::RecordSize(attributes, children);
  if (size == 0) return nullptr;
  exBlockPool* pool = attributes > 0 ? attributeMapPool_ : childListPool_;
  void* memory = pool->Allocate(size, alignof(exAttributeMap));
  if (memory == nullptr) {
    // Larger than a pool block (or the pool is exhausted): the heap, kept
    // in the list the destructor frees.
    try {
      heapLinks_.reserve(heapLinks_.size() + 1);
    } catch (...) {
      return nullptr;
    }
    memory = std::malloc(size);
    if (memory == nullptr) return nullptr;
    heapLinks_.push_back(memory);
  }
  return new (memory)
      exAttributeMap(static_cast<uint32_t>(attributes), static_cast<uint32_t>(children));
}

bool exDocument::SetLinks(exElement* element, const exAttributeMap::value_type* pairs,
                          size_t pairCount, exElement* const* children, size_t childCount) {
  if (element == nullptr || (pairCount > 0 && pairs == nullptr) ||
      (childCount > 0 && children == nullptr))
    return false;
  const size_t oldPairs = element->links_ ? element->links_->size() : 0;
  const size_t oldChildren = element->ChildCount();
  if (pairCount > 0 && oldPairs > 0) return false;
  if (pairCount == 0 && childCount == 0) return true;
  if (childCount > SIZE_MAX / 2 - oldChildren) return false;
  exAttributeMap* links = NewLinks(pairCount + oldPairs, childCount + oldChildren);
  if (links == nullptr) return false;
  using Pair = exAttributeMap::value_type;
  Pair* items = links->Pairs();
  size_t kept = 0;
  if (oldPairs > 0) {
    for (size_t i = 0; i < oldPairs; ++i) new (&items[i]) Pair(element->links_->Pairs()[i]);
    kept = oldPairs;
  }
  // Insertion sort into place: the lists are short and mostly sorted already.
  for (size_t i = 0; i < pairCount; ++i) {
    if (exAttributeMap::InsertSorted(items, kept, pairs[i])) ++kept;
  }
  // Of equal names only the first stays: the record keeps its room for the
  // pairs left out, the child array follows the kept ones.
  links->attributeCount_ = static_cast<uint32_t>(kept);
  exElement** array = links->MutableChildArray();
  if (oldChildren > 0)
    std::memcpy(array, element->links_->ChildArray(), oldChildren * sizeof(exElement*));
  for (size_t i = 0; i < childCount; ++i) {
    array[oldChildren + i] = children[i];
    children[i]->parent_ = element;
  }
  element->links_ = links;
  return true;
}

bool exDocument::AppendChild(exElement* parent, exElement* child) {
  if (child == nullptr) return false;
  return SetLinks(parent, nullptr, 0, &child, 1);
}

bool exDocument::AppendChildren(exElement* parent, exElement* const* children, size_t count) {
  return SetLinks(parent, nullptr, 0, children, count);
}

bool exDocument::SetAttributes(exElement* element, const exAttributeMap::value_type* pairs,
                               size_t count) {
  if (element == nullptr || element->Attributes() != nullptr) return false;
  return SetLinks(element, pairs, count, nullptr, 0);
}

exDocument* CreateDocument() {
  try {
    return new exDocument();
  } catch (...) {
    return nullptr;
  }
}
