// Text-to-value converters, keyword tables and the typed child readers.
#include <stdlib.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <limits>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "convert/values.h"
#include "import/convert_ctx.h"
#include "xml/document.h"
#include "xml/navigation.h"
#include "xml/parser.h"

namespace {

// A context whose report goes to a temporary log, with a fresh status.
class ValuesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = "/tmp/velanar-values-XXXXXX";
    const int fd = mkstemp(&pattern[0]);
    if (fd >= 0) close(fd);
    logPath_ = pattern;
    ctx_.status = cVelanarStatus();
    ctx_.report.OpenLogFile(logPath_.c_str());
  }
  void TearDown() override { unlink(logPath_.c_str()); }

  std::string Log() {
    ctx_.report.Sink().Close();
    std::ifstream in(logPath_, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  }

  // Parses <AUTOSAR><X>children</X></AUTOSAR> and returns X.
  const exElement* Parent(const std::string& children) {
    const std::string text =
        "<AUTOSAR xmlns=\"http://autosar.org/schema/r4.0\"><X>" + children + "</X></AUTOSAR>";
    EXPECT_EQ(ParseText(*ctx_.document, 0, text.data(), text.size()), kParseOk);
    return FindChild(ctx_.document->Child(ctx_.document->ChildCount() - 1), "AR:X", 0);
  }

  template <class C>
  bool Convert(const char* text, typename C::value_type& out) {
    C converter(&ctx_);
    return converter.Convert(text, out);
  }

  cConvertCtx ctx_;
  std::string logPath_;
};

TEST_F(ValuesTest, SignedNotationsAllGiveTheSameValue) {
  for (const char* text : {"0x7F", "0X7F", "0177", "0b1111111", "127", "+127", "+0x7F"}) {
    int32_t value = 0;
    EXPECT_TRUE(Convert<cValueConverterI32>(text, value)) << text;
    EXPECT_EQ(value, 127) << text;
  }
  struct Case {
    const char* text;
    int32_t value;
  };
  // The sign is applied once: by the scan for hex, octal and decimal, by the
  // converter for base 2.
  for (const Case& c :
       {Case{"-0b101", -5}, Case{"-40", -40}, Case{"-0x10", -16}, Case{"-017", -15}, Case{"08", 8},
        Case{"0", 0}, Case{"12abc", 12}, Case{" 42", 42}, Case{"0x", 0}, Case{"0xFFFFFFFF", -1}}) {
    int32_t value = 99;
    EXPECT_TRUE(Convert<cValueConverterI32>(c.text, value)) << c.text;
    EXPECT_EQ(value, c.value) << c.text;
  }
}

TEST_F(ValuesTest, MalformedIntegersFail) {
  for (const char* text : {"0b", "0b102", "-0b", "abc", "", "-", "0b12"}) {
    int32_t value = 0;
    EXPECT_FALSE(Convert<cValueConverterI32>(text, value)) << text;
  }
  uint32_t value = 0;
  EXPECT_FALSE(Convert<cValueConverterU32>(nullptr, value));
}

TEST_F(ValuesTest, BinaryDigitLimitsFollowTheTargetWidth) {
  const std::string ones31 = "0b" + std::string(31, '1');
  const std::string ones32 = "0b" + std::string(32, '1');
  const std::string ones33 = "0b" + std::string(33, '1');
  uint32_t u = 0;
  EXPECT_TRUE(Convert<cValueConverterU32>(ones32.c_str(), u));
  EXPECT_EQ(u, 0xFFFFFFFFu);
  EXPECT_FALSE(Convert<cValueConverterU32>(ones33.c_str(), u));
  int32_t i = 0;
  EXPECT_TRUE(Convert<cValueConverterI32>(ones31.c_str(), i));
  EXPECT_EQ(i, std::numeric_limits<int32_t>::max());
  EXPECT_FALSE(Convert<cValueConverterI32>(ones32.c_str(), i));
  uint8_t b = 0;
  EXPECT_TRUE(Convert<cValueConverterU8>("0b11111111", b));
  EXPECT_EQ(b, 0xFF);
  EXPECT_FALSE(Convert<cValueConverterU8>("0b111111111", b));
  uint64_t w = 0;
  const std::string ones64 = "0b" + std::string(64, '1');
  EXPECT_TRUE(Convert<cValueConverterU64>(ones64.c_str(), w));
  EXPECT_EQ(w, UINT64_MAX);
  int64_t s = 0;
  EXPECT_FALSE(Convert<cValueConverterI64>(ones64.c_str(), s));
}

