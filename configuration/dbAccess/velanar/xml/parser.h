// Parser that reads one ARXML file, chunk by chunk, into the document.
#ifndef VELANAR_XML_PARSER_H
#define VELANAR_XML_PARSER_H

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "xml/document.h"
#include "xml/name_cache.h"

// Text buffer of one open element; grows in steps of 32 bytes.
class exString {
 public:
  static constexpr size_t kGrowth = 32;
  exString() = default;
  ~exString() { delete[] data_; }
  exString(const exString&) = delete;
  exString& operator=(const exString&) = delete;
  exString(exString&& other) noexcept
      : length_(other.length_), data_(other.data_), capacity_(other.capacity_) {
    other.length_ = other.capacity_ = 0;
    other.data_ = nullptr;
  }
  exString& operator=(exString&& other) noexcept;

  // False when the buffer cannot grow; the text is then unchanged.
  bool Append(const char* bytes, size_t count);
  // Empties the text and keeps the buffer for the next one.
  void Clear() { length_ = 0; }
  size_t Length() const { return length_; }
  size_t Capacity() const { return capacity_; }
  const char* Data() const { return data_; }

 private:
  size_t length_ = 0;
  char* data_ = nullptr;
  size_t capacity_ = 0;
};

// One open element. `element` is null for an element that created nothing
// (rejected file, unusable name, out of memory): its end tag still pops it,
// and its character data goes nowhere.
// `firstChild` and `firstAttribute` are where the element's children and
// attributes start in the parser's lists of those not yet in a link record.
struct exContextStackData {
  exElement* element = nullptr;
  exString text;
  size_t firstChild = 0;
  size_t firstAttribute = 0;
};

using exContextStack = std::vector<exContextStackData>;

// Removes blank bytes (0x00 to 0x20) from both ends of `text[0..length)`;
// returns the new start and sets `length` to the trimmed length.
const char* TrimBlank(const char* text, size_t& length);

// What a file parsed apart from the import's document declared: its
// namespace declarations in order (pooled prefix, or null, and URI) and its
// first element's name as the XML parser gives it, with the number of
// declarations made before it.
struct exNamespaceLog {
  std::vector<std::pair<const char*, const char*>> declarations;
  const char* rootName = nullptr;
  size_t declarationsBeforeRoot = 0;
};

class exParser {
 public:
  // Parse states of one file.
  enum State : int32_t {
    kBeforeRoot = 0,       // no AUTOSAR namespace declared in this file yet
    kBeforeRootBound = 1,  // this file bound the AUTOSAR namespace to "AR"
    kRejected = 2,         // the rest of the file adds nothing
    kInsideRoot = 3,       // inside the accepted AUTOSAR root element
  };

  exParser();
  ~exParser();
  exParser(const exParser&) = delete;
  exParser& operator=(const exParser&) = delete;

  // Creates the XML parser and binds it to the document with the file's
  // index. False when out of memory.
  bool Bind(exDocument* document, int32_t fileIndex);
  // Binds the parser to a document of this file alone, which keeps the names
  // as the XML parser gives them ("uri:local") and records the namespace
  // declarations in the log instead of binding them; the file joins the
  // import's document later (JoinFilePart).
  bool BindApart(exDocument* fileDocument, int32_t fileIndex, exNamespaceLog* log);
  // Feeds a chunk; `isFinal` on the last call (which may have no bytes).
  // False on an XML error or when the parser is not bound.
  bool Parse(const char* data, size_t size, bool isFinal);

  int32_t GetState() const { return state_; }
  // True once anything of the file was left out for want of memory (an
  // element, attribute, text or namespace binding, or the XML parser's own
  // memory): the document is then incomplete.
  bool LostMemory() const;
  int32_t FileIndex() const { return fileIndex_; }
  // Open contexts, the document's own included.
  size_t OpenElements() const { return depth_ + phantomDepth_; }
  // Description and position of the last XML error ("" when none).
  const char* ErrorText() const;
  uint64_t ErrorLine() const;
  uint64_t ErrorColumn() const;

