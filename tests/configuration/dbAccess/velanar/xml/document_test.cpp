// The in-memory document: pools, qualified names, file roots, trimming,
// attributes, namespace bindings, balance of rejected files, deep nesting.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "import/report.h"
#include "xml/block_pool.h"
#include "xml/document.h"
#include "xml/name_cache.h"
#include "xml/navigation.h"
#include "xml/parser.h"
#include "xml/string_pool.h"
#include "xml_test_support.h"

using xmltest::Ar4;
using xmltest::kAr3Uri;
using xmltest::kAr4Uri;
using xmltest::Parse;

namespace {

std::unique_ptr<exDocument> NewDocument() {
  return std::unique_ptr<exDocument>(CreateDocument());
}

// Text of the first descendant reached through the named children.
const exElement* Path(const exElement* e, std::initializer_list<const char*> names) {
  for (const char* name : names) e = FindChild(e, name);
  return e;
}

}  // namespace

TEST(BlockPool, ServesFromBlocksAndStartsANewBlockWhenTheRestIsTooSmall) {
  exBlockPool pool(256);
  EXPECT_EQ(pool.Allocate(257), nullptr);  // larger than a block
  EXPECT_EQ(pool.BlockCount(), 0u);

  char* a = static_cast<char*>(pool.Allocate(100));
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(pool.BlockCount(), 1u);
  char* b = static_cast<char*>(pool.Allocate(100));
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(pool.BlockCount(), 1u);
  EXPECT_GE(b, a + 100);
  EXPECT_EQ(reinterpret_cast<uintptr_t>(b) % alignof(std::max_align_t), 0u);

  // 100 more bytes do not fit behind the aligned second record.
  char* c = static_cast<char*>(pool.Allocate(100));
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(pool.BlockCount(), 2u);
  EXPECT_EQ(pool.Used(), 100u);
  // A whole block is a valid request.
  EXPECT_NE(pool.Allocate(256), nullptr);
  EXPECT_EQ(pool.BlockCount(), 3u);
}

TEST(BlockPool, PackedRecordsAndGrowthIntoLargeRegions) {
  exBlockPool packed(256);
  char* a = static_cast<char*>(packed.Allocate(40, 8));
  char* b = static_cast<char*>(packed.Allocate(8, 8));
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(b, a + 40);  // no padding to 16
  // An unusable alignment falls back to the default one.
  char* c = static_cast<char*>(packed.Allocate(8, 3));
  EXPECT_EQ(reinterpret_cast<uintptr_t>(c) % alignof(std::max_align_t), 0u);

  // Far beyond the first blocks the pool carves its blocks out of large
  // regions: every block is still whole, distinct and writable.
  exBlockPool pool(exBlockPool::kElementBlockSize);
  std::vector<char*> blocks;
  for (uint64_t i = 0; i < exBlockPool::kDirectBlocks + 100; ++i) {
    char* block = static_cast<char*>(pool.Allocate(exBlockPool::kElementBlockSize));
    ASSERT_NE(block, nullptr);
    std::memset(block, static_cast<int>(i), exBlockPool::kElementBlockSize);
    blocks.push_back(block);
  }
  EXPECT_EQ(pool.BlockCount(), exBlockPool::kDirectBlocks + 100);
  for (size_t i = 0; i < blocks.size(); ++i) {
    EXPECT_EQ(static_cast<unsigned char>(blocks[i][0]), static_cast<unsigned char>(i));
    EXPECT_EQ(static_cast<unsigned char>(blocks[i][exBlockPool::kElementBlockSize - 1]),
              static_cast<unsigned char>(i));
  }
}

