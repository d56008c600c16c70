// Building and listing the short-name tree, and resolving references through it.
#include "resolve/short_name_resolver.h"

#include <algorithm>
#include <cinttypes>
#include <cstring>
#include <new>
#include <utility>
#include <vector>

#include "import/diagnostics.h"
#include "resolve/name_match.h"
#include "xml/document.h"
#include "xml/navigation.h"
#include "xml/string_pool.h"

namespace {

constexpr const char kDestAttribute[] = "DEST";

// Walks a map and its nested maps in listing order (entries sorted by name,
// each followed by its subtree) without recursion. `enter` is called for an
// entry with its depth below `map`, `leave` after its subtree. False when the
// walk was cut short for want of memory.
template <typename Enter, typename Leave>
bool WalkTree(const cSNRMap& map, Enter enter, Leave leave) {
  struct Frame {
    const cSNRMap* map;
    cSNRMap::const_iterator next;
  };
  std::vector<Frame> frames;
  try {
    frames.push_back({&map, map.begin()});
    while (!frames.empty()) {
      Frame& frame = frames.back();
      if (frame.next == frame.map->end()) {
        frames.pop_back();
        if (!frames.empty()) {
          leave(frames.size() - 1);
          ++frames.back().next;
        }
        continue;
      }
      const size_t depth = frames.size() - 1;
      const char* name = frame.next->first;
      const cShortNameResolver* node = frame.next->second;
      enter(name, depth);
      const cSNRCollectionBase* children = node != nullptr ? node->Children() : nullptr;
      if (children != nullptr && children->IsMap() && children->Size() > 0) {
        frames.push_back({static_cast<const cSNRMap*>(children),
                          static_cast<const cSNRMap*>(children)->begin()});
      } else {
        leave(depth);
        ++frame.next;
      }
    }
  } catch (...) {
    // Out of memory ends the listing; the indentation is restored below by
    // the callers' bookkeeping.
    return false;
  }
  return true;
}

// Finds the nodes named by one path segment (`length` bytes at `name`)
// in a collection.
bool FindSegment(const cSNRCollectionBase& collection, const char* name, size_t length,
                 cSNRVector<cShortNameResolver*>& result) {
  if (collection.IsMap()) {
    return static_cast<const cSNRMap&>(collection).FindAll(name, length, result);
  }
  result.Clear();  // the empty collection
  return true;
}

// GetShortName with the tag matched quickly.
const char* ShortNameOf(const exElement* element, const cNameMatch& shortNameTag) {
  const size_t count = element->ChildCount();
  for (size_t i = 0; i < count; ++i) {
    const exElement* child = element->Child(i);
    if (shortNameTag.Matches(child)) return child->Text();
  }
  return "";
}

}  // namespace

// ---- Collections

cSNREmptyMap& cSNREmptyMap::Instance() {
  static cSNREmptyMap instance;
  return instance;
}

cShortNameResolver::~cShortNameResolver() {
  if (children_ != nullptr && children_->IsMap()) delete children_;
  children_ = &cSNREmptyMap::Instance();
}

cSNRMap::~cSNRMap() {
  DeleteAll();
}

void cSNRMap::DeleteAll() {
  // Threads the nodes of the whole subtree into a list through the nodes
  // themselves and deletes them one by one: a deep tree is torn down in a
  // loop and not by nested deletes, and no work list is allocated, so the
  // tear-down works when memory is exhausted. No name is compared on the
  // way: the pooled names may already be freed when the context is torn
  // down.
  cShortNameResolver* doomed = nullptr;
  auto take = [&doomed](cSNRMap& map) {
    for (Entry& entry : map.entries_) {
      cShortNameResolver* node = entry.second;
      if (node == nullptr) continue;
      node->nextDoomed_ = doomed;
      doomed = node;
    }
    map.entries_.clear();
    map.sorted_.clear();
    map.sortedValid_ = false;
    map.ReleaseTable();
  };
  take(*this);
  while (doomed != nullptr) {
    cShortNameResolver* node = doomed;
    doomed = node->nextDoomed_;
    cSNRCollectionBase* children = node->Children();
    if (children != nullptr && children->IsMap()) {
      cSNRMap* childMap = static_cast<cSNRMap*>(children);
      take(*childMap);
      node->SetChildren(&cSNREmptyMap::Instance());
      delete childMap;
    }
    delete node;
  }
}