 private:
  static void OnStartElement(void* user, const char* name, const char** attributes);
  static void OnEndElement(void* user, const char* name);
  static void OnCharacterData(void* user, const char* data, int length);
  static void OnStartNamespace(void* user, const char* prefix, const char* uri);

  void StartElement(const char* name, const char** attributes);
  // Steps of StartElement: the element the new one goes below (null when
  // it is dropped; also moves the root state on), the element made there
  // (null when it cannot be made), and its attributes.
  exElement* ParentOfNewElement(const char* name);
  exElement* CreateElement(exElement* parent, const char* name);
  void TakeAttributes(exElement* created, const char** attributes);
  void EndElement();
  void CharacterData(const char* data, int length);
  void StartNamespace(const char* prefix, const char* uri);
  bool PushContext(exElement* element);
  // Ends the parse at once when memory ran out: the rest of the file would
  // only be read to be thrown away.
  void StopOnLostMemory();
  // Gives the context's element its collected attributes and children in
  // one link record of the exact size (instead of growing a list child by
  // child); what cannot be kept (out of memory) is left out.
  void FinishElement(exContextStackData& context);
  // Ends every open context but the document's (after an error or when the
  // parser goes): their elements keep the children read so far.
  void CloseOpenContexts();
  // Pooled qualified name of an expat name ("uri:local" or "local"); null
  // when the URI has no bound prefix or out of memory.
  const char* QualifiedName(const char* name);
  const char* MakeQualifiedName(const char* name);

  void* parser_ = nullptr;  // XML_Parser
  int32_t state_ = kBeforeRoot;
  int32_t fileIndex_ = -1;
  exDocument* document_ = nullptr;
  // Set when the file is parsed apart (BindApart).
  exNamespaceLog* log_ = nullptr;
  // Contexts [0, depth_) are open; entries above stay allocated so that
  // their text buffers serve the next elements at that depth.
  exContextStack stack_;
  size_t depth_ = 0;
  // Children of the open elements below the document, in document order;
  // each context's children start at its `firstChild`.
  std::vector<exElement*> pending_;
  std::string nameBuffer_;
  // Attributes of the open elements, in document order; each context's
  // attributes start at its `firstAttribute`.
  std::vector<exAttributeMap::value_type> attributeBuffer_;
  // Qualified names already made in this file, keyed by the parser's name.
  // Only successes are kept: a binding, once made, never changes.
  exNameCache nameCache_;
  // Open elements below one whose context could not be pushed (out of
  // memory); they are only counted so that the end tags stay balanced.
  size_t phantomDepth_ = 0;
  bool lostMemory_ = false;
};

// The steps of a file's namespace handling, shared by the parser and the
// join of files parsed apart:
// The parse state after a namespace declaration of a file in `state`; binds
// the namespace in the document as the rules of the import say. Sets
// `*lostMemory` when a binding could not be stored.
int32_t ApplyNamespaceDeclaration(exDocument& document, int32_t state, const char* prefix,
                                  const char* uri, bool* lostMemory);
// Root test: local part "AUTOSAR" in the namespace bound to "AR".
bool IsAutosarRootName(const exDocument& document, const char* name);
// Pooled qualified name of an XML parser's name ("uri:local" or "local");
// null when the URI has no bound prefix or out of memory (then
// `*lostMemory` is set).
const char* QualifyName(exDocument& document, const char* name, std::string& buffer,
                        bool* lostMemory);

// Result of parsing one whole file.
enum exParseResult : int32_t {
  kParseOk = 0,
  kParseXmlError = 1,  // not well-formed XML (or a read error)
  kParseNoMemory = 2,  // out of memory: the file is not (or not wholly) in the document
};

// Reads the open file in chunks of 8192 bytes through the bound parser. When
// `cancel` is given and becomes true, the read ends early as a read error.
exParseResult ReadFile(exParser& parser, FILE* file, const std::atomic<bool>* cancel = nullptr);
// Reads the open file in chunks of 8192 bytes into the document with the given
// file index. The caller opens and closes the file.
exParseResult ParseFile(exDocument& document, int32_t fileIndex, FILE* file);
// Parses text held in memory as one file (used by tools and tests).
exParseResult ParseText(exDocument& document, int32_t fileIndex, const char* text, size_t size);

#endif
