// AUTOSAR 3 signals of a PDU: one SIG_INST, SIGNAL and CODING per
// I-SIGNAL-TO-I-PDU-MAPPING of the SIGNAL-TO-PDU-MAPPINGS, and the timing of
// a PDU.
#include <cstdint>
#include <cstring>

#include "convert/coding.h"
#include "convert/converter3.h"
#include "convert/timing.h"
#include "import/convert_ctx.h"
#include "import/scoped.h"
#include "resolve/short_name_resolver.h"
#include "velan/host_vocabulary.h"
#include "xml/navigation.h"

void cConverter3::ConvertSignalMappings() {
  ConvertSignalMappingsIn("AR:SIGNAL-TO-PDU-MAPPINGS");
}

void cConverter3::ConvertSignalMapping() {
  ConvertSignalMappingBy("AR:SIGNAL-REF");
}

// The length is kept on the SYSTEM-SIGNAL here; an I-SIGNAL may still carry
// its own.
void cConverter3::ConvertSignal() {
  ConvertSignalPlacement(true);
}

void cConverter3::ConvertSignalCoding(uint32_t numBits) {
  cCodingAr3 coding(ctx, currentSignal, numBits);
  EvaluateAndWriteCoding(coding);
}

void cConverter3::ConvertPduTiming() {
  if (IsError() || currentPduRecord == nullptr) return;
  cTimingAR3 timing(ctx, currentPduRecord->pdu, currentPduRecord->ioid);
  timing.SelectTiming();
  timing.CreateTimingObjects();
}
