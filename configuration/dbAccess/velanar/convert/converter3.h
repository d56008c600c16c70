// Converter of AUTOSAR 3 system descriptions. It runs the shared pipeline in
// the same slot order as the AUTOSAR 4 converter; its slots read the
// AUTOSAR 3 element structure: no variant containers, connectors attached to
// ECU instances, PDU lengths in bits, signals through SIGNAL-REF, and LIN
// schedule tables built from the timings of the frame triggerings.
#ifndef VELANAR_CONVERT_CONVERTER3_H
#define VELANAR_CONVERT_CONVERTER3_H

#include <cstdint>
#include <map>

#include "convert/converter_base.h"

class cConverter3 : public cConverterBase {
 public:
  explicit cConverter3(cConvertCtx* ctx);
  ~cConverter3() override;

  // Slots 5, 7, 9 and 24 keep the base bodies (nothing to do in AUTOSAR 3);
  // slots 1 and 4 are shared.
  void ConvertDynamicParts() override;        // 2
  void ConvertStaticParts() override;         // 3
  void FindPhysicalChannels() override;       // 6
  void ConvertBaudrate() override;            // 8
  void CollectFrameTriggerings() override;    // 10
  void CollectPduTriggerings() override;      // 11
  void ConvertEcus() override;                // 12
  void ConvertFrames() override;              // 13
  void ConvertPdus() override;                // 14
  void ConvertPduToFrameMappings() override;  // 15
  void ConvertFramePorts() override;          // 16
  void ConvertScheduleTables() override;      // 17
  void ConvertScheduleTable() override;       // 18
  void ConvertScheduleEntries() override;     // 19
  void ConvertSignalMappings() override;      // 20
  void ConvertSignalMapping() override;       // 21
  void ConvertSignal() override;              // 22
  void ConvertSignalCoding(uint32_t numBits) override;
  void ConvertPduTiming() override;  // 23
  void ConvertLinNodeAttributes(const exElement* controller,
                                uint64_t connectorIoid) override;                       // 25
  uint32_t ClassifyLinFrame(const exElement* frame) override;                           // 26
  void ConvertUnconditionalEntry(uint64_t entryIoid, const exElement* entry) override;  // 27
  void FindFibexElements() override;                                                    // 28
  void CollectFibexElementRefs() override;                                              // 29

  // Collision-resolving table made for an event-triggered frame, with the
  // IDENTIFIER of the frame's triggering.
  struct cCollisionEntry {
    uint64_t tableIoid = 0;
    uint32_t identifier = 0;
    bool hasIdentifier = false;
  };
  // Keyed by the LIN-FRAME-TRIGGERING of the event-triggered frame: it
  // carries the IDENTIFIER and holds the RELATIVELY-SCHEDULED-TIMINGS whose
  // schedule entries look the table up again.
  typedef std::map<const exElement*, cCollisionEntry> cCollisionMap;

  const exElement* fibexElementRefs = nullptr;  // FIBEX-ELEMENT-REFS of the SYSTEM
  cCollisionMap collisionMap;

  // CONNECTOR and ECU of one ECU instance whose connector (of the
  // `connectorName` kind) reaches a channel of the current cluster.
  void ConvertEcuInstance(const exElement* ecuElement, const char* connectorName);
  // Substitution frames of LIN clusters are scheduled, not triggered.
  bool IsScheduledOnlyLinFrame(const exElement* frame) override;
  // Enters the timings of one LIN frame triggering into their tables.
  void GatherTimings(const exElement* triggering);
  // Generated table of the frames an event-triggered frame substitutes.
  void ResolveCollisions(const exElement* triggering, const exElement* frame);
};

#endif
