// A CAN FD frame marked only by behaviour, through `velan convert`.
#include <gtest/gtest.h>

#include "tool_runner.h"

namespace velan_test {
namespace {

TEST_F(ToolTest, CanFdFrameMarkedOnlyByBehaviourWritesTheSameDbc) {
  if (!ExporterBuilt()) GTEST_SKIP() << "DBC exporter not built";
  // The example without CAN FD baud rate and TX behaviour: the frame's RX
  // behaviour (and its 16 bytes) make it, and so the cluster, CAN FD.
  std::string text = ReadFile(SourcePath("examples/can/system.arxml"));
  for (const std::string element : {"CAN-FD-BAUDRATE", "CAN-FRAME-TX-BEHAVIOR>CAN-FD"}) {
    const size_t at = text.find("<" + element);
    ASSERT_NE(at, std::string::npos) << element;
    text.erase(at, text.find('\n', at) - at);
  }
  WriteFile(Path("rx.arxml"), text);
  ASSERT_EQ(
      Run({"convert", SourcePath("examples/can/system.arxml"), "-o", "full.dbc", "-q"}).exitCode,
      0);
  ASSERT_EQ(Run({"convert", "rx.arxml", "-o", "rx.dbc", "-q"}).exitCode, 0);
  const std::string dbc = ReadFile(Path("rx.dbc"));
  EXPECT_NE(dbc.find("BA_DEF_DEF_ \"BusType\" \"CAN FD\";"), std::string::npos) << dbc;
  EXPECT_EQ(dbc, ReadFile(Path("full.dbc")));
}

}  // namespace
}  // namespace velan_test
