#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "arxml_builder.h"
#include "import_harness.h"
#include "velan/velanar.h"

using namespace arxml;

namespace {

using Conditions = std::vector<std::pair<std::string, std::string>>;

Node Condition(const std::string& criterion, const std::string& value) {
  return El("POST-BUILD-VARIANT-CONDITION",
            {Ref("MATCHING-CRITERION-REF", "POST-BUILD-VARIANT-CRITERION", "/P/" + criterion),
             Text("VALUE", value)});
}

// A triggering of frame `frame` whose variation point holds the conditions
// (and a pre-build condition when `preBuild`).
Node Varied(const std::string& frame, const std::string& id, const Conditions& conditions,
            bool preBuild = false) {
  Node list = El("POST-BUILD-VARIANT-CONDITIONS");
  for (const auto& c : conditions) list.Add(Condition(c.first, c.second));
  Node point = El("VARIATION-POINT");
  if (preBuild) point.Add(Text("SW-SYSCOND", "Side == 1"));
  point.Add(list);
  return CanFrameTriggering("T" + frame, "/P/" + frame, id, {point});
}

Node ValueSet(const std::string& name, const Conditions& values) {
  Node list = El("POST-BUILD-VARIANT-CRITERION-VALUES");
  for (const auto& v : values) {
    list.Add(El("POST-BUILD-VARIANT-CRITERION-VALUE",
                {Ref("VARIANT-CRITERION-REF", "POST-BUILD-VARIANT-CRITERION", "/P/" + v.first),
                 Text("VALUE", v.second)}));
  }
  return Named("POST-BUILD-VARIANT-CRITERION-VALUE-SET", name, {list});
}

std::string Input() {
  std::vector<Node> elements = {
      Named("POST-BUILD-VARIANT-CRITERION", "Side"), Named("POST-BUILD-VARIANT-CRITERION", "Trim"),
      ValueSet("RightSet", {{"Side", "1"}, {"Trim", "2"}}),
      Named("PREDEFINED-VARIANT", "Right",
            {El("POST-BUILD-VARIANT-CRITERION-VALUE-SET-REFS",
                {Ref("POST-BUILD-VARIANT-CRITERION-VALUE-SET-REF",
                     "POST-BUILD-VARIANT-CRITERION-VALUE-SET", "/P/RightSet")})})};
  for (const char* f : {"Plain", "Left", "Right", "Both", "PreBuilt"})
    elements.push_back(Frame("CAN-FRAME", f, "8"));
  return SimpleCan4(
      "Can1",
      {CanFrameTriggering("TPlain", "/P/Plain", "1"), Varied("Left", "2", {{"Side", "0"}}),
       Varied("Right", "3", {{"Side", "1"}}), Varied("Both", "4", {{"Side", "1"}, {"Trim", "2"}}),
       Varied("PreBuilt", "5", {{"Side", "1"}}, true)},
      elements);
}

TEST(Variants, ChosenVariantKeepsMatchingElements) {
  struct Case {
    const char* variantXml;  // content of the Variant element; null: none
    std::vector<std::string> kept;
  };
  const Case cases[] = {
      {nullptr, {"Plain"}},
      {"<Criterion Name=\"Side\" Value=\"0\"/>", {"Plain", "Left"}},
      {"<Criterion Name=\"Side\" Value=\"1\"/>", {"Plain", "Right"}},
      {"<Criterion Name=\"/P/Side\" Value=\" 01 \"/><Criterion Name=\"Trim\" Value=\"2\"/>",
       {"Plain", "Right", "Both"}},
      {"<Criterion Name=\"Trim\" Value=\"3\"/><Criterion Name=\"Side\" Value=\"1\"/>",
       {"Plain", "Right"}},
      {"<PredefinedVariant>Right</PredefinedVariant>", {"Plain", "Right", "Both"}},
      {"<PredefinedVariant>/P/Right</PredefinedVariant><Criterion Name=\"Side\" Value=\"0\"/>",
       {"Plain", "Left"}},
  };
  const std::vector<std::string> all = {"Plain", "Left", "Right", "Both", "PreBuilt"};
  for (const Case& c : cases) {
    ImportOptions options;
    if (c.variantXml) options.extraXml = std::string("<Variant>") + c.variantXml + "</Variant>";
    ImportResult r = ImportArxml(Input(), options);
    ASSERT_TRUE(r.loaded) << r.error;
    SCOPED_TRACE(c.variantXml ? c.variantXml : "no variant");
    EXPECT_EQ(r.code, VELANAR_OK);
    for (const std::string& frame : all) {
      const bool kept = std::find(c.kept.begin(), c.kept.end(), frame) != c.kept.end();
      EXPECT_EQ(r.TreeHas("\"" + frame + "\""), kept) << frame;
    }
    EXPECT_EQ(r.LogCount("ignored (using <VARIATION-POINT> child)"), all.size() - c.kept.size());
  }
}

TEST(Variants, UnknownNameFailsTheImport) {
  const std::pair<const char*, const char*> cases[] = {
      {"<Criterion Name=\"Sid\" Value=\"0\"/>", "POST-BUILD-VARIANT-CRITERION \"Sid\""},
      {"<Criterion Name=\"/Q/Side\" Value=\"0\"/>", "POST-BUILD-VARIANT-CRITERION \"/Q/Side\""},
      {"<PredefinedVariant>Left</PredefinedVariant>", "PREDEFINED-VARIANT \"Left\""},
  };
  for (const auto& c : cases) {
    ImportOptions options;
    options.extraXml = std::string("<Variant>") + c.first + "</Variant>";
    ImportResult r = ImportArxml(Input(), options);
    ASSERT_TRUE(r.loaded) << r.error;
    EXPECT_NE(r.code, VELANAR_OK) << c.first;
    EXPECT_TRUE(r.LogHas(std::string("variant: the input defines no ") + c.second)) << r.log;
    EXPECT_EQ(r.objectCount, 0u) << c.first;
  }
}

}  // namespace
