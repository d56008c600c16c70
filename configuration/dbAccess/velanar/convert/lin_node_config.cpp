// Controller attributes of CAN and LIN connectors, and the LIN
// node-configuration commands of schedule entries: for each command the eight
// data bytes of the diagnostic request the master sends, built from the entry
// and from the parameters of the addressed slave.
#include "convert/lin_node_config.h"

#include <cstring>
#include <new>

#include "convert/converter4.h"
#include "import/convert_ctx.h"
#include "resolve/short_name_resolver.h"
#include "velan/host_vocabulary.h"
#include "xml/navigation.h"

namespace {

// Node-configuration service identifiers of the command frames.
const uint8_t kPci = 0x06;
const uint8_t kSidAssignNad = 0xB0;
const uint8_t kSidAssignFrameId = 0xB1;
const uint8_t kSidConditionalChangeNad = 0xB3;
const uint8_t kSidDataDump = 0xB4;
const uint8_t kSidSaveConfiguration = 0xB6;
const uint8_t kSidAssignFrameIdRange = 0xB7;
const uint8_t kUnassignedPid = 0x40;

uint8_t Low(uint32_t value) {
  return static_cast<uint8_t>(value & 0xFF);
}
uint8_t High(uint32_t value) {
  return static_cast<uint8_t>((value >> 8) & 0xFF);
}

// Converts the text of every BYTE-VALUE; an element without text is reported.
bool ReadByteValues(cConvertCtx* ctx, const exElementVector& values, uint8_t* out) {
  for (size_t i = 0; i < values.size(); ++i) {
    const char* text = values[i]->Text();
    if (text[0] == '\0') {
      ctx->status.RaiseWarning();
      ReportElement(ctx, kSubWarnDefault, values[i], "missing text");
      return false;
    }
    cValueConverterU8 converter(ctx);
    if (!converter.Convert(text, out[i])) return false;
  }
  return true;
}

// The BYTE-VALUE children of the entry's BYTE-VALUES, when there are `count`.
bool CollectByteValues(cConvertCtx* ctx, const exElement* entry, size_t count, uint8_t* out) {
  exElementVector values;
  CollectChildren(FindChild(entry, "AR:BYTE-VALUES"), "AR:BYTE-VALUE", values);
  if (values.size() != count) return false;
  return ReadByteValues(ctx, values, out);
}

// The slave addressed by the entry's ASSIGNED-CONTROLLER-REF.
const exElement* AssignedController(cConvertCtx* ctx, const exElement* entry) {
  const exElement* ref = FindChild(entry, "AR:ASSIGNED-CONTROLLER-REF");
  return ref != nullptr ? FindReferenceTarget(ctx, ref) : nullptr;
}

}  // namespace

uint8_t LinProtectedIdentifier(uint8_t identifier) {
  const auto bit = [identifier](int n) { return (identifier >> n) & 1; };
  const int p0 = bit(0) ^ bit(1) ^ bit(2) ^ bit(4);
  const int p1 = (bit(1) ^ bit(3) ^ bit(4) ^ bit(5)) ^ 1;
  return static_cast<uint8_t>((identifier & 0x3F) | (p0 << 6) | (p1 << 7));
}

// ---- Controller attributes ----

void cConverter4::ConvertCanControllerAttributes(const exElement* controller,
                                                 uint64_t connectorIoid) {
  if (IsError() || controller == nullptr || connectorIoid == 0 || currentCluster == nullptr) {
    return;
  }
  const exElement* variants =
      RequireChild(ctx, controller, "AR:CAN-COMMUNICATION-CONTROLLER-VARIANTS");
  exElementVector conditionals;
  if (!CollectConditionals(ctx, variants, "CAN-COMMUNICATION-CONTROLLER", 0, conditionals)) return;
  if (conditionals.size() != 1) return;
  const exElement* attributes = FindChild(conditionals[0], "AR:CAN-CONTROLLER-ATTRIBUTES");
  const exElement* configuration = FindChild(attributes, "AR:CAN-CONTROLLER-CONFIGURATION");
  const exElement* fd = FindChild(configuration, "AR:CAN-CONTROLLER-FD-ATTRIBUTES");
  const exElement* bitRateSwitch = FindChild(fd, "AR:TX-BIT-RATE-SWITCH");
  if (bitRateSwitch == nullptr) return;
  cCv_BOOLEAN converter(ctx);
  bool enabled = false;
  if (!converter.Convert(bitRateSwitch->Text(), enabled) || !enabled) return;
  currentCluster->canFdMode = 2;
  ctx->SetPropertyU32(currentCluster->ioid, IDIP_CLUSTER_CAN_FD_MODE_U32, 2);
}

