// The converter: turns the resolved AUTOSAR document set into host database
// objects. Both AUTOSAR releases share one pipeline of virtual steps and
// differ only in the steps whose element structure differs.
//
// Rules of the pipeline:
// - The first error ends a step. Every step starts with IsError() and
//   returns at once when the status is an error; loops check it before each
//   item, so nothing is written to the host after the first error. Warnings
//   (missing children, unresolved references) only raise the status and the
//   step goes on with the next item.
// - Records first, objects after, in name order. A step first collects
//   records (frames, PDUs, ECUs, schedule tables) into the current cluster's
//   maps, keyed by SHORT-NAME in byte order, and creates host objects from
//   the maps afterwards; objects are therefore made in name order, not in
//   document order, whatever order the files list them in.
// - The current* fields name what one step works on (cluster, PDU and its
//   record and PDU_INST, signal and its objects, mapping, schedule table).
//   The code that loops over the items sets them with a scope guard
//   (cAutoRestore) around the single call, and the guard restores the
//   earlier value when the call returns; a step never keeps them set.
#ifndef VELANAR_CONVERT_CONVERTER_BASE_H
#define VELANAR_CONVERT_CONVERTER_BASE_H

#include <cstdint>
#include <functional>

#include "convert/object_model.h"
#include "convert/values.h"
#include "xml/document.h"

class cCoding;
class cConvertCtx;
class exElement;

// Cluster types as kept in cCvCluster::type.
enum : uint32_t {
  kClusterUnsupported = 0,
  kClusterCan = 1,
  kClusterLin = 2,
  kClusterFlexRay = 3,
};

class cConverterBase {
 public:
  explicit cConverterBase(cConvertCtx* ctx);
  cConverterBase(const cConverterBase&) = delete;
  cConverterBase& operator=(const cConverterBase&) = delete;

  // Destroys the cluster map (and all clusters) and the reference list.
  virtual ~cConverterBase();

  // ---- The two phases, run once each by the import driver. ----
  void ListResolverTree();
  void ConvertAll();

  bool IsError() const;
  cConvertCtx* Ctx() const { return ctx; }

 protected:
  // ---- Steps. The base bodies do nothing (ClassifyLinFrame gives 0); the
  // release converters override what they convert. ConvertMultiplexedPdu and
  // ConvertSelectorField are shared by both releases and defined here. ----
  // Multiplexed PDU: dynamic parts, selector field, then static parts.
  virtual void ConvertMultiplexedPdu();
  // One SUB_FRAME per alternative of the current PDU's dynamic part.
  virtual void ConvertDynamicParts();
  // Signals of the static part, placed in the PDU itself.
  virtual void ConvertStaticParts();
  // The MULTIPLEXER object of the selector field.
  virtual void ConvertSelectorField();
  // Per-cluster steps in the order ConvertCurrentCluster runs them:
  virtual void FindClusterConditional();  // the release's cluster variant element
  virtual void FindPhysicalChannels();    // channels A and B
  virtual void FindCommConnectors();      // ECUs connected to the channels
  virtual void ConvertBaudrate();
  virtual void ConvertCanFdBaudrate();
  virtual void CollectFrameTriggerings();  // frame records
  virtual void CollectPduTriggerings();    // PDU records
  virtual void ConvertEcus();
  virtual void ConvertFrames();              // TRIGGERING objects of the frame records
  virtual void ConvertPdus();                // PDU objects of the PDU records
  virtual void ConvertPduToFrameMappings();  // PDU_INSTs with their contents
  virtual void ConvertFramePorts();          // RX_TRIG and TX_TRIG of the ECUs
  virtual void ConvertScheduleTables();      // LIN schedule tables...
  virtual void ConvertScheduleTable();       // ...one of them (currentScheduleTable)
  virtual void ConvertScheduleEntries();     // their entries
  // Signals of the current PDU: its mappings, one mapping, one signal.
  virtual void ConvertSignalMappings();
  virtual void ConvertSignalMapping();
  virtual void ConvertSignal();
  // Timing objects of the current PDU record.
  virtual void ConvertPduTiming();
  // Controller element and CONNECTOR object of one connector.
  virtual void ConvertCanControllerAttributes(const exElement* controller, uint64_t connectorIoid);
  virtual void ConvertLinNodeAttributes(const exElement* controller, uint64_t connectorIoid);
  // 1 sporadic, 2 event-triggered, 0 any other frame (or none).
  virtual uint32_t ClassifyLinFrame(const exElement* frame);
  // Schedule entry that sends frames.
  virtual void ConvertUnconditionalEntry(uint64_t entryIoid, const exElement* entry);
  // The SYSTEM's FIBEX-ELEMENTS and their references, in document order.
  virtual void FindFibexElements();
  virtual void CollectFibexElementRefs();

