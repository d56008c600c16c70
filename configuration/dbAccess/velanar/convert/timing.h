// Transmission timing of one PDU: the cyclic and event timing objects that
// say when the PDU is sent. One small object per PDU; the release variants
// differ in where the description keeps the timing.
#ifndef VELANAR_CONVERT_TIMING_H
#define VELANAR_CONVERT_TIMING_H

#include <cstdint>

class cConvertCtx;
class exElement;

// Kinds of timing as given by TimingKind.
enum : uint32_t {
  kTimingCyclic = 0,          // cyclic only
  kTimingEvent = 1,           // no cyclic timing
  kTimingCyclicAndEvent = 4,  // both
};

class cTimingBase {
 public:
  cTimingBase(cConvertCtx* ctx, const exElement* pdu, uint64_t pduIoid);
  virtual ~cTimingBase();
  cTimingBase(const cTimingBase&) = delete;
  cTimingBase& operator=(const cTimingBase&) = delete;

  // Finds the timing elements of the PDU.
  virtual void SelectTiming() = 0;
  // Creates the timing objects under the PDU object.
  virtual void CreateTimingObjects() = 0;
  virtual uint32_t TimingKind() const;

  cConvertCtx* ctx;
  const exElement* pduElement;
  const exElement* cyclicTiming = nullptr;
  const exElement* eventTiming = nullptr;
  uint64_t pduIoid;
  const exElement* timingSpec = nullptr;
  const exElement* transmissionModeTiming = nullptr;

 protected:
  // Creates the objects by TimingKind; the cyclic timing's period and start
  // delay are the VALUEs of the children named `periodName` and `delayName`.
  void CreateByKind(const char* periodName, const char* delayName);
  void CreateCyclicTiming(const char* periodName, const char* delayName);
  void CreateEventTiming();
};

// AUTOSAR 4: I-PDU-TIMING-SPECIFICATIONS with transmission-mode declarations.
class cTimingAR4 : public cTimingBase {
 public:
  using cTimingBase::cTimingBase;

  void SelectTiming() override;
  void CreateTimingObjects() override;

 protected:
  // Picks the TRUE or FALSE timing of the I-PDU-TIMING's transmission-mode
  // declaration.
  void ChooseTransmissionModeTiming();
};

// --- AUTOSAR 3 forms
// AUTOSAR 3: one timing element per PDU with CYCLIC-TIMING
// (REPEATING-TIME, STARTING-TIME) and EVENT-CONTROLLED-TIMING.
class cTimingAR3 : public cTimingBase {
 public:
  using cTimingBase::cTimingBase;

  void SelectTiming() override;
  void CreateTimingObjects() override;
};

#endif
