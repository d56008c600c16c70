// ECUs, their connectors and frame ports: one CONNECTOR object per ECU of a
// cluster with the ECU object below it, and TX_TRIG / RX_TRIG objects under
// the CONNECTOR for the frames the ECU sends and receives.
#include <cstring>

#include "convert/converter4.h"
#include "import/convert_ctx.h"
#include "import/scoped.h"
#include "resolve/short_name_resolver.h"
#include "velan/host_vocabulary.h"
#include "xml/navigation.h"

void cConverter4::FindCommConnectors() {
  commConnectorsA = nullptr;
  commConnectorsB = nullptr;
  if (IsError()) return;
  if (channelA != nullptr) commConnectorsA = RequireChild(ctx, channelA, "AR:COMM-CONNECTORS");
  if (channelB != nullptr) commConnectorsB = RequireChild(ctx, channelB, "AR:COMM-CONNECTORS");
}

void cConverter4::ConvertEcus() {
  if (IsError() || currentCluster == nullptr || commConnectorsA == nullptr) return;
  exElementVector conditionals;
  if (!CollectConditionals(ctx, commConnectorsA, "COMMUNICATION-CONNECTOR-REF", 0, conditionals)) {
    return;
  }
  for (const exElement* conditional : conditionals) {
    if (IsError()) return;
    const exElement* ref = RequireChild(ctx, conditional, "AR:COMMUNICATION-CONNECTOR-REF");
    if (ref == nullptr) continue;
    const exElement* connector = ResolveReference(ctx, ref);
    if (connector != nullptr) ConvertEcu(connector);
  }
}

void cConverter4::ConvertEcu(const exElement* connector) {
  if (IsError() || currentCluster == nullptr || connector == nullptr) return;
  const exElement* ecuElement = FindEcuInstance(ctx, connector);
  const char* name = RequireShortName(ctx, ecuElement);
  if (name[0] == '\0') return;

  if (cCvEcu* known = currentCluster->ecus.Find(name)) {
    // A second connector of the same ECU: one ECU object serves both channels.
    if (currentCluster->channelCount == 2 || currentCluster->type == kClusterFlexRay) {
      known->connectorB = connector;
      return;
    }
    ctx->status.RaiseWarning();
    ReportElement(ctx, kSubWarnDefault, ecuElement,
                  "unable inserting that ECU several times to the cluster");
    return;
  }
  CompleteEcu(connector, ecuElement, name, true);
}

void cConverterBase::CompleteEcu(const exElement* connector, const exElement* ecuElement,
                                 const char* name, bool readInitialNad) {
  if (IsError() || currentCluster == nullptr) return;
  cScopedPtr<cCvEcu> record(cCvEcu::Create());
  if (!record) {
    ctx->status.RaiseError(StatusOutOfMemory);
    return;
  }
  record->element = ecuElement;
  record->connectorA = connector;

  record->connectorIoid =
      ctx->CreateChildObject(VELAN_OT_CONNECTOR, "", VELAN_OT_CLUSTER, currentCluster->ioid);
  if (readInitialNad && !IsError()) {
    ReadAndSetPropertyIfPresent<cValueConverterU8>(ctx, record->connectorIoid, IDIP_CON_INITIAL_NAD,
                                                   connector, "AR:INITIAL-NAD");
  }

  const char* uniqueName = name;
  if (!MakeUniqueName(uniqueName, "_ecu")) return;
  record->ioid =
      ctx->CreateChildObject(VELAN_OT_ECU, uniqueName, VELAN_OT_CONNECTOR, record->connectorIoid);
  if (IsError()) return;

  SetDescription(record->ioid, IDIP_ECU_COMMENT_STR, ecuElement);
  const exElement* controllerRef = RequireChild(ctx, connector, "AR:COMM-CONTROLLER-REF");
  const exElement* controller = ResolveReference(ctx, controllerRef);
  DispatchController(controller, record->connectorIoid);

  if (!currentCluster->ecus.Insert(uniqueName, record.Get())) {
    ctx->status.RaiseError(StatusOutOfMemory);
    return;
  }
  record.Detach();
}

void cConverterBase::DispatchController(const exElement* controller, uint64_t connectorIoid) {
  if (IsError() || controller == nullptr || connectorIoid == 0 || currentCluster == nullptr) {
    return;
  }
  if (currentCluster->type == kClusterCan) {
    ConvertCanControllerAttributes(controller, connectorIoid);
  } else if (currentCluster->type == kClusterLin) {
    ConvertLinNodeAttributes(controller, connectorIoid);
  }
}

void cConverter4::ConvertFramePorts() {
  if (IsError() || currentCluster == nullptr) return;
  if (currentCluster->channelCount != 1) {
    ctx->report.Write(kCatWarn, kSubWarnDefault,
                      "Cluster has no channels, or several channels. Assigning as Tx/Rx is "
                      "currently unsupported.");
    return;
  }
  const char* connectorName = ClusterArName("COMMUNICATION-CONNECTOR");

  ForEachFramePort(false, [this, connectorName](const cVFT* frame, const exElement* port) {
    // The port sits in the connector's port list.
    const exElement* portList = port->Parent();
    const exElement* connector = portList != nullptr ? portList->Parent() : nullptr;
    if (!IsNamed(connector, connectorName)) return;
    const char* direction = RequireChildText(ctx, port, "AR:COMMUNICATION-DIRECTION");
    const cCvEcu* ecu = currentCluster->FindEcuByConnector(connector);
    if (ecu == nullptr) return;
    CreateFramePort(ecu, frame, direction);
  });
}

void cConverterBase::ForEachFramePort(bool skipFramesWithoutObject, const FramePortVisitor& visit) {
  for (const auto& entry : currentCluster->frames) {
    if (IsError()) return;
    const cVFT* frame = entry.second;
    // Records passed over by ConvertFrames have no TRIGGERING to point at.
    if (skipFramesWithoutObject && frame->ioid == 0) continue;
    const exElement* portRefs = RequireChild(ctx, frame->triggeringA, "AR:FRAME-PORT-REFS");
    if (portRefs == nullptr) continue;
    exElementVector refs;
    CollectChildren(portRefs, "AR:FRAME-PORT-REF", refs);
    for (const exElement* ref : refs) {
      if (IsError()) return;
      const exElement* port = ResolveReference(ctx, ref);
      if (port != nullptr) visit(frame, port);
    }
  }
}

void cConverterBase::CreateFramePort(const cCvEcu* ecu, const cVFT* frame, const char* direction) {
  if (IsError() || ecu == nullptr || frame == nullptr || direction == nullptr) return;
  uint32_t type;
  uint32_t property;
  if (std::strcmp(direction, "IN") == 0) {
    type = VELAN_OT_RX_TRIG;
    property = IDIP_RX_TRIG_IOID;
  } else if (std::strcmp(direction, "OUT") == 0) {
    type = VELAN_OT_TX_TRIG;
    property = IDIP_TX_TRIG_IOID;
  } else {
    return;
  }
  const uint64_t port = ctx->CreateChildObject(type, "", VELAN_OT_CONNECTOR, ecu->connectorIoid);
  if (!IsError()) ctx->SetPropertyU64(port, property, frame->ioid);
}
