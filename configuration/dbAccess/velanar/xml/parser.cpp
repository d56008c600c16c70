// The expat-driven parser that reads one ARXML file into the document.
#include "xml/parser.h"

#include "xml/encodings.h"

#include <expat.h>

#include <climits>
#include <cstdio>
#include <cstring>
#include <new>

namespace {

// Namespace URIs containing this domain name are AUTOSAR namespaces.
constexpr const char kAutosarDomain[] = "autosar.org";
constexpr const char kAutosarPrefix[] = "AR";
constexpr const char kAutosarRoot[] = "AUTOSAR";
// The "xml" prefix is bound by definition and never declared.
constexpr const char kXmlNamespaceUri[] = "http://www.w3.org/XML/1998/namespace";
constexpr size_t kReadChunk = 8192;

XML_Parser AsParser(void* p) {
  return static_cast<XML_Parser>(p);
}

// expat's memory goes through operator new like the rest of the import, so
// that one allocator serves (and accounts for) all of it. Each block carries
// its size in front for realloc.
constexpr size_t kBlockHeader = alignof(std::max_align_t);
// Set when expat was refused memory since the parser of this thread was
// bound. expat does not always say so: a failed namespace binding, for one,
// comes back as an unbound prefix.
thread_local bool tXmlRefused = false;

void* XmlMalloc(size_t size) {
  char* block = size <= SIZE_MAX - kBlockHeader
                    ? static_cast<char*>(::operator new(size + kBlockHeader, std::nothrow))
                    : nullptr;
  if (block == nullptr) {
    tXmlRefused = true;
    return nullptr;
  }
  std::memcpy(block, &size, sizeof size);
  return block + kBlockHeader;
}

void XmlFree(void* p) {
  if (p != nullptr) ::operator delete(static_cast<char*>(p) - kBlockHeader);
}

void* XmlRealloc(void* p, size_t size) {
  if (p == nullptr) return XmlMalloc(size);
  size_t old = 0;
  std::memcpy(&old, static_cast<char*>(p) - kBlockHeader, sizeof old);
  void* grown = XmlMalloc(size);
  if (grown == nullptr) return nullptr;  // the old block stays valid
  std::memcpy(grown, p, old < size ? old : size);
  XmlFree(p);
  return grown;
}

const XML_Memory_Handling_Suite kXmlMemory = {&XmlMalloc, &XmlRealloc, &XmlFree};

}  // namespace

const char* TrimBlank(const char* text, size_t& length) {
  size_t begin = 0;
  size_t end = length;
  // Only control characters and the blank count; bytes of 0x80 and more are
  // parts of UTF-8 sequences and stay.
  while (begin < end && static_cast<unsigned char>(text[begin]) <= 0x20) ++begin;
  while (end > begin && static_cast<unsigned char>(text[end - 1]) <= 0x20) --end;
  length = end - begin;
  return text + begin;
}

exString& exString::operator=(exString&& other) noexcept {
  if (this != &other) {
    delete[] data_;
    length_ = other.length_;
    data_ = other.data_;
    capacity_ = other.capacity_;
    other.length_ = other.capacity_ = 0;
    other.data_ = nullptr;
  }
  return *this;
}

bool exString::Append(const char* bytes, size_t count) {
  if (count == 0) return true;
  if (count > SIZE_MAX / 2 - length_) return false;
  const size_t needed = length_ + count;
  if (capacity_ <= needed) {
    // The next multiple of the growth step above the needed length (room for
    // a terminating NUL). Long texts grow geometrically, so a text delivered
    // in many small pieces is not copied over and over.
    size_t capacity = (needed / kGrowth + 1) * kGrowth;
    if (capacity_ >= 1024 && capacity < capacity_ * 2) capacity = capacity_ * 2;
    char* data = new (std::nothrow) char[capacity];
    if (data == nullptr) return false;
    if (length_ > 0) std::memcpy(data, data_, length_);
    delete[] data_;
    data_ = data;
    capacity_ = capacity;
  }
  std::memcpy(data_ + length_, bytes, count);
  length_ = needed;
  data_[length_] = '\0';
  return true;
}

exParser::exParser() = default;

exParser::~exParser() {
  CloseOpenContexts();
  if (parser_ != nullptr) XML_ParserFree(AsParser(parser_));
}

