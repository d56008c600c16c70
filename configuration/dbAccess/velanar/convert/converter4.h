// Converter of AUTOSAR 4 system descriptions.
#ifndef VELANAR_CONVERT_CONVERTER4_H
#define VELANAR_CONVERT_CONVERTER4_H

#include <set>
#include <string>
#include <vector>

#include "convert/converter_base.h"

class cConverter4 : public cConverterBase {
 public:
  explicit cConverter4(cConvertCtx* ctx);
  ~cConverter4() override;

  void ConvertDynamicParts() override;
  void ConvertStaticParts() override;
  void FindClusterConditional() override;
  void FindPhysicalChannels() override;
  void FindCommConnectors() override;
  void ConvertBaudrate() override;
  void ConvertCanFdBaudrate() override;
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
  // User data of an NM-PDU.
  void ConvertOtherPduContents() override;
  void ConvertPduTiming() override;
  void ConvertCanControllerAttributes(const exElement* controller, uint64_t connectorIoid) override;
  void ConvertLinNodeAttributes(const exElement* controller, uint64_t connectorIoid) override;
  uint32_t ClassifyLinFrame(const exElement* frame) override;
  void ConvertUnconditionalEntry(uint64_t entryIoid, const exElement* entry) override;
  void FindFibexElements() override;
  void CollectFibexElementRefs() override;

  // Per-cluster elements.
  const exElement* fibexElements = nullptr;
  const exElement* clusterConditional = nullptr;  // X-CLUSTER-CONDITIONAL of the current cluster
  const exElement* commConnectorsA = nullptr;     // COMM-CONNECTORS of channel A
  const exElement* commConnectorsB = nullptr;     // COMM-CONNECTORS of channel B

  // CAN FD mode of a CAN frame record: the cluster's mode when the frame is
  // sent as CAN FD (the cluster becoming a CAN FD cluster when it was not),
  // else 0.
  uint32_t CanFdModeOf(const cVFT& record);

  // --- NM-PDU timing
  // Cyclic timing of the current NM-PDU from the NM-MSG-CYCLE-TIME of the
  // CAN-NM-CLUSTER that names the current cluster.
  void ConvertNmPduTiming();
  // That CAN-NM-CLUSTER, or none; looked up once per cluster.
  const exElement* FindNmCluster();
  // The NM-CONFIG elements of the document set, collected on first use.
  void CollectNmConfigs();
  exElementVector nmConfigs;
  bool nmConfigsCollected = false;
  const cCvCluster* nmClusterOwner = nullptr;  // cluster that nmCluster belongs to
  const exElement* nmCluster = nullptr;

  // --- Secured and container PDUs
  // Contents of a secured PDU placed at signalBitOffset in the current PDU:
  // its payload PDU's signals (after the secured header, when there is one),
  // then the header's length, the truncated freshness value and the
  // authenticator as raw unsigned signals named after the secured PDU.
  void ConvertSecuredPduContents(const exElement* secured);
  // Contents of the current PDU, a CONTAINER-I-PDU: with a header, a
  // multiplexed PDU whose selector is the header identifier and whose
  // alternatives are the contained PDUs; without one, each contained PDU at
  // its offset.
  void ConvertContainerPduContents();
  // Without a header: each contained PDU's signals at its OFFSET (bytes).
  void ConvertContainedAtOffsets(const std::vector<const exElement*>& contained);
  // Signals of one contained (or payload) PDU at signalBitOffset, into the
  // current sub-frame when one is set.
  void ConvertWrappedPduSignals(const exElement* pdu);
  // SIG_INST, SIGNAL and CODING of a raw unsigned field of the current PDU
  // whose first bit in transmission order is `streamBit` (from the current
  // PDU's start); little-endian fields start on a byte limit. The name is
  // `baseName`, made unique among the signals of the current frame.
  void CreateRawSignal(const std::string& baseName, uint32_t streamBit, uint32_t numBits,
                       bool bigEndian);
  // `base`, or `base` with a number, not yet used by a signal of the frame
  // of the current PDU mapping; reserved once returned.
  std::string FrameUniqueName(const std::string& base);
  // Adds the names of the signals `pdu` carries (through wrapped PDUs too).
  void CollectPduSignalNames(const exElement* pdu, int depth);
  std::set<std::string> frameSignalNames;
  // The frame, in the cluster, that the names belong to.
  const exElement* frameSignalNamesOf = nullptr;
  const cCvCluster* frameSignalNamesCluster = nullptr;

  // The I-PDU behind a PDU-TRIGGERING (or any element with an I-PDU-REF);
  // unresolved references are reported when `report` is set.
  const exElement* PduOfTriggering(const exElement* triggering, bool report);
  // The payload PDU of a secured PDU (PAYLOAD-REF to a PDU triggering).
  const exElement* PayloadPduOf(const exElement* secured, bool report);
  // The contained PDUs of a container PDU, in document order.
  void CollectContainedPdus(const exElement* container, std::vector<const exElement*>& out,
                            bool report);

  // --- Timing taken from wrapped PDUs
  // The PDU whose I-PDU-TIMING-SPECIFICATIONS give `pdu` its timing: `pdu`
  // itself when it has them, else for a secured PDU its payload's, for a
  // multiplexed PDU its static part's or else its first alternative's; none
  // when nothing gives timing.
  const exElement* TimedPduOf(const exElement* pdu, int depth = 0);
  // CYCLIC_TIMING of the current container PDU with the shortest cycle of
  // its contained PDUs; false when none of them is cyclic.
  bool ConvertContainerCycle();

  // --- ECU and LIN steps
  // ECU record of one connector found through COMM-CONNECTORS.
  void ConvertEcu(const exElement* connector);
  // POSITION-IN-TABLE -> entry element of one table, from TABLE-ENTRYS.
  void FillEntryPositions(cCvST* table, const exElement* tableEntrys);
  // Kind of a schedule entry by its element name (0 when unknown).
  static uint32_t ClassifyScheduleEntry(const exElement* entry);
  // Generated table of the frames of an event-triggered frame; its IOID or 0.
  uint64_t CreateCollisionResolverTable(const exElement* frame, const exElement* entry);
  // Node-configuration commands of schedule entries.
  void ConvertAssignFrameIdEntry(uint64_t entryIoid, const exElement* entry, bool unassign);
  void ConvertAssignFrameIdRangeEntry(uint64_t entryIoid, const exElement* entry);
  void ConvertAssignNadEntry(uint64_t entryIoid, const exElement* entry);
  void ConvertConditionalChangeNadEntry(uint64_t entryIoid, const exElement* entry);
  void ConvertDataDumpEntry(uint64_t entryIoid, const exElement* entry);
  void ConvertSaveConfigurationEntry(uint64_t entryIoid, const exElement* entry);
};

#endif
