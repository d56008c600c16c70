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
  exElementVector scales;  // the COMPU-SCALEs in use
};

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

  cSwDataDefPropsChain chain;
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

  // Resolves the first `name` child of `parent`; a missing child is reported
  // at the parent and raises the status to warning.
  const exElement* FollowRef(const exElement* parent, const char* name);
};

#endif