// Child lists live in the child-list pool; a copy of one (or a "moved" one)
// is an ordinary list that outlives the pool, and a long list uses the heap.
TEST(ElementLists, PooledChildListsCopyToHeapLists) {
  exElementVector copy;
  exElementVector moved;
  exElementVector big;
  {
    exBlockPool pool(exBlockPool::kChildListBlockSize);
    exElementVector pooled(&pool);
    exElement* dummy = reinterpret_cast<exElement*>(&pool);
    pooled.insert(pooled.end(), 3, dummy);
    EXPECT_EQ(pool.BlockCount(), 1u);
    copy = pooled;
    exElementVector copied(pooled);
    EXPECT_EQ(copied.get_allocator().Pool(), nullptr);
    moved = std::move(copied);
    exElementVector large(&pool);
    large.insert(large.end(), exListAllocator<exElement*>::kPooledItems + 1, dummy);
    EXPECT_EQ(pool.Used(), sizeof(exElement*) * 3);  // the long array is not in the pool
    exElementVector fromLarge(std::move(large));
    EXPECT_EQ(fromLarge.get_allocator().Pool(), nullptr);
    big = fromLarge;
  }
  EXPECT_EQ(copy.size(), 3u);
  EXPECT_EQ(copy.get_allocator().Pool(), nullptr);
  EXPECT_EQ(moved.size(), 3u);
  copy.push_back(nullptr);  // grows on the heap
  EXPECT_EQ(big.size(), exListAllocator<exElement*>::kPooledItems + 1);
}

TEST(StringPool, EqualTextsShareOneCopy) {
  exStringPoolSTL pool;
  EXPECT_EQ(pool.Find("AR:SHORT-NAME"), nullptr);
  std::string text = "AR:SHORT-NAME";
  const char* first = pool.Intern(text.c_str());
  ASSERT_NE(first, nullptr);
  EXPECT_NE(first, text.c_str());
  text[0] = 'X';  // the pool keeps its own copy
  EXPECT_STREQ(first, "AR:SHORT-NAME");
  EXPECT_EQ(pool.Intern("AR:SHORT-NAME"), first);
  EXPECT_EQ(pool.Find("AR:SHORT-NAME"), first);
  EXPECT_EQ(pool.Intern("AR:SHORT-NAMEXYZ", 13), first);
  EXPECT_STREQ(pool.Intern(""), "");
  EXPECT_EQ(pool.Intern(nullptr), nullptr);
  EXPECT_EQ(pool.Size(), 2u);
}

// Enough texts to grow the table many times; prefixes of pooled texts,
// texts differing only in their last byte and long texts stay distinct.
TEST(StringPool, ManyTextsSurviveGrowthAndStayDistinct) {
  exStringPoolSTL pool;
  std::vector<const char*> copies;
  char name[64];
  for (int i = 0; i < 200000; ++i) {
    std::snprintf(name, sizeof name, "CAN_%02d_F%05d_S%02d", i % 7, i / 7, i % 13);
    const char* copy = pool.Intern(name);
    ASSERT_NE(copy, nullptr);
    ASSERT_STREQ(copy, name);
    copies.push_back(copy);
  }
  EXPECT_EQ(pool.Size(), 200000u);
  for (int i = 0; i < 200000; i += 997) {
    std::snprintf(name, sizeof name, "CAN_%02d_F%05d_S%02d", i % 7, i / 7, i % 13);
    EXPECT_EQ(pool.Find(name), copies[static_cast<size_t>(i)]);
    EXPECT_EQ(pool.Intern(name), copies[static_cast<size_t>(i)]);
    // A prefix is another text.
    EXPECT_EQ(pool.Find(name, std::strlen(name) - 1), nullptr);
  }
  EXPECT_EQ(pool.Size(), 200000u);

  const std::string big(100000, 'x');
  const char* bigCopy = pool.Intern(big.c_str());
  ASSERT_NE(bigCopy, nullptr);
  EXPECT_EQ(pool.Intern(big.data(), big.size()), bigCopy);
  EXPECT_EQ(pool.Find(big.data(), big.size() - 1), nullptr);
  EXPECT_NE(pool.Intern(big.data(), big.size() - 1), bigCopy);
  EXPECT_EQ(std::strlen(pool.Find(big.data(), big.size() - 1)), big.size() - 1);
}

