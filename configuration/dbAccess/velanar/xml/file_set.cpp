// Parsing the files of an import on worker threads and joining them in file order.
#include "xml/file_set.h"

#include <algorithm>
#include <cstdio>
#include <new>
#include <unordered_map>
#include <utility>

#include "velan_platform.h"

// The join's access to names and attribute pairs of a file's elements.
class exFileJoin {
 public:
  explicit exFileJoin(exDocument& document) : document_(document) {}

  // Qualifies the names of every element and attribute below `root`
  // (iteratively). False when a name cannot be qualified or two attributes
  // of one element come to the same name.
  bool QualifyTree(exElement* root) {
    try {
      std::vector<exElement*> todo{root};
      while (!todo.empty()) {
        exElement* e = todo.back();
        todo.pop_back();
        const char* name = Qualified(e->Name());
        if (name == nullptr) return false;
        exDocument::SetName(e, name);
        if (e->links_ != nullptr && !QualifyAttributes(*e->links_)) return false;
        for (size_t i = e->ChildCount(); i > 0; --i) todo.push_back(e->Child(i - 1));
      }
    } catch (...) {
      return false;
    }
    return true;
  }

 private:
  // The pairs get their qualified names and are sorted again as the direct
  // parse sorts them.
  bool QualifyAttributes(exAttributeMap& links) {
    using Pair = exAttributeMap::value_type;
    Pair* items = links.Pairs();
    const size_t count = links.size();
    for (size_t i = 0; i < count; ++i) {
      const char* name = Qualified(items[i].first);
      if (name == nullptr) return false;
      items[i].first = name;
    }
    // Of two equal names the first would win, which needs the document
    // order the pairs no longer have: the file is parsed again instead.
    for (size_t i = 1; i < count; ++i) {
      const Pair item = items[i];
      if (!exAttributeMap::InsertSorted(items, i, item)) return false;
    }
    return true;
  }

  // The qualified name of a name of the file, made once per distinct name.
  const char* Qualified(const char* raw) {
    if (raw == nullptr) return nullptr;
    auto it = names_.find(raw);
    if (it != names_.end()) return it->second;
    bool lost = false;
    const char* name = QualifyName(document_, raw, buffer_, &lost);
    if (name != nullptr) names_.emplace(raw, name);
    return name;
  }

  exDocument& document_;
  std::unordered_map<const char*, const char*> names_;
  std::string buffer_;
};

std::unique_ptr<exFilePart> ParseFileApart(const char* path, int32_t fileIndex,
                                           const std::atomic<bool>* cancel) {
  std::unique_ptr<exFilePart> part(new (std::nothrow) exFilePart());
  if (!part) return nullptr;
  part->result = kParseNoMemory;
  part->document.reset(CreateDocument());
  if (!part->document) return part;
  // Only regular files are read, as by the direct parse.
  FILE* file = vplat::IsRegularFile(path) ? std::fopen(path, "rb") : nullptr;
  if (file == nullptr) return part;
  part->parsed = true;
  {
    exParser parser;
    part->result = parser.BindApart(part->document.get(), fileIndex, &part->log)
                       ? ReadFile(parser, file, cancel)
                       : kParseNoMemory;
  }
  std::fclose(file);
  return part;
}

exJoinResult JoinFilePart(exDocument& document, std::unique_ptr<exFilePart> part) {
  if (!part || !part->parsed || part->result != kParseOk || !part->document) return kJoinRedo;
  const exNamespaceLog& log = part->log;
  const size_t declarations = log.declarations.size();
  const size_t beforeRoot =
      log.rootName != nullptr ? std::min(log.declarationsBeforeRoot, declarations) : declarations;
  bool lost = false;
  int32_t state = exParser::kBeforeRoot;
  for (size_t i = 0; i < beforeRoot; ++i)
    state = ApplyNamespaceDeclaration(document, state, log.declarations[i].first,
                                      log.declarations[i].second, &lost);
  if (lost) return kJoinRedo;
  // No element, or a file whose root is not the import's AUTOSAR root: the
  // file adds nothing more.
  if (log.rootName == nullptr || state == exParser::kRejected ||
      !IsAutosarRootName(document, log.rootName))
    return kJoinDone;
  state = exParser::kInsideRoot;
  for (size_t i = beforeRoot; i < declarations; ++i)
    state = ApplyNamespaceDeclaration(document, state, log.declarations[i].first,
                                      log.declarations[i].second, &lost);
  if (lost || part->document->ChildCount() != 1) return kJoinRedo;
  exElement* root = part->document->Child(0);
  exFileJoin join(document);
  if (!join.QualifyTree(root)) return kJoinRedo;
  if (!document.AdoptPart(std::move(part->document))) return kJoinRedo;
  // From here the root belongs to the document; the parent link is set by
  // AppendChild, whose failure leaves the file out for want of memory, as
  // the direct parse does.
  if (!document.AppendChild(&document, root)) return kJoinRedo;
  return kJoinDone;
}

exFileSetParser::exFileSetParser(const std::vector<std::string>& paths) : paths_(paths) {}

exFileSetParser::~exFileSetParser() {
  Stop();
}

bool exFileSetParser::Start(unsigned threads) {
  try {
    const size_t count = paths_.size();
    std::vector<uint64_t> sizes(count, 0);
    for (size_t i = 0; i < count; ++i) sizes[i] = vplat::FileSize(paths_[i]);
    order_.resize(count);
    for (size_t i = 0; i < count; ++i) order_[i] = i;
    std::stable_sort(order_.begin(), order_.end(),
                     [&](size_t a, size_t b) { return sizes[a] > sizes[b]; });
    parts_.resize(count);
    taken_.assign(count, 0);
    done_.assign(count, 0);
    threads_.reserve(threads);
    for (unsigned i = 0; i < threads; ++i) threads_.emplace_back(&exFileSetParser::Work, this);
  } catch (...) {
    // Fewer workers than asked is fine; none means the direct parse.
  }
  return !threads_.empty() && done_.size() == paths_.size();
}

void exFileSetParser::Work() {
  for (;;) {
    size_t index = 0;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (stop_ || next_ >= order_.size()) return;
      index = order_[next_++];
      taken_[index] = 1;
    }
    std::unique_ptr<exFilePart> part;
    try {
      part = ParseFileApart(paths_[index].c_str(), static_cast<int32_t>(index), &cancel_);
    } catch (...) {
      // The file is parsed again directly, where the failure is reported.
    }
    {
      std::lock_guard<std::mutex> lock(mutex_);
      parts_[index] = std::move(part);
      done_[index] = 1;
    }
    ready_.notify_all();
  }
}

std::unique_ptr<exFilePart> exFileSetParser::Take(size_t index) {
  std::unique_lock<std::mutex> lock(mutex_);
  if (index >= done_.size()) return nullptr;
  // A file nobody will parse any more (the workers stopped) is not waited for.
  ready_.wait(lock, [&] { return done_[index] != 0 || (stop_ && taken_[index] == 0); });
  return std::move(parts_[index]);
}

void exFileSetParser::Stop() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stop_ = true;
  }
  // The parts still being parsed will not be joined any more.
  cancel_.store(true, std::memory_order_relaxed);
  ready_.notify_all();
  for (std::thread& t : threads_) {
    if (t.joinable()) t.join();
  }
  threads_.clear();
}

unsigned FileSetThreads(size_t files, unsigned cores) {
  if (files < 2 || cores < 2) return 0;
  return static_cast<unsigned>(files < cores ? files : cores);
}
