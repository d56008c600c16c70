// Converter of AUTOSAR 3 system descriptions. It runs the shared pipeline in
// the same step order as the AUTOSAR 4 converter; its steps read the
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

  // FindClusterConditional, FindCommConnectors, ConvertCanFdBaudrate and
  // ConvertCanControllerAttributes keep the base bodies (nothing to do in
  // AUTOSAR 3); ConvertMultiplexedPdu and ConvertSelectorField are shared.
  void ConvertDynamicParts() override;
  void ConvertStaticParts() override;
  void FindPhysicalChannels() override;
  void ConvertBaudrate() override;
  void CollectFrameTriggerings() override;
  void CollectPduTriggerings() override;
  void ConvertEcus() override;
  void ConvertFrames() override;
  void ConvertPdus() override;
  void ConvertPduToFrameMappings() override;
  void ConvertFramePorts() override;
  void ConvertScheduleTables() override;
  void ConvertScheduleTable() override;
  void ConvertScheduleEntries() override;
  void ConvertSignalMappings() override;
  void ConvertSignalMapping() override;
  void ConvertSignal() override;
  void ConvertSignalCoding(uint32_t numBits) override;
  void ConvertPduTiming() override;
  void ConvertLinNodeAttributes(const exElement* controller, uint64_t connectorIoid) override;
  uint32_t ClassifyLinFrame(const exElement* frame) override;
  void ConvertUnconditionalEntry(uint64_t entryIoid, const exElement* entry) override;
  void FindFibexElements() override;
  void CollectFibexElementRefs() override;

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