bool exParser::Bind(exDocument* document, int32_t fileIndex) {
  if (document == nullptr || parser_ != nullptr) return false;
  tXmlRefused = false;
  XML_Parser parser = XML_ParserCreate_MM(nullptr, &kXmlMemory, ":");
  if (parser == nullptr) return false;
  try {
    stack_.reserve(64);
    // The document's own context stays at the bottom, so the stack is never
    // empty while the file is read.
    stack_.emplace_back();
    stack_.back().element = document;
    depth_ = 1;
  } catch (...) {
    XML_ParserFree(parser);
    return false;
  }
  parser_ = parser;
  document_ = document;
  fileIndex_ = fileIndex;
  state_ = kBeforeRoot;
  XML_SetUserData(parser, this);
  XML_SetElementHandler(parser, &exParser::OnStartElement, &exParser::OnEndElement);
  XML_SetCharacterDataHandler(parser, &exParser::OnCharacterData);
  XML_SetNamespaceDeclHandler(parser, &exParser::OnStartNamespace, nullptr);
  InstallEncodingAliases(parser);
  return true;
}

bool exParser::BindApart(exDocument* fileDocument, int32_t fileIndex, exNamespaceLog* log) {
  if (log == nullptr || !Bind(fileDocument, fileIndex)) return false;
  log_ = log;
  return true;
}

bool exParser::Parse(const char* data, size_t size, bool isFinal) {
  if (parser_ == nullptr) return false;
  XML_Parser parser = AsParser(parser_);
  // expat takes int lengths: hand over large inputs in pieces.
  constexpr size_t kMaxPiece = 1 << 30;
  while (size > kMaxPiece) {
    if (XML_Parse(parser, data, static_cast<int>(kMaxPiece), XML_FALSE) != XML_STATUS_OK) {
      CloseOpenContexts();
      return false;
    }
    data += kMaxPiece;
    size -= kMaxPiece;
  }
  if (XML_Parse(parser, data, static_cast<int>(size), isFinal ? XML_TRUE : XML_FALSE) !=
      XML_STATUS_OK) {
    // What was built stays in the document: the open elements get the
    // children read so far.
    CloseOpenContexts();
    return false;
  }
  return true;
}

void exParser::StopOnLostMemory() {
  if (lostMemory_ && parser_ != nullptr) XML_StopParser(AsParser(parser_), XML_FALSE);
}

bool exParser::LostMemory() const {
  return lostMemory_ || tXmlRefused ||
         (parser_ != nullptr && XML_GetErrorCode(AsParser(parser_)) == XML_ERROR_NO_MEMORY);
}

void exParser::CloseOpenContexts() {
  while (depth_ > 1) {
    FinishElement(stack_[depth_ - 1]);
    --depth_;
  }
}

void exParser::FinishElement(exContextStackData& context) {
  const size_t firstChild = context.firstChild;
  const size_t firstAttribute = context.firstAttribute;
  if (context.element != nullptr &&
      (pending_.size() > firstChild || attributeBuffer_.size() > firstAttribute)) {
    if (!document_->SetLinks(context.element, attributeBuffer_.data() + firstAttribute,
                             attributeBuffer_.size() - firstAttribute, pending_.data() + firstChild,
                             pending_.size() - firstChild))
      lostMemory_ = true;
  }
  pending_.resize(firstChild);
  attributeBuffer_.resize(firstAttribute);
}

const char* exParser::ErrorText() const {
  if (parser_ == nullptr) return "";
  const XML_Error code = XML_GetErrorCode(AsParser(parser_));
  if (code == XML_ERROR_NONE) return "";
  const char* text = XML_ErrorString(code);
  return text ? text : "";
}

uint64_t exParser::ErrorLine() const {
  return parser_ ? XML_GetCurrentLineNumber(AsParser(parser_)) : 0;
}

uint64_t exParser::ErrorColumn() const {
  return parser_ ? XML_GetCurrentColumnNumber(AsParser(parser_)) : 0;
}

void exParser::OnStartElement(void* user, const char* name, const char** attributes) {
  try {
    static_cast<exParser*>(user)->StartElement(name, attributes);
  } catch (...) {
    static_cast<exParser*>(user)->lostMemory_ = true;
    // Out of memory drops the element; the stack was kept balanced before.
  }
  static_cast<exParser*>(user)->StopOnLostMemory();
}

