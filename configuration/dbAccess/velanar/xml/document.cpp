// The in-memory document: element creation, child lists, attributes and name interning.
#include "xml/document.h"

#include <cstdint>
#include <cstring>
#include <new>

exElement::~exElement() {
  // Child lists and attribute maps live in block pools: only their
  // destructors run here, the pools free the memory.
  if (children_) children_->~exElementVector();
  if (attributes_) attributes_->~exAttributeMap();
}

int32_t exElement::FileIndex() const {
  // Climb to the nearest file root (or the document) iteratively, so the
  // depth of the document does not matter.
  const exElement* e = parent_;
  while (e != nullptr && e->Kind() == kElementPlain) e = e->parent_;
  return e != nullptr ? e->FileIndex() : -1;
}

const char* exElement::Attribute(const char* qname) const {
  if (attributes_ == nullptr || qname == nullptr) return nullptr;
  return attributes_->Find(qname);
}

const char* exAttributeMap::Find(const char* qname) const {
  // Elements carry one or two attributes: a scan beats a binary search.
  for (size_t i = 0; i < count_; ++i) {
    if (std::strcmp(items_[i].first, qname) == 0) return items_[i].second;
  }
  return nullptr;
}

exDocument::exDocument()
    : strings_(new exStringPoolSTL()),
      elementPool_(&ownElementPool_),
      attributeMapPool_(&ownAttributeMapPool_),
      childListPool_(&ownChildListPool_) {
  namespaces_.strings = strings_.Get();
}

exDocument::~exDocument() {
  Clear();
  // The pools may be members of this object and are gone before the base
  // destructor runs, so the document's own list and map end here.
  if (exElementVector* kids = Children()) {
    kids->~exElementVector();
    ForgetChildren();
  }
}

void exDocument::ForgetChildren() {
  exElement* self = this;
  self->children_ = nullptr;
}

void exDocument::Clear() {
  exElementVector* roots = children_;
  while (roots != nullptr && !roots->empty()) {
    exElement* root = roots->back();
    roots->pop_back();
    DestroySubtree(root);
  }
}

void exDocument::DestroySubtree(exElement* top) {
  // Take the last child of the current element until it has none, then
  // destroy it and go back up to its parent.
  exElement* e = top;
  for (;;) {
    exElementVector* kids = e->children_;
    if (kids != nullptr && !kids->empty()) {
      exElement* child = kids->back();
      kids->pop_back();
      e = child;
      continue;
    }
    exElement* parent = e->parent_;
    const bool done = e == top;
    if (e->Kind() == kElementFileRoot) {
      delete e;
    } else {
      e->~exElement();
    }
    if (done) return;
    e = parent;
  }
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
  void* memory = elementPool_->Allocate(sizeof(exElement));
  return memory ? new (memory) exElement() : nullptr;
}

exElementArRoot* exDocument::NewFileRoot(int32_t fileIndex) {
  exElementArRoot* root = new (std::nothrow) exElementArRoot();
  if (root) root->SetFileIndex(fileIndex);
  return root;
}

bool exDocument::AppendChild(exElement* parent, exElement* child) {
  if (parent == nullptr || child == nullptr) return false;
  if (parent->children_ == nullptr) {
    void* memory = childListPool_->Allocate(sizeof(exElementVector), alignof(exElementVector));
    if (memory == nullptr) return false;
    parent->children_ = new (memory) exElementVector(childListPool_);
  }
  try {
    parent->children_->push_back(child);
  } catch (...) {
    return false;
  }
  child->parent_ = parent;
  return true;
}

bool exDocument::AppendChildren(exElement* parent, exElement* const* children, size_t count) {
  if (parent == nullptr || (count > 0 && children == nullptr)) return false;
  if (count == 0) return true;
  if (parent->children_ == nullptr) {
    void* memory = childListPool_->Allocate(sizeof(exElementVector), alignof(exElementVector));
    if (memory == nullptr) return false;
    parent->children_ = new (memory) exElementVector(childListPool_);
  }
  try {
    parent->children_->insert(parent->children_->end(), children, children + count);
  } catch (...) {
    return false;
  }
  for (size_t i = 0; i < count; ++i) children[i]->parent_ = parent;
  return true;
}

bool exDocument::SetAttributes(exElement* element, const exAttributeMap::value_type* pairs,
                               size_t count) {
  if (element == nullptr || element->attributes_ != nullptr || (count > 0 && pairs == nullptr))
    return false;
  if (count == 0) return true;
  using Pair = exAttributeMap::value_type;
  if (count > (SIZE_MAX - sizeof(exAttributeMap)) / sizeof(Pair)) return false;
  const size_t inlineSize = sizeof(exAttributeMap) + count * sizeof(Pair);
  void* memory = attributeMapPool_->Allocate(inlineSize);
  Pair* items = nullptr;
  bool owned = false;
  if (memory != nullptr) {
    items = reinterpret_cast<Pair*>(static_cast<char*>(memory) + sizeof(exAttributeMap));
  } else {
    // More attributes than a pool block holds: the pairs go to the heap.
    memory = attributeMapPool_->Allocate(sizeof(exAttributeMap));
    if (memory == nullptr) return false;
    items = new (std::nothrow) Pair[count];
    if (items == nullptr) return false;
    owned = true;
  }
  // Insertion sort into place: the lists are short and mostly sorted already.
  size_t kept = 0;
  for (size_t i = 0; i < count; ++i) {
    size_t at = kept;
    bool duplicate = false;
    while (at > 0) {
      const int order = cmpxmlchar::Compare(pairs[i].first, items[at - 1].first);
      if (order > 0) break;
      if (order == 0) {
        duplicate = true;
        break;
      }
      --at;
    }
    if (duplicate) continue;
    for (size_t k = kept; k > at; --k) new (&items[k]) Pair(items[k - 1]);
    new (&items[at]) Pair(pairs[i]);
    ++kept;
  }
  element->attributes_ = new (memory) exAttributeMap(items, kept, owned);
  return true;
}

exDocument* CreateDocument() {
  try {
    return new exDocument();
  } catch (...) {
    return nullptr;
  }
}