  // ---- Shared steps. ----
  void LocateSystem();
  // The SYSTEM's child AR:<localName> (a short constant name), with a found
  // message; when missing, the conversion ends with an error and nullptr.
  const exElement* FindSystemChild(const char* localName);
  // Clears channels A and B and the current cluster's channel count; false
  // when there is no cluster or an error.
  bool ResetPhysicalChannels();
  // Channels A and B of the current cluster: the `channelName` children of
  // `container` (none when it is null), one for CAN and LIN, up to two for
  // FlexRay.
  void UsePhysicalChannels(const exElement* container, const char* channelName);
  void ListUnresolvedFibexRefs();
  void ListResolvedFibexRefs();
  void ConvertClusters();
  // With the all-clusters policy, when no SYSTEM lists a cluster: every
  // cluster element of the document whose type is enabled, in document
  // order, as if the SYSTEM listed them.
  void ConvertDocumentClusters();
  // Registers one cluster element and runs its per-cluster steps; false
  // when the cluster step must stop (out of memory).
  bool ConvertClusterElement(const exElement* element);
  // Appends the document's elements that `match` accepts, in document
  // order; a match is not searched further.
  void CollectDocumentElements(bool (*match)(const exElement*), exElementVector& out);
  // Adds every descendant of `start` named `qname` that has a non-empty
  // SHORT-NAME to `map` (first in document order wins); a match is not
  // searched further.
  void CollectNamedDescendants(const exElement* start, const char* qname, cCvMap& map);
  // Comment property from the element's description (empty text when none).
  void SetDescription(uint64_t ioid, uint32_t propertyId, const exElement* element);
  // Makes `name` unique within the current cluster; false (and the status
  // out of memory) when that fails.
  bool MakeUniqueName(const char*& name, const char* suffix);
  // Qualified name "AR:<type word>-<suffix>" for the current cluster's type
  // ("CAN", "LIN", "FLEXRAY"; empty word for an unsupported type).
  const char* ClusterArName(const char* suffix) const;
  static const char* ClusterTypeWord(uint32_t clusterType);

  // ---- Working fields. ----
  cConvertCtx* ctx;                         // not owned
  cCv_PACKING_BYTE_ORDER packingByteOrder;  // PACKING-/SELECTOR-FIELD-BYTE-ORDER reader
  const exElement* systemElement = nullptr;
  const exElement* channelA = nullptr;
  const exElement* channelB = nullptr;
  exElementVector fibexRefs;             // FIBEX-ELEMENT-REF elements in document order
  cCvCluster* currentCluster = nullptr;  // set while one cluster is converted
  cCvClusterMap clusters;                // SHORT-NAME -> cluster, owned
  // The clusters come from the document, not from a SYSTEM's references.
  bool documentClusters = false;

  // PDU and signal steps: set and reset by scope guards around single calls.
  const exElement* currentPdu = nullptr;
  cVPT* currentPduRecord = nullptr;
  uint64_t currentPduInstIoid = 0;
  const exElement* currentSignal = nullptr;  // the I-SIGNAL
  uint64_t currentSignalIoid = 0;
  uint64_t currentSigInstIoid = 0;
  uint64_t currentSubFrameIoid = 0;
  const exElement* currentMapping = nullptr;
  // Current schedule table element (LIN schedule steps of both releases).
  const exElement* currentScheduleTable = nullptr;