void exParser::OnEndElement(void* user, const char*) {
  try {
    static_cast<exParser*>(user)->EndElement();
  } catch (...) {
    static_cast<exParser*>(user)->lostMemory_ = true;
  }
  static_cast<exParser*>(user)->StopOnLostMemory();
}

void exParser::OnCharacterData(void* user, const char* data, int length) {
  try {
    static_cast<exParser*>(user)->CharacterData(data, length);
  } catch (...) {
    static_cast<exParser*>(user)->lostMemory_ = true;
  }
  static_cast<exParser*>(user)->StopOnLostMemory();
}

void exParser::OnStartNamespace(void* user, const char* prefix, const char* uri) {
  try {
    static_cast<exParser*>(user)->StartNamespace(prefix, uri);
  } catch (...) {
    static_cast<exParser*>(user)->lostMemory_ = true;
  }
  static_cast<exParser*>(user)->StopOnLostMemory();
}

int32_t ApplyNamespaceDeclaration(exDocument& document, int32_t state, const char* prefix,
                                  const char* uri, bool* lostMemory) {
  if (state == exParser::kRejected) return state;
  if (uri == nullptr) return state;  // xmlns="" binds nothing
  if (state == exParser::kBeforeRoot && std::strstr(uri, kAutosarDomain) != nullptr) {
    // The first AUTOSAR namespace of the import is bound to "AR"; a file with
    // another AUTOSAR namespace is rejected.
    const char* bound = document.NamespaceUri(kAutosarPrefix);
    if (bound != nullptr)
      return std::strcmp(bound, uri) == 0 ? exParser::kBeforeRootBound : exParser::kRejected;
    if (document.NamespacePrefix(uri) != nullptr) return exParser::kRejected;
    if (document.BindNamespace(uri, kAutosarPrefix)) return exParser::kBeforeRootBound;
    *lostMemory = true;
    return exParser::kRejected;
  }
  if (document.NamespacePrefix(uri) != nullptr) return state;
  char generated[32];
  if (prefix == nullptr || *prefix == '\0') {
    // Default namespace: the first free prefix of ns0, ns1, ...
    for (unsigned counter = 0;; ++counter) {
      std::snprintf(generated, sizeof generated, "%s%X", "ns", counter);
      if (document.NamespaceUri(generated) == nullptr) break;
    }
    prefix = generated;
  }
  if (document.BindNamespace(uri, prefix)) return state;
  *lostMemory = true;
  return exParser::kRejected;
}

bool IsAutosarRootName(const exDocument& document, const char* name) {
  const char* colon = std::strrchr(name, ':');
  if (colon == nullptr || std::strcmp(colon + 1, kAutosarRoot) != 0) return false;
  const char* bound = document.NamespaceUri(kAutosarPrefix);
  if (bound == nullptr) return false;
  const size_t uriLength = static_cast<size_t>(colon - name);
  return std::strlen(bound) == uriLength && std::memcmp(bound, name, uriLength) == 0;
}

const char* QualifyName(exDocument& document, const char* name, std::string& buffer,
                        bool* lostMemory) {
  const char* colon = std::strrchr(name, ':');
  const char* qualified = nullptr;
  if (colon == nullptr) {
    qualified = document.Intern(name);
    if (qualified == nullptr) *lostMemory = true;
    return qualified;
  }
  buffer.assign(name, static_cast<size_t>(colon - name));
  const char* prefix = document.NamespacePrefix(buffer.c_str());
  if (prefix == nullptr && buffer == kXmlNamespaceUri) prefix = "xml";
  if (prefix == nullptr) return nullptr;
  buffer.assign(prefix);
  buffer += ':';
  buffer += colon + 1;
  qualified = document.Intern(buffer.c_str(), buffer.size());
  if (qualified == nullptr) *lostMemory = true;
  return qualified;
}

void exParser::StartNamespace(const char* prefix, const char* uri) {
  if (depth_ == 0) return;
  if (log_ != nullptr) {
    // Parsed apart: the declaration is applied to the import's document
    // when the file joins it.
    const char* pooledPrefix = prefix != nullptr ? document_->Intern(prefix) : nullptr;
    const char* pooledUri = uri != nullptr ? document_->Intern(uri) : nullptr;
    if ((prefix != nullptr && pooledPrefix == nullptr) || (uri != nullptr && pooledUri == nullptr))
      lostMemory_ = true;
    else
      log_->declarations.emplace_back(pooledPrefix, pooledUri);
    return;
  }
  state_ = ApplyNamespaceDeclaration(*document_, state_, prefix, uri, &lostMemory_);
}

