// AUTOSAR 3: the SYSTEM's FIBEX-ELEMENT-REFS and the cluster steps that read
// the cluster element itself (its physical channels and speed).
#include "convert/converter3.h"

#include <cstring>

#include "import/convert_ctx.h"
#include "velan/host_vocabulary.h"
#include "xml/document.h"
#include "xml/navigation.h"

cConverter3::cConverter3(cConvertCtx* ctx) : cConverterBase(ctx) {}

cConverter3::~cConverter3() {
  collisionMap.clear();
}

void cConverter3::FindFibexElements() {
  if (IsError()) return;
  fibexElementRefs = FindSystemChild("FIBEX-ELEMENT-REFS");
}

void cConverter3::CollectFibexElementRefs() {
  fibexRefs.clear();
  if (IsError()) return;
  try {
    CollectChildren(fibexElementRefs, "AR:FIBEX-ELEMENT-REF", fibexRefs);
  } catch (const std::bad_alloc&) {
    ctx->status.RaiseError(StatusOutOfMemory);
  }
}

void cConverter3::FindPhysicalChannels() {
  if (!ResetPhysicalChannels()) return;
  UsePhysicalChannels(RequireChild(ctx, currentCluster->element, "AR:PHYSICAL-CHANNELS"),
                      "AR:PHYSICAL-CHANNEL");
}

void cConverter3::ConvertBaudrate() {
  if (IsError() || currentCluster == nullptr) return;
  // SPEED is given in bit/s here and written unchanged.
  if (RequireChild(ctx, currentCluster->element, "AR:SPEED") == nullptr) return;
  cValueConverterU64 converter(ctx);
  uint64_t speed = 0;
  if (ReadTypedChild(converter, speed, currentCluster->element, "AR:SPEED")) {
    ctx->SetPropertyU64(currentCluster->ioid, IDIP_CLUSTER_SPEED_U64, speed);
  }
}

uint32_t cConverter3::ClassifyLinFrame(const exElement* frame) {
  if (!IsNamed(frame, "AR:SUBSTITUTION-FRAME")) return 0;
  const exElement* type = FindChild(frame, "AR:SUBSTITUTION-TYPE");
  if (type == nullptr) return 0;
  if (std::strcmp(type->Text(), "EVENT-TRIGGERED") == 0) return 2;
  if (std::strcmp(type->Text(), "SPORADIC") == 0) return 1;
  return 0;
}
