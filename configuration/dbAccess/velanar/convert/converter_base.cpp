// The shared pipeline of the converters: phases, cluster loop, system lookup and naming helpers.
#include "convert/converter_base.h"

#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "import/convert_ctx.h"
#include "import/report.h"
#include "import/scoped.h"
#include "resolve/name_match.h"
#include "resolve/short_name_resolver.h"
#include "velan/host_vocabulary.h"
#include "xml/document.h"
#include "xml/navigation.h"

namespace {

uint32_t ClusterTypeOf(const char* qname) {
  if (qname == nullptr) return kClusterUnsupported;
  if (std::strncmp(qname, "AR:CAN", 6) == 0) return kClusterCan;
  if (std::strncmp(qname, "AR:LIN", 6) == 0) return kClusterLin;
  if (std::strncmp(qname, "AR:FLEXRAY", 10) == 0) return kClusterFlexRay;
  return kClusterUnsupported;
}

bool EndsWithCluster(const char* text) {
  const char* found = text != nullptr ? std::strstr(text, "-CLUSTER") : nullptr;
  return found != nullptr && found[8] == '\0';
}

bool IsClusterReference(const exElement* ref) {
  return ref != nullptr && EndsWithCluster(ref->Attribute("DEST"));
}

bool ListsCluster(const exElementVector& refs) {
  for (const exElement* ref : refs) {
    if (IsClusterReference(ref)) return true;
  }
  return false;
}

// A cluster element of either release: AR:CAN-CLUSTER, AR:LIN-CLUSTER,
// AR:ETHERNET-CLUSTER and so on (never the -CLUSTER-VARIANTS or
// -CLUSTER-CONDITIONAL parts inside one).
bool IsClusterElement(const exElement* element) {
  const char* name = element->Name();
  return name != nullptr && std::strncmp(name, "AR:", 3) == 0 && EndsWithCluster(name);
}

bool IsEnabledType(const cPolicies& policies, uint32_t type) {
  return (type == kClusterCan && policies.canEnabled) ||
         (type == kClusterLin && policies.linEnabled) ||
         (type == kClusterFlexRay && policies.flexRayEnabled);
}

}  // namespace

cConverterBase::cConverterBase(cConvertCtx* context) : ctx(context), packingByteOrder(context) {}

cConverterBase::~cConverterBase() {
  clusters.Clear();
  fibexRefs.clear();
}

// Base bodies of the steps: nothing to convert. ConvertMultiplexedPdu and
// ConvertSelectorField are defined with the PDU steps.
void cConverterBase::ConvertDynamicParts() {}
void cConverterBase::ConvertStaticParts() {}
void cConverterBase::FindClusterConditional() {}
void cConverterBase::FindPhysicalChannels() {}
void cConverterBase::FindCommConnectors() {}
void cConverterBase::ConvertBaudrate() {}
void cConverterBase::ConvertCanFdBaudrate() {}
void cConverterBase::CollectFrameTriggerings() {}
void cConverterBase::CollectPduTriggerings() {}
void cConverterBase::ConvertEcus() {}
void cConverterBase::ConvertFrames() {}
void cConverterBase::ConvertPdus() {}
void cConverterBase::ConvertPduToFrameMappings() {}
void cConverterBase::ConvertFramePorts() {}
void cConverterBase::ConvertScheduleTables() {}
void cConverterBase::ConvertScheduleTable() {}
void cConverterBase::ConvertScheduleEntries() {}
void cConverterBase::ConvertSignalMappings() {}
void cConverterBase::ConvertSignalMapping() {}
void cConverterBase::ConvertSignal() {}
void cConverterBase::ConvertPduTiming() {}
void cConverterBase::ConvertCanControllerAttributes(const exElement*, uint64_t) {}
void cConverterBase::ConvertLinNodeAttributes(const exElement*, uint64_t) {}
uint32_t cConverterBase::ClassifyLinFrame(const exElement*) {
  return 0;
}
void cConverterBase::ConvertUnconditionalEntry(uint64_t, const exElement*) {}
void cConverterBase::FindFibexElements() {}
void cConverterBase::CollectFibexElementRefs() {}

bool cConverterBase::IsError() const {
  return ctx->status.IsError();
}

void cConverterBase::ListResolverTree() {
  ::ListResolverTree(ctx);
}

