// Element navigation: the plain lookups and the reporting layer's messages
// and status changes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "import/diagnostics.h"
#include "xml/navigation.h"
#include "xml_test_support.h"

using xmltest::Ar4;
using xmltest::LoggedDoc;

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
  LoggedDoc t;
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
  EXPECT_FALSE(IsNamed(t.document.Get(), "AR:X"));
  EXPECT_FALSE(IsNamed(nullptr, "AR:X"));
}

TEST(NavigationPlain, AncestorsShortNamesAndBuiltNames) {
  LoggedDoc t;
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

  const char* built = BuildArName(t.document.Get(), "CAN", "CLUSTER");
  EXPECT_STREQ(built, "AR:CAN-CLUSTER");
  EXPECT_EQ(BuildArName(t.document.Get(), "CAN", "CLUSTER"), built);  // pooled
  EXPECT_STREQ(BuildArName(static_cast<exDocument*>(nullptr), "CAN", "CLUSTER"), "");
}

TEST(NavigationPlain, DescriptionPrefersForAllThenEnglishThenOtherLanguages) {
  LoggedDoc t;
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
  LoggedDoc t;
  ASSERT_EQ(t.Parse(Ar4("<T><CYCLE/><SHORT-NAME></SHORT-NAME></T><U><SHORT-NAME>u</SHORT-NAME>"
                        "</U>")),
            kParseOk);
  const exElement* tEl = FindChild(t.Root(), "AR:T");
  const exElement* u = FindChild(t.Root(), "AR:U");

  // Present child with an empty text: no warning.
  EXPECT_STREQ(RequireChildText(&t.diag, tEl, "AR:CYCLE"), "");
  EXPECT_EQ(RequireChild(&t.diag, tEl, "AR:CYCLE"), FindChild(tEl, "AR:CYCLE"));
  EXPECT_STREQ(RequireShortName(&t.diag, u), "u");
  EXPECT_EQ(RequireChild(&t.diag, nullptr, "AR:CYCLE"), nullptr);
  EXPECT_STREQ(RequireChildText(&t.diag, nullptr, "AR:CYCLE"), "");
  EXPECT_EQ(t.diag.status.Code(), StatusOk);

  EXPECT_STREQ(RequireChildText(&t.diag, tEl, "AR:CYCLE-TIME"), "");
  EXPECT_EQ(t.diag.status.Code(), StatusWarning);
  EXPECT_EQ(RequireChild(&t.diag, u, "AR:X"), nullptr);
  EXPECT_STREQ(RequireShortName(&t.diag, tEl), "");  // empty counts as missing
  ReportInvalidFormat(&t.diag, u);
  ReportElement(&t.diag, 0, nullptr, "never written");

  const std::vector<std::string> expected = {
      Warn(tEl, "missing <AR:CYCLE-TIME> element"), Warn(u, "missing <AR:X> element"),
      Warn(tEl, "missing <SHORT-NAME> element"), Warn(u, "invalid format")};
  EXPECT_EQ(t.Lines(), expected);
}

TEST(NavigationReporting, WarningsDoNotLowerAHostWarningOrAnError) {
  LoggedDoc t;
  ASSERT_EQ(t.Parse(Ar4("<T/>")), kParseOk);
  const exElement* tEl = FindChild(t.Root(), "AR:T");
  t.diag.status.TakeHostResult(5);
  ASSERT_EQ(t.diag.status.Code(), StatusHostWarning);
  RequireChild(&t.diag, tEl, "AR:X");
  RequireShortName(&t.diag, tEl);
  CheckChannelCount(&t.diag, 1, tEl, 2);
  EXPECT_EQ(t.diag.status.Code(), StatusHostWarning);

  t.diag.status.RaiseAssumption();  // no change from 1
  EXPECT_EQ(t.diag.status.Code(), StatusHostWarning);
}

TEST(NavigationReporting, EcuInstanceLookupAndItsTwoBlankMessage) {
  LoggedDoc t;
  ASSERT_EQ(t.Parse(Ar4("<ECU-INSTANCE><CONNECTORS><C/></CONNECTORS></ECU-INSTANCE><O/>")),
            kParseOk);
  const exElement* ecu = FindChild(t.Root(), "AR:ECU-INSTANCE");
  const exElement* connector = FindChild(FindChild(ecu, "AR:CONNECTORS"), "AR:C");
  const exElement* outside = FindChild(t.Root(), "AR:O");
  EXPECT_EQ(FindEcuInstance(&t.diag, connector), ecu);
  EXPECT_EQ(FindEcuInstance(&t.diag, ecu), ecu);
  EXPECT_EQ(FindEcuInstance(&t.diag, outside), nullptr);
  EXPECT_EQ(FindEcuInstance(&t.diag, nullptr), nullptr);
  EXPECT_EQ(t.diag.status.Code(), StatusOk);
  const std::vector<std::string> expected = {"1,0,'" + At(outside) +
                                             " missing <AR:ECU-INSTANCE> parent'"};
  EXPECT_EQ(t.Lines(), expected);
}

TEST(NavigationReporting, ChannelCountPerClusterType) {
  LoggedDoc t;
  ASSERT_EQ(t.Parse(Ar4("<CLUSTER/>")), kParseOk);
  const exElement* c = FindChild(t.Root(), "AR:CLUSTER");
  EXPECT_TRUE(CheckChannelCount(&t.diag, 1, c, 1));
  EXPECT_TRUE(CheckChannelCount(&t.diag, 2, c, 1));
  EXPECT_TRUE(CheckChannelCount(&t.diag, 3, c, 1));
  EXPECT_TRUE(CheckChannelCount(&t.diag, 3, c, 2));
  EXPECT_EQ(t.diag.status.Code(), StatusOk);

  EXPECT_FALSE(CheckChannelCount(&t.diag, 2, c, 2));
  EXPECT_EQ(t.diag.status.Code(), StatusWarning);
  EXPECT_FALSE(CheckChannelCount(&t.diag, 1, c, 0));
  EXPECT_FALSE(CheckChannelCount(&t.diag, 3, c, 3));
  EXPECT_FALSE(CheckChannelCount(&t.diag, 0, c, 1));  // unknown type: no line
  EXPECT_FALSE(CheckChannelCount(&t.diag, 4, c, 1));
  const std::string line = Warn(c, "invalid number of <X-PHYSICAL-CHANNEL> elements");
  EXPECT_EQ(t.Lines(), std::vector<std::string>(3, line));
}
