// AUTOSAR 3 ECUs: the walk starts at the ECU instances the SYSTEM lists,
// because connectors belong to ECUs, not to channels. Frame ports find their
// ECU by name; LIN controllers are read without variant containers.
#include <cstring>

#include "convert/converter3.h"
#include "import/convert_ctx.h"
#include "resolve/short_name_resolver.h"
#include "velan/host_vocabulary.h"
#include "xml/document.h"
#include "xml/navigation.h"

namespace {

// Name of the connector elements that attach an ECU to a cluster of a type.
const char* ConnectorName(uint32_t clusterType) {
  switch (clusterType) {
    case kClusterCan:
      return "AR:CAN-COMMUNICATION-CONNECTOR";
    case kClusterFlexRay:
      return "AR:FLEX-RAY-COMMUNICATION-CONNECTOR";
    default:
      return "AR:COMMUNICATION-CONNECTOR";
  }
}

bool IsEcuInstance(const exElement* element) {
  return IsNamed(element, kArEcuInstance);
}

}  // namespace

void cConverter3::ConvertEcus() {
  if (IsError() || currentCluster == nullptr) return;
  const char* connectorName = ConnectorName(currentCluster->type);
  if (documentClusters) {
    // Without a SYSTEM that lists them, every ECU instance of the document
    // may connect to the cluster.
    exElementVector ecus;
    CollectDocumentElements(IsEcuInstance, ecus);
    for (const exElement* ecuElement : ecus) {
      if (IsError()) return;
      ConvertEcuInstance(ecuElement, connectorName);
    }
    return;
  }
  for (const exElement* ref : fibexRefs) {
    if (IsError()) return;
    const char* dest = ref->Attribute("DEST");
    if (dest == nullptr || std::strcmp(dest, "ECU-INSTANCE") != 0) continue;
    const exElement* ecuElement = ResolveReference(ctx, ref);
    if (ecuElement == nullptr) continue;
    ConvertEcuInstance(ecuElement, connectorName);
  }
}

void cConverter3::ConvertEcuInstance(const exElement* ecuElement, const char* connectorName) {
  const char* name = RequireShortName(ctx, ecuElement);
  if (name[0] == '\0') return;
  const exElement* connectors = RequireChild(ctx, ecuElement, "AR:CONNECTORS");
  if (connectors == nullptr) return;

  exElementVector list;
  CollectChildren(connectors, connectorName, list);
  for (const exElement* connector : list) {
    if (IsError()) return;
    const exElement* channelRef = RequireChild(ctx, connector, "AR:CHANNEL-REF");
    if (channelRef == nullptr) continue;
    const exElement* channel = ResolveReference(ctx, channelRef);
    // Only a connector to one of this cluster's channels counts.
    const exElement* channels = channel != nullptr ? channel->Parent() : nullptr;
    if (channels == nullptr || channels->Parent() != currentCluster->element) continue;
    // An ECU is connected once per cluster; further connectors are ignored.
    if (currentCluster->ecus.Find(name) != nullptr) continue;
    CompleteEcu(connector, ecuElement, name, false);
  }
}

void cConverter3::ConvertFramePorts() {
  if (IsError() || currentCluster == nullptr) return;
  ForEachFramePort(true, [this](const cVFT* frame, const exElement* port) {
    // Port -> port list -> connector -> CONNECTORS -> ECU-INSTANCE.
    const exElement* ecuElement = port;
    for (int level = 0; level < 4 && ecuElement != nullptr; ++level) {
      ecuElement = ecuElement->Parent();
    }
    const char* name = RequireShortName(ctx, ecuElement);
    if (name[0] == '\0') return;
    const cCvEcu* ecu = currentCluster->ecus.Find(name);
    if (ecu == nullptr) return;
    const exElement* direction = RequireChild(ctx, port, "AR:COMMUNICATION-DIRECTION");
    if (direction == nullptr) return;
    if (direction->Text()[0] == '\0') {
      ReportElement(ctx, kSubWarnDefault, port, "missing xml text");
      return;
    }
    CreateFramePort(ecu, frame, direction->Text());
  });
}

void cConverter3::ConvertLinNodeAttributes(const exElement* controller, uint64_t connectorIoid) {
  bool master = false;
  if (!ConvertLinNodeRole(controller, connectorIoid, master)) return;
  ConvertLinRoleValues(connectorIoid, master, controller);
}