const char* exParser::QualifiedName(const char* name) {
  const size_t length = std::strlen(name);
  const uint32_t hash = exHashText(name, length);
  if (const char* cached = nameCache_.Find(name, length, hash)) return cached;
  const char* qualified = MakeQualifiedName(name);
  if (qualified != nullptr) {
    // The key must outlive the parser's buffer: it is pooled as well.
    const char* pooledKey = document_->Intern(name, length);
    if (pooledKey != nullptr) nameCache_.Insert(pooledKey, length, hash, qualified);
  }
  return qualified;
}

const char* exParser::MakeQualifiedName(const char* name) {
  if (log_ != nullptr) {
    // Parsed apart: the name stays as the XML parser gives it until the
    // file joins the import's document.
    const char* raw = document_->Intern(name);
    if (raw == nullptr) lostMemory_ = true;
    return raw;
  }
  return QualifyName(*document_, name, nameBuffer_, &lostMemory_);
}

bool exParser::PushContext(exElement* element) {
  if (depth_ == stack_.size()) {
    // Keeps room for the next entry; emplace_back then cannot fail.
    if (stack_.size() == stack_.capacity()) {
      try {
        stack_.reserve(stack_.capacity() * 2 + 16);
      } catch (...) {
        return false;
      }
    }
    stack_.emplace_back();
  }
  exContextStackData& context = stack_[depth_++];
  context.element = element;
  context.text.Clear();
  context.firstChild = pending_.size();
  context.firstAttribute = attributeBuffer_.size();
  return true;
}

exElement* exParser::ParentOfNewElement(const char* name) {
  exElement* parent = nullptr;
  switch (state_) {
    case kBeforeRoot:
    case kBeforeRootBound:
      if (log_ != nullptr) {
        // Parsed apart: whether this is the import's root is decided when
        // the file joins; the tree is built as if it were.
        log_->rootName = document_->Intern(name);
        log_->declarationsBeforeRoot = log_->declarations.size();
        if (log_->rootName == nullptr) {
          lostMemory_ = true;
          state_ = kRejected;
        } else {
          state_ = kInsideRoot;
          parent = document_;
        }
      } else if (IsAutosarRootName(*document_, name)) {
        state_ = kInsideRoot;
        parent = document_;
      } else {
        state_ = kRejected;
      }
      break;
    case kInsideRoot:
      parent = stack_[depth_ - 1].element;
      // A context without element (a dropped element) takes its subtree with it.
      break;
    default:
      break;
  }
  return parent;
}

exElement* exParser::CreateElement(exElement* parent, const char* name) {
  exElement* created = nullptr;
  const char* qname = QualifiedName(name);
  if (qname != nullptr) {
    exElement* element = nullptr;
    exElementArRoot* root = nullptr;
    if (parent == document_) {
      element = root = document_->NewFileRoot(fileIndex_);
    } else {
      element = document_->NewElement();
    }
    if (element != nullptr) {
      exDocument::SetName(element, qname);
      if (!document_->SetPosition(element, XML_GetCurrentLineNumber(AsParser(parser_)),
                                  XML_GetCurrentColumnNumber(AsParser(parser_))))
        lostMemory_ = true;
      if (parent != document_) {
        // Collected until the parent ends, which then gets its whole
        // child array at once. A dropped element's memory stays in the pool.
        try {
          pending_.push_back(element);
          element->parent_ = parent;
          created = element;
        } catch (...) {
          lostMemory_ = true;
        }
      } else if (document_->AppendChild(parent, element)) {
        created = element;
      } else {
        lostMemory_ = true;
      }
    } else {
      lostMemory_ = true;
    }
  }
  return created;
}