uint32_t cSNRMap::HashName(const char* name, size_t length) {
  // The string pool's hash: eight bytes at a time with a final mix, so
  // names that differ only in their last bytes spread over the slots.
  return exHashText(name, length);
}

cSNRMap::Slot* cSNRMap::Probe(const char* name, size_t length, uint32_t hash) const {
  const size_t mask = slotCount_ - 1;
  for (size_t i = hash & mask;; i = (i + 1) & mask) {
    Slot* slot = &table_[i];
    if (slot->head == kNone || SameName(entries_[slot->head], name, length, hash)) return slot;
  }
}

void cSNRMap::Link(uint32_t index, size_t length) {
  Entry& entry = entries_[index];
  entry.next = kNone;
  Slot* slot = Probe(entry.first, length, entry.hash);
  if (slot->head == kNone) {
    slot->head = index;
    ++distinct_;
  } else {
    entries_[slot->tail].next = index;
  }
  slot->tail = index;
}

bool cSNRMap::Rehash(size_t slots) {
  Slot* table = new (std::nothrow) Slot[slots];
  if (table == nullptr) return false;
  for (size_t i = 0; i < slots; ++i) table[i] = {kNone, kNone};
  table_.Reset(table);
  slotCount_ = slots;
  distinct_ = 0;
  for (size_t i = 0; i < entries_.size(); ++i) {
    Link(static_cast<uint32_t>(i), std::strlen(entries_[i].first));
  }
  return true;
}

void cSNRMap::ReleaseTable() {
  table_.Reset();
  slotCount_ = 0;
  distinct_ = 0;
}

bool cSNRMap::Contains(const char* name) const {
  if (name == nullptr) return false;
  const size_t length = std::strlen(name);
  const uint32_t hash = HashName(name, length);
  if (slotCount_ != 0) return Probe(name, length, hash)->head != kNone;
  for (const Entry& entry : entries_) {
    if (SameName(entry, name, length, hash)) return true;
  }
  return false;
}

bool cSNRMap::Insert(const char* name, cShortNameResolver* node) {
  if (name == nullptr || node == nullptr || entries_.size() >= kNone - 1) return false;
  const size_t length = std::strlen(name);
  try {
    entries_.push_back({name, node, HashName(name, length), kNone});
  } catch (...) {
    return false;
  }
  sortedValid_ = false;
  const uint32_t index = static_cast<uint32_t>(entries_.size() - 1);
  if (slotCount_ == 0) {
    if (entries_.size() <= kScanLimit) return true;
    if (Rehash(4 * kScanLimit)) return true;
  } else if (2 * (distinct_ + 1) <= slotCount_) {
    Link(index, length);
    return true;
  } else if (Rehash(2 * slotCount_)) {
    return true;
  }
  // Out of memory for the table: the entry is taken back; a failed rehash
  // leaves the table as it was.
  entries_.pop_back();
  return false;
}

bool cSNRMap::FindAll(const char* name, cSNRVector<cShortNameResolver*>& result) const {
  if (name == nullptr) {
    result.Clear();
    return true;
  }
  return FindAll(name, std::strlen(name), result);
}

bool cSNRMap::FindAll(const char* name, size_t length,
                      cSNRVector<cShortNameResolver*>& result) const {
  result.Clear();
  const uint32_t hash = HashName(name, length);
  if (slotCount_ != 0) {
    for (uint32_t i = Probe(name, length, hash)->head; i != kNone; i = entries_[i].next) {
      if (!result.PushBack(entries_[i].second)) return false;
    }
    return true;
  }
  for (const Entry& entry : entries_) {
    if (SameName(entry, name, length, hash) && !result.PushBack(entry.second)) return false;
  }
  return true;
}

void cSNRMap::EnsureSorted() const {
  if (sortedValid_) return;
  sorted_.resize(entries_.size());
  for (size_t i = 0; i < sorted_.size(); ++i) sorted_[i] = static_cast<uint32_t>(i);
  // Stable: entries of equal names stay in insertion order.
  std::stable_sort(sorted_.begin(), sorted_.end(), [this](uint32_t a, uint32_t b) {
    return cmpxmlchar::Compare(entries_[a].first, entries_[b].first) < 0;
  });
  sortedValid_ = true;
}

