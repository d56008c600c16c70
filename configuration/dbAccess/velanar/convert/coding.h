// Coding of a signal: how its raw bits become a physical value (number of
// bits, data type, factor, offset, physical range and unit), computed from the
// compu method, unit, base type and data constraint that the description
// attaches to the signal. The release variants differ only in how they find
// those four elements.
#ifndef VELANAR_CONVERT_CODING_H
#define VELANAR_CONVERT_CODING_H

#include <cstdint>
#include <vector>

#include "xml/document.h"

class cConvertCtx;

// Data types of the host coding.
enum : int16_t {
  kCodingSigned = 0,    // two's complement
  kCodingUnsigned = 1,  //
  kCodingFloat = 2,     // IEEE 754
};

class cCoding {
 public:
  // The result starts as the neutral coding of a `numBits`-bit unsigned value.
  cCoding(cConvertCtx* ctx, const exElement* element, uint32_t numBits);
  virtual ~cCoding();
  cCoding(const cCoding&) = delete;
  cCoding& operator=(const cCoding&) = delete;

  // Computes the result members. Problems are reported and may raise the
  // import status; nothing here stops the import.
  virtual void Evaluate() = 0;

  // After Evaluate: the signal's initial value as a physical value, such
  // that (value - offset) / factor gives back the raw initial value of the
  // description exactly. False when the description gives no numeric one.
  bool PhysicalInitValue(double& value);

  // ---- Result: the coding record.
  uint32_t numBits;
  int16_t dataType = kCodingUnsigned;
  double factor = 1.0;
  double offset = 0.0;
  double minimum = 0.0;   // physical
  double maximum = 0.0;   // physical
  const char* unit = "";  // borrowed from the document

  // The COMPU-SCALEs in use, in document order (after Evaluate).
  const exElementVector& Scales() const { return scales; }
  // True when the scale is one entry of a text table: a single closed value
  // with a text.
  bool IsTextTableScale(const exElement* scale) const;
  // IsTextTableScale of Scales()[index], worked out once per scale.
  bool IsTextTableScaleAt(size_t index) const;

 protected:
  virtual void ReadCompuMethod() = 0;
  virtual void CollectScales() = 0;
  virtual void ReadUnitName() = 0;
  virtual void ReadBaseTypeEncoding() = 0;
  // Raw limits from the data constraint or the defaults, made physical.
  virtual void ComputeRange();
  // True when both raw limits of the single constraint rule were read.
  virtual bool ReadDataConstraint();
  // Raw limits that the data type and number of bits allow.
  virtual void DefaultRange();
  // Factor and offset from the scales in use.
  virtual void ComputeScaling();

  // minimum/maximum := factor * raw + offset, exchanged when out of order.
  void MakeRangePhysical();

  // The raw initial value the description gives the signal; false when it
  // gives none or one that is not a number.
  virtual bool ReadRawInitValue(double& raw);
  // The raw extremes that numBits and the data type allow (integers of 1 to
  // 64 bits; wider ones get the 64-bit extremes); false for floating point
  // and for 0 bits.
  bool RawLimits(double& low, double& high) const;
  // One limit of the INTERNAL-CONSTRS read as the data type and length
  // demand; a negative text of an unsigned signal is read as negative.
  bool ReadLimit(const exElement* constraints, const char* name, double& value);
  // A constraint of the SYSTEM-SIGNAL that names no raw limits, only
  // physical ones: those become the range directly, within what the raw
  // range can reach. False for any other constraint.
  bool ReadPhysicalRange();

  // One scale as factor = N1 / D, offset = N0 / D; false when the scale has
  // no usable rational coefficients.
  bool ReadRationalScale(const exElement* scale, double& scaleFactor, double& scaleOffset);
  // A V element's text as a double; false without text or when it does not convert.
  bool ReadCoefficient(const exElement* v, double& value) const;

  cConvertCtx* ctx;
  const exElement* element;  // the signal's element; most messages are reported here
  const exElement* compuMethod = nullptr;
  const exElement* baseType = nullptr;
  const exElement* dataConstraint = nullptr;
  const exElement* unitElement = nullptr;
  bool constraintOnSystemSignal = false;  // the data constraint describes the physical signal
  exElementVector scales;                 // the COMPU-SCALEs in use

 private:
  // Per scale of the first ones: -1 not yet known, else whether it is a
  // text-table entry.
  static constexpr size_t kRememberedScales = 32;
  mutable signed char textTableScales_[kRememberedScales] = {
      -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1,
      -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1};
};

// The physical value of `raw`, raw * factor + offset, moved by a few units
// in the last place where needed so that (value - offset) / factor == raw.
double PhysicalValueOf(double raw, double factor, double offset);
// A numerical value text: integer in decimal, 0x hexadecimal, 0b binary or
// 0-prefixed octal notation, or a decimal fraction, with an optional sign.
bool ReadNumericalText(cConvertCtx* ctx, const char* text, double& value);
// Sets the SIGNAL's default value from the coding's initial value, if any.
void WriteInitValue(cConvertCtx* ctx, uint64_t signalIoid, cCoding& coding);

// Resolved elements of one SW-DATA-DEF-PROPS-like element.
class cSwDataDefProps {
 public:
  cSwDataDefProps(cConvertCtx* ctx, const exElement* props);

  cConvertCtx* ctx;
  const exElement* baseType = nullptr;
  const exElement* dataConstraint = nullptr;
  const exElement* compuMethod = nullptr;
  const exElement* implementationDataType = nullptr;
};

// The network representation of a signal followed through its chain of
// implementation data types; each data type enters the chain at most once.
class cSwDataDefPropsChain : public std::vector<cSwDataDefProps> {
 public:
  void Build(cConvertCtx* ctx, const exElement* signal);
};

// Coding of an AUTOSAR 4 I-SIGNAL.
class cCodingAr4 : public cCoding {
 public:
  using cCoding::cCoding;

  void Evaluate() override;

 protected:
  void ReadCompuMethod() override;
  void CollectScales() override;
  void ReadUnitName() override;
  void ReadBaseTypeEncoding() override;
  bool ReadRawInitValue(double& raw) override;

  // Compu method, data constraint and unit of the SYSTEM-SIGNAL's physical
  // props: where the I-SIGNAL's chain lacks one of them, the system signal's
  // is used. Read once, on first need.
  void ReadSystemSignalProps();

  cSwDataDefPropsChain chain;
  bool systemPropsRead = false;
  const exElement* systemCompuMethod = nullptr;
  const exElement* systemDataConstraint = nullptr;
  const exElement* systemUnit = nullptr;
};

// --- AUTOSAR 3 forms
// Coding of an AUTOSAR 3 I-SIGNAL: compu method, base type and data
// constraint come from SYSTEM-SIGNAL-REF, DATA-TYPE-REF and the data type's
// SW-DATA-DEF-PROPS; there are no variation points.
class cCodingAr3 : public cCoding {
 public:
  using cCoding::cCoding;

  void Evaluate() override;

 protected:
  void ReadCompuMethod() override;
  void CollectScales() override;
  void ReadUnitName() override;
  void ReadBaseTypeEncoding() override;
  bool ReadRawInitValue(double& raw) override;

  // Resolves the first `name` child of `parent`; a missing child is reported
  // at the parent and raises the status to warning.
  const exElement* FollowRef(const exElement* parent, const char* name);
};

#endif