void exParser::TakeAttributes(exElement* created, const char** attributes) {
  if (created != nullptr && attributes != nullptr && attributes[0] != nullptr) {
    // The pairs wait in the buffer until the element ends and gets its one
    // link record. The first attribute that cannot be made ends the list.
    for (size_t i = 0; attributes[i] != nullptr && attributes[i + 1] != nullptr; i += 2) {
      const char* attributeName = QualifiedName(attributes[i]);
      const char* value = document_->Intern(attributes[i + 1]);
      if (value == nullptr) lostMemory_ = true;
      if (attributeName == nullptr || value == nullptr) break;
      try {
        attributeBuffer_.emplace_back(attributeName, value);
      } catch (...) {
        lostMemory_ = true;
        break;
      }
    }
  }
}

void exParser::StartElement(const char* name, const char** attributes) {
  if (phantomDepth_ > 0) {
    // Below an element that could not be put on the stack: only count.
    ++phantomDepth_;
    return;
  }
  // Make sure the context can be pushed before anything is created, so that
  // every start tag has exactly one entry for its end tag to pop.
  if (depth_ == stack_.size() && stack_.size() == stack_.capacity()) {
    try {
      stack_.reserve(stack_.capacity() * 2 + 16);
    } catch (...) {
      phantomDepth_ = 1;
      lostMemory_ = true;
      return;
    }
  }

  exElement* parent = ParentOfNewElement(name);
  exElement* created = parent != nullptr ? CreateElement(parent, name) : nullptr;
  PushContext(created);  // cannot fail: room was made above
  TakeAttributes(created, attributes);
}

void exParser::EndElement() {
  if (phantomDepth_ > 0) {
    --phantomDepth_;
    return;
  }
  // The document's context is never popped.
  if (depth_ <= 1) return;
  exContextStackData& top = stack_[depth_ - 1];
  if (top.element != nullptr && top.text.Length() > 0) {
    size_t length = top.text.Length();
    const char* text = TrimBlank(top.text.Data(), length);
    if (length > 0) {
      const char* pooled = document_->Intern(text, length);
      if (pooled != nullptr) {
        exDocument::SetText(top.element, pooled);
      } else {
        lostMemory_ = true;
      }
    }
  }
  FinishElement(top);
  --depth_;
}

void exParser::CharacterData(const char* data, int length) {
  if (phantomDepth_ > 0 || length <= 0 || depth_ <= 1) return;
  exContextStackData& top = stack_[depth_ - 1];
  if (top.element == nullptr) return;
  if (top.text.Length() == 0) {
    // Leading blanks are trimmed at the end anyway: indentation between
    // elements then costs no buffer.
    size_t skip = 0;
    while (skip < static_cast<size_t>(length) && static_cast<unsigned char>(data[skip]) <= 0x20)
      ++skip;
    data += skip;
    length -= static_cast<int>(skip);
    if (length == 0) return;
  }
  // A text that cannot grow keeps what it has.
  if (!top.text.Append(data, static_cast<size_t>(length))) lostMemory_ = true;
}

exParseResult ReadFile(exParser& parser, FILE* file, const std::atomic<bool>* cancel) {
  if (file == nullptr) return kParseXmlError;
  cScopedArray<char> buffer(new (std::nothrow) char[kReadChunk]);
  if (!buffer) return kParseNoMemory;
  for (;;) {
    if (cancel != nullptr && cancel->load(std::memory_order_relaxed)) return kParseXmlError;
    const size_t n = std::fread(buffer.Get(), 1, kReadChunk, file);
    if (n > 0 && !parser.Parse(buffer.Get(), n, false))
      return parser.LostMemory() ? kParseNoMemory : kParseXmlError;
    if (n < kReadChunk) {
      if (std::ferror(file)) return kParseXmlError;
      break;
    }
  }
  if (parser.Parse(nullptr, 0, true)) return parser.LostMemory() ? kParseNoMemory : kParseOk;
  return parser.LostMemory() ? kParseNoMemory : kParseXmlError;
}

exParseResult ParseFile(exDocument& document, int32_t fileIndex, FILE* file) {
  if (file == nullptr) return kParseXmlError;
  exParser parser;
  if (!parser.Bind(&document, fileIndex)) return kParseNoMemory;
  return ReadFile(parser, file);
}

exParseResult ParseText(exDocument& document, int32_t fileIndex, const char* text, size_t size) {
  exParser parser;
  if (!parser.Bind(&document, fileIndex)) return kParseNoMemory;
  if (parser.Parse(text, size, true)) return parser.LostMemory() ? kParseNoMemory : kParseOk;
  return parser.LostMemory() ? kParseNoMemory : kParseXmlError;
}