TEST(NameCache, GrowsAndKeepsTheFirstValue) {
  exStringPoolSTL keys;
  exNameCache cache;
  std::vector<std::string> names;
  for (int i = 0; i < 3000; ++i) names.push_back("urn:x:NAME-" + std::to_string(i));
  for (const std::string& name : names) {
    const char* key = keys.Intern(name.c_str());
    ASSERT_TRUE(cache.Insert(key, name.size(), exHashText(key, name.size()), key + 6));
  }
  EXPECT_EQ(cache.Size(), names.size());
  for (const std::string& name : names) {
    EXPECT_STREQ(cache.Find(name.data(), name.size(), exHashText(name.data(), name.size())),
                 name.c_str() + 6);
  }
  const std::string first = names[0];
  EXPECT_TRUE(cache.Insert(keys.Intern(first.c_str()), first.size(),
                           exHashText(first.data(), first.size()), "other"));
  EXPECT_STREQ(cache.Find(first.data(), first.size(), exHashText(first.data(), first.size())),
               "NAME-0");
  // A prefix of a cached name is not cached.
  EXPECT_EQ(cache.Find(first.data(), first.size() - 1, exHashText(first.data(), first.size() - 1)),
            nullptr);
  EXPECT_EQ(cache.Size(), names.size());
}

TEST(DocumentNames, DefaultAndPrefixedAutosarNamespaceGiveTheSameNames) {
  for (const std::string& text :
       {Ar4("<AR-PACKAGES><AR-PACKAGE><SHORT-NAME>P</SHORT-NAME></AR-PACKAGE></AR-PACKAGES>"),
        std::string("<a:AUTOSAR xmlns:a=\"") + kAr4Uri +
            "\"><a:AR-PACKAGES><a:AR-PACKAGE><a:SHORT-NAME>P</a:SHORT-NAME></a:AR-PACKAGE>"
            "</a:AR-PACKAGES></a:AUTOSAR>"}) {
    auto doc = NewDocument();
    ASSERT_EQ(Parse(*doc, text), kParseOk);
    ASSERT_EQ(doc->ChildCount(), 1u);
    const exElement* root = doc->Child(0);
    EXPECT_STREQ(root->Name(), "AR:AUTOSAR");
    EXPECT_EQ(root->Kind(), kElementFileRoot);
    EXPECT_EQ(root->Parent(), doc.get());
    EXPECT_STREQ(GetShortName(Path(root, {"AR:AR-PACKAGES", "AR:AR-PACKAGE"})), "P");
    EXPECT_STREQ(doc->NamespaceUri("AR"), kAr4Uri);
    EXPECT_STREQ(doc->NamespacePrefix(kAr4Uri), "AR");
  }
}

TEST(DocumentFiles, FilesWithoutAutosarRootAddNothingAndAreNoError) {
  auto doc = NewDocument();
  // A stray XML file, an AUTOSAR root without namespace, and a root in the
  // AUTOSAR namespace with another name: all with nested children.
  EXPECT_EQ(Parse(*doc, "<config><a><b>x</b></a><c/></config>"), kParseOk);
  EXPECT_EQ(Parse(*doc, "<AUTOSAR><AR-PACKAGES><x/></AR-PACKAGES></AUTOSAR>"), kParseOk);
  EXPECT_EQ(Parse(*doc, std::string("<OTHER xmlns=\"") + kAr4Uri + "\"><x><y/></x></OTHER>"),
            kParseOk);
  EXPECT_EQ(doc->ChildCount(), 0u);
  // The first file that declares it binds the AUTOSAR namespace for good, even
  // when its root is refused; a later AUTOSAR 4 file is still accepted.
  EXPECT_EQ(Parse(*doc, Ar4("<AR-PACKAGES/>"), 3), kParseOk);
  ASSERT_EQ(doc->ChildCount(), 1u);
  EXPECT_EQ(doc->Child(0)->FileIndex(), 3);
}

