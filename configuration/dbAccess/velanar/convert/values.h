// Conversion of element texts into typed values: integer notations, decimal
// fractions, booleans and enumeration keywords, plus the readers that take a
// named child element, convert its text and report what is missing or wrong.
#ifndef VELANAR_CONVERT_VALUES_H
#define VELANAR_CONVERT_VALUES_H

#include <cstdint>

class cConvertCtx;
class exElement;

template <typename T>
class cValueConverterBase {
 public:
  typedef T value_type;
  explicit cValueConverterBase(cConvertCtx* ctx) : ctx_(ctx) {}
  virtual ~cValueConverterBase() = default;
  // True when `text` was converted; `out` receives the value.
  virtual bool Convert(const char* text, T& out) = 0;
  cConvertCtx* Context() const { return ctx_; }

 protected:
  cConvertCtx* ctx_;
};

#define VELANAR_VALUE_CONVERTER(Name, Base, T)       \
  class Name : public Base {                         \
   public:                                           \
    explicit Name(cConvertCtx* ctx) : Base(ctx) {}   \
    bool Convert(const char* text, T& out) override; \
  }

VELANAR_VALUE_CONVERTER(cValueConverterU8, cValueConverterBase<uint8_t>, uint8_t);
VELANAR_VALUE_CONVERTER(cValueConverterU16, cValueConverterBase<uint16_t>, uint16_t);
VELANAR_VALUE_CONVERTER(cValueConverterU32, cValueConverterBase<uint32_t>, uint32_t);
VELANAR_VALUE_CONVERTER(cValueConverterI32, cValueConverterBase<int32_t>, int32_t);
VELANAR_VALUE_CONVERTER(cValueConverterU64, cValueConverterBase<uint64_t>, uint64_t);
VELANAR_VALUE_CONVERTER(cValueConverterI64, cValueConverterBase<int64_t>, int64_t);
// Signed 64-bit value times 1000 (kbit/s to bit/s).
VELANAR_VALUE_CONVERTER(cValueConverterSpeed, cValueConverterI64, int64_t);
VELANAR_VALUE_CONVERTER(cValueConverterF64, cValueConverterBase<double>, double);
VELANAR_VALUE_CONVERTER(cCv_BOOLEAN, cValueConverterBase<bool>, bool);
VELANAR_VALUE_CONVERTER(cCv_PACKING_BYTE_ORDER, cValueConverterBase<uint32_t>, uint32_t);
VELANAR_VALUE_CONVERTER(cCv_lin_ScheduleTable_RUN_MODE, cValueConverterBase<uint32_t>, uint32_t);
VELANAR_VALUE_CONVERTER(cCv_lin_PROTOCOL_VERSION, cValueConverterBase<uint32_t>, uint32_t);
VELANAR_VALUE_CONVERTER(cCv_CAN_FRAME_TX_BEHAVIOR, cValueConverterBase<uint32_t>, uint32_t);
VELANAR_VALUE_CONVERTER(cCv_EXTENDED_ADDRESSING_MODE, cValueConverterBase<int16_t>, int16_t);
VELANAR_VALUE_CONVERTER(cCv_BASE_TYPE_ENCODING, cValueConverterBase<int16_t>, int16_t);

#undef VELANAR_VALUE_CONVERTER

// Keyword tables.
struct cEnumRow {
  uint32_t value;
  const char* keyword;
};

class cEnumBase {
 public:
  constexpr cEnumBase(const cEnumRow* rows, uint32_t count, uint32_t defaultValue)
      : rows_(rows), count_(count), default_(defaultValue) {}
  virtual ~cEnumBase() = default;
  virtual uint32_t DefaultValue() const { return default_; }
  // Keyword of the first row with `value`; "" when there is none.
  virtual const char* NameOf(uint32_t value) const;
  // Value of the first matching row; the default for no, empty or unknown text.
  virtual uint32_t ValueOf(const char* text) const;

 protected:
  virtual bool Matches(const char* text, const char* keyword) const = 0;

  const cEnumRow* rows_;
  uint32_t count_;
  uint32_t default_;
};

// Whole text, case-sensitive.
class cEnum : public cEnumBase {
 public:
  using cEnumBase::cEnumBase;

 protected:
  bool Matches(const char* text, const char* keyword) const override;
};

// Text beginning with the keyword ("2.1.0" matches "2.1"), also after
// "LIN" and without the dot ("LIN21", "LIN 2.1").
class cEnumLinVersion : public cEnumBase {
 public:
  using cEnumBase::cEnumBase;

 protected:
  bool Matches(const char* text, const char* keyword) const override;
};

const cEnumBase& PackingByteOrderTable();    // MSB-LAST 0, MSB-FIRST 1; default 0xFFFFFFFF
const cEnumBase& ScheduleRunModeTable();     // RUN-CONTINUOUS 0, RUN-ONCE 1; default 2
const cEnumBase& CanFrameTxBehaviorTable();  // CAN-20 0, CAN-FD 1; default 0
const cEnumBase& LinProtocolVersionTable();  // "1.2" 2 ... "2.2" 6; default 0
const cEnumBase& BaseTypeEncodingTable();    // 2C 0, NONE 1, IEEE754 2; default 1

// Typed reader: the first child `childName` of `parent`, converted. Output 0
// first. No parent: assumption, no message. No child: warning "missing <..>
// element" at the parent. Child without text: assumption and "missing value
// (xml text)". Unconvertible text: warning and "failed conversion to numeric
// value". Defined for every converter value type.
template <typename T>
bool ReadTypedChild(cValueConverterBase<T>& converter, T& out, const exElement* parent,
                    const char* childName);

// Typed read with converter C, then the host property with the value's size.
// Nothing when the IOID is 0 or there is no parent.
template <class C>
bool ReadAndSetProperty(cConvertCtx* ctx, uint64_t ioid, uint32_t propertyId,
                        const exElement* parent, const char* childName);
// The same, only when the parent has such a child (an absent one is not reported).
template <class C>
bool ReadAndSetPropertyIfPresent(cConvertCtx* ctx, uint64_t ioid, uint32_t propertyId,
                                 const exElement* parent, const char* childName);

#endif