bool cConverterBase::ConvertLinNodeRole(const exElement* controller, uint64_t connectorIoid,
                                        bool& master) {
  if (IsError() || controller == nullptr || connectorIoid == 0) return false;
  if (IsNamed(controller, "AR:LIN-MASTER")) {
    master = true;
  } else if (IsNamed(controller, "AR:LIN-SLAVE")) {
    master = false;
  } else {
    ReportElement(ctx, kSubWarnDefault, controller,
                  "unexpected, the name should be  <LIN-MASTER> or <LIN-SLAVE>");
    return false;
  }
  ctx->SetPropertyU32(connectorIoid, IDIP_CON_LIN_IS_MASTER_U32, master ? 1 : 0);
  return true;
}

void cConverterBase::ConvertLinRoleValues(uint64_t connectorIoid, bool master,
                                          const exElement* element) {
  if (master) {
    ReadAndSetProperty<cValueConverterF64>(ctx, connectorIoid, IDIP_CON_LIN_TIMEBASE_F64, element,
                                           "AR:TIME-BASE");
    ReadAndSetProperty<cValueConverterF64>(ctx, connectorIoid, IDIP_CON_LIN_JITTER_F64, element,
                                           "AR:TIME-BASE-JITTER");
  } else {
    ReadAndSetProperty<cValueConverterU8>(ctx, connectorIoid, IDIP_CON_LIN_CONFIGURED_NAD_U8,
                                          element, "AR:CONFIGURED-NAD");
  }
}

void cConverter4::ConvertLinNodeAttributes(const exElement* controller, uint64_t connectorIoid) {
  bool master = false;
  if (!ConvertLinNodeRole(controller, connectorIoid, master)) return;

  const exElement* variants =
      RequireChild(ctx, controller, master ? "AR:LIN-MASTER-VARIANTS" : "AR:LIN-SLAVE-VARIANTS");
  exElementVector conditionals;
  if (!CollectConditionals(ctx, variants, master ? "LIN-MASTER" : "LIN-SLAVE", 0, conditionals)) {
    return;
  }
  if (conditionals.size() != 1) return;
  const exElement* conditional = conditionals[0];

  ReadAndSetProperty<cCv_lin_PROTOCOL_VERSION>(
      ctx, connectorIoid, IDIP_CON_LIN_PROTOCOL_VERSION_U32, conditional, "AR:PROTOCOL-VERSION");
  ConvertLinRoleValues(connectorIoid, master, conditional);
  if (!master) {
    ReadAndSetProperty<cValueConverterU16>(ctx, connectorIoid, IDIP_CON_LIN_FUNCTION_ID_U16,
                                           conditional, "AR:FUNCTION-ID");
    ReadAndSetProperty<cValueConverterU16>(ctx, connectorIoid, IDIP_CON_LIN_SUPPLIER_ID_U16,
                                           conditional, "AR:SUPPLIER-ID");
  }
}

// ---- Slave parameters ----