TEST(DocumentFiles, RejectedRootWithChildrenKeepsTheOpenElementStackBalanced) {
  auto doc = NewDocument();
  exParser parser;
  ASSERT_TRUE(parser.Bind(doc.get(), 0));
  const std::string text = "<root><a><b><c>text</c></b></a><d/></root>";
  ASSERT_TRUE(parser.Parse(text.data(), text.size(), true));
  EXPECT_EQ(parser.GetState(), exParser::kRejected);
  EXPECT_EQ(parser.OpenElements(), 1u);  // only the document's own context
  EXPECT_EQ(doc->ChildCount(), 0u);
  EXPECT_STREQ(doc->Text(), "");
}

TEST(DocumentFiles, TwoFilesGiveTwoRootsAndAnAutosar3FileAfterwardsAddsNothing) {
  auto doc = NewDocument();
  ASSERT_EQ(Parse(*doc,
                  Ar4("<AR-PACKAGES><AR-PACKAGE><SHORT-NAME>A</SHORT-NAME>"
                      "</AR-PACKAGE></AR-PACKAGES>"),
                  0),
            kParseOk);
  ASSERT_EQ(Parse(*doc,
                  Ar4("<AR-PACKAGES><AR-PACKAGE><SHORT-NAME>B</SHORT-NAME>"
                      "</AR-PACKAGE></AR-PACKAGES>"),
                  1),
            kParseOk);
  ASSERT_EQ(Parse(*doc,
                  std::string("<AUTOSAR xmlns=\"") + kAr3Uri +
                      "\"><TOP-LEVEL-PACKAGES><AR-PACKAGE><SHORT-NAME>C</SHORT-NAME>"
                      "</AR-PACKAGE></TOP-LEVEL-PACKAGES></AUTOSAR>",
                  2),
            kParseOk);
  ASSERT_EQ(doc->ChildCount(), 2u);
  for (int i = 0; i < 2; ++i) {
    const exElement* package = Path(doc->Child(i), {"AR:AR-PACKAGES", "AR:AR-PACKAGE"});
    ASSERT_NE(package, nullptr);
    EXPECT_EQ(package->FileIndex(), i);
    EXPECT_EQ(FindChild(package, "AR:SHORT-NAME")->FileIndex(), i);
    EXPECT_STREQ(GetShortName(package), i == 0 ? "A" : "B");
  }
  EXPECT_STREQ(doc->NamespaceUri("AR"), kAr4Uri);
  EXPECT_EQ(doc->FileIndex(), -1);
}

TEST(DocumentText, TrimsOnlyControlBytesAndBlanksAndKeepsUtf8Whole) {
  auto doc = NewDocument();
  ASSERT_EQ(Parse(*doc, Ar4("<A>  abc \t\n</A><B>   \n\t </B><C/>"
                            "<U>\xC2\xB0"
                            "C</U><M> \xC2\xB5s </M><J>\xE6\x97\xA5\xE6\x9C\xAC</J>"
                            "<X> one <c/> two </X>")),
            kParseOk);
  const exElement* root = doc->Child(0);
  EXPECT_STREQ(FindChild(root, "AR:A")->Text(), "abc");
  EXPECT_STREQ(FindChild(root, "AR:B")->Text(), "");
  EXPECT_STREQ(FindChild(root, "AR:C")->Text(), "");
  EXPECT_STREQ(FindChild(root, "AR:U")->Text(),
               "\xC2\xB0"
               "C");
  EXPECT_STREQ(FindChild(root, "AR:M")->Text(), "\xC2\xB5s");
  EXPECT_STREQ(FindChild(root, "AR:J")->Text(), "\xE6\x97\xA5\xE6\x9C\xAC");
  // Mixed content: the pieces around the child join, trimmed only at the ends.
  EXPECT_STREQ(FindChild(root, "AR:X")->Text(), "one  two");
  EXPECT_STREQ(FindChild(FindChild(root, "AR:X"), "AR:c")->Text(), "");
}

