// Post-build variants through `velan convert` and `velan import`: the
// --variant and --predefined-variant options and their errors.
#include <cstdio>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tool_runner.h"

namespace velan_test {
namespace {

// The bundled example with the gateway frame's triggering kept only for
// Side 1 and a predefined variant Right choosing it.
std::string VariedExample() {
  std::string text = ReadFile(SourcePath("examples/can/system.arxml"));
  const std::string criterion =
      "<MATCHING-CRITERION-REF DEST=\"POST-BUILD-VARIANT-CRITERION\">/System/Side"
      "</MATCHING-CRITERION-REF>";
  const std::string trigger = "<SHORT-NAME>GatewayStatus_Triggering</SHORT-NAME>";
  text.insert(text.find(trigger) + trigger.size(),
              "<VARIATION-POINT><POST-BUILD-VARIANT-CONDITIONS><POST-BUILD-VARIANT-CONDITION>" +
                  criterion +
                  "<VALUE>1</VALUE></POST-BUILD-VARIANT-CONDITION>"
                  "</POST-BUILD-VARIANT-CONDITIONS></VARIATION-POINT>");
  const std::string elements = "<ELEMENTS>";
  text.insert(
      text.find(elements) + elements.size(),
      "<POST-BUILD-VARIANT-CRITERION><SHORT-NAME>Side</SHORT-NAME></POST-BUILD-VARIANT-CRITERION>"
      "<POST-BUILD-VARIANT-CRITERION-VALUE-SET><SHORT-NAME>RightSet</SHORT-NAME>"
      "<POST-BUILD-VARIANT-CRITERION-VALUES><POST-BUILD-VARIANT-CRITERION-VALUE>"
      "<VARIANT-CRITERION-REF DEST=\"POST-BUILD-VARIANT-CRITERION\">/System/Side"
      "</VARIANT-CRITERION-REF><VALUE>1</VALUE></POST-BUILD-VARIANT-CRITERION-VALUE>"
      "</POST-BUILD-VARIANT-CRITERION-VALUES></POST-BUILD-VARIANT-CRITERION-VALUE-SET>"
      "<PREDEFINED-VARIANT><SHORT-NAME>Right</SHORT-NAME>"
      "<POST-BUILD-VARIANT-CRITERION-VALUE-SET-REFS><POST-BUILD-VARIANT-CRITERION-VALUE-SET-REF "
      "DEST=\"POST-BUILD-VARIANT-CRITERION-VALUE-SET\">/System/RightSet"
      "</POST-BUILD-VARIANT-CRITERION-VALUE-SET-REF></POST-BUILD-VARIANT-CRITERION-VALUE-SET-REFS>"
      "</PREDEFINED-VARIANT>");
  return text;
}

TEST_F(ToolTest, VariantOptionsChooseThePostBuildVariant) {
  if (!ExporterBuilt()) GTEST_SKIP() << "DBC exporter not built";
  WriteFile(Path("v.arxml"), VariedExample());
  const struct {
    std::vector<std::string> options;
    int exitCode;
    bool gateway;       // the varied frame is in the DBC
    const char* error;  // part of the error output, or null
  } cases[] = {
      {{},
       0,
       false,
       "velan: note: 1 element depends on post-build criterion Side (values 1); choose one "
       "with --variant Side=VALUE\n"},
      {{"--variant", "Side=1"}, 0, true, nullptr},
      {{"--variant", "/System/Side=0"}, 0, false, nullptr},
      {{"--predefined-variant", "Right"}, 0, true, nullptr},
      {{"--predefined-variant", "Right", "--variant", "Side=2"}, 0, false, nullptr},
      {{"--variant", "Sid=1"},
       1,
       false,
       "variant: the input defines no POST-BUILD-VARIANT-CRITERION \"Sid\""},
      {{"--predefined-variant", "Left"}, 1, false, "PREDEFINED-VARIANT \"Left\""},
      {{"--variant", "Side"}, 2, false, "--variant needs CRITERION=VALUE, not \"Side\""},
  };
  for (const auto& c : cases) {
    std::vector<std::string> args = {"convert", "v.arxml", "--only-file", "-o", "out.dbc"};
    args.insert(args.end(), c.options.begin(), c.options.end());
    std::remove(Path("out.dbc").c_str());
    RunResult r = Run(args);
    const std::string what = c.options.empty() ? "none" : c.options.back();
    EXPECT_EQ(r.exitCode, c.exitCode) << what << r.err;
    if (c.error) {
      EXPECT_NE(r.err.find(c.error), std::string::npos) << r.err;
    }
    if (c.exitCode != 0) continue;
    const std::string dbc = ReadFile(Path("out.dbc"));
    EXPECT_NE(dbc.find(" EngineData:"), std::string::npos) << what;
    EXPECT_EQ(dbc.find(" GatewayStatus:") != std::string::npos, c.gateway) << what << dbc;
    if (!c.options.empty()) {
      EXPECT_EQ(r.err.find("note:"), std::string::npos) << r.err;
    }
  }
  RunResult listed = Run({"variants", "v.arxml"});
  EXPECT_EQ(listed.exitCode, 0) << listed.err;
  EXPECT_EQ(listed.out,
            "criterion Side (/System/Side)\n"
            "  value 1: 1 element\n"
            "predefined variant Right: Side=1\n");
  RunResult imported =
      Run({"import", "v.arxml", "--only-file", "--predefined-variant", "Right", "--dump"});
  EXPECT_EQ(imported.exitCode, 0) << imported.err;
  EXPECT_NE(imported.out.find("\"GatewayStatus\""), std::string::npos);
}

}  // namespace
}  // namespace velan_test
