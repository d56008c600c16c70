// Transmission timing of PDUs: CYCLIC_TIMING and EVENT_TIMING objects.
#include "convert/timing.h"

#include <cstring>

#include "convert/converter4.h"
#include "convert/values.h"
#include "import/convert_ctx.h"
#include "velan/host_vocabulary.h"
#include "xml/navigation.h"

namespace {

const char kArIPduTimingSpecifications[] = "AR:I-PDU-TIMING-SPECIFICATIONS";
const char kArIPduTiming[] = "AR:I-PDU-TIMING";
const char kArTransmissionModeDeclaration[] = "AR:TRANSMISSION-MODE-DECLARATION";
const char kArTransmissionModeConditions[] = "AR:TRANSMISSION-MODE-CONDITIONS";
const char kArModeDrivenTrueConditions[] = "AR:MODE-DRIVEN-TRUE-CONDITIONS";
const char kArModeDrivenFalseConditions[] = "AR:MODE-DRIVEN-FALSE-CONDITIONS";
const char kArTransmissionModeTrueTiming[] = "AR:TRANSMISSION-MODE-TRUE-TIMING";
const char kArTransmissionModeFalseTiming[] = "AR:TRANSMISSION-MODE-FALSE-TIMING";
const char kArCyclicTiming[] = "AR:CYCLIC-TIMING";
const char kArEventControlledTiming[] = "AR:EVENT-CONTROLLED-TIMING";
const char kArTimePeriod[] = "AR:TIME-PERIOD";
const char kArTimeOffset[] = "AR:TIME-OFFSET";
const char kArValue[] = "AR:VALUE";
const char kArMinimumDelay[] = "AR:MINIMUM-DELAY";

// PDU kinds that are never sent on a timing of their own.
bool HasNoTiming(const exElement* pdu) {
  return IsNamed(pdu, "AR:NM-PDU") || IsNamed(pdu, "AR:N-PDU") || IsNamed(pdu, "AR:DCM-I-PDU");
}

}  // namespace

// ---------------------------------------------------------------- cTimingBase

cTimingBase::cTimingBase(cConvertCtx* context, const exElement* pdu, uint64_t ioid)
    : ctx(context), pduElement(pdu), pduIoid(ioid) {}

cTimingBase::~cTimingBase() = default;

uint32_t cTimingBase::TimingKind() const {
  if (cyclicTiming == nullptr) return kTimingEvent;
  return eventTiming == nullptr ? kTimingCyclic : kTimingCyclicAndEvent;
}

void cTimingBase::CreateByKind(const char* periodName, const char* delayName) {
  switch (TimingKind()) {
    case kTimingCyclic:
      CreateCyclicTiming(periodName, delayName);
      break;
    case kTimingCyclicAndEvent:
      CreateCyclicTiming(periodName, delayName);
      CreateEventTiming();
      break;
    default:
      CreateEventTiming();
      break;
  }
}

void cTimingBase::CreateCyclicTiming(const char* periodName, const char* delayName) {
  const uint64_t ioid = ctx->CreateChildObject(VELAN_OT_CYCLIC_TIMING, "", VELAN_OT_PDU, pduIoid);
  if (ctx->status.IsError()) return;
  const exElement* period = FindChild(cyclicTiming, periodName);
  if (period == nullptr) {
    ctx->status.RaiseWarning();
    ReportMissingChild(ctx, cyclicTiming, periodName);
  } else {
    ReadAndSetProperty<cValueConverterF64>(ctx, ioid, IDIP_CYCT_TIME_RANGE_VALUE_F64, period,
                                           kArValue);
  }
  const exElement* delay = FindChild(cyclicTiming, delayName);
  if (delay != nullptr && FindChild(delay, kArValue) != nullptr) {
    ReadAndSetProperty<cValueConverterF64>(ctx, ioid, IDIP_CYCT_START_DELAY_F64, delay, kArValue);
  }
}