  // --- Frame and PDU steps shared by both releases; the release steps pass
  // the element names that differ.
  // Frame records of the current cluster from the FRAME-TRIGGERINGs in
  // channel A's `containerName`; LIN frames that are only scheduled are kept
  // apart in the cluster's special LIN frames.
  void CollectFrameRecords(const char* containerName);
  // LIN frames that are scheduled rather than triggered (by default those
  // ClassifyLinFrame marks as sporadic or event-triggered).
  virtual bool IsScheduledOnlyLinFrame(const exElement* frame);
  // TRIGGERING object of one frame record: comment and, on CAN and LIN,
  // identifier, CAN addressing mode and frame length. False when the
  // conversion stops.
  bool ConvertFrameRecord(const char* name, cVFT& record);
  // PDU records of the current cluster from the `triggeringName` children
  // of channel A's `containerName`.
  void CollectPduRecords(const char* containerName, const char* triggeringName);
  // PDU objects with comment and size; `lengthInBits` when LENGTH counts bits
  // (only whole bytes are taken then).
  void ConvertPduRecords(bool lengthInBits);
  // PDU-TO-FRAME-MAPPINGs of every frame record; `skipFramesWithoutObject`
  // passes over records that got no TRIGGERING object.
  void ConvertPduToFrameMappingsOf(bool skipFramesWithoutObject, const char* signalPduName);
  // One PDU-TO-FRAME-MAPPING of a frame whose TRIGGERING object is given:
  // PDU_INST, start and update bit, then the PDU's contents (signals of a
  // `signalPduName` PDU, or the parts of a multiplexed one).
  void ConvertPduToFrameMapping(const exElement* mapping, uint64_t triggeringIoid,
                                const char* signalPduName);
  // Contents of a mapped PDU that is neither a `signalPduName` PDU nor a
  // multiplexed one (the current PDU); nothing by default.
  virtual void ConvertOtherPduContents();
  // One SUB_FRAME per DYNAMIC-PART-ALTERNATIVE of a dynamic part.
  void ConvertDynamicPartAlternatives(const exElement* part);
  // Signals of the PDU a static part refers to, placed in the PDU itself.
  void ConvertStaticPart(const exElement* part);

  // --- Signal steps shared by both releases.
  // I-SIGNAL-TO-I-PDU-MAPPINGs in the current PDU's `containerName`.
  void ConvertSignalMappingsIn(const char* containerName);
  // The signal the current mapping names through `signalRefName`.
  void ConvertSignalMappingBy(const char* signalRefName);
  // SIG_INST, SIGNAL and CODING of the current signal in the current mapping;
  // with `lengthMayBeOnSystemSignal` a LENGTH missing on the I-SIGNAL is taken
  // from the SYSTEM-SIGNAL.
  void ConvertSignalPlacement(bool lengthMayBeOnSystemSignal);
  // Coding of the current signal of `numBits` bits (release specific).
  virtual void ConvertSignalCoding(uint32_t numBits);
  // CODING object under the current SIGNAL with the evaluated coding.
  void WriteCoding(const cCoding& coding);
  // Evaluates the current signal's coding, then writes the CODING object and
  // the signal's initial value.
  void EvaluateAndWriteCoding(cCoding& coding);

  // --- PDU, signal, coding and timing steps
  // Bits added to every signal and selector position of the current PDU's
  // contents: where a wrapped PDU (the payload of a secured PDU, a PDU in a
  // container) starts inside the PDU placed in the frame.
  uint32_t signalBitOffset = 0;
  // The PDU-TO-FRAME-MAPPING being converted.
  const exElement* currentPduMapping = nullptr;

