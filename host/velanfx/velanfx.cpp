// Configuration reader: reads a small XML file into a tree of nodes and
// answers namespace-qualified lookups on it. Built on expat.
#include "velan/velanfx.h"

#include <expat.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <utility>
#include <vector>

namespace {

// Separates namespace URI and local name in expat's names. URIs may hold
// ':', so a control character that cannot occur in XML names is used.
constexpr char kNsSeparator = '\x01';

struct Name {
  std::string uri;  // empty when the name has no namespace
  std::string local;
};

Name SplitExpatName(const char* name) {
  Name result;
  const char* sep = std::strchr(name, kNsSeparator);
  if (sep == nullptr) {
    result.local = name;
  } else {
    result.uri.assign(name, static_cast<size_t>(sep - name));
    result.local = sep + 1;
  }
  return result;
}

bool IsBlank(char c) {
  return static_cast<unsigned char>(c) <= 0x20;
}

class Reader;

class Node final : public IfcXMLNode {
 public:
  explicit Node(Reader* reader) : reader_(reader) {}

  IfcXMLNode* FirstChild(const char* qualifiedName, uint32_t index) override;
  const char* Attribute(const char* qualifiedName) override;
  const char* Text() override { return text_.c_str(); }

  Name name;
  std::vector<std::pair<Name, std::string>> attributes;
  std::vector<Node*> children;
  std::string text_;

 private:
  Reader* reader_;
};

class Reader final : public IfcXMLParser {
 public:
  bool BindNamespace(const char* namespaceUri, const char* prefix) override {
    if (namespaceUri == nullptr || *namespaceUri == '\0' || prefix == nullptr || *prefix == '\0')
      return false;
    for (auto& binding : bindings_) {
      if (binding.first == prefix) {
        binding.second = namespaceUri;
        return true;
      }
    }
    bindings_.emplace_back(prefix, namespaceUri);
    return true;
  }

  bool LoadFile(const char* path) override;

  void Release() override { delete this; }

  IfcXMLNode* RootNode() override { return loaded_ ? nodes_.front().get() : nullptr; }

  // Resolves "prefix:local" or "local" into a name; false for an unbound
  // prefix.
  bool Resolve(const char* qualifiedName, Name* out) const {
    if (qualifiedName == nullptr) return false;
    const char* colon = std::strchr(qualifiedName, ':');
    if (colon == nullptr) {
      out->uri.clear();
      out->local = qualifiedName;
      return true;
    }
    const std::string prefix(qualifiedName, static_cast<size_t>(colon - qualifiedName));
    for (const auto& binding : bindings_) {
      if (binding.first == prefix) {
        out->uri = binding.second;
        out->local = colon + 1;
        return true;
      }
    }
    return false;
  }

 private:
  ~Reader() = default;

  static void OnStart(void* user, const char* name, const char** attributes);
  static void OnEnd(void* user, const char* name);
  static void OnText(void* user, const char* data, int length);

  void Clear() {
    nodes_.clear();
    open_.clear();
    loaded_ = false;
  }

  std::vector<std::pair<std::string, std::string>> bindings_;  // prefix, URI
  // Every node, the document node first; children are plain pointers into
  // this list, so tear-down never recurses.
  std::vector<std::unique_ptr<Node>> nodes_;
  std::vector<Node*> open_;
  bool loaded_ = false;
  bool failed_ = false;
};

IfcXMLNode* Node::FirstChild(const char* qualifiedName, uint32_t index) {
  Name wanted;
  if (!reader_->Resolve(qualifiedName, &wanted)) return nullptr;
  uint32_t seen = 0;
  for (Node* child : children) {
    if (child->name.local == wanted.local && child->name.uri == wanted.uri) {
      if (seen == index) return child;
      ++seen;
    }
  }
  return nullptr;
}

const char* Node::Attribute(const char* qualifiedName) {
  Name wanted;
  if (!reader_->Resolve(qualifiedName, &wanted)) return nullptr;
  for (const auto& attribute : attributes) {
    if (attribute.first.local == wanted.local && attribute.first.uri == wanted.uri)
      return attribute.second.c_str();
  }
  return nullptr;
}

void Reader::OnStart(void* user, const char* name, const char** attributes) {
  Reader* self = static_cast<Reader*>(user);
  if (self->failed_) return;
  try {
    std::unique_ptr<Node> node(new Node(self));
    node->name = SplitExpatName(name);
    for (size_t i = 0; attributes[i] != nullptr; i += 2) {
      node->attributes.emplace_back(SplitExpatName(attributes[i]), attributes[i + 1]);
    }
    Node* raw = node.get();
    self->open_.back()->children.push_back(raw);
    self->nodes_.push_back(std::move(node));
    self->open_.push_back(raw);
  } catch (const std::bad_alloc&) {
    self->failed_ = true;
  }
}

void Reader::OnEnd(void* user, const char*) {
  Reader* self = static_cast<Reader*>(user);
  if (self->failed_ || self->open_.size() <= 1) return;
  Node* node = self->open_.back();
  std::string& text = node->text_;
  size_t begin = 0;
  size_t end = text.size();
  while (begin < end && IsBlank(text[begin])) ++begin;
  while (end > begin && IsBlank(text[end - 1])) --end;
  text = text.substr(begin, end - begin);
  self->open_.pop_back();
}

void Reader::OnText(void* user, const char* data, int length) {
  Reader* self = static_cast<Reader*>(user);
  if (self->failed_ || self->open_.size() <= 1 || length <= 0) return;
  try {
    self->open_.back()->text_.append(data, static_cast<size_t>(length));
  } catch (const std::bad_alloc&) {
    self->failed_ = true;
  }
}

bool Reader::LoadFile(const char* path) {
  Clear();
  if (path == nullptr || *path == '\0') return false;
  // Only regular files: a folder fails late and opening a FIFO could block
  // the import for good.
  struct stat st;
  if (stat(path, &st) != 0 || !S_ISREG(st.st_mode)) return false;
  FILE* file = std::fopen(path, "rb");
  if (file == nullptr) return false;

  XML_Parser parser = XML_ParserCreateNS(nullptr, kNsSeparator);
  if (parser == nullptr) {
    std::fclose(file);
    return false;
  }
  failed_ = false;
  bool ok = true;
  try {
    nodes_.emplace_back(new Node(this));
    open_.push_back(nodes_.front().get());
  } catch (const std::bad_alloc&) {
    ok = false;
  }
  XML_SetUserData(parser, this);
  XML_SetElementHandler(parser, &Reader::OnStart, &Reader::OnEnd);
  XML_SetCharacterDataHandler(parser, &Reader::OnText);

  char buffer[8192];
  while (ok) {
    const size_t got = std::fread(buffer, 1, sizeof(buffer), file);
    const bool last = got < sizeof(buffer);
    if (last && std::ferror(file)) ok = false;
    if (ok && XML_Parse(parser, buffer, static_cast<int>(got), last) != XML_STATUS_OK) ok = false;
    if (failed_) ok = false;
    if (last) break;
  }
  XML_ParserFree(parser);
  std::fclose(file);
  open_.clear();
  if (!ok || nodes_.size() < 2) {
    Clear();
    return false;
  }
  loaded_ = true;
  return true;
}

}  // namespace

IfcXMLParser* QueryXMLParser(void) {
  return new (std::nothrow) Reader();
}