void cLinSlaveParamsAr4::ReadSlaveParams(const exElement* slaveElement) {
  slave = slaveElement;
  if (slave != nullptr) ecuInstance = FindEcuInstance(ctx, slave);
  FindSlaveConnector();

  if (slave != nullptr) {
    const exElement* variants = RequireChild(ctx, slave, "AR:LIN-SLAVE-VARIANTS");
    exElementVector conditionals;
    if (CollectConditionals(ctx, variants, "LIN-SLAVE", 0, conditionals) &&
        conditionals.size() == 1) {
      const exElement* conditional = conditionals[0];
      protocolVersion = LinProtocolVersionTable().ValueOf(
          RequireChildText(ctx, conditional, "AR:PROTOCOL-VERSION"));
      struct {
        const char* name;
        uint32_t* value;
        bool* present;
      } const fields[] = {
          {"AR:CONFIGURED-NAD", &configuredNad, &hasConfiguredNad},
          {"AR:INITIAL-NAD", &initialNad, &hasInitialNad},
          {"AR:FUNCTION-ID", &functionId, &hasFunctionId},
          {"AR:SUPPLIER-ID", &supplierId, &hasSupplierId},
      };
      for (const auto& field : fields) {
        cValueConverterU32 converter(ctx);
        uint32_t value = 0;
        if (converter.Convert(RequireChildText(ctx, conditional, field.name), value)) {
          *field.value = value;
          *field.present = true;
        }
      }
    }
  }
  if (protocolVersion >= 4) ReadConfigurableFrames();
}

void cLinSlaveParamsAr4::FindSlaveConnector() {
  connector = nullptr;
  if (ecuInstance == nullptr) return;
  const exElement* connectors = RequireChild(ctx, ecuInstance, "AR:CONNECTORS");
  if (connectors == nullptr) return;
  exElementVector candidates;
  CollectChildrenCounted(ctx, connectors, "AR:LIN-COMMUNICATION-CONNECTOR", candidates, 0, 0);
  for (const exElement* candidate : candidates) {
    const exElement* ref = RequireChild(ctx, candidate, "AR:COMM-CONTROLLER-REF");
    if (ref == nullptr) continue;
    if (ResolveReference(ctx, ref) == slave) {
      connector = candidate;
      return;
    }
  }
}

void cLinSlaveParamsAr4::ReadConfigurableFrames() {
  const exElement* list = RequireChild(ctx, connector, "AR:LIN-CONFIGURABLE-FRAMES");
  if (list == nullptr) return;
  exElementVector items;
  CollectChildrenCounted(ctx, list, "AR:LIN-CONFIGURABLE-FRAME", items, 0, 0);
  for (const exElement* item : items) {
    const exElement* ref = RequireChild(ctx, item, "AR:FRAME-REF");
    if (ref == nullptr) continue;
    const exElement* frame = ResolveReference(ctx, ref);
    if (protocolVersion != 4 || frame == nullptr) continue;
    cValueConverterU32 converter(ctx);
    uint32_t messageId = 0;
    if (!converter.Convert(RequireChildText(ctx, item, "AR:MESSAGE-ID"), messageId)) continue;
    try {
      configurableFrames.emplace_back(frame, messageId);
    } catch (const std::bad_alloc&) {
      ctx->status.RaiseError(StatusOutOfMemory);
      return;
    }
  }
}

bool cLinSlaveParamsAr4::FindMessageId(const exElement* frame, uint32_t* messageId) const {
  if (frame == nullptr) return false;
  for (const auto& pair : configurableFrames) {
    if (pair.first == frame) {
      *messageId = pair.second;
      return true;
    }
  }
  return false;
}

// ---- Command entries ----

void cConverterBase::SetCommandData(uint64_t entryIoid, const uint8_t data[8]) {
  ctx->SetPropertyU32(entryIoid, IDIP_SCHED_ENTRY_TYPE_U32, 3);
  ctx->SetProperty(entryIoid, IDIP_SCHED_ENTRY_FF_D1_D8_U8P, data, 8);
}

void cConverterBase::SetEntryConnector(uint64_t entryIoid, const exElement* controller) {
  if (controller == nullptr || currentCluster == nullptr) return;
  const exElement* ecuInstance = FindAncestor(controller, kArEcuInstance);
  if (ecuInstance == nullptr) return;
  for (const auto& entry : currentCluster->ecus) {
    const cCvEcu* ecu = entry.second;
    if (ecu->element != ecuInstance) continue;
    if (ecu->connectorIoid != 0) {
      ctx->SetPropertyU64(entryIoid, IDIP_SCHED_ENTRY_CONNECTOR_IOID, ecu->connectorIoid);
    }
    return;
  }
}