TEST_F(ValuesTest, WidthNarrowingAndOverflowLikeTheCLibrary) {
  uint8_t b = 0;
  EXPECT_TRUE(Convert<cValueConverterU8>("0x1FF", b));
  EXPECT_EQ(b, 0xFF);
  EXPECT_TRUE(Convert<cValueConverterU8>("300", b));
  EXPECT_EQ(b, 44);
  uint16_t h = 0;
  EXPECT_TRUE(Convert<cValueConverterU16>("70000", h));
  EXPECT_EQ(h, 70000 & 0xFFFF);
  uint32_t u = 0;
  EXPECT_TRUE(Convert<cValueConverterU32>("-1", u));  // unsigned scan negates modulo 2^n
  EXPECT_EQ(u, 0xFFFFFFFFu);
  int32_t i = 0;
  EXPECT_TRUE(Convert<cValueConverterI32>("4294967297", i));  // long value, cut to 32 bits
  EXPECT_EQ(i, 1);
  EXPECT_TRUE(Convert<cValueConverterI32>("99999999999999999999", i));  // saturates, then cut
  EXPECT_EQ(i, -1);
  uint64_t w = 0;
  EXPECT_TRUE(Convert<cValueConverterU64>("99999999999999999999", w));
  EXPECT_EQ(w, UINT64_MAX);
  EXPECT_TRUE(Convert<cValueConverterU64>("0x1FFFFFFFFFFFFFFFF", w));
  EXPECT_EQ(w, UINT64_MAX);
  int64_t s = 0;
  EXPECT_TRUE(Convert<cValueConverterI64>("-99999999999999999999", s));
  EXPECT_EQ(s, std::numeric_limits<int64_t>::min());
  EXPECT_TRUE(Convert<cValueConverterI64>("-9223372036854775808", s));
  EXPECT_EQ(s, std::numeric_limits<int64_t>::min());
  EXPECT_TRUE(Convert<cValueConverterI64>("9223372036854775808", s));
  EXPECT_EQ(s, std::numeric_limits<int64_t>::max());
}

TEST_F(ValuesTest, SpeedAndDoubles) {
  int64_t speed = 0;
  EXPECT_TRUE(Convert<cValueConverterSpeed>("500", speed));
  EXPECT_EQ(speed, 500000);
  EXPECT_FALSE(Convert<cValueConverterSpeed>("fast", speed));

  ASSERT_EQ(ctx_.decimalSeparator, '.');
  double d = 0;
  EXPECT_TRUE(Convert<cValueConverterF64>("-1,5E-3", d));
  EXPECT_DOUBLE_EQ(d, -0.0015);
  EXPECT_TRUE(Convert<cValueConverterF64>("0,25", d));
  EXPECT_DOUBLE_EQ(d, 0.25);
  EXPECT_TRUE(Convert<cValueConverterF64>("0.25", d));
  EXPECT_DOUBLE_EQ(d, 0.25);
  EXPECT_TRUE(Convert<cValueConverterF64>("1,000.5", d));
  EXPECT_DOUBLE_EQ(d, 1.0);
  EXPECT_TRUE(Convert<cValueConverterF64>("1e999", d));  // no undefined behaviour on overflow
  EXPECT_FALSE(Convert<cValueConverterF64>("abc", d));
  EXPECT_FALSE(Convert<cValueConverterF64>("0x", d));
  EXPECT_FALSE(Convert<cValueConverterF64>("", d));
}

