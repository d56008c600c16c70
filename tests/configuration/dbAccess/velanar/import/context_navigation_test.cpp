// Navigation that needs the conversion context: members with a
// VARIATION-POINT that no chosen variant keeps are dropped, and references
// to such targets are refused.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "../xml/xml_test_support.h"
#include "import/context_navigation.h"
#include "import/convert_ctx.h"

using xmltest::Ar4;

namespace {

// A conversion context whose report goes to a temporary log file, with a
// clean status (the host library need not be reachable for these tests).
class LoggedCtx {
 public:
  LoggedCtx() {
    ctx.status = cVelanarStatus();
    ctx.report.OpenLogFile(log_.Path());
  }
  exParseResult Parse(const std::string& text, int32_t fileIndex = 0) {
    return xmltest::Parse(*ctx.document, text, fileIndex);
  }
  std::vector<std::string> Lines() { return log_.Lines(ctx.report); }
  const exElement* Root(size_t i = 0) const { return ctx.document->Child(i); }

  cConvertCtx ctx;

 private:
  xmltest::TempLog log_;
};

std::string Warn(const exElement* e, const std::string& message) {
  return "1,0,'<" + std::string(e->Name()) + "> (file=" + std::to_string(e->FileIndex()) +
         ", line=" + std::to_string(e->Line()) + ", column=" + std::to_string(e->Column()) +
         "): " + message + "'";
}

}  // namespace

TEST(ContextNavigation, BuiltNamesArePooledInTheContextsDocument) {
  LoggedCtx t;
  const char* built = BuildArName(&t.ctx, "CAN", "CLUSTER");
  EXPECT_STREQ(built, "AR:CAN-CLUSTER");
  EXPECT_EQ(BuildArName(&t.ctx, "CAN", "CLUSTER"), built);
  EXPECT_EQ(BuildArName(t.ctx.document.Get(), "CAN", "CLUSTER"), built);
}

TEST(ContextNavigation, CountedCollectionDropsVariationPointsAndChecksTheCounts) {
  LoggedCtx t;
  ASSERT_EQ(t.Parse(Ar4("<P><M>1</M><M>2<VARIATION-POINT/></M><M>3</M></P>"
                        "<Q><M/><M/><M/><M/><M/></Q><R/>")),
            kParseOk);
  const exElement* p = FindChild(t.Root(), "AR:P");
  const exElement* q = FindChild(t.Root(), "AR:Q");
  const exElement* r = FindChild(t.Root(), "AR:R");
  exElementVector list;

  CollectChildrenCounted(&t.ctx, p, "AR:M", list, 1, 1);
  ASSERT_EQ(list.size(), 2u);
  EXPECT_STREQ(list[0]->Text(), "1");
  EXPECT_STREQ(list[1]->Text(), "3");
  EXPECT_EQ(t.ctx.status.Code(), StatusWarning);

  CollectChildrenCounted(&t.ctx, q, "AR:M", list, 1, 0);  // 0: no upper limit
  EXPECT_EQ(list.size(), 5u);
  CollectChildrenCounted(&t.ctx, q, "AR:M", list, 3, 2);  // below the minimum: no limit
  EXPECT_EQ(list.size(), 5u);
  CollectChildrenCounted(&t.ctx, q, "AR:M", list, 0, 4);
  CollectChildrenCounted(&t.ctx, r, "AR:M", list, 1, 2);
  EXPECT_TRUE(list.empty());

  auto elementAt = [](const exElement* e) {
    return "<" + std::string(e->Name()) + "> element (file=0, line=" + std::to_string(e->Line()) +
           ", column=" + std::to_string(e->Column()) + "): ";
  };
  const std::string pAt = elementAt(p);
  const std::string qAt = elementAt(q);
  const std::string rAt = elementAt(r);
  const std::vector<std::string> expected = {
      Warn(FindChild(p, "AR:M", 1), "ignored (using <VARIATION-POINT> child)"),
      "1,0,'" + pAt + "found 2 <AR:M>. Expected 1 elements only.'",
      "1,0,'" + qAt + "found 5 <AR:M>. Expected 4 elements only.'",
      "1,0,'" + rAt + "found only 0 <AR:M> elements. Expected 1 elements.'"};
  EXPECT_EQ(t.Lines(), expected);
}

TEST(ContextNavigation, VariationPointsAndConditionals) {
  LoggedCtx t;
  ASSERT_EQ(t.Parse(Ar4("<S><X-CONDITIONAL>a</X-CONDITIONAL><X-CONDITIONAL>b<VARIATION-POINT/>"
                        "</X-CONDITIONAL><X-CONDITIONAL>c<VARIATION-POINT/></X-CONDITIONAL>"
                        "<X-CONDITIONAL>d</X-CONDITIONAL></S>")),
            kParseOk);
  const exElement* s = FindChild(t.Root(), "AR:S");
  exElementVector list;
  ASSERT_TRUE(CollectConditionals(&t.ctx, s, "X", 0, list));
  ASSERT_EQ(list.size(), 2u);
  EXPECT_STREQ(list[0]->Text(), "a");
  EXPECT_STREQ(list[1]->Text(), "d");
  // Dropping variation points warns but leaves the status alone.
  EXPECT_EQ(t.ctx.status.Code(), StatusOk);

  EXPECT_TRUE(HasVariationPoint(&t.ctx, FindChild(s, "AR:X-CONDITIONAL", 1)));
  EXPECT_FALSE(HasVariationPoint(&t.ctx, s));
  EXPECT_TRUE(CollectConditionals(&t.ctx, nullptr, "X", 0, list));
  EXPECT_TRUE(list.empty());

  t.ctx.status.RaiseError(StatusNoCluster);
  list.push_back(const_cast<exElement*>(s));
  EXPECT_FALSE(CollectConditionals(&t.ctx, s, "X", 0, list));
  EXPECT_EQ(list.size(), 1u);  // untouched

  const std::vector<std::string> expected = {
      // Removed from the last to the first.
      Warn(FindChild(s, "AR:X-CONDITIONAL", 2), "ignored (using <VARIATION-POINT> child)"),
      Warn(FindChild(s, "AR:X-CONDITIONAL", 1), "ignored (using <VARIATION-POINT> child)"),
      Warn(FindChild(s, "AR:X-CONDITIONAL", 1), "has <VARIATION-POINT> member")};
  EXPECT_EQ(t.Lines(), expected);
}

