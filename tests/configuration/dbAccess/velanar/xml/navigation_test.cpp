// Element navigation: the plain lookups and the reporting layer's messages
// and status changes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "import/convert_ctx.h"
#include "xml/navigation.h"
#include "xml_test_support.h"

using xmltest::Ar4;
using xmltest::LoggedCtx;

namespace {

// The element message form at an element.
std::string At(const exElement* e) {
  return "<" + std::string(e->Name()) + "> (file=" + std::to_string(e->FileIndex()) +
         ", line=" + std::to_string(e->Line()) + ", column=" + std::to_string(e->Column()) + "): ";
}

std::string Warn(const exElement* e, const std::string& message) {
  return "1,0,'" + At(e) + message + "'";
}

}  // namespace

TEST(NavigationPlain, FindChildCollectAndCount) {
  LoggedCtx t;
  ASSERT_EQ(t.Parse(Ar4("<X><A>1</A><B>b</B><A>2</A><V>0</V><V>1</V><AB/></X>")), kParseOk);
  const exElement* x = FindChild(t.Root(), "AR:X");
  ASSERT_NE(x, nullptr);
  EXPECT_STREQ(FindChild(x, "AR:A")->Text(), "1");
  EXPECT_STREQ(FindChild(x, "AR:A", 1)->Text(), "2");
  EXPECT_EQ(FindChild(x, "AR:A", 2), nullptr);
  EXPECT_EQ(FindChild(x, "AR:a"), nullptr);  // case-sensitive
  EXPECT_EQ(FindChild(x, "A"), nullptr);     // whole qualified names
  EXPECT_EQ(FindChild(nullptr, "AR:A"), nullptr);
  EXPECT_EQ(FindChild(FindChild(x, "AR:AB"), "AR:A"), nullptr);  // no child list

  exElementVector list;
  list.push_back(const_cast<exElement*>(x));  // emptied first
  CollectChildren(x, "AR:A", list);
  ASSERT_EQ(list.size(), 2u);
  EXPECT_STREQ(list[1]->Text(), "2");
  CollectChildren(nullptr, "AR:A", list);
  EXPECT_TRUE(list.empty());
  EXPECT_EQ(CountValueChildren(x), 2u);
  EXPECT_EQ(CountValueChildren(nullptr), 0u);
  EXPECT_TRUE(IsNamed(x, "AR:X"));
  EXPECT_FALSE(IsNamed(t.ctx.document.Get(), "AR:X"));
  EXPECT_FALSE(IsNamed(nullptr, "AR:X"));
}

TEST(NavigationPlain, AncestorsShortNamesAndBuiltNames) {
  LoggedCtx t;
  ASSERT_EQ(t.Parse(Ar4("<P><SHORT-NAME>Pkg</SHORT-NAME><Q><SHORT-NAME/><R/></Q></P>")), kParseOk);
  const exElement* p = FindChild(t.Root(), "AR:P");
  const exElement* q = FindChild(p, "AR:Q");
  const exElement* r = FindChild(q, "AR:R");
  EXPECT_EQ(FindAncestor(r, "AR:P"), p);
  EXPECT_EQ(FindAncestor(p, "AR:P"), p);
  EXPECT_EQ(FindAncestor(r, "AR:NONE"), nullptr);
  EXPECT_EQ(FindAncestor(r, nullptr), nullptr);
  EXPECT_STREQ(GetShortName(p), "Pkg");
  EXPECT_STREQ(GetShortName(q), "");
  EXPECT_STREQ(GetShortName(r), "");
  EXPECT_STREQ(GetShortName(nullptr), "");

  const char* built = BuildArName(&t.ctx, "CAN", "CLUSTER");
  EXPECT_STREQ(built, "AR:CAN-CLUSTER");
  EXPECT_EQ(BuildArName(&t.ctx, "CAN", "CLUSTER"), built);  // pooled
  EXPECT_STREQ(BuildArName(static_cast<exDocument*>(nullptr), "CAN", "CLUSTER"), "");
}

TEST(NavigationPlain, DescriptionPrefersForAllThenEnglishThenOtherLanguages) {
  LoggedCtx t;
  ASSERT_EQ(
      t.Parse(Ar4("<A><DESC><L-2 L=\"DE\">de</L-2><L-2 L=\"EN\">en</L-2>"
                  "<L-2 L=\"FOR-ALL\">all</L-2></DESC></A>"
                  "<B><DESC><L-2 L=\"DE\">de</L-2><L-2>none</L-2></DESC></B>"
                  "<C><DESC><L-2>none</L-2><L-2 L=\"\">empty</L-2><L-2 L=\"en\">lower</L-2>"
                  "<L-2 L=\"FR\">fr</L-2></DESC></C>"
                  "<D><DESC/></D><E/><F><DESC><L-2 L=\"EN\">first</L-2><L-2 L=\"EN\">second</L-2>"
                  "</DESC><DESC><L-2 L=\"FOR-ALL\">later desc</L-2></DESC></F>")),
      kParseOk);
  const exElement* root = t.Root();
  EXPECT_STREQ(GetDescription(FindChild(root, "AR:A")), "all");
  EXPECT_STREQ(GetDescription(FindChild(root, "AR:B")), "de");
  EXPECT_STREQ(GetDescription(FindChild(root, "AR:C")), "lower");  // "en" is any language
  EXPECT_STREQ(GetDescription(FindChild(root, "AR:D")), "");
  EXPECT_STREQ(GetDescription(FindChild(root, "AR:E")), "");
  EXPECT_STREQ(GetDescription(FindChild(root, "AR:F")), "first");
}