void cTimingBase::CreateEventTiming() {
  const uint64_t ioid = ctx->CreateChildObject(VELAN_OT_EVENT_TIMING, "", VELAN_OT_PDU, pduIoid);
  if (ctx->status.IsError()) return;
  ReadAndSetPropertyIfPresent<cValueConverterF64>(ctx, ioid, IDIP_EVT_DEBOUNCE_TIME_F64,
                                                  timingSpec, kArMinimumDelay);
}

// ---------------------------------------------------------------- cTimingAR4

void cTimingAR4::SelectTiming() {
  if (ctx->status.IsError() || pduElement == nullptr || pduIoid == 0) return;
  if (HasNoTiming(pduElement)) return;

  const exElement* timingSpecs = RequireChild(ctx, pduElement, kArIPduTimingSpecifications);
  if (timingSpecs == nullptr) return;
  exElementVector timings;
  CollectChildrenCounted(ctx, timingSpecs, kArIPduTiming, timings, 0, 0);
  if (timings.empty()) {
    ReportElement(ctx, kSubWarnDefault, pduElement, "missing <I-PDU-TIMING>.");
    return;
  }
  if (timings.size() > 1) {
    ReportElement(ctx, kSubWarnDefault, pduElement,
                  "several <I-PDU-TIMING> elements has been found - use the first one");
  }
  timingSpec = timings[0];
  ChooseTransmissionModeTiming();
}

void cTimingAR4::ChooseTransmissionModeTiming() {
  const exElement* declaration = RequireChild(ctx, timingSpec, kArTransmissionModeDeclaration);
  if (declaration == nullptr) {
    ReportElement(ctx, kSubWarnDefault, timingSpec,
                  "missing <TRANSMISSION-MODE-DECLARATION>; assuming event timing");
    return;
  }
  if (FindChild(declaration, kArTransmissionModeConditions) != nullptr ||
      FindChild(declaration, kArModeDrivenTrueConditions) != nullptr ||
      FindChild(declaration, kArModeDrivenFalseConditions) != nullptr) {
    ReportElement(ctx, kSubWarnDefault, declaration,
                  "detected <TRANSMISSION-MODE-CONDITIONS>, <MODE-DRIVEN-TRUE-CONDITIONS>, or "
                  "<MODE-DRIVEN-FALSE-CONDITIONS>");
  }

  const exElement* trueTiming = FindChild(declaration, kArTransmissionModeTrueTiming);
  const exElement* falseTiming = FindChild(declaration, kArTransmissionModeFalseTiming);
  if (trueTiming != nullptr && falseTiming != nullptr) {
    transmissionModeTiming = trueTiming;
    ReportElement(ctx, kSubWarnDefault, declaration,
                  "found <TRANSMISSION-MODE-TRUE-TIMING> and <TRANSMISSION-MODE-FALSE-TIMING>; "
                  "prefer <TRANSMISSION-MODE-TRUE-TIMING>");
  } else if (trueTiming != nullptr) {
    transmissionModeTiming = trueTiming;
    ReportElement(ctx, kSubWarnDefault, declaration, "use <TRANSMISSION-MODE-TRUE-TIMING>");
  } else if (falseTiming != nullptr) {
    transmissionModeTiming = falseTiming;
    ReportElement(ctx, kSubWarnDefault, declaration,
                  "using <TRANSMISSION-MODE-FALSE-TIMING> declaration "
                  "(<TRANSMISSION-MODE-TRUE-TIMING> is missing)");
  } else {
    ReportElement(ctx, kSubWarnDefault, declaration,
                  "no timing information detected; assuming event timing");
  }
  cyclicTiming = FindChild(transmissionModeTiming, kArCyclicTiming);
  eventTiming = FindChild(transmissionModeTiming, kArEventControlledTiming);
}

void cTimingAR4::CreateTimingObjects() {
  if (ctx->status.IsError() || transmissionModeTiming == nullptr || pduIoid == 0) return;
  CreateByKind(kArTimePeriod, kArTimeOffset);
}

// ---------------------------------------------------------------- converter slot

void cConverter4::ConvertPduTiming() {
  if (IsError() || currentPduRecord == nullptr) return;
  cTimingAR4 timing(ctx, currentPduRecord->pdu, currentPduRecord->ioid);
  timing.SelectTiming();
  timing.CreateTimingObjects();
}