// Short decimals skip the general conversion; every value must still be the
// one strtod gives, to the bit (rounding, signed zero, what ends the number).
TEST_F(ValuesTest, DoublesMatchTheCLibraryBitForBit) {
  ASSERT_EQ(ctx_.decimalSeparator, '.');
  std::vector<std::string> texts = {"0",
                                    "-0",
                                    "+0.0",
                                    "-0.000",
                                    "1",
                                    "-40",
                                    "255",
                                    "0.1",
                                    "0.3",
                                    "6513.5",
                                    ".5",
                                    "5.",
                                    "0.2e1",
                                    "0x1A",
                                    "0X.8",
                                    "12abc",
                                    " \t7.25",
                                    "1.2.3",
                                    "00000000000000000001",
                                    "999999999999999",
                                    "9999999999999999",
                                    "0.123456789012345",
                                    "1234567890.12345",
                                    "-0.0000000000001",
                                    "3.14159265358979",
                                    "1e5",
                                    "7E",
                                    "4x"};
  // Random short decimals: every digit count and point position.
  uint64_t seed = 0x9E3779B97F4A7C15u;
  for (int i = 0; i < 2000; ++i) {
    seed = seed * 6364136223846793005u + 1442695040888963407u;
    std::string digits = std::to_string(seed >> 11).substr(0, 1 + (seed >> 3) % 15);
    const size_t point = (seed >> 20) % (digits.size() + 1);
    if (point < digits.size()) digits.insert(point, ".");
    texts.push_back(((seed >> 40) & 1 ? "-" : "") + digits);
  }
  for (const std::string& text : texts) {
    double got = 0;
    char* end = nullptr;
    const double expected = std::strtod(text.c_str(), &end);
    ASSERT_EQ(Convert<cValueConverterF64>(text.c_str(), got), end != text.c_str()) << text;
    EXPECT_EQ(std::memcmp(&got, &expected, sizeof got), 0) << text << ": " << got;
  }
  // The other separator reads like the decimal one.
  double comma = 0;
  ASSERT_TRUE(Convert<cValueConverterF64>("-12,75", comma));
  EXPECT_EQ(comma, -12.75);
}

TEST_F(ValuesTest, Booleans) {
  struct Case {
    const char* text;
    bool ok;
    bool value;
  };
  for (const Case& c :
       {Case{"TRUE", true, true}, Case{"true", true, true}, Case{"False", true, false},
        Case{"0", true, false}, Case{"2", true, true}, Case{"0x10", true, true},
        Case{"yes", false, false}, Case{"", false, false}}) {
    bool value = !c.value;
    EXPECT_EQ(Convert<cCv_BOOLEAN>(c.text, value), c.ok) << c.text;
    EXPECT_EQ(value, c.value) << c.text;
  }
}

TEST_F(ValuesTest, KeywordConverters) {
  uint32_t u = 0;
  EXPECT_TRUE(Convert<cCv_PACKING_BYTE_ORDER>("MOST-SIGNIFICANT-BYTE-FIRST", u));
  EXPECT_EQ(u, 1u);
  EXPECT_TRUE(Convert<cCv_PACKING_BYTE_ORDER>("MOST-SIGNIFICANT-BYTE-LAST", u));
  EXPECT_EQ(u, 0u);
  EXPECT_FALSE(Convert<cCv_PACKING_BYTE_ORDER>("most-significant-byte-first", u));
  EXPECT_EQ(u, 0xFFFFFFFFu);

  EXPECT_TRUE(Convert<cCv_lin_PROTOCOL_VERSION>("2.2", u));
  EXPECT_EQ(u, 6u);
  EXPECT_TRUE(Convert<cCv_lin_PROTOCOL_VERSION>("2.1.0", u));
  EXPECT_EQ(u, 5u);
  EXPECT_FALSE(Convert<cCv_lin_PROTOCOL_VERSION>("3.0", u));
  EXPECT_EQ(u, 0u);

  EXPECT_TRUE(Convert<cCv_lin_ScheduleTable_RUN_MODE>("RUN-ONCE", u));
  EXPECT_EQ(u, 1u);
  EXPECT_FALSE(Convert<cCv_lin_ScheduleTable_RUN_MODE>("", u));
  EXPECT_EQ(u, 2u);

  EXPECT_TRUE(Convert<cCv_CAN_FRAME_TX_BEHAVIOR>("CAN-FD", u));
  EXPECT_EQ(u, 1u);
  EXPECT_TRUE(Convert<cCv_CAN_FRAME_TX_BEHAVIOR>("whatever", u));
  EXPECT_EQ(u, 0u);

  int16_t s = -1;
  EXPECT_TRUE(Convert<cCv_BASE_TYPE_ENCODING>("IEEE754", s));
  EXPECT_EQ(s, 2);
  EXPECT_TRUE(Convert<cCv_BASE_TYPE_ENCODING>("BOOLEAN", s));
  EXPECT_EQ(s, 1);
  EXPECT_TRUE(Convert<cCv_EXTENDED_ADDRESSING_MODE>("EXTENDED", s));
  EXPECT_EQ(s, 1);
  EXPECT_TRUE(Convert<cCv_EXTENDED_ADDRESSING_MODE>("extended", s));
  EXPECT_EQ(s, 0);

  EXPECT_STREQ(PackingByteOrderTable().NameOf(1), "MOST-SIGNIFICANT-BYTE-FIRST");
  EXPECT_STREQ(PackingByteOrderTable().NameOf(7), "");
  EXPECT_EQ(LinProtocolVersionTable().ValueOf(nullptr), 0u);
}

