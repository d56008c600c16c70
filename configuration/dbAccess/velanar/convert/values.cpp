// Typed values from element texts: integers, decimals, booleans and keywords.
#include "convert/values.h"

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <string>

#include "import/convert_ctx.h"
#include "import/report.h"
#include "xml/document.h"
#include "xml/navigation.h"

namespace {

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

int DigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'z') return c - 'a' + 10;
  if (c >= 'A' && c <= 'Z') return c - 'A' + 10;
  return 99;
}

// The integer conversions of the formatted-input functions ("%x", "%o",
// "%u", "%d" and their length variants) as the C library of the target
// platform performs them: blanks skipped, an optional sign, for base 16 an
// optional "0x" prefix, then as many digits as fit the base; the value is
// computed as strtoul/strtol would (saturating on overflow, a sign negating
// an unsigned value modulo 2^64) and returned as its 64-bit pattern for the
// caller to narrow. False when no digit was found (nothing assigned).
bool ScanInteger(const char* text, int base, bool isSigned, uint64_t& out) {
  const char* p = text;
  while (IsBlank(*p)) ++p;
  bool negative = false;
  if (*p == '+' || *p == '-') {
    negative = *p == '-';
    ++p;
  }
  bool anyDigit = false;
  if (base == 16 && p[0] == '0' && (p[1] == 'x' || p[1] == 'X')) {
    anyDigit = true;  // "0x" alone reads as 0
    p += 2;
  }
  uint64_t magnitude = 0;
  bool overflow = false;
  for (; DigitValue(*p) < base; ++p) {
    anyDigit = true;
    const uint64_t digit = static_cast<uint64_t>(DigitValue(*p));
    if (magnitude > (UINT64_MAX - digit) / static_cast<uint64_t>(base)) {
      overflow = true;
    } else {
      magnitude = magnitude * static_cast<uint64_t>(base) + digit;
    }
  }
  if (!anyDigit) return false;
  if (isSigned) {
    const uint64_t limit = negative ? (uint64_t{1} << 63) : (uint64_t{1} << 63) - 1;
    if (overflow || magnitude > limit) {
      out = negative ? (uint64_t{1} << 63) : limit;
    } else {
      out = negative ? (~magnitude + 1) : magnitude;
    }
  } else if (overflow) {
    out = UINT64_MAX;
  } else {
    out = negative ? (~magnitude + 1) : magnitude;
  }
  return true;
}

// Notation of an integer text, decided on the digits (after the sign for
// signed converters).
enum class Notation { Hex, Binary, Octal, Decimal };

Notation NotationOf(const char* digits) {
  if (digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X')) return Notation::Hex;
  if (digits[0] == '0' && digits[1] == 'b') return Notation::Binary;
  if (digits[0] == '0' && digits[1] != '\0' &&
      std::strspn(digits + 1, "01234567") == std::strlen(digits + 1)) {
    return Notation::Octal;
  }
  return Notation::Decimal;
}

// Base-2 digits after "0b": at least one, at most maxDigits, only 0 and 1.
bool ParseBinary(const char* digits, uint32_t maxDigits, uint64_t& out) {
  const char* p = digits + 2;
  const size_t count = std::strlen(p);
  if (count == 0 || count > maxDigits) return false;
  uint64_t value = 0;
  for (; *p; ++p) {
    if (*p != '0' && *p != '1') return false;
    value = (value << 1) | static_cast<uint64_t>(*p - '0');
  }
  out = value;
  return true;
}

// The integer converter of `bits` width. Returns the 64-bit pattern of the
// value; the caller narrows it to the target type.
bool ConvertInteger(const char* text, bool isSigned, uint32_t binaryDigits, uint64_t& out) {
  if (text == nullptr) return false;
  const char* digits = text;
  bool negative = false;
  if (isSigned && (*digits == '+' || *digits == '-')) {
    negative = *digits == '-';
    ++digits;
  }
  switch (NotationOf(digits)) {
    case Notation::Binary: {
      uint64_t value = 0;
      if (!ParseBinary(digits, binaryDigits, value)) return false;
      out = negative ? (~value + 1) : value;
      return true;
    }
    case Notation::Hex:
      return ScanInteger(text, 16, false, out);
    case Notation::Octal:
      return ScanInteger(text, 8, false, out);
    case Notation::Decimal:
      return ScanInteger(text, 10, isSigned, out);
  }
  return false;
}

}  // namespace

bool cValueConverterU8::Convert(const char* text, uint8_t& out) {
  uint64_t value = 0;
  if (!ConvertInteger(text, false, 8, value)) return false;
  // Scanned into 16 bits; the low 8 bits are kept.
  out = static_cast<uint8_t>(static_cast<uint16_t>(value));
  return true;
}

