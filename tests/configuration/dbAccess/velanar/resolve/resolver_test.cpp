// Short-name resolver: name ordering, the small vector, building and listing
// the tree, and resolving references by path and DEST.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "../xml/xml_test_support.h"
#include "import/diagnostics.h"
#include "import/report.h"
#include "resolve/short_name_resolver.h"
#include "xml/navigation.h"

using xmltest::Ar4;
using xmltest::LoggedDoc;
using xmltest::Package;

namespace {

std::string Named(const std::string& tag, const std::string& name, const std::string& inner = "") {
  return "<" + tag + "><SHORT-NAME>" + name + "</SHORT-NAME>" + inner + "</" + tag + ">";
}

std::string Ref(const std::string& dest, const std::string& path) {
  return "<REF DEST=\"" + dest + "\">" + path + "</REF>";
}

// The n-th reference element of the file root `root`, in a REFS container.
const exElement* RefAt(const exElement* root, size_t n) {
  return FindChild(FindChild(root, "AR:REFS"), "AR:REF", n);
}

std::string Warn(const exElement* e, const std::string& message) {
  return "1,0,'<" + std::string(e->Name()) + "> (file=" + std::to_string(e->FileIndex()) +
         ", line=" + std::to_string(e->Line()) + ", column=" + std::to_string(e->Column()) +
         "): " + message + "'";
}

// A document with the resolver tree built from it.
struct ResolverDoc : LoggedDoc {
  void List() { ListResolverTree(&diag, document.Get(), root); }
  cSNRMap root;
};

}  // namespace

TEST(ResolverBasics, NameOrderComparesSignedBytesWithPrefixesFirst) {
  EXPECT_LT(cmpxmlchar::Compare("A", "AB"), 0);
  EXPECT_GT(cmpxmlchar::Compare("AB", "A"), 0);
  EXPECT_LT(cmpxmlchar::Compare("", "A"), 0);
  EXPECT_EQ(cmpxmlchar::Compare("Frame", "Frame"), 0);
  EXPECT_LT(cmpxmlchar::Compare("Z", "a"), 0);
  // Bytes of 0x80 and more are negative and sort before ASCII.
  EXPECT_LT(cmpxmlchar::Compare("\xC3\xA4", "A"), 0);
  EXPECT_LT(cmpxmlchar::Compare("A\xC3", "A!"), 0);
  EXPECT_TRUE(cmpxmlchar()("A", "B"));
  EXPECT_FALSE(cmpxmlchar()("B", "B"));
}

TEST(ResolverBasics, SmallVectorKeepsTheFirstItemInline) {
  cSNRVector<int> v;
  EXPECT_TRUE(v.Empty());
  EXPECT_EQ(v.Size(), 0u);
  EXPECT_TRUE(v.PushBack(7));
  EXPECT_EQ(v.Size(), 1u);
  EXPECT_EQ(v[0], 7);
  for (int i = 1; i < 5; ++i) EXPECT_TRUE(v.PushBack(7 + i));
  ASSERT_EQ(v.Size(), 5u);
  EXPECT_EQ(v[4], 11);
  v.Clear();
  EXPECT_EQ(v.Size(), 0u);
  EXPECT_TRUE(v.PushBack(1));
  EXPECT_TRUE(v.PushBack(2));
  ASSERT_EQ(v.Size(), 2u);
  EXPECT_EQ(v[0], 1);
  EXPECT_EQ(v[1], 2);
}

TEST(ResolverBasics, CollectionsKeepDuplicatesInInsertionOrder) {
  cSNRMap map;
  auto* a = new cShortNameResolver(nullptr, &cSNREmptyMap::Instance());
  auto* b = new cShortNameResolver(nullptr, &cSNREmptyMap::Instance());
  auto* c = new cShortNameResolver(nullptr, &cSNREmptyMap::Instance());
  EXPECT_TRUE(map.Insert("X", a));
  EXPECT_TRUE(map.Insert("A", c));
  EXPECT_TRUE(map.Insert("X", b));
  EXPECT_EQ(map.Size(), 3u);
  EXPECT_TRUE(map.Contains("X"));
  EXPECT_FALSE(map.Contains("Y"));
  cSNRVector<cShortNameResolver*> found;
  map.FindAll("X", found);
  ASSERT_EQ(found.Size(), 2u);
  EXPECT_EQ(found[0], a);
  EXPECT_EQ(found[1], b);
  map.FindAll("Y", found);
  EXPECT_EQ(found.Size(), 0u);

  cSNREmptyMap& empty = cSNREmptyMap::Instance();
  EXPECT_FALSE(empty.IsMap());
  EXPECT_EQ(empty.Size(), 0u);
  found.PushBack(a);
  empty.FindAll("X", found);
  EXPECT_TRUE(found.Empty());
  EXPECT_TRUE(a->IsValid());
}