  // --- ECU and LIN steps
  // Completes the ECU of one connector: ECU record with the connector as
  // connector A, CONNECTOR object (with INITIAL-NAD when `readInitialNad`),
  // unique ECU object with comment, controller, insertion under the name.
  void CompleteEcu(const exElement* connector, const exElement* ecuElement, const char* name,
                   bool readInitialNad);
  // LIN-MASTER or LIN-SLAVE controller: IS_MASTER on the CONNECTOR; false
  // (after a warning for any other element) when there is nothing more to read.
  bool ConvertLinNodeRole(const exElement* controller, uint64_t connectorIoid, bool& master);
  // TIME-BASE and TIME-BASE-JITTER of a master, CONFIGURED-NAD of a slave,
  // read from `element`.
  void ConvertLinRoleValues(uint64_t connectorIoid, bool master, const exElement* element);
  // Hands a connector's controller to the CAN or LIN controller step.
  void DispatchController(const exElement* controller, uint64_t connectorIoid);
  // RX_TRIG ("IN") or TX_TRIG ("OUT") under the ECU's CONNECTOR, pointing at
  // the frame's TRIGGERING; other directions are skipped.
  void CreateFramePort(const cCvEcu* ecu, const cVFT* frame, const char* direction);
  // Visits, frame record by frame record of the current cluster, every port
  // that a FRAME-PORT-REF of the record's first triggering resolves to;
  // `skipFramesWithoutObject` passes over records without TRIGGERING object.
  // Stops at an error.
  using FramePortVisitor = std::function<void(const cVFT* frame, const exElement* port)>;
  void ForEachFramePort(bool skipFramesWithoutObject, const FramePortVisitor& visit);
  // Service type of a schedule entry by entry kind (kinds 2 to 9 only).
  void SetServiceType(uint64_t entryIoid, uint32_t kind);
  // TRIGGERING IOID of the frame's record in the current cluster, or 0.
  uint64_t FindFrameTriggeringIoid(const exElement* frame);
  // The current schedule table's SHORT-NAME made unique in the cluster;
  // null when there is no table to convert (or the name is missing).
  const char* CurrentScheduleTableName();
  // SCHED_TABLE object and record of the current schedule table element
  // named `name`, with comment, PRIORITY (when `readPriority`) and RUN-MODE.
  // The record, or nullptr when there is none; `tableIoid` is the object.
  cCvST* CreateScheduleTableObject(const char* name, bool readPriority, uint64_t& tableIoid);
  // Enters `element` at its POSITION-IN-TABLE (the first one at a position
  // stays); false when out of memory.
  bool AddEntryPosition(cCvST& table, const exElement* element);
  // SCHED_ENTRY for `element` (its DELAY read) in the table; false when the
  // conversion stops.
  bool CreateScheduleEntry(uint64_t tableIoid, cCvST& table, const exElement* element);
  // Appends the TRIGGERING IOID of `frame` when it has one; false when out
  // of memory.
  bool AppendFrameTriggeringIoid(const exElement* frame, std::vector<uint64_t>& ioids);
  // Generated collision-resolving table: one entry per frame referenced in
  // `frame`'s `refsName` container, with the DELAY of `delaySource`. Its
  // IOID or 0; `complete` is false when an error ended the entries.
  uint64_t CreateCollisionTable(const exElement* frame, const char* refsName, const char* refName,
                                const exElement* delaySource, bool& complete);
  // The TRIGGERING IOIDs a schedule entry sends, by the frame's kind
  // (ClassifyLinFrame): the frame's own for 0, else those of the frames in
  // its `containerName` (at least one `refName`). False when out of memory.
  bool CollectEntryFrames(const exElement* frame, uint32_t kind, const char* containerName,
                          const char* refName, std::vector<uint64_t>& ioids);
  // Appends the TRIGGERING IOIDs of the frames named by the references.
  void CollectFrameTriggeringIoids(const exElementVector& refs, std::vector<uint64_t>& ioids);
  // IDIP_SCHED_ENTRY_TRIGS_IOIDS, when the list is not empty.
  void SetEntryTriggerings(uint64_t entryIoid, const std::vector<uint64_t>& ioids);
  // The frame record of the current cluster whose frame element is `frame`.
  cVFT* FindFrameRecordOf(const exElement* frame) const;
  // The triggering (A or B of a frame record) whose FRAME-REF names `frame`.
  const exElement* FindTriggeringOfFrame(const exElement* frame);
  // CONNECTOR of the ECU that holds the controller, on the schedule entry.
  void SetEntryConnector(uint64_t entryIoid, const exElement* controller);
  // Entry type 3 and the eight command bytes of a node-configuration entry.
  void SetCommandData(uint64_t entryIoid, const uint8_t data[8]);
  // Eight BYTE-VALUEs of a free-format entry.
  void ConvertFreeFormatEntry(uint64_t entryIoid, const exElement* entry);

  // Runs the per-cluster steps in their fixed order.
  void ConvertCurrentCluster();
};

#endif