bool cValueConverterU16::Convert(const char* text, uint16_t& out) {
  uint64_t value = 0;
  if (!ConvertInteger(text, false, 16, value)) return false;
  out = static_cast<uint16_t>(value);
  return true;
}

bool cValueConverterU32::Convert(const char* text, uint32_t& out) {
  uint64_t value = 0;
  if (!ConvertInteger(text, false, 32, value)) return false;
  out = static_cast<uint32_t>(value);
  return true;
}

bool cValueConverterI32::Convert(const char* text, int32_t& out) {
  uint64_t value = 0;
  if (!ConvertInteger(text, true, 31, value)) return false;
  out = static_cast<int32_t>(static_cast<uint32_t>(value));
  return true;
}

bool cValueConverterU64::Convert(const char* text, uint64_t& out) {
  uint64_t value = 0;
  if (!ConvertInteger(text, false, 64, value)) return false;
  out = value;
  return true;
}

bool cValueConverterI64::Convert(const char* text, int64_t& out) {
  uint64_t value = 0;
  if (!ConvertInteger(text, true, 63, value)) return false;
  out = static_cast<int64_t>(value);
  return true;
}

bool cValueConverterSpeed::Convert(const char* text, int64_t& out) {
  if (!cValueConverterI64::Convert(text, out)) return false;
  // Wraps like the multiplication of the original, without signed overflow.
  out = static_cast<int64_t>(static_cast<uint64_t>(out) * 1000u);
  return true;
}

namespace {

// Powers of ten that a double holds exactly.
constexpr double kExactPowersOfTen[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                        1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};

// The common short decimal numbers ("0", "-40", "0.25"; either separator)
// without the general conversion: at most 15 digits make an integer that a
// double holds exactly, and one division by an exact power of ten rounds
// correctly, so the value is the one the general conversion gives. False
// (nothing assigned) for anything else: exponents, hexadecimal, more digits.
bool ConvertShortDecimal(const char* text, char decimal, char foreign, double& out) {
  const char* p = text;
  while (IsBlank(*p)) ++p;
  const bool negative = *p == '-';
  if (*p == '+' || *p == '-') ++p;
  uint64_t mantissa = 0;
  int digits = 0;
  int fractionDigits = 0;
  for (; *p >= '0' && *p <= '9'; ++p, ++digits) {
    mantissa = mantissa * 10u + static_cast<uint64_t>(*p - '0');
  }
  if (*p == decimal || *p == foreign) {
    for (++p; *p >= '0' && *p <= '9'; ++p, ++digits, ++fractionDigits) {
      mantissa = mantissa * 10u + static_cast<uint64_t>(*p - '0');
    }
  }
  if (digits == 0 || digits > 15) return false;
  // What the general conversion would read on: an exponent or a hexadecimal
  // number.
  if (*p == 'e' || *p == 'E' || *p == 'x' || *p == 'X') return false;
  double value = static_cast<double>(mantissa);
  if (fractionDigits > 0) value /= kExactPowersOfTen[fractionDigits];
  out = negative ? -value : value;
  return true;
}

}  // namespace

bool cValueConverterF64::Convert(const char* text, double& out) {
  if (text == nullptr) return false;
  const char decimal = ctx_ ? ctx_->decimalSeparator : '.';
  const char foreign = ctx_ ? ctx_->foreignSeparator : ',';
  if (ConvertShortDecimal(text, decimal, foreign, out)) return true;
  std::string copy(text);
  for (char& c : copy) {
    if (c == foreign) c = decimal;
  }
  const char* start = copy.c_str();
  const char* p = start;
  while (IsBlank(*p)) ++p;
  if (*p == '+' || *p == '-') ++p;
  // The formatted input refuses a hexadecimal prefix without digits.
  if (p[0] == '0' && (p[1] == 'x' || p[1] == 'X')) {
    const char* q = p + 2;
    if (*q == '.') ++q;
    if (DigitValue(*q) >= 16) return false;
  }
  char* end = nullptr;
  const double value = std::strtod(start, &end);
  if (end == start) return false;
  out = value;
  return true;
}

namespace {

bool EqualsNoCase(const char* text, const char* keyword) {
  for (; *text && *keyword; ++text, ++keyword) {
    char c = *text;
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != *keyword) return false;
  }
  return *text == *keyword;
}

}  // namespace

bool cCv_BOOLEAN::Convert(const char* text, bool& out) {
  out = false;
  if (text == nullptr) return false;
  if (EqualsNoCase(text, "true")) {
    out = true;
    return true;
  }
  if (EqualsNoCase(text, "false")) return true;
  uint64_t number = 0;
  cValueConverterU64 numeric(ctx_);
  if (!numeric.Convert(text, number)) return false;
  out = number != 0;
  return true;
}