class ResolverTree : public ::testing::Test {
 protected:
  void SetUp() override {
    t.diag.report.EnableSubcategory(kCatDebug, kSubDebugListShortNameResolver);
  }
  ResolverDoc t;
};

TEST_F(ResolverTree, EmptyDocumentSetListsTitleDashesAndTwoEmptyLines) {
  t.List();
  EXPECT_EQ(t.diag.status.Code(), StatusOk);
  const std::vector<std::string> expected = {"", "3,4,'List SHORT-NAME Resolver Tree'",
                                             "3,4,'-----------------------------'", ""};
  EXPECT_EQ(t.Lines(), expected);
}

TEST_F(ResolverTree, ListingIsSortedNestedAndSkipsUnnamedLevels) {
  // File 0: package P with frames F2 and F1; an element with an empty
  // SHORT-NAME whose named child joins P's level. File 1: P again with F1.
  ASSERT_EQ(
      t.Parse(Ar4(Package("P", Named("CAN-FRAME", "F2") + Named("CAN-FRAME", "F1") +
                                   "<WRAP><SHORT-NAME/>" + Named("I-PDU", "Inner") + "</WRAP>")),
              0),
      kParseOk);
  ASSERT_EQ(t.Parse(Ar4(Package("P", Named("CAN-FRAME", "F1"))), 1), kParseOk);
  t.List();

  // Leaves share the one empty collection.
  cSNRVector<cShortNameResolver*> found;
  t.root.FindAll("P", found);
  ASSERT_EQ(found.Size(), 2u);
  EXPECT_EQ(found[0]->Element()->FileIndex(), 0);
  EXPECT_EQ(found[1]->Element()->FileIndex(), 1);
  ASSERT_TRUE(found[0]->Children()->IsMap());
  EXPECT_EQ(found[0]->Children()->Size(), 3u);
  EXPECT_TRUE(found[0]->Children()->Contains("Inner"));
  cSNRVector<cShortNameResolver*> frames;
  found[1]->Children()->FindAll("F1", frames);
  ASSERT_EQ(frames.Size(), 1u);
  EXPECT_EQ(frames[0]->Children(), &cSNREmptyMap::Instance());

  const std::vector<std::string> expected = {"",
                                             "3,4,'List SHORT-NAME Resolver Tree'",
                                             "3,4,'-----------------------------'",
                                             "  3,4,'level=0: SHORT-NAME=\"P\"'",
                                             "    3,4,'level=1: SHORT-NAME=\"F1\"'",
                                             "    3,4,'level=1: SHORT-NAME=\"F2\"'",
                                             "    3,4,'level=1: SHORT-NAME=\"Inner\"'",
                                             "  3,4,'level=0: SHORT-NAME=\"P\"'",
                                             "    3,4,'level=1: SHORT-NAME=\"F1\"'",
                                             ""};
  EXPECT_EQ(t.Lines(), expected);
  EXPECT_EQ(t.diag.report.Sink().Indentation(), 0);
}

TEST_F(ResolverTree, DoesNothingOnErrorAndNeedsADocument) {
  ASSERT_EQ(t.Parse(Ar4(Package("P", ""))), kParseOk);
  t.diag.status.RaiseError(StatusParseError);
  t.List();
  EXPECT_EQ(t.root.Size(), 0u);
  EXPECT_TRUE(t.Lines().empty());

  ResolverDoc noDocument;
  noDocument.document.Reset();
  noDocument.List();
  EXPECT_EQ(noDocument.diag.status.Code(), StatusHostUnavailable);
}

