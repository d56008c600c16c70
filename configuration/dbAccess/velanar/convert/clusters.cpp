// System, FIBEX-ELEMENT references and the per-cluster steps that read the
// cluster itself: its conditional, physical channels and baud rates.
#include <string>

#include "convert/converter4.h"
#include "import/convert_ctx.h"
#include "velan/host_vocabulary.h"
#include "xml/document.h"
#include "xml/navigation.h"

void cConverter4::FindFibexElements() {
  if (IsError()) return;
  fibexElements = FindSystemChild("FIBEX-ELEMENTS");
}

void cConverter4::CollectFibexElementRefs() {
  fibexRefs.clear();
  if (IsError()) return;
  CollectFibexRefs(ctx, fibexElements, fibexRefs);
}

void cConverter4::FindClusterConditional() {
  clusterConditional = nullptr;
  if (IsError() || currentCluster == nullptr || currentCluster->element == nullptr) return;
  const exElement* variants =
      RequireChild(ctx, currentCluster->element, ClusterArName("CLUSTER-VARIANTS"));
  const std::string baseWord = std::string(ClusterTypeWord(currentCluster->type)) + "-CLUSTER";
  exElementVector conditionals;
  if (!CollectConditionals(ctx, variants, baseWord.c_str(), 1, conditionals)) return;
  if (!conditionals.empty()) clusterConditional = conditionals.front();
}

void cConverter4::FindPhysicalChannels() {
  if (!ResetPhysicalChannels()) return;
  const exElement* container = clusterConditional != nullptr
                                   ? RequireChild(ctx, clusterConditional, "AR:PHYSICAL-CHANNELS")
                                   : nullptr;
  UsePhysicalChannels(container,
                      container != nullptr ? ClusterArName("PHYSICAL-CHANNEL") : nullptr);
}

void cConverter4::ConvertBaudrate() {
  if (IsError() || currentCluster == nullptr || clusterConditional == nullptr) return;
  if (FindChild(clusterConditional, "AR:BAUDRATE", 0) != nullptr) {
    cValueConverterU64 converter(ctx);
    uint64_t speed = 0;
    if (ReadTypedChild(converter, speed, clusterConditional, "AR:BAUDRATE")) {
      ctx->SetPropertyU64(currentCluster->ioid, IDIP_CLUSTER_SPEED_U64, speed);
    }
    return;
  }
  if (currentCluster->ioid == 0) return;
  // SPEED is given in kbit/s.
  cValueConverterSpeed converter(ctx);
  int64_t speed = 0;
  if (ReadTypedChild(converter, speed, clusterConditional, "AR:SPEED")) {
    ctx->SetPropertyU64(currentCluster->ioid, IDIP_CLUSTER_SPEED_U64, static_cast<uint64_t>(speed));
  }
}

void cConverter4::ConvertCanFdBaudrate() {
  if (IsError() || currentCluster == nullptr || clusterConditional == nullptr) return;
  if (currentCluster->type != kClusterCan) return;
  const exElement* baudrate = FindChild(clusterConditional, "AR:CAN-FD-BAUDRATE", 0);
  if (baudrate == nullptr || baudrate->Text()[0] == '\0') return;
  cValueConverterU64 converter(ctx);
  uint64_t speed = 0;
  if (!converter.Convert(baudrate->Text(), speed)) {
    ReportInvalidFormat(ctx, baudrate);
    return;
  }
  ctx->SetPropertyU64(currentCluster->ioid, IDIP_CLUSTER_CAN_FD_SPEED_U64, speed);
  currentCluster->canFdMode = 1;
  ctx->SetPropertyU32(currentCluster->ioid, IDIP_CLUSTER_CAN_FD_MODE_U32, 1);
}
