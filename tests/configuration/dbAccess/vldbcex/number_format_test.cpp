// Number texts of the DBC writer: the direct paths for whole numbers must
// give exactly the text of the printf formats they replace.
#include <gtest/gtest.h>

#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <random>

#include "dbc/to_logfile.h"

namespace {

std::string Printf(const char* format, double value) {
  char text[256];
  std::snprintf(text, sizeof text, format, value);
  return text;
}

}  // namespace

TEST(NumberFormat, RealsMatchPercentPoint20g) {
  const double max = std::numeric_limits<double>::max();
  const double values[] = {0.0,
                           -0.0,
                           1.0,
                           -1.0,
                           255.0,
                           -40.0,
                           4294967295.0,
                           -2147483648.0,
                           1e15,
                           9007199254740991.0,  // 2^53 - 1: last exact whole number
                           -9007199254740991.0,
                           9007199254740992.0,  // 2^53: general path
                           -9007199254740992.0,
                           1e16,
                           1e20,
                           1e21,
                           0.5,
                           -0.1,
                           1e-7,
                           123456789.5,
                           max,
                           -max,
                           std::numeric_limits<double>::denorm_min(),
                           std::numeric_limits<double>::infinity(),
                           -std::numeric_limits<double>::infinity()};
  char area[256];
  for (double v : values) {
    EXPECT_EQ(vldbcex::FormatReal(v, area), Printf("%.20g", v)) << "value " << v;
  }
  // Any bit pattern, and decimals as a description gives them.
  std::mt19937_64 random(22);
  for (int i = 0; i < 100000; ++i) {
    const uint64_t bits = random();
    double patterns[2];
    std::memcpy(&patterns[0], &bits, sizeof bits);
    patterns[1] = static_cast<double>(static_cast<int64_t>(random() % 2000001) - 1000000) /
                  std::pow(10.0, static_cast<int>(random() % 12));
    for (double v : patterns) ASSERT_EQ(vldbcex::FormatReal(v, area), Printf("%.20g", v));
  }
  // NaN keeps its printf spelling (sign included).
  const double nan = std::nan("");
  EXPECT_EQ(vldbcex::FormatReal(nan, area), Printf("%.20g", nan));
  EXPECT_EQ(vldbcex::FormatReal(-nan, area), Printf("%.20g", -nan));
}

TEST(NumberFormat, IntegersMatchPrintf) {
  vldbcex::ToLogFile sink;
  const uint32_t unsignedValues[] = {0u, 7u, 10u, 99u, 100u, 4294967295u};
  for (uint32_t v : unsignedValues) {
    char expected[32];
    std::snprintf(expected, sizeof expected, "%" PRIu32, v);
    EXPECT_STREQ(sink.FormatUnsigned(v), expected);
  }
  const int32_t signedValues[] = {0, -1, 1, -10, 2147483647, -2147483647 - 1};
  for (int32_t v : signedValues) {
    char expected[32];
    std::snprintf(expected, sizeof expected, "%" PRId32, v);
    EXPECT_STREQ(sink.FormatSigned(v), expected);
  }
}