TEST(NavigationReporting, RequiredChildrenTextsAndShortNames) {
  LoggedCtx t;
  ASSERT_EQ(t.Parse(Ar4("<T><CYCLE/><SHORT-NAME></SHORT-NAME></T><U><SHORT-NAME>u</SHORT-NAME>"
                        "</U>")),
            kParseOk);
  const exElement* tEl = FindChild(t.Root(), "AR:T");
  const exElement* u = FindChild(t.Root(), "AR:U");

  // Present child with an empty text: no warning.
  EXPECT_STREQ(RequireChildText(&t.ctx, tEl, "AR:CYCLE"), "");
  EXPECT_EQ(RequireChild(&t.ctx, tEl, "AR:CYCLE"), FindChild(tEl, "AR:CYCLE"));
  EXPECT_STREQ(RequireShortName(&t.ctx, u), "u");
  EXPECT_EQ(RequireChild(&t.ctx, nullptr, "AR:CYCLE"), nullptr);
  EXPECT_STREQ(RequireChildText(&t.ctx, nullptr, "AR:CYCLE"), "");
  EXPECT_EQ(t.ctx.status.Code(), StatusOk);

  EXPECT_STREQ(RequireChildText(&t.ctx, tEl, "AR:CYCLE-TIME"), "");
  EXPECT_EQ(t.ctx.status.Code(), StatusWarning);
  EXPECT_EQ(RequireChild(&t.ctx, u, "AR:X"), nullptr);
  EXPECT_STREQ(RequireShortName(&t.ctx, tEl), "");  // empty counts as missing
  ReportInvalidFormat(&t.ctx, u);
  ReportElement(&t.ctx, 0, nullptr, "never written");

  const std::vector<std::string> expected = {
      Warn(tEl, "missing <AR:CYCLE-TIME> element"), Warn(u, "missing <AR:X> element"),
      Warn(tEl, "missing <SHORT-NAME> element"), Warn(u, "invalid format")};
  EXPECT_EQ(t.Lines(), expected);
}

TEST(NavigationReporting, WarningsDoNotLowerAHostWarningOrAnError) {
  LoggedCtx t;
  ASSERT_EQ(t.Parse(Ar4("<T/>")), kParseOk);
  const exElement* tEl = FindChild(t.Root(), "AR:T");
  t.ctx.status.TakeHostResult(5);
  ASSERT_EQ(t.ctx.status.Code(), StatusHostWarning);
  RequireChild(&t.ctx, tEl, "AR:X");
  RequireShortName(&t.ctx, tEl);
  CheckChannelCount(&t.ctx, 1, tEl, 2);
  EXPECT_EQ(t.ctx.status.Code(), StatusHostWarning);

  t.ctx.status.RaiseAssumption();  // no change from 1
  EXPECT_EQ(t.ctx.status.Code(), StatusHostWarning);
}

TEST(NavigationReporting, CountedCollectionDropsVariationPointsAndChecksTheCounts) {
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

TEST(NavigationReporting, VariationPointsAndConditionals) {
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

TEST(NavigationReporting, FibexRefsReportEachDiscardReasonOnce) {
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

TEST(NavigationReporting, EcuInstanceLookupAndItsTwoBlankMessage) {
  LoggedCtx t;
  ASSERT_EQ(t.Parse(Ar4("<ECU-INSTANCE><CONNECTORS><C/></CONNECTORS></ECU-INSTANCE><O/>")),
            kParseOk);
  const exElement* ecu = FindChild(t.Root(), "AR:ECU-INSTANCE");
  const exElement* connector = FindChild(FindChild(ecu, "AR:CONNECTORS"), "AR:C");
  const exElement* outside = FindChild(t.Root(), "AR:O");
  EXPECT_EQ(FindEcuInstance(&t.ctx, connector), ecu);
  EXPECT_EQ(FindEcuInstance(&t.ctx, ecu), ecu);
  EXPECT_EQ(FindEcuInstance(&t.ctx, outside), nullptr);
  EXPECT_EQ(FindEcuInstance(&t.ctx, nullptr), nullptr);
  EXPECT_EQ(t.ctx.status.Code(), StatusOk);
  const std::vector<std::string> expected = {"1,0,'" + At(outside) +
                                             " missing <AR:ECU-INSTANCE> parent'"};
  EXPECT_EQ(t.Lines(), expected);
}

TEST(NavigationReporting, ChannelCountPerClusterType) {
  LoggedCtx t;
  ASSERT_EQ(t.Parse(Ar4("<CLUSTER/>")), kParseOk);
  const exElement* c = FindChild(t.Root(), "AR:CLUSTER");
  EXPECT_TRUE(CheckChannelCount(&t.ctx, 1, c, 1));
  EXPECT_TRUE(CheckChannelCount(&t.ctx, 2, c, 1));
  EXPECT_TRUE(CheckChannelCount(&t.ctx, 3, c, 1));
  EXPECT_TRUE(CheckChannelCount(&t.ctx, 3, c, 2));
  EXPECT_EQ(t.ctx.status.Code(), StatusOk);

  EXPECT_FALSE(CheckChannelCount(&t.ctx, 2, c, 2));
  EXPECT_EQ(t.ctx.status.Code(), StatusWarning);
  EXPECT_FALSE(CheckChannelCount(&t.ctx, 1, c, 0));
  EXPECT_FALSE(CheckChannelCount(&t.ctx, 3, c, 3));
  EXPECT_FALSE(CheckChannelCount(&t.ctx, 0, c, 1));  // unknown type: no line
  EXPECT_FALSE(CheckChannelCount(&t.ctx, 4, c, 1));
  const std::string line = Warn(c, "invalid number of <X-PHYSICAL-CHANNEL> elements");
  EXPECT_EQ(t.Lines(), std::vector<std::string>(3, line));
}