TEST(ContextNavigation, FibexRefsReportEachDiscardReasonOnce) {
  LoggedCtx t;
  ASSERT_EQ(t.Parse(Ar4("<FE><FIBEX-ELEMENT-REF-CONDITIONAL><FIBEX-ELEMENT-REF>/a"
                        "</FIBEX-ELEMENT-REF></FIBEX-ELEMENT-REF-CONDITIONAL>"
                        "<FIBEX-ELEMENT-REF-CONDITIONAL><VARIATION-POINT/><FIBEX-ELEMENT-REF>/b"
                        "</FIBEX-ELEMENT-REF></FIBEX-ELEMENT-REF-CONDITIONAL>"
                        "<FIBEX-ELEMENT-REF-CONDITIONAL/><FIBEX-ELEMENT-REF-CONDITIONAL/>"
                        "<FIBEX-ELEMENT-REF-CONDITIONAL><VARIATION-POINT/>"
                        "</FIBEX-ELEMENT-REF-CONDITIONAL>"
                        "<FIBEX-ELEMENT-REF-CONDITIONAL><FIBEX-ELEMENT-REF>/c</FIBEX-ELEMENT-REF>"
                        "<FIBEX-ELEMENT-REF>/d</FIBEX-ELEMENT-REF></FIBEX-ELEMENT-REF-CONDITIONAL>"
                        "</FE><OK><FIBEX-ELEMENT-REF-CONDITIONAL><FIBEX-ELEMENT-REF>/e"
                        "</FIBEX-ELEMENT-REF></FIBEX-ELEMENT-REF-CONDITIONAL></OK>")),
            kParseOk);
  exElementVector list;
  CollectFibexRefs(&t.ctx, FindChild(t.Root(), "AR:OK"), list);
  ASSERT_EQ(list.size(), 1u);
  EXPECT_EQ(t.ctx.status.Code(), StatusOk);

  CollectFibexRefs(&t.ctx, FindChild(t.Root(), "AR:FE"), list);
  ASSERT_EQ(list.size(), 2u);
  EXPECT_STREQ(list[0]->Text(), "/a");
  EXPECT_STREQ(list[1]->Text(), "/c");
  EXPECT_EQ(t.ctx.status.Code(), StatusWarning);

  t.ctx.status.RaiseError(StatusNoCluster);
  CollectFibexRefs(&t.ctx, FindChild(t.Root(), "AR:FE"), list);
  EXPECT_TRUE(list.empty());

  const std::vector<std::string> expected = {
      "1,0,'Discarded <AR:FIBEX-ELEMENT-REF-CONDITIONAL> elements. Found <AR:VARIATION-POINT> "
      "members.'",
      "1,0,'Discarded <AR:FIBEX-ELEMENT-REF-CONDITIONAL> without <AR:FIBEX-ELEMENT-REF> "
      "members.'"};
  EXPECT_EQ(t.Lines(), expected);
}

TEST(ContextNavigation, ResolutionRefusesTargetsWithAVariationPointAndListsTheTree) {
  LoggedCtx t;
  ASSERT_EQ(t.Parse(Ar4("<AR-PACKAGES><AR-PACKAGE><SHORT-NAME>P</SHORT-NAME><ELEMENTS>"
                        "<CAN-FRAME><SHORT-NAME>X</SHORT-NAME></CAN-FRAME>"
                        "<CAN-FRAME><SHORT-NAME>V</SHORT-NAME><VARIATION-POINT/></CAN-FRAME>"
                        "</ELEMENTS></AR-PACKAGE></AR-PACKAGES><REFS>"
                        "<REF DEST=\"CAN-FRAME\">/P/X</REF><REF DEST=\"CAN-FRAME\">/P/V</REF>"
                        "<REF DEST=\"CAN-FRAME\">/P/N</REF></REFS>")),
            kParseOk);
  ListResolverTree(&t.ctx);
  ASSERT_EQ(t.ctx.resolverRoot.Size(), 1u);
  const exElement* refs = FindChild(t.Root(), "AR:REFS");
  const exElement* x = FindChild(refs, "AR:REF", 0);
  const exElement* v = FindChild(refs, "AR:REF", 1);
  const exElement* n = FindChild(refs, "AR:REF", 2);
  EXPECT_NE(ResolveReference(&t.ctx, x), nullptr);
  EXPECT_NE(FindReferenceTarget(&t.ctx, v), nullptr);  // the silent form does not look
  EXPECT_EQ(t.ctx.status.Code(), StatusOk);
  EXPECT_EQ(ResolveReference(&t.ctx, v), nullptr);
  EXPECT_EQ(t.ctx.status.Code(), StatusWarning);
  EXPECT_EQ(ResolveReference(&t.ctx, n), nullptr);
  EXPECT_EQ(ResolveReference(nullptr, x), nullptr);
  EXPECT_EQ(FindReferenceTarget(nullptr, x), nullptr);
  const std::vector<std::string> expected = {
      Warn(v, "Cannot resolve. Target has <VARIATION-POINT> member."),
      Warn(n, "unresolved reference")};
  EXPECT_EQ(t.Lines(), expected);
}
