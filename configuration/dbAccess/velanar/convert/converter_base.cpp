#include "convert/converter_base.h"

#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "import/convert_ctx.h"
#include "import/report.h"
#include "import/scoped.h"
#include "resolve/short_name_resolver.h"
#include "velan/host_vocabulary.h"
#include "xml/document.h"
#include "xml/navigation.h"

cConverterBase::cConverterBase(cConvertCtx* context) : ctx(context), packingByteOrder(context) {}

cConverterBase::~cConverterBase() {
  clusters.Clear();
  fibexRefs.clear();
}

// Base bodies of the slots: nothing to convert. Slots 1 and 4 are defined
// with the PDU steps.
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
  ConvertClusters();
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
  // Depth-first in document order with an explicit stack, so any nesting
  // depth of the input is fine.
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
      if (!IsNamed(child, qname)) {
        stack.push_back({child, 0});
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

namespace {

uint32_t ClusterTypeOf(const char* qname) {
  if (qname == nullptr) return kClusterUnsupported;
  if (std::strncmp(qname, "AR:CAN", 6) == 0) return kClusterCan;
  if (std::strncmp(qname, "AR:LIN", 6) == 0) return kClusterLin;
  if (std::strncmp(qname, "AR:FLEXRAY", 10) == 0) return kClusterFlexRay;
  return kClusterUnsupported;
}

bool IsClusterReference(const exElement* ref) {
  const char* dest = ref ? ref->Attribute("DEST") : nullptr;
  if (dest == nullptr) return false;
  const char* found = std::strstr(dest, "-CLUSTER");
  return found != nullptr && found[8] == '\0';
}

}  // namespace

void cConverterBase::ConvertClusters() {
  if (IsError()) return;
  const cPolicies& policies = ctx->policies;
  for (const exElement* ref : fibexRefs) {
    if (IsError()) return;
    if (!IsClusterReference(ref)) continue;

    cScopedPtr<cCvCluster> cluster(cCvCluster::Create());
    if (!cluster || !cluster->names.HasBuffer()) {
      ctx->status.RaiseError(StatusOutOfMemory);
      return;
    }
    cluster->names.Bind(ctx->document.Get());

    const exElement* target = ResolveReference(ctx, ref);
    if (target == nullptr) continue;

    const uint32_t type = ClusterTypeOf(target->Name());
    const bool enabled = (type == kClusterCan && policies.canEnabled) ||
                         (type == kClusterLin && policies.linEnabled) ||
                         (type == kClusterFlexRay && policies.flexRayEnabled);
    if (!enabled) {
      ctx->status.RaiseWarning();
      ReportElement(ctx, 0, target, "unsupported cluster type");
      continue;
    }
    cluster->element = target;
    cluster->type = type;

    const char* name = RequireShortName(ctx, target);
    if (name[0] == '\0') continue;
    if (clusters.Contains(name)) {
      ctx->status.RaiseWarning();
      ReportElement(ctx, 0, target, "duplicated <SHORT-NAME>");
      continue;
    }
    if (!clusters.Insert(name, cluster.Get())) {
      ctx->status.RaiseError(StatusOutOfMemory);
      return;
    }
    currentCluster = cluster.Detach();
    cAutoCleanup clearCurrent([this] { currentCluster = nullptr; });

    currentCluster->ioid =
        ctx->CreateChildObject(VELAN_OT_CLUSTER, name, VELAN_OT_DATABASE, ctx->hostHandle);
    if (IsError()) continue;
    const int16_t protocol = type == kClusterCan ? 0 : (type == kClusterLin ? 2 : 1);
    ctx->SetPropertyI16(currentCluster->ioid, IDIP_CLUSTER_PROTOCOL_I16, protocol);
    SetDescription(currentCluster->ioid, IDIP_CLUSTER_COMMENT_STR, target);
    ConvertCurrentCluster();
  }
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
