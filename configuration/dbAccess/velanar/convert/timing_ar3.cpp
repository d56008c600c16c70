// Transmission timing of AUTOSAR 3 PDUs.
#include "convert/timing.h"
#include "import/convert_ctx.h"
#include "xml/navigation.h"

void cTimingAR3::SelectTiming() {
  if (ctx->status.IsError() || pduElement == nullptr || pduIoid == 0) return;
  timingSpec = RequireChild(ctx, pduElement, "AR:I-PDU-TIMING-SPECIFICATION");
  cyclicTiming = FindChild(timingSpec, "AR:CYCLIC-TIMING");
  eventTiming = FindChild(timingSpec, "AR:EVENT-CONTROLLED-TIMING");
}

void cTimingAR3::CreateTimingObjects() {
  // Without a timing element or a cyclic timing the PDU is sent on events.
  if (ctx->status.IsError() || pduIoid == 0) return;
  CreateByKind("AR:REPEATING-TIME", "AR:STARTING-TIME");
}