TEST(DocumentText, TrimBlankRule) {
  const char text[] = "\x01\x20\x7F a \x80\xFF\x20\x00";
  size_t length = sizeof text - 1;
  const char* start = TrimBlank(text, length);
  EXPECT_EQ(std::string(start, length), std::string("\x7F a \x80\xFF"));
  size_t none = 3;
  TrimBlank("   ", none);
  EXPECT_EQ(none, 0u);
}

TEST(DocumentText, TextLongerThanAReadChunkStaysWhole) {
  auto doc = NewDocument();
  const std::string longText(50000, 'x');
  const std::string text = Ar4("<L>" + longText + "</L><N>\xC2\xB0</N>");
  FILE* file = std::tmpfile();
  ASSERT_NE(file, nullptr);
  std::fwrite(text.data(), 1, text.size(), file);
  std::rewind(file);
  EXPECT_EQ(ParseFile(*doc, 0, file), kParseOk);
  std::fclose(file);
  EXPECT_EQ(std::string(FindChild(doc->Child(0), "AR:L")->Text()), longText);
}

TEST(DocumentAttributes, PlainAndNamespacedAttributeNamesAndGeneratedPrefixes) {
  auto doc = NewDocument();
  const std::string text =
      std::string("<AUTOSAR xmlns=\"") + kAr4Uri +
      "\" xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" xsi:schemaLocation=\"s.xsd\">"
      "<REF DEST=\"CAN-FRAME\" xml:space=\"preserve\" L=\"EN\">/P/F</REF>"
      "<one xmlns=\"urn:one\" a=\"1\"><inner xmlns=\"urn:two\"/></one></AUTOSAR>";
  ASSERT_EQ(Parse(*doc, text), kParseOk);
  const exElement* root = doc->Child(0);
  EXPECT_STREQ(root->Attribute("xsi:schemaLocation"), "s.xsd");
  const exElement* ref = FindChild(root, "AR:REF");
  ASSERT_NE(ref, nullptr);
  EXPECT_STREQ(ref->Attribute("DEST"), "CAN-FRAME");
  EXPECT_STREQ(ref->Attribute("L"), "EN");
  EXPECT_STREQ(ref->Attribute("xml:space"), "preserve");
  EXPECT_EQ(ref->Attribute("AR:DEST"), nullptr);
  EXPECT_EQ(ref->Attribute(nullptr), nullptr);
  EXPECT_EQ(root->Attribute("DEST"), nullptr);
  // Default namespaces other than the AUTOSAR one get ns0, ns1, ...
  const exElement* one = FindChild(root, "ns0:one");
  ASSERT_NE(one, nullptr);
  EXPECT_STREQ(one->Attribute("a"), "1");
  EXPECT_NE(FindChild(one, "ns1:inner"), nullptr);
  EXPECT_STREQ(doc->NamespaceUri("ns1"), "urn:two");
}

// Attribute maps are sorted by name (the dump shows that order); of two
// equal names the first keeps its value; a list longer than a pool block holds
// still keeps every attribute.
TEST(DocumentAttributes, SortedFirstWinsAndLongLists) {
  auto doc = NewDocument();
  exElement* e = doc->NewElement();
  ASSERT_NE(e, nullptr);
  const exAttributeMap::value_type pairs[] = {
      {doc->Intern("L"), doc->Intern("EN")},
      {doc->Intern("DEST"), doc->Intern("FRAME")},
      {doc->Intern("L"), doc->Intern("DE")},
      {doc->Intern("A"), doc->Intern("1")},
  };
  ASSERT_TRUE(doc->SetAttributes(e, pairs, 4));
  ASSERT_EQ(e->Attributes()->size(), 3u);
  std::string order;
  for (const auto& attribute : *e->Attributes()) order += std::string(attribute.first) + ";";
  EXPECT_EQ(order, "A;DEST;L;");
  EXPECT_STREQ(e->Attribute("L"), "EN");
  EXPECT_STREQ(e->Attribute("DEST"), "FRAME");
  EXPECT_EQ(e->Attribute("D"), nullptr);
  // A map is set once.
  EXPECT_FALSE(doc->SetAttributes(e, pairs, 1));

  std::string body = "<A";
  for (int i = 0; i < 3000; ++i)
    body += " a" + std::to_string(i) + "=\"" + std::to_string(i) + "\"";
  body += "/>";
  auto big = NewDocument();
  ASSERT_EQ(Parse(*big, Ar4(body)), kParseOk);
  const exElement* a = FindChild(big->Child(0), "AR:A");
  ASSERT_NE(a, nullptr);
  ASSERT_EQ(a->Attributes()->size(), 3000u);
  EXPECT_STREQ(a->Attribute("a0"), "0");
  EXPECT_STREQ(a->Attribute("a2999"), "2999");
}