void cConverterBase::ConvertAll() {
  if (IsError()) return;
  LocateSystem();
  FindFibexElements();
  CollectFibexElementRefs();
  ListUnresolvedFibexRefs();
  ListResolvedFibexRefs();
  if (ctx->policies.allClusters && !ListsCluster(fibexRefs)) {
    ConvertDocumentClusters();
  } else {
    ConvertClusters();
  }
  if (clusters.Empty()) {
    ctx->status.RaiseError(StatusNoCluster);
    ctx->report.Write(kCatErr, 0,
                      "Could not find any cluster. Maybe the file has clusters of unsupported "
                      "types only.");
  }
}

void cConverterBase::ConvertCurrentCluster() {
  // Fixed order: ECUs before frames so that frame ports find them; every
  // frame record before the PDU mappings and frame ports; PDU objects before
  // the mappings link them.
  void (cConverterBase::*const steps[])() = {
      &cConverterBase::FindClusterConditional,
      &cConverterBase::FindPhysicalChannels,
      &cConverterBase::FindCommConnectors,
      &cConverterBase::ConvertBaudrate,
      &cConverterBase::ConvertCanFdBaudrate,
      &cConverterBase::ConvertEcus,
      &cConverterBase::CollectFrameTriggerings,
      &cConverterBase::CollectPduTriggerings,
      &cConverterBase::ConvertFrames,
      &cConverterBase::ConvertPdus,
      &cConverterBase::ConvertPduToFrameMappings,
      &cConverterBase::ConvertFramePorts,
      &cConverterBase::ConvertScheduleTables,
      &cConverterBase::ConvertScheduleEntries,
  };
  for (auto step : steps) {
    if (IsError()) return;
    (this->*step)();
  }
}

void cConverterBase::CollectNamedDescendants(const exElement* start, const char* qname,
                                             cCvMap& map) {
  if (start == nullptr || qname == nullptr) return;
  const cNameMatch wanted(start, qname);
  // Depth-first in document order with an explicit stack, so any nesting
  // depth of the input is fine. Elements without children are only looked
  // at, never entered.
  struct Frame {
    const exElement* element;
    size_t next;
  };
  std::vector<Frame> stack;
  try {
    stack.push_back({start, 0});
    while (!stack.empty()) {
      Frame& top = stack.back();
      if (top.next >= top.element->ChildCount()) {
        stack.pop_back();
        continue;
      }
      const exElement* child = top.element->Child(top.next++);
      if (!wanted.Matches(child)) {
        if (child != nullptr && child->ChildCount() > 0) stack.push_back({child, 0});
        continue;
      }
      const char* name = GetShortName(child);
      if (name[0] == '\0' || map.Contains(name)) continue;
      cCvEl* record = new (std::nothrow) cCvEl();
      if (record == nullptr || !map.Insert(name, record)) {
        delete record;
        ctx->status.RaiseError(StatusOutOfMemory);
        return;
      }
      record->element = child;
    }
  } catch (const std::bad_alloc&) {
    ctx->status.RaiseError(StatusOutOfMemory);
  }
}

const exElement* cConverterBase::FindSystemChild(const char* localName) {
  char qname[64];
  std::snprintf(qname, sizeof qname, "AR:%s", localName);
  const exElement* child = FindChild(systemElement, qname, 0);
  if (child != nullptr) {
    ctx->report.Write(kCatInfo, 1, "Found \"<%s>\".", localName);
    return child;
  }
  // With the all-clusters policy a SYSTEM (or a SYSTEM without this child)
  // that lists nothing is no error: the document's clusters are taken.
  if (ctx->policies.allClusters) return nullptr;
  ctx->status.RaiseError(StatusNoCluster);
  ctx->report.Write(kCatErr, 0, "Cannot find \"<%s>\" element.", localName);
  return nullptr;
}

bool cConverterBase::ResetPhysicalChannels() {
  channelA = nullptr;
  channelB = nullptr;
  if (currentCluster == nullptr) return false;
  currentCluster->channelCount = 0;
  return !IsError();
}