cSNRMap::const_iterator cSNRMap::begin() const {
  EnsureSorted();
  return const_iterator(entries_.data(), sorted_.data());
}

cSNRMap::const_iterator cSNRMap::end() const {
  EnsureSorted();
  return const_iterator(entries_.data(), sorted_.data() + sorted_.size());
}

bool cSNRMap::ListToReport(uint32_t category, uint32_t subcategory, cReport& report,
                           int32_t level) const {
  if (!report.IsEnabled(category, subcategory)) return true;
  ToLogFile& sink = report.Sink();
  std::vector<int32_t> applied;  // indentation added per open entry
  const bool whole = WalkTree(
      *this,
      [&](const char* name, size_t depth) {
        applied.push_back(sink.AddIndentation(2) ? 2 : 0);
        report.Write(category, subcategory, "level=%" PRId32 ": SHORT-NAME=\"%s\"",
                     static_cast<int32_t>(level + static_cast<int32_t>(depth)), name);
      },
      [&](size_t) {
        sink.AddIndentation(-applied.back());
        applied.pop_back();
      });
  // Only reached with entries left open when the walk ran out of memory.
  while (!applied.empty()) {
    sink.AddIndentation(-applied.back());
    applied.pop_back();
  }
  return whole;
}

bool cSNRMap::ListToLog(ToLogFile& log, int32_t level) const {
  char line[64];
  return WalkTree(
      *this,
      [&](const char* name, size_t depth) {
        const int32_t entryLevel = level + static_cast<int32_t>(depth);
        log.AppendBlanks(static_cast<size_t>(log.Indentation()) + 2 * (depth + 1));
        std::snprintf(line, sizeof line, "level=%" PRId32 ": SHORT-NAME=\"", entryLevel);
        log.Append(line);
        log.Append(name);
        log.Append("\"");
        log.AppendLineEnd();
      },
      [](size_t) {});
}

// ---- Building and listing

bool BuildResolverTree(const exElement* element, cSNRCollectionBase* collection) {
  if (element == nullptr || collection == nullptr) return true;
  // One frame per element being walked; `owner` is the node of the nearest
  // named ancestor (null: names go into `collection` itself). A node starts
  // with the shared empty collection and gets a map of its own only when a
  // named descendant turns up, so the many leaves of the tree cost no map.
  struct Frame {
    const exElement* element;
    size_t next;
    cShortNameResolver* owner;
  };
  // The collection names under `owner` go into; null when out of memory.
  auto collectionOf = [collection](cShortNameResolver* owner) -> cSNRCollectionBase* {
    if (owner == nullptr) return collection;
    cSNRCollectionBase* children = owner->Children();
    if (children != nullptr && children->IsMap()) return children;
    cSNRMap* map = new (std::nothrow) cSNRMap();
    if (map != nullptr) owner->SetChildren(map);
    return map;
  };
  const cNameMatch shortNameTag(element, kArShortName);
  std::vector<Frame> frames;
  bool whole = true;
  try {
    frames.push_back({element, 0, nullptr});
  } catch (...) {
    return false;
  }
  while (!frames.empty()) {
    Frame& frame = frames.back();
    if (frame.next >= frame.element->ChildCount()) {
      frames.pop_back();
      continue;
    }
    const exElement* child = frame.element->Child(frame.next++);
    // An element without children has neither a SHORT-NAME nor descendants.
    if (child == nullptr || child->ChildCount() == 0) continue;
    const char* name = ShortNameOf(child, shortNameTag);
    Frame inner{child, 0, frame.owner};
    if (*name != '\0') {
      cSNRCollectionBase* target = collectionOf(frame.owner);
      // Out of memory: the subtree is left out.
      cShortNameResolver* node = target ? new (std::nothrow)
                                              cShortNameResolver(child, &cSNREmptyMap::Instance())
                                        : nullptr;
      if (node == nullptr) {
        whole = false;
        continue;
      }
      if (!target->Insert(name, node)) {
        delete node;
        whole = false;
        continue;
      }
      inner.owner = node;
    }
    try {
      frames.push_back(inner);
    } catch (...) {
      whole = false;  // out of memory: the subtree is left out
    }
  }
  return whole;
}