// ---- Keyword tables ----

const char* cEnumBase::NameOf(uint32_t value) const {
  for (uint32_t i = 0; i < count_; ++i) {
    if (rows_[i].value == value) return rows_[i].keyword;
  }
  return "";
}

uint32_t cEnumBase::ValueOf(const char* text) const {
  if (text == nullptr || *text == '\0') return DefaultValue();
  for (uint32_t i = 0; i < count_; ++i) {
    if (Matches(text, rows_[i].keyword)) return rows_[i].value;
  }
  return DefaultValue();
}

bool cEnum::Matches(const char* text, const char* keyword) const {
  return std::strcmp(text, keyword) == 0;
}

bool cEnumLinVersion::Matches(const char* text, const char* keyword) const {
  if (std::strncmp(text, keyword, std::strlen(keyword)) == 0) return true;
  // Tool chains also write the version after the bus name, with or without
  // its dot: "LIN21", "LIN 2.1", "LIN_2_1" read like "2.1". The keywords are
  // "<major>.<minor>".
  if (std::toupper(static_cast<unsigned char>(text[0])) != 'L' ||
      std::toupper(static_cast<unsigned char>(text[1])) != 'I' ||
      std::toupper(static_cast<unsigned char>(text[2])) != 'N') {
    return false;
  }
  text += 3;
  if (*text == ' ' || *text == '_' || *text == '-') ++text;
  if (*text++ != keyword[0]) return false;
  if (*text == '.' || *text == '_') ++text;
  return *text == keyword[2];
}

namespace {

// OPAQUE (byte arrays) is placed as little-endian.
const cEnumRow kPackingByteOrderRows[] = {
    {0, "MOST-SIGNIFICANT-BYTE-LAST"}, {1, "MOST-SIGNIFICANT-BYTE-FIRST"}, {0, "OPAQUE"}};
const cEnumRow kRunModeRows[] = {{0, "RUN-CONTINUOUS"}, {1, "RUN-ONCE"}};
const cEnumRow kTxBehaviorRows[] = {{0, "CAN-20"}, {1, "CAN-FD"}};
const cEnumRow kLinVersionRows[] = {{2, "1.2"}, {3, "1.3"}, {4, "2.0"}, {5, "2.1"}, {6, "2.2"}};
const cEnumRow kBaseTypeEncodingRows[] = {{0, "2C"}, {1, "NONE"}, {2, "IEEE754"}};

template <size_t N>
constexpr uint32_t RowCount(const cEnumRow (&)[N]) {
  return static_cast<uint32_t>(N);
}

}  // namespace

const cEnumBase& PackingByteOrderTable() {
  static const cEnum table(kPackingByteOrderRows, RowCount(kPackingByteOrderRows), 0xFFFFFFFFu);
  return table;
}

const cEnumBase& ScheduleRunModeTable() {
  static const cEnum table(kRunModeRows, RowCount(kRunModeRows), 2);
  return table;
}

const cEnumBase& CanFrameTxBehaviorTable() {
  static const cEnum table(kTxBehaviorRows, RowCount(kTxBehaviorRows), 0);
  return table;
}

const cEnumBase& LinProtocolVersionTable() {
  static const cEnumLinVersion table(kLinVersionRows, RowCount(kLinVersionRows), 0);
  return table;
}

const cEnumBase& BaseTypeEncodingTable() {
  static const cEnum table(kBaseTypeEncodingRows, RowCount(kBaseTypeEncodingRows), 1);
  return table;
}

// ---- Keyword converters ----

bool cCv_PACKING_BYTE_ORDER::Convert(const char* text, uint32_t& out) {
  const cEnumBase& table = PackingByteOrderTable();
  out = table.ValueOf(text);
  return out != table.DefaultValue();
}

bool cCv_lin_ScheduleTable_RUN_MODE::Convert(const char* text, uint32_t& out) {
  const cEnumBase& table = ScheduleRunModeTable();
  out = table.ValueOf(text);
  return out != table.DefaultValue();
}

bool cCv_lin_PROTOCOL_VERSION::Convert(const char* text, uint32_t& out) {
  const cEnumBase& table = LinProtocolVersionTable();
  out = table.ValueOf(text);
  return out != table.DefaultValue();
}

bool cCv_CAN_FRAME_TX_BEHAVIOR::Convert(const char* text, uint32_t& out) {
  out = CanFrameTxBehaviorTable().ValueOf(text);
  return true;
}

bool cCv_BASE_TYPE_ENCODING::Convert(const char* text, int16_t& out) {
  out = static_cast<int16_t>(BaseTypeEncodingTable().ValueOf(text));
  return true;
}