TEST(DocumentPositions, LineAndColumnOfTheStartTag) {
  auto doc = NewDocument();
  ASSERT_EQ(Parse(*doc, std::string("<AUTOSAR xmlns=\"") + kAr4Uri +
                            "\">\n  <A>\n    <B/>\n</A>"
                            "</AUTOSAR>"),
            kParseOk);
  const exElement* a = FindChild(doc->Child(0), "AR:A");
  EXPECT_EQ(doc->Child(0)->Line(), 1u);
  EXPECT_EQ(doc->Child(0)->Column(), 0u);
  EXPECT_EQ(a->Line(), 2u);
  EXPECT_EQ(a->Column(), 2u);
  EXPECT_EQ(FindChild(a, "AR:B")->Line(), 3u);
  EXPECT_EQ(FindChild(a, "AR:B")->Column(), 4u);
}

// Positions are stored in 32 bits; the ones that do not fit (and the marks
// themselves) come back exactly through the document's overflow table.
TEST(DocumentPositions, PositionsBeyond32BitsComeBackExactly) {
  auto doc = NewDocument();
  exElementArRoot* root = doc->NewFileRoot(0);
  ASSERT_TRUE(doc->AppendChild(doc.get(), root));
  const std::pair<uint64_t, uint64_t> cases[] = {
      {0, 0},
      {0xFFFFFFFEull, 0x3FFFFFFEull},
      {0xFFFFFFFFull, 0x3FFFFFFFull},
      {(1ull << 40) + 7, 5},
      {3, (1ull << 33) + 1},
      {UINT64_MAX, UINT64_MAX},
  };
  for (const auto& c : cases) {
    exElement* e = doc->NewElement();
    ASSERT_TRUE(doc->AppendChild(root, e));
    ASSERT_TRUE(doc->SetPosition(e, c.first, c.second));
    EXPECT_EQ(e->Line(), c.first);
    EXPECT_EQ(e->Column(), c.second);
    EXPECT_EQ(e->Kind(), kElementPlain);
    EXPECT_EQ(e->FileIndex(), 0);
  }
  EXPECT_EQ(root->Kind(), kElementFileRoot);
  EXPECT_EQ(doc->Kind(), kElementDocument);
}

// An exhausted element pool drops the elements and stops the parse as out
// of memory, never upsetting the balance of the open-element stack. (A link
// record too large for its pool takes the heap instead.)
TEST(DocumentErrors, ExhaustedPoolsStopTheParseAsOutOfMemory) {
  const std::string text = Ar4("<A x=\"1\"><B>b</B></A><C>c</C>");
  exBlockPool tiny(8);  // smaller than any record
  exBlockPool links(8);
  auto doc = NewDocument();
  doc->SetPools(&tiny, &links, &links);
  exParser parser;
  ASSERT_TRUE(parser.Bind(doc.get(), 0));
  EXPECT_FALSE(parser.Parse(text.data(), text.size(), true));
  EXPECT_TRUE(parser.LostMemory());
  EXPECT_EQ(parser.OpenElements(), 1u);
  EXPECT_EQ(doc->ChildCount(), 0u);
  // The same through the driver's entry: the out-of-memory result.
  auto again = NewDocument();
  again->SetPools(&tiny, nullptr, nullptr);
  EXPECT_EQ(ParseText(*again, 0, text.data(), text.size()), kParseNoMemory);
  // Link records that do not fit the pool's blocks come from the heap.
  auto heap = NewDocument();
  exBlockPool elements(exBlockPool::kElementBlockSize);
  heap->SetPools(&elements, &links, &links);
  ASSERT_EQ(ParseText(*heap, 0, text.data(), text.size()), kParseOk);
  EXPECT_STREQ(FindChild(heap->Child(0), "AR:A")->Attribute("x"), "1");
  EXPECT_STREQ(FindChild(FindChild(heap->Child(0), "AR:A"), "AR:B")->Text(), "b");
}