void ListResolverTree(cDiagnostics* diag, const exElement* document, cSNRMap& root) {
  if (diag == nullptr || diag->status.IsError()) return;
  if (document == nullptr) {
    diag->status.RaiseError(StatusHostUnavailable);
    return;
  }
  root.DeleteAll();
  if (!BuildResolverTree(document, &root)) {
    // References into the missing part would fail as unresolved: the
    // import cannot be trusted.
    diag->status.RaiseError(StatusOutOfMemory);
    return;
  }
  cReport& report = diag->report;
  report.WriteEmptyLine(kCatDebug, kSubDebugListShortNameResolver);
  report.Write(kCatDebug, kSubDebugListShortNameResolver, "List SHORT-NAME Resolver Tree");
  report.Write(kCatDebug, kSubDebugListShortNameResolver, "-----------------------------");
  if (!root.ListToReport(kCatDebug, kSubDebugListShortNameResolver, report, 0)) {
    // A listing cut short must not pass for the whole tree.
    diag->status.RaiseError(StatusOutOfMemory);
    return;
  }
  report.WriteEmptyLine(kCatDebug, kSubDebugListShortNameResolver);
}

// ---- Resolution

const exElement* FindReferenceTargetIn(const cSNRCollectionBase& root, const exElement* ref,
                                       bool* outOfMemory) {
  if (ref == nullptr) return nullptr;
  const char* dest = ref->Attribute(kDestAttribute);
  if (dest == nullptr || *dest == '\0') return nullptr;
  // The path is absolute: "/" followed by segments separated by "/".
  const char* path = ref->Text();
  if (path == nullptr || path[0] != '/') return nullptr;
  // A search that lost a branch for want of memory may miss the target.
  auto lost = [outOfMemory]() -> const exElement* {
    if (outOfMemory != nullptr) *outOfMemory = true;
    return nullptr;
  };

  // Every branch of duplicated names is followed in parallel.
  cSNRVector<const cSNRCollectionBase*> sets[2];
  cSNRVector<const cSNRCollectionBase*>* current = &sets[0];
  cSNRVector<const cSNRCollectionBase*>* next = &sets[1];
  cSNRVector<cShortNameResolver*> found;
  cSNRVector<const exElement*> candidates;
  if (!current->PushBack(&root)) return lost();
  const char* segment = path + 1;
  for (;;) {
    const char* slash = std::strchr(segment, '/');
    const bool isLast = slash == nullptr;
    const size_t length = isLast ? std::strlen(segment) : static_cast<size_t>(slash - segment);
    next->Clear();
    for (size_t i = 0; i < current->Size(); ++i) {
      if (!FindSegment(*(*current)[i], segment, length, found)) return lost();
      for (size_t k = 0; k < found.Size(); ++k) {
        const bool kept = isLast ? candidates.PushBack(found[k]->Element())
                                 : next->PushBack(found[k]->Children());
        if (!kept) return lost();
      }
    }
    if (isLast) break;
    std::swap(current, next);
    if (current->Empty()) return nullptr;
    segment = slash + 1;
  }

  for (size_t i = 0; i < candidates.Size(); ++i) {
    const char* name = candidates[i]->Name();
    if (name != nullptr && std::strncmp(name, "AR:", 3) == 0 && std::strcmp(name + 3, dest) == 0)
      return candidates[i];
  }
  return nullptr;
}

const exElement* ResolveReferenceIn(cDiagnostics* diag, const cSNRCollectionBase& root,
                                    const exElement* ref) {
  if (diag == nullptr) return nullptr;
  if (ref == nullptr) {
    diag->status.RaiseWarning();
    return nullptr;
  }
  bool outOfMemory = false;
  const exElement* target = FindReferenceTargetIn(root, ref, &outOfMemory);
  if (outOfMemory) diag->status.RaiseError(StatusOutOfMemory);
  if (target == nullptr) {
    diag->status.RaiseWarning();
    ReportElement(diag, kSubWarnDefault, ref, "unresolved reference");
    return nullptr;
  }
  return target;
}
