// Diagnostic dump of element lists as indented XML-like text.
#include <vector>

#include "import/report.h"
#include "xml/document.h"

namespace {

void AppendName(ToLogFile& sink, const exElement* e) {
  if (e->Name() != nullptr) sink.Append(e->Name());
}

// The line that closes an element with children.
void WriteEndTagLine(ToLogFile& sink, size_t blanks, const exElement* e) {
  sink.AppendBlanks(blanks);
  sink.Append("</");
  AppendName(sink, e);
  sink.Append(">");
  sink.AppendLineEnd();
}

// The start tag with the attributes, the text, and the end tag or line end
// as the element's content asks. True when its children follow.
bool WriteElementStart(ToLogFile& sink, size_t blanks, const exElement* e) {
  sink.AppendBlanks(blanks);
  sink.Append("<");
  AppendName(sink, e);
  if (const exAttributeMap* attributes = e->Attributes()) {
    for (const auto& attribute : *attributes) {
      sink.Append(" ");
      sink.Append(attribute.first);
      sink.Append("=\"");
      sink.Append(attribute.second);
      sink.Append("\"");
    }
  }
  const bool hasText = e->Text()[0] != '\0';
  const bool hasChildren = e->ChildCount() > 0;
  if (hasText) {
    sink.Append(">");
    sink.Append(e->Text());
    if (!hasChildren) {
      sink.Append("</");
      AppendName(sink, e);
      sink.Append(">");
    }
    sink.AppendLineEnd();
  } else if (!hasChildren) {
    sink.Append("/>");
    sink.AppendLineEnd();
  }
  if (hasChildren && !hasText) {
    sink.Append(">");
    sink.AppendLineEnd();
  }
  return hasChildren;
}

}  // namespace

void exElementVector::Dump(ToLogFile& sink) const {
  // One frame per open list: the list itself at the bottom, then the child
  // arrays of the open elements. The depth of the document only costs frames
  // on the heap, never stack.
  struct Frame {
    const exElement* parent;  // null for the list itself
    size_t next;
  };
  // Without a log file nothing would be written: skip the walk.
  if (!sink.IsOpen()) return;
  const size_t base = static_cast<size_t>(sink.Indentation());
  auto count = [this](const Frame& f) { return f.parent ? f.parent->ChildCount() : size(); };
  auto item = [this](const Frame& f, size_t i) {
    return f.parent ? f.parent->Child(i) : (*this)[i];
  };
  std::vector<Frame> frames;
  try {
    frames.push_back({nullptr, 0});
    while (!frames.empty()) {
      Frame& frame = frames.back();
      const size_t depth = frames.size() - 1;
      if (frame.next >= count(frame)) {
        frames.pop_back();
        if (!frames.empty()) {
          const Frame& outer = frames.back();
          WriteEndTagLine(sink, base + 2 * (depth - 1), item(outer, outer.next - 1));
        }
        continue;
      }
      const exElement* e = item(frame, frame.next++);
      if (e == nullptr) continue;
      if (WriteElementStart(sink, base + 2 * depth, e)) frames.push_back({e, 0});
    }
  } catch (...) {
    // Out of memory ends the dump; it is a diagnostic aid only.
  }
}