const exElement* cConverterBase::FindTriggeringOfFrame(const exElement* frame) {
  if (frame == nullptr || currentCluster == nullptr) return nullptr;
  for (const auto& entry : currentCluster->frames) {
    const exElement* triggerings[] = {entry.second->triggeringA, entry.second->triggeringB};
    for (const exElement* triggering : triggerings) {
      if (triggering == nullptr) continue;
      const exElement* ref = RequireChild(ctx, triggering, "AR:FRAME-REF");
      if (ref != nullptr && ResolveReference(ctx, ref) == frame) return triggering;
    }
  }
  return nullptr;
}

void cConverterBase::ConvertFreeFormatEntry(uint64_t entryIoid, const exElement* entry) {
  if (IsError()) return;
  uint8_t data[8];
  if (!CollectByteValues(ctx, entry, 8, data)) return;
  SetCommandData(entryIoid, data);
}

void cConverter4::ConvertAssignFrameIdEntry(uint64_t entryIoid, const exElement* entry,
                                            bool unassign) {
  if (IsError()) return;
  const exElement* assignedRef = FindChild(entry, "AR:ASSIGNED-FRAME-TRIGGERING-REF");
  const exElement* assigned =
      assignedRef != nullptr ? FindReferenceTarget(ctx, assignedRef) : nullptr;
  const exElement* frame = ResolveReference(ctx, RequireChild(ctx, assigned, "AR:FRAME-REF"));

  const exElement* controller = AssignedController(ctx, entry);
  cLinSlaveParamsAr4 slave(ctx);
  slave.ReadSlaveParams(controller);
  if (!slave.hasConfiguredNad || slave.protocolVersion != 4) return;
  uint32_t messageId = 0;
  if (!slave.FindMessageId(frame, &messageId)) return;

  const exElement* triggering = nullptr;
  uint64_t triggeringIoid = 0;
  if (const cVFT* record = FindFrameRecordOf(frame)) {
    triggering = record->triggeringA;
    triggeringIoid = record->ioid;
  } else {
    triggering = FindTriggeringOfFrame(frame);
  }
  cValueConverterU32 converter(ctx);
  uint32_t identifier = 0;
  if (!ReadTypedChild(converter, identifier, triggering, "AR:IDENTIFIER")) return;

  const uint8_t data[8] = {
      Low(slave.configuredNad), kPci,
      kSidAssignFrameId,        Low(slave.supplierId),
      High(slave.supplierId),   Low(messageId),
      High(messageId),          unassign ? kUnassignedPid : LinProtectedIdentifier(Low(identifier)),
  };
  SetCommandData(entryIoid, data);
  SetEntryConnector(entryIoid, controller);
  if (triggeringIoid != 0) {
    ctx->SetPropertyU64(entryIoid, IDIP_SCHED_ENTRY_CFGFRM_TRIG_IOID, triggeringIoid);
  }
}

void cConverter4::ConvertAssignFrameIdRangeEntry(uint64_t entryIoid, const exElement* entry) {
  if (IsError()) return;
  const exElement* controller = AssignedController(ctx, entry);
  cLinSlaveParamsAr4 slave(ctx);
  slave.ReadSlaveParams(controller);
  if (!slave.hasConfiguredNad) return;

  cValueConverterU8 converter(ctx);
  uint8_t startIndex = 0;
  if (!ReadTypedChild(converter, startIndex, entry, "AR:START-INDEX")) return;
  uint8_t data[8] = {Low(slave.configuredNad), kPci, kSidAssignFrameIdRange, startIndex};
  const exElement* pids = FindChild(entry, "AR:FRAME-PIDS");
  for (size_t n = 0; n < 4; ++n) {
    // A missing or unreadable PID leaves its slot unused (0xFF).
    uint8_t pid = 0xFF;
    const exElement* element = FindChild(pids, "AR:FRAME-PID", n);
    if (element != nullptr && element->Text()[0] != '\0') {
      uint8_t value = 0;
      if (converter.Convert(element->Text(), value)) pid = value;
    }
    data[4 + n] = pid;
  }
  SetCommandData(entryIoid, data);
  SetEntryConnector(entryIoid, controller);
}

