// The parser collects the children of open elements and gives each element
// its child list when it ends, and reuses the text buffer of each depth: the
// tree and the texts must come out as if every child were appended at once.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "xml/document.h"
#include "xml/navigation.h"
#include "xml/parser.h"
#include "xml_test_support.h"

using xmltest::Ar4;
using xmltest::Parse;

namespace {

std::string Names(const exElement* e) {
  std::string out;
  for (size_t i = 0; i < e->ChildCount(); ++i) {
    if (!out.empty()) out += ',';
    out += e->Child(i)->Name();
    if (e->Child(i)->Parent() != e) out += "(wrong parent)";
  }
  return out;
}

}  // namespace

TEST(DocumentBuild, ChildListsKeepDocumentOrderAcrossDepthsAndMixedText) {
  exDocument doc;
  ASSERT_EQ(Parse(doc, Ar4("<A>t1<B><C>c</C><D/></B>t2<E>e<F/></E><G/></A><H>h</H>")), kParseOk);
  const exElement* root = doc.Child(0);
  EXPECT_EQ(Names(root), "AR:A,AR:H");
  const exElement* a = root->Child(0);
  EXPECT_EQ(Names(a), "AR:B,AR:E,AR:G");
  EXPECT_STREQ(a->Text(), "t1t2");  // text before and after children
  EXPECT_EQ(Names(a->Child(0)), "AR:C,AR:D");
  EXPECT_EQ(Names(a->Child(1)), "AR:F");
  EXPECT_STREQ(a->Child(1)->Text(), "e");
  EXPECT_EQ(a->Child(2)->ChildCount(), 0u);
  EXPECT_STREQ(root->Child(1)->Text(), "h");
  EXPECT_EQ(FindChild(a->Child(0), "AR:D")->FileIndex(), 0);
}

// Each depth reuses one text buffer: a short text after a long one at the
// same depth must not keep the rest of the long one, and an element without
// text after one with text stays empty.
TEST(DocumentBuild, ReusedTextBuffersStartEmpty) {
  exDocument doc;
  ASSERT_EQ(Parse(doc, Ar4("<A>a rather long text of the first element</A><B>x</B><C/><D><E>"
                           "inner text</E></D><F>  y  </F>")),
            kParseOk);
  const exElement* root = doc.Child(0);
  ASSERT_EQ(root->ChildCount(), 5u);
  EXPECT_STREQ(root->Child(0)->Text(), "a rather long text of the first element");
  EXPECT_STREQ(root->Child(1)->Text(), "x");
  EXPECT_STREQ(root->Child(2)->Text(), "");
  EXPECT_STREQ(root->Child(3)->Text(), "");
  EXPECT_STREQ(root->Child(3)->Child(0)->Text(), "inner text");
  EXPECT_STREQ(root->Child(4)->Text(), "y");
}

// A file fed in one-byte chunks builds the same tree, and a second file
// parsed into the same document starts from clean contexts.
TEST(DocumentBuild, ByteWiseChunksAndSecondFileGiveTheSameTree) {
  const std::string text = Ar4("<P><SHORT-NAME>p</SHORT-NAME><Q L=\"EN\">q</Q><R><S>s</S></R></P>");
  exDocument doc;
  {
    exParser parser;
    ASSERT_TRUE(parser.Bind(&doc, 0));
    for (size_t i = 0; i < text.size(); ++i) ASSERT_TRUE(parser.Parse(&text[i], 1, false));
    ASSERT_TRUE(parser.Parse(nullptr, 0, true));
    EXPECT_EQ(parser.OpenElements(), 1u);
  }
  ASSERT_EQ(Parse(doc, text, 1), kParseOk);
  ASSERT_EQ(doc.ChildCount(), 2u);
  for (size_t f = 0; f < 2; ++f) {
    const exElement* p = doc.Child(f)->Child(0);
    EXPECT_EQ(Names(p), "AR:SHORT-NAME,AR:Q,AR:R");
    EXPECT_STREQ(p->Child(1)->Attribute("L"), "EN");
    EXPECT_STREQ(p->Child(2)->Child(0)->Text(), "s");
    EXPECT_EQ(p->Child(2)->Child(0)->FileIndex(), static_cast<int32_t>(f));
  }
}

// An XML error deep inside keeps every element read so far in the tree, at
// every open level, and nothing is lost or freed twice when the parser goes.
TEST(DocumentBuild, ErrorInsideOpenElementsKeepsTheirChildren) {
  exDocument doc;
  EXPECT_EQ(Parse(doc, Ar4("<A><B><C>1</C><D><E/>") + "</X>"), kParseXmlError);
  ASSERT_EQ(doc.ChildCount(), 1u);
  const exElement* a = FindChild(doc.Child(0), "AR:A");
  ASSERT_NE(a, nullptr);
  const exElement* b = FindChild(a, "AR:B");
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(Names(b), "AR:C,AR:D");
  EXPECT_STREQ(b->Child(0)->Text(), "1");
  EXPECT_EQ(Names(b->Child(1)), "AR:E");
}