void cConverterBase::UsePhysicalChannels(const exElement* container, const char* channelName) {
  const uint32_t type = currentCluster->type;
  exElementVector channels;
  if (container != nullptr) {
    const int32_t maximum =
        (type == kClusterCan || type == kClusterLin) ? 1 : (type == kClusterFlexRay ? 2 : 0);
    CollectChildrenCounted(ctx, container, channelName, channels, 1, maximum);
  }
  if (!CheckChannelCount(ctx, static_cast<int32_t>(type), currentCluster->element,
                         static_cast<int64_t>(channels.size()))) {
    // A cluster without a usable channel ends the conversion.
    ctx->status.RaiseError(StatusNoCluster);
    return;
  }
  currentCluster->channelCount = static_cast<uint32_t>(channels.size());
  channelA = channels[0];
  if (channels.size() > 1) channelB = channels[1];
}

void cConverterBase::LocateSystem() {
  if (IsError()) return;
  cCvMap systems;
  CollectNamedDescendants(ctx->document.Get(), "AR:SYSTEM", systems);
  if (IsError()) return;
  if (systems.Empty()) {
    if (ctx->policies.allClusters) return;  // the document's clusters are taken
    ctx->status.RaiseError(StatusNoCluster);
    ctx->report.Write(kCatErr, 0, "Cannot find \"<SYSTEM>\" element.");
    return;
  }
  if (systems.Size() > 1) {
    ctx->status.RaiseError(StatusNoCluster);
    ctx->report.Write(kCatErr, 0,
                      "Located too many \"<SYSTEM>\" elements. There should be one "
                      "\"<SYSTEM>\" element only.");
    return;
  }
  systemElement = systems.begin()->second->element;
  ctx->report.Write(kCatInfo, 1, "Found \"<SYSTEM>\". SHORT-NAME is \"%s\".",
                    systems.begin()->first);
}

void cConverterBase::ListUnresolvedFibexRefs() {
  if (IsError() || !ctx->report.IsEnabled(kCatWarn, 3)) return;
  cReport& report = ctx->report;
  report.WriteEmptyLine(kCatWarn, 3);
  report.Write(kCatWarn, 3, "List unresolved FIBEX-ELEMENT-REF targets:");
  report.Write(kCatWarn, 3, "------------------------------------------");
  ToIndent indent(2, report.Sink());
  for (const exElement* ref : fibexRefs) {
    if (FindReferenceTarget(ctx, ref) == nullptr) ReportElement(ctx, 3, ref, "target not found.");
  }
  report.Write(kCatWarn, 3, "[none]");
  report.WriteEmptyLine(kCatWarn, 3);
}

void cConverterBase::ListResolvedFibexRefs() {
  if (IsError() || !ctx->report.IsEnabled(kCatDebug, 5)) return;
  cReport& report = ctx->report;
  report.WriteEmptyLine(kCatDebug, 5);
  report.Write(kCatDebug, 5, "List resolved FIBEX-ELEMENT-REF targets:");
  report.Write(kCatDebug, 5, "----------------------------------------");
  ToIndent indent(2, report.Sink());
  for (const exElement* ref : fibexRefs) {
    const exElement* target = FindReferenceTarget(ctx, ref);
    if (target == nullptr) continue;
    const char* dest = ref->Attribute("DEST");
    if (dest == nullptr || dest[0] == '\0') dest = "[missing]";
    report.Write(kCatDebug, 5,
                 "resolved FIBEX-ELEMENT-REF: type=\"%s\" target=\"%s\" (file=%" PRId32
                 ", line=%" PRIu64 ", column=%" PRIu64 ")",
                 dest, ref->Text(), target->FileIndex(), target->Line(), target->Column());
  }
  report.WriteEmptyLine(kCatDebug, 5);
}

void cConverterBase::ConvertClusters() {
  if (IsError()) return;
  for (const exElement* ref : fibexRefs) {
    if (IsError()) return;
    if (!IsClusterReference(ref)) continue;
    const exElement* target = ResolveReference(ctx, ref);
    if (target == nullptr) continue;
    if (!ConvertClusterElement(target)) return;
  }
}

void cConverterBase::CollectDocumentElements(bool (*match)(const exElement*),
                                             exElementVector& out) {
  // Depth-first in document order with an explicit stack, as for the SYSTEM.
  struct Frame {
    const exElement* element;
    size_t next;
  };
  try {
    std::vector<Frame> stack;
    stack.push_back({ctx->document.Get(), 0});
    while (!stack.empty()) {
      Frame& top = stack.back();
      if (top.element == nullptr || top.next >= top.element->ChildCount()) {
        stack.pop_back();
        continue;
      }
      exElement* child = top.element->Child(top.next++);
      if (match(child)) {
        out.push_back(child);
      } else {
        stack.push_back({child, 0});
      }
    }
  } catch (const std::bad_alloc&) {
    ctx->status.RaiseError(StatusOutOfMemory);
  }
}

