#include <gtest/gtest.h>

#include "import/import_status.h"

namespace {

cVelanarStatus StatusAt(int32_t code) {
  cVelanarStatus status;
  switch (code) {
    case StatusOk:
      break;
    case StatusHostWarning:
      status.TakeHostResult(5);
      break;
    case StatusWarning:
      status.RaiseWarning();
      break;
    case StatusAssumption:
      status.RaiseAssumption();
      break;
    default:
      status.RaiseError(code);
  }
  return status;
}

TEST(VelanarStatus, ReturnedCodeTable) {
  struct Row {
    int32_t code;
    uint32_t returned;
  };
  const Row rows[] = {
      {StatusOk, 0u},
      {StatusHostWarning, 0x3FF63085u},
      {StatusWarning, 0u},
      {StatusAssumption, 0u},
      {StatusHostUnavailable, 0xBFF63081u},
      {StatusNoInput, 0xBFF63081u},
      {StatusParseError, 0xBFF63081u},
      {StatusNoCluster, 0xBFF63081u},
      {StatusOutOfMemory, 0xBFF63010u},
      {StatusUnsupportedVersion, 0xBFF63165u},
      {-8, 0xBFF63001u},
      {-1000, 0xBFF63001u},
  };
  for (const Row& row : rows) {
    cVelanarStatus status = StatusAt(row.code);
    EXPECT_EQ(status.Code(), row.code);
    EXPECT_EQ(status.ReturnedCode(), row.returned) << "status " << row.code;
    EXPECT_EQ(status.IsError(), row.code < 0);
  }
}

TEST(VelanarStatus, HostErrorReturnsTheHostCodeUnchanged) {
  cVelanarStatus status;
  status.TakeHostResult(-101);
  EXPECT_EQ(status.Code(), StatusHostError);
  EXPECT_EQ(status.HostCode(), -101);
  EXPECT_EQ(status.ReturnedCode(), static_cast<uint32_t>(-101));
}

TEST(VelanarStatus, FirstErrorStays) {
  cVelanarStatus status;
  status.RaiseError(StatusParseError);
  status.RaiseError(StatusNoInput);
  status.TakeHostResult(-7);
  status.RaiseWarning();
  status.RaiseAssumption();
  status.TakeHostResult(3);
  EXPECT_EQ(status.Code(), StatusParseError);
  EXPECT_EQ(status.HostCode(), 0);

  cVelanarStatus host;
  host.TakeHostResult(-55);
  host.TakeHostResult(-66);
  host.RaiseError(StatusOutOfMemory);
  EXPECT_EQ(host.ReturnedCode(), static_cast<uint32_t>(-55));
}

TEST(VelanarStatus, NonNegativeCodesDoNotCountAsErrors) {
  cVelanarStatus status;
  status.RaiseError(0);
  status.RaiseError(4);
  EXPECT_EQ(status.Code(), StatusOk);
}

TEST(VelanarStatus, WarningAndAssumptionTransitions) {
  cVelanarStatus assumed = StatusAt(StatusAssumption);
  assumed.RaiseWarning();
  EXPECT_EQ(assumed.Code(), StatusWarning);

  cVelanarStatus warned = StatusAt(StatusWarning);
  warned.RaiseAssumption();
  EXPECT_EQ(warned.Code(), StatusWarning);

  cVelanarStatus hostWarned = StatusAt(StatusHostWarning);
  hostWarned.RaiseWarning();
  hostWarned.RaiseAssumption();
  EXPECT_EQ(hostWarned.Code(), StatusHostWarning);
  EXPECT_EQ(hostWarned.ReturnedCode(), 0x3FF63085u);
}

TEST(VelanarStatus, HostResultsFold) {
  // A warning followed by successes stays a host warning.
  cVelanarStatus status;
  status.TakeHostResult(0);
  EXPECT_EQ(status.Code(), StatusOk);
  status.TakeHostResult(7);
  status.TakeHostResult(0);
  EXPECT_EQ(status.Code(), StatusHostWarning);
  EXPECT_EQ(status.HostCode(), 7);
  // A later warning does not replace the first host code.
  status.TakeHostResult(9);
  EXPECT_EQ(status.HostCode(), 7);
  // A later host error wins.
  status.TakeHostResult(-3);
  EXPECT_EQ(status.Code(), StatusHostError);
  EXPECT_EQ(status.ReturnedCode(), static_cast<uint32_t>(-3));

  // From warning or assumption only an error changes anything.
  for (int32_t start : {StatusWarning, StatusAssumption}) {
    cVelanarStatus s = StatusAt(start);
    s.TakeHostResult(4);
    EXPECT_EQ(s.Code(), start);
    EXPECT_EQ(s.HostCode(), 0);
    s.TakeHostResult(-9);
    EXPECT_EQ(s.Code(), StatusHostError);
    EXPECT_EQ(s.HostCode(), -9);
  }
}

}  // namespace