TEST_F(ResolverTree, LogListingWritesTheSameLinesWithoutPrefix) {
  ASSERT_EQ(t.Parse(Ar4(Package("P", Named("CAN-FRAME", "F")))), kParseOk);
  BuildResolverTree(t.document.Get(), &t.root);
  t.root.ListToLog(t.diag.report.Sink(), 0);
  const std::vector<std::string> expected = {"  level=0: SHORT-NAME=\"P\"",
                                             "    level=1: SHORT-NAME=\"F\""};
  EXPECT_EQ(t.Lines(), expected);
}

class Resolution : public ::testing::Test {
 protected:
  // Two files with a package P each, the second with a nested package Q.
  // /P/X is a frame and a PDU; /P/D is a frame twice; /P/V carries a
  // variation point.
  void SetUp() override {
    ASSERT_EQ(t.Parse(Ar4(Package("P", Named("CAN-FRAME", "X") + Named("I-SIGNAL-I-PDU", "X") +
                                           Named("CAN-FRAME", "D", "<N>1</N>") +
                                           Named("CAN-FRAME", "D", "<N>2</N>") +
                                           Named("CAN-FRAME", "V", "<VARIATION-POINT/>")) +
                          "<REFS>" + Ref("CAN-FRAME", "/P/X") + Ref("I-SIGNAL-I-PDU", "/P/X") +
                          Ref("CAN-FRAME", "/P/D") + Ref("CAN-FRAME", "/P/Q/A") +
                          Ref("CAN-FRAME", "P/X") + Ref("", "/P/X") + Ref("CAN-FRAME", "/P/X/") +
                          Ref("CAN-FRAME", "/P/V") + Ref("I-PDU", "/P/X") + "<REF>/P/X</REF>" +
                          Ref("CAN-FRAME", "/P") + Ref("CAN-FRAME", "//P/X") + "</REFS>"),
                      0),
              kParseOk);
    const std::string nested =
        Named("AR-PACKAGE", "Q", "<ELEMENTS>" + Named("CAN-FRAME", "A") + "</ELEMENTS>");
    ASSERT_EQ(t.Parse(Ar4(Package("P", nested)), 1), kParseOk);
    t.List();
    ASSERT_EQ(t.diag.status.Code(), StatusOk);
    root = t.Root(0);
  }

  const exElement* Target(size_t refIndex) {
    return FindReferenceTargetIn(t.root, RefAt(root, refIndex));
  }

  ResolverDoc t;
  const exElement* root = nullptr;
};

TEST_F(Resolution, DestChoosesBetweenSameNamedElementsAndTheFirstDuplicateWins) {
  const exElement* frame = Target(0);
  ASSERT_NE(frame, nullptr);
  EXPECT_STREQ(frame->Name(), "AR:CAN-FRAME");
  EXPECT_STREQ(GetShortName(frame), "X");
  const exElement* pdu = Target(1);
  ASSERT_NE(pdu, nullptr);
  EXPECT_STREQ(pdu->Name(), "AR:I-SIGNAL-I-PDU");
  const exElement* duplicate = Target(2);
  ASSERT_NE(duplicate, nullptr);
  EXPECT_STREQ(FindChild(duplicate, "AR:N")->Text(), "1");
  EXPECT_EQ(t.diag.status.Code(), StatusOk);  // the silent form changes nothing
}

TEST_F(Resolution, PathsThroughDuplicatedPackagesSearchEveryBranch) {
  const exElement* a = Target(3);
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(a->FileIndex(), 1);
  EXPECT_STREQ(GetShortName(a), "A");
}

TEST_F(Resolution, ReferencesThatResolveToNothing) {
  EXPECT_EQ(Target(4), nullptr);   // relative path
  EXPECT_EQ(Target(5), nullptr);   // empty DEST
  EXPECT_EQ(Target(6), nullptr);   // empty last segment
  EXPECT_EQ(Target(8), nullptr);   // no element of that type at the path
  EXPECT_EQ(Target(9), nullptr);   // no DEST
  EXPECT_EQ(Target(10), nullptr);  // a package is not a CAN-FRAME
  EXPECT_EQ(Target(11), nullptr);  // empty first segment
  EXPECT_EQ(FindReferenceTargetIn(t.root, nullptr), nullptr);
  EXPECT_NE(Target(7), nullptr);  // the silent form does not look at variation points
}