void cConverterBase::ConvertDocumentClusters() {
  if (IsError()) return;
  exElementVector found;
  CollectDocumentElements(IsClusterElement, found);
  if (IsError()) return;
  exElementVector enabled;
  try {
    for (exElement* element : found) {
      // Unnamed elements are not clusters a SYSTEM could list.
      if (GetShortName(element)[0] == '\0') continue;
      if (IsEnabledType(ctx->policies, ClusterTypeOf(element->Name()))) {
        enabled.push_back(element);
      } else {
        ctx->report.WriteElement(kCatInfo, 0, element->Name(), element->FileIndex(),
                                 element->Line(), element->Column(),
                                 "cluster type not supported or not enabled; not converted");
      }
    }
  } catch (const std::bad_alloc&) {
    ctx->status.RaiseError(StatusOutOfMemory);
    return;
  }
  ctx->report.Write(
      kCatInfo, 0, "%s; converting every cluster of an enabled type in document order (%zu found).",
      systemElement == nullptr ? "No \"<SYSTEM>\" element" : "The \"<SYSTEM>\" lists no cluster",
      enabled.size());
  documentClusters = true;
  for (const exElement* element : enabled) {
    if (IsError() || !ConvertClusterElement(element)) return;
  }
}

bool cConverterBase::ConvertClusterElement(const exElement* target) {
  cScopedPtr<cCvCluster> cluster(cCvCluster::Create());
  if (!cluster || !cluster->names.HasBuffer()) {
    ctx->status.RaiseError(StatusOutOfMemory);
    return false;
  }
  cluster->names.Bind(ctx->document.Get());

  const uint32_t type = ClusterTypeOf(target->Name());
  if (!IsEnabledType(ctx->policies, type)) {
    ctx->status.RaiseWarning();
    ReportElement(ctx, 0, target, "unsupported cluster type");
    return true;
  }
  cluster->element = target;
  cluster->type = type;

  const char* name = RequireShortName(ctx, target);
  if (name[0] == '\0') return true;
  if (clusters.Contains(name)) {
    ctx->status.RaiseWarning();
    ReportElement(ctx, 0, target, "duplicated <SHORT-NAME>");
    return true;
  }
  if (!clusters.Insert(name, cluster.Get())) {
    ctx->status.RaiseError(StatusOutOfMemory);
    return false;
  }
  currentCluster = cluster.Detach();
  cAutoCleanup clearCurrent([this] { currentCluster = nullptr; });

  currentCluster->ioid =
      ctx->CreateChildObject(VELAN_OT_CLUSTER, name, VELAN_OT_DATABASE, ctx->hostHandle);
  if (IsError()) return true;
  const int16_t protocol = type == kClusterCan ? 0 : (type == kClusterLin ? 2 : 1);
  ctx->SetPropertyI16(currentCluster->ioid, IDIP_CLUSTER_PROTOCOL_I16, protocol);
  SetDescription(currentCluster->ioid, IDIP_CLUSTER_COMMENT_STR, target);
  ConvertCurrentCluster();
  return true;
}

void cConverterBase::SetDescription(uint64_t ioid, uint32_t propertyId, const exElement* element) {
  if (ioid == 0) return;
  ctx->SetPropertyStr(ioid, propertyId, GetDescription(element));
}

bool cConverterBase::MakeUniqueName(const char*& name, const char* suffix) {
  if (currentCluster != nullptr && currentCluster->names.MakeUnique(name, suffix)) return true;
  ctx->status.RaiseError(StatusOutOfMemory);
  return false;
}

const char* cConverterBase::ClusterTypeWord(uint32_t clusterType) {
  switch (clusterType) {
    case kClusterCan:
      return "CAN";
    case kClusterLin:
      return "LIN";
    case kClusterFlexRay:
      return "FLEXRAY";
    default:
      return "";
  }
}

const char* cConverterBase::ClusterArName(const char* suffix) const {
  return BuildArName(ctx, ClusterTypeWord(currentCluster ? currentCluster->type : 0), suffix);
}