bool cCv_EXTENDED_ADDRESSING_MODE::Convert(const char* text, int16_t& out) {
  out = (text != nullptr && std::strcmp(text, "EXTENDED") == 0) ? 1 : 0;
  return true;
}

// ---- Typed readers ----

template <typename T>
bool ReadTypedChild(cValueConverterBase<T>& converter, T& out, const exElement* parent,
                    const char* childName) {
  out = T();
  cConvertCtx* ctx = converter.Context();
  if (parent == nullptr) {
    ctx->status.RaiseAssumption();
    return false;
  }
  const exElement* child = FindChild(parent, childName, 0);
  if (child == nullptr) {
    ctx->status.RaiseWarning();
    ReportMissingChild(ctx, parent, childName);
    return false;
  }
  if (child->Text()[0] == '\0') {
    ctx->status.RaiseAssumption();
    ReportElement(ctx, 0, child, "missing value (xml text)");
    return false;
  }
  if (converter.Convert(child->Text(), out)) return true;
  ctx->status.RaiseWarning();
  ReportElement(ctx, 0, child, "failed conversion to numeric value");
  return false;
}

template bool ReadTypedChild<uint8_t>(cValueConverterBase<uint8_t>&, uint8_t&, const exElement*,
                                      const char*);
template bool ReadTypedChild<uint16_t>(cValueConverterBase<uint16_t>&, uint16_t&, const exElement*,
                                       const char*);
template bool ReadTypedChild<uint32_t>(cValueConverterBase<uint32_t>&, uint32_t&, const exElement*,
                                       const char*);
template bool ReadTypedChild<int32_t>(cValueConverterBase<int32_t>&, int32_t&, const exElement*,
                                      const char*);
template bool ReadTypedChild<uint64_t>(cValueConverterBase<uint64_t>&, uint64_t&, const exElement*,
                                       const char*);
template bool ReadTypedChild<int64_t>(cValueConverterBase<int64_t>&, int64_t&, const exElement*,
                                      const char*);
template bool ReadTypedChild<int16_t>(cValueConverterBase<int16_t>&, int16_t&, const exElement*,
                                      const char*);
template bool ReadTypedChild<double>(cValueConverterBase<double>&, double&, const exElement*,
                                     const char*);
template bool ReadTypedChild<bool>(cValueConverterBase<bool>&, bool&, const exElement*,
                                   const char*);

template <class C>
bool ReadAndSetProperty(cConvertCtx* ctx, uint64_t ioid, uint32_t propertyId,
                        const exElement* parent, const char* childName) {
  if (ioid == 0 || parent == nullptr) return false;
  C converter(ctx);
  typename C::value_type value{};
  if (!ReadTypedChild(converter, value, parent, childName)) return false;
  ctx->SetProperty(ioid, propertyId, &value, static_cast<uint32_t>(sizeof value));
  return true;
}

template <class C>
bool ReadAndSetPropertyIfPresent(cConvertCtx* ctx, uint64_t ioid, uint32_t propertyId,
                                 const exElement* parent, const char* childName) {
  if (ioid == 0 || parent == nullptr) return false;
  if (FindChild(parent, childName, 0) == nullptr) return false;
  return ReadAndSetProperty<C>(ctx, ioid, propertyId, parent, childName);
}

#define VELANAR_READ_AND_SET(C)                                                                    \
  template bool ReadAndSetProperty<C>(cConvertCtx*, uint64_t, uint32_t, const exElement*,          \
                                      const char*);                                                \
  template bool ReadAndSetPropertyIfPresent<C>(cConvertCtx*, uint64_t, uint32_t, const exElement*, \
                                               const char*)

VELANAR_READ_AND_SET(cValueConverterU8);
VELANAR_READ_AND_SET(cValueConverterU16);
VELANAR_READ_AND_SET(cValueConverterU32);
VELANAR_READ_AND_SET(cValueConverterI32);
VELANAR_READ_AND_SET(cValueConverterU64);
VELANAR_READ_AND_SET(cValueConverterI64);
VELANAR_READ_AND_SET(cValueConverterSpeed);
VELANAR_READ_AND_SET(cValueConverterF64);
VELANAR_READ_AND_SET(cCv_PACKING_BYTE_ORDER);
VELANAR_READ_AND_SET(cCv_lin_ScheduleTable_RUN_MODE);
VELANAR_READ_AND_SET(cCv_lin_PROTOCOL_VERSION);
VELANAR_READ_AND_SET(cCv_CAN_FRAME_TX_BEHAVIOR);
VELANAR_READ_AND_SET(cCv_EXTENDED_ADDRESSING_MODE);
VELANAR_READ_AND_SET(cCv_BASE_TYPE_ENCODING);

#undef VELANAR_READ_AND_SET