TEST_F(ValuesTest, TypedReaderReportsWhatIsMissingOrWrong) {
  const exElement* x = Parent("<A>0x10</A><E></E><BAD>abc</BAD><ENC>BOOLEAN</ENC>");
  ASSERT_NE(x, nullptr);
  cValueConverterU32 u32(&ctx_);
  uint32_t value = 7;

  EXPECT_TRUE(ReadTypedChild(u32, value, x, "AR:A"));
  EXPECT_EQ(value, 16u);
  EXPECT_EQ(ctx_.status.Code(), StatusOk);

  // An empty child is an assumption.
  EXPECT_FALSE(ReadTypedChild(u32, value, x, "AR:E"));
  EXPECT_EQ(value, 0u);
  EXPECT_EQ(ctx_.status.Code(), StatusAssumption);

  // A keyword converter that always succeeds gives no message.
  cCv_BASE_TYPE_ENCODING encoding(&ctx_);
  int16_t kind = 0;
  EXPECT_TRUE(ReadTypedChild(encoding, kind, x, "AR:ENC"));
  EXPECT_EQ(kind, 1);

  EXPECT_FALSE(ReadTypedChild(u32, value, x, "AR:BAD"));
  EXPECT_EQ(ctx_.status.Code(), StatusWarning);
  EXPECT_FALSE(ReadTypedChild(u32, value, x, "AR:NONE"));

  // No parent: assumption without message (the status is already 2 here).
  EXPECT_FALSE(ReadTypedChild(u32, value, nullptr, "AR:A"));
  EXPECT_EQ(ctx_.status.Code(), StatusWarning);

  const std::string log = Log();
  EXPECT_NE(log.find("<AR:E> (file=0, line=1, column="), std::string::npos) << log;
  EXPECT_NE(log.find("): missing value (xml text)'"), std::string::npos) << log;
  EXPECT_NE(log.find("<AR:BAD> (file=0, line=1, column="), std::string::npos) << log;
  EXPECT_NE(log.find("): failed conversion to numeric value'"), std::string::npos) << log;
  EXPECT_NE(log.find("<AR:X> (file=0, line=1, column="), std::string::npos) << log;
  EXPECT_NE(log.find("): missing <AR:NONE> element'"), std::string::npos) << log;
  EXPECT_EQ(log.find("ENC"), std::string::npos) << log;
}

TEST_F(ValuesTest, EmptyChildFromCleanStatusIsAnAssumptionOnly) {
  const exElement* x = Parent("<E/>");
  cValueConverterF64 f64(&ctx_);
  double value = 1;
  EXPECT_FALSE(ReadTypedChild(f64, value, x, "AR:E"));
  EXPECT_EQ(ctx_.status.Code(), StatusAssumption);
  EXPECT_EQ(value, 0.0);
}

TEST_F(ValuesTest, ReadAndSetPropertyNeedsObjectAndParent) {
  const exElement* x = Parent("<A>1</A>");
  // IOID 0 and an absent parent do nothing at all, not even a report.
  EXPECT_FALSE(ReadAndSetProperty<cValueConverterU32>(&ctx_, 0, 0x00030002u, x, "AR:MISSING"));
  EXPECT_FALSE(ReadAndSetProperty<cValueConverterU32>(&ctx_, 5, 0x00030002u, nullptr, "AR:A"));
  // An absent child is not reported by the IfPresent form.
  EXPECT_FALSE(
      ReadAndSetPropertyIfPresent<cValueConverterU32>(&ctx_, 5, 0x00030002u, x, "AR:MISSING"));
  EXPECT_EQ(ctx_.status.Code(), StatusOk);
  EXPECT_EQ(Log().find("missing"), std::string::npos);
}

}  // namespace