void cConverter4::ConvertAssignNadEntry(uint64_t entryIoid, const exElement* entry) {
  if (IsError()) return;
  const exElement* controller = AssignedController(ctx, entry);
  cLinSlaveParamsAr4 slave(ctx);
  slave.ReadSlaveParams(controller);
  if (!slave.hasConfiguredNad) return;

  const uint32_t nad = slave.hasInitialNad ? slave.initialNad : slave.configuredNad;
  cValueConverterU32 converter(ctx);
  uint32_t newNad = 0;
  if (!ReadTypedChild(converter, newNad, entry, "AR:NEW-NAD")) newNad = slave.configuredNad;
  const uint8_t data[8] = {
      Low(nad),
      kPci,
      kSidAssignNad,
      Low(slave.supplierId),
      High(slave.supplierId),
      Low(slave.functionId),
      High(slave.functionId),
      Low(newNad),
  };
  ctx->SetPropertyU32(entryIoid, IDIP_SCHED_ENTRY_TYPE_U32, 3);
  ctx->SetPropertyU32(entryIoid, IDIP_CON_INITIAL_NAD, Low(nad));
  ctx->SetProperty(entryIoid, IDIP_SCHED_ENTRY_FF_D1_D8_U8P, data, 8);
  SetEntryConnector(entryIoid, controller);
}

void cConverter4::ConvertConditionalChangeNadEntry(uint64_t entryIoid, const exElement* entry) {
  if (IsError()) return;
  const exElement* controller = AssignedController(ctx, entry);
  cLinSlaveParamsAr4 slave(ctx);
  slave.ReadSlaveParams(controller);
  static const char* const kNames[] = {"AR:ID", "AR:BYTE", "AR:MASK", "AR:INVERT", "AR:NEW-NAD"};
  const char* texts[5];
  for (size_t i = 0; i < 5; ++i) texts[i] = RequireChildText(ctx, entry, kNames[i]);
  if (!slave.hasConfiguredNad) return;

  uint8_t data[8] = {Low(slave.configuredNad), kPci, kSidConditionalChangeNad};
  cValueConverterU8 converter(ctx);
  for (size_t i = 0; i < 5; ++i) {
    if (!converter.Convert(texts[i], data[3 + i])) return;
  }
  SetCommandData(entryIoid, data);
  SetEntryConnector(entryIoid, controller);
}

void cConverter4::ConvertDataDumpEntry(uint64_t entryIoid, const exElement* entry) {
  if (IsError()) return;
  const exElement* controller = AssignedController(ctx, entry);
  cLinSlaveParamsAr4 slave(ctx);
  slave.ReadSlaveParams(controller);
  if (!slave.hasConfiguredNad) return;

  uint8_t data[8] = {Low(slave.configuredNad), kPci, kSidDataDump};
  if (!CollectByteValues(ctx, entry, 5, data + 3)) return;
  SetCommandData(entryIoid, data);
  SetEntryConnector(entryIoid, controller);
}

void cConverter4::ConvertSaveConfigurationEntry(uint64_t entryIoid, const exElement* entry) {
  if (IsError()) return;
  const exElement* controller = AssignedController(ctx, entry);
  cLinSlaveParamsAr4 slave(ctx);
  slave.ReadSlaveParams(controller);
  if (!slave.hasConfiguredNad) return;

  const uint8_t data[8] = {
      Low(slave.configuredNad), kPci, kSidSaveConfiguration, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
  SetCommandData(entryIoid, data);
  SetEntryConnector(entryIoid, controller);
}