TEST(DocumentErrors, MalformedXmlFailsAndKeepsWhatWasBuilt) {
  auto doc = NewDocument();
  EXPECT_EQ(Parse(*doc, Ar4("<A>1</A><B>") + "</AUTOSAR>"), kParseXmlError);
  ASSERT_EQ(doc->ChildCount(), 1u);
  EXPECT_STREQ(FindChild(doc->Child(0), "AR:A")->Text(), "1");
  EXPECT_EQ(Parse(*doc, ""), kParseXmlError);
}

TEST(DocumentDump, WritesIndentedXmlLikeText) {
  xmltest::LoggedDoc logged;
  ASSERT_EQ(logged.Parse(Ar4("<A DEST=\"X\" L=\"EN\">t</A><B><C/><D>d</D></B>")), kParseOk);
  exElementVector roots;
  roots.push_back(logged.document->Child(0));
  roots.Dump(logged.diag.report.Sink());
  const std::vector<std::string> expected = {
      "<AR:AUTOSAR>",       "  <AR:A DEST=\"X\" L=\"EN\">t</AR:A>",
      "  <AR:B>",           "    <AR:C/>",
      "    <AR:D>d</AR:D>", "  </AR:B>",
      "</AR:AUTOSAR>"};
  EXPECT_EQ(logged.Lines(), expected);
}

// A document nested a million levels deep: parsing, the file index and the
// tear-down must not recurse as deep as the input.
TEST(DocumentDepth, MillionLevelsParseAndTearDown) {
  constexpr size_t kDepth = 1000000;
  const std::string text = xmltest::Nested(kDepth, false);
  exBlockPool elements(exBlockPool::kElementBlockSize);
  exBlockPool maps(exBlockPool::kAttributeMapBlockSize);
  exBlockPool lists(exBlockPool::kChildListBlockSize);
  {
    auto doc = NewDocument();
    doc->SetPools(&elements, &maps, &lists);
    ASSERT_EQ(Parse(*doc, text, 7), kParseOk);
    const exElement* e = doc->Child(0);
    size_t depth = 0;
    while (e->ChildCount() > 0) {
      e = e->Child(0);
      ++depth;
    }
    EXPECT_EQ(depth, kDepth);
    EXPECT_STREQ(e->Text(), "x");
    EXPECT_EQ(e->FileIndex(), 7);
    EXPECT_EQ(FindAncestor(e, "AR:AUTOSAR"), doc->Child(0));
  }
  EXPECT_GT(elements.BlockCount(), 1u);
}

// The dump's output grows with the square of the depth, so its depth test
// uses a small stack instead of a million levels.
TEST(DocumentDepth, DumpAndTearDownRunOnASmallStack) {
  constexpr size_t kDepth = 10000;
  auto doc = NewDocument();
  ASSERT_EQ(Parse(*doc, xmltest::Nested(kDepth, false)), kParseOk);
  ToLogFile sink;
  ASSERT_TRUE(sink.Open("/dev/null"));
  exDocument* raw = doc.release();
  int32_t fileIndex = -2;
  ASSERT_TRUE(xmltest::RunOnSmallStack([&] {
    const exElement* e = raw;
    while (e->ChildCount() > 0) e = e->Child(0);
    fileIndex = e->FileIndex();
    exElementVector roots;
    roots.push_back(raw->Child(0));
    roots.Dump(sink);
    delete raw;
  }));
  EXPECT_EQ(fileIndex, 0);
}