TEST_F(Resolution, ReportingFormWarnsForUnresolvedReferences) {
  EXPECT_NE(ResolveReferenceIn(&t.diag, t.root, RefAt(root, 0)), nullptr);
  EXPECT_EQ(t.diag.status.Code(), StatusOk);
  EXPECT_EQ(ResolveReferenceIn(&t.diag, t.root, RefAt(root, 4)), nullptr);
  EXPECT_EQ(t.diag.status.Code(), StatusWarning);
  // Variation points are left to the conversion context.
  EXPECT_NE(ResolveReferenceIn(&t.diag, t.root, RefAt(root, 7)), nullptr);
  EXPECT_EQ(ResolveReferenceIn(&t.diag, t.root, nullptr), nullptr);  // no line
  EXPECT_EQ(ResolveReferenceIn(nullptr, t.root, RefAt(root, 0)), nullptr);
  const std::vector<std::string> expected = {Warn(RefAt(root, 4), "unresolved reference")};
  EXPECT_EQ(t.Lines(), expected);
}

TEST(ResolutionStatus, MissingReferenceRaisesAWarningButKeepsAHostWarning) {
  ResolverDoc t;
  EXPECT_EQ(ResolveReferenceIn(&t.diag, t.root, nullptr), nullptr);
  EXPECT_EQ(t.diag.status.Code(), StatusWarning);
  ResolverDoc host;
  host.diag.status.TakeHostResult(1);
  ASSERT_EQ(host.Parse(Ar4("<REFS>" + Ref("CAN-FRAME", "/none") + "</REFS>")), kParseOk);
  host.List();
  EXPECT_EQ(ResolveReferenceIn(&host.diag, host.root, RefAt(host.Root(), 0)), nullptr);
  EXPECT_EQ(host.diag.status.Code(), StatusHostWarning);
}

// Building, listing, resolving and tearing down a deep tree run on a small
// stack: none of them may recurse as deep as the document nests.
TEST(ResolverDepth, DeepTreeOnASmallStack) {
  constexpr size_t kDepth = 100000;
  auto t = std::make_unique<ResolverDoc>();
  ASSERT_EQ(t->Parse(xmltest::Nested(kDepth, true, "<REF DEST=\"E\">/n</REF>")), kParseOk);
  std::string path;
  path.reserve(kDepth * 2);
  for (size_t i = 0; i < kDepth; ++i) path += "/n";
  // The reference to resolve: the innermost REF's own text is replaced by a
  // pooled deep path.
  const exElement* innermost = t->Root();
  while (FindChild(innermost, "AR:E") != nullptr) innermost = FindChild(innermost, "AR:E");
  exElement* ref = const_cast<exElement*>(FindChild(innermost, "AR:REF"));
  ASSERT_NE(ref, nullptr);
  exDocument::SetText(ref, t->document->Intern(path.c_str()));

  const exElement* target = nullptr;
  ASSERT_TRUE(xmltest::RunOnSmallStack([&] {
    t->List();  // listing category off: build only
    target = FindReferenceTargetIn(t->root, ref);
    t.reset();
  }));
  EXPECT_EQ(target, innermost);
}

TEST(ResolverDepth, ListingRunsOnASmallStack) {
  constexpr size_t kDepth = 5000;
  ResolverDoc t;
  t.diag.report.EnableSubcategory(kCatDebug, kSubDebugListShortNameResolver);
  ASSERT_TRUE(t.diag.report.OpenLogFile("/dev/null"));
  ASSERT_EQ(t.Parse(xmltest::Nested(kDepth, true)), kParseOk);
  ASSERT_TRUE(xmltest::RunOnSmallStack([&] { t.List(); }, 128 * 1024));
  EXPECT_EQ(t.diag.report.Sink().Indentation(), 0);
  EXPECT_EQ(t.root.Size(), 1u);
}
