// Transmission timing of PDUs: CYCLIC_TIMING and EVENT_TIMING objects.
#include "convert/timing.h"

#include <cstring>
#include <new>

#include "convert/converter4.h"
#include "convert/values.h"
#include "import/convert_ctx.h"
#include "resolve/short_name_resolver.h"
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

const char kArNmPdu[] = "AR:NM-PDU";
const char kArSecuredIPdu[] = "AR:SECURED-I-PDU";
const char kArContainerIPdu[] = "AR:CONTAINER-I-PDU";
const char kArMultiplexedIPdu[] = "AR:MULTIPLEXED-I-PDU";
const char kArStaticParts[] = "AR:STATIC-PARTS";
const char kArStaticPart[] = "AR:STATIC-PART";
const char kArDynamicParts[] = "AR:DYNAMIC-PARTS";
const char kArDynamicPart[] = "AR:DYNAMIC-PART";
const char kArDynamicPartAlternatives[] = "AR:DYNAMIC-PART-ALTERNATIVES";
const char kArDynamicPartAlternative[] = "AR:DYNAMIC-PART-ALTERNATIVE";
const char kArNmConfig[] = "AR:NM-CONFIG";
const char kArNmClusters[] = "AR:NM-CLUSTERS";
const char kArCanNmCluster[] = "AR:CAN-NM-CLUSTER";
const char kArCommunicationClusterRef[] = "AR:COMMUNICATION-CLUSTER-REF";
const char kArNmMsgCycleTime[] = "AR:NM-MSG-CYCLE-TIME";
const char kArArPackages[] = "AR:AR-PACKAGES";
const char kArArPackage[] = "AR:AR-PACKAGE";
const char kArElements[] = "AR:ELEMENTS";

// Appends the package elements named `name` of the packages in `packages`
// and their sub-packages, in document order.
void CollectPackageElements(const exElement* packages, const char* name, exElementVector& out) {
  for (size_t p = 0; packages != nullptr && p < packages->ChildCount(); ++p) {
    const exElement* package = packages->Child(p);
    if (!IsNamed(package, kArArPackage)) continue;
    const exElement* elements = FindChild(package, kArElements);
    for (size_t e = 0; elements != nullptr && e < elements->ChildCount(); ++e) {
      if (IsNamed(elements->Child(e), name)) out.push_back(elements->Child(e));
    }
    CollectPackageElements(FindChild(package, kArArPackages), name, out);
  }
}

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
  ReadAndSetPropertyIfPresent<cValueConverterF64>(ctx, ioid, IDIP_EVT_DEBOUNCE_TIME_F64, timingSpec,
                                                  kArMinimumDelay);
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

// ---------------------------------------------------------------- converter step

void cConverter4::ConvertPduTiming() {
  if (IsError() || currentPduRecord == nullptr) return;
  // A PDU that wraps others often has no timing of its own; the frame is
  // then sent when the wrapped PDU is.
  const exElement* timed = currentPduRecord->pdu;
  if (FindChild(timed, kArIPduTimingSpecifications) == nullptr) {
    if (IsNamed(timed, kArContainerIPdu)) {
      if (ConvertContainerCycle()) return;
    } else if (const exElement* wrapped = TimedPduOf(timed)) {
      timed = wrapped;
    }
  }
  cTimingAR4 timing(ctx, timed, currentPduRecord->ioid);
  timing.SelectTiming();
  timing.CreateTimingObjects();
  if (IsNamed(currentPduRecord->pdu, kArNmPdu)) ConvertNmPduTiming();
}

// ---------------------------------------------------------------- timing of wrapped PDUs

const exElement* cConverter4::TimedPduOf(const exElement* pdu, int depth) {
  if (pdu == nullptr || depth > 4) return nullptr;
  if (FindChild(pdu, kArIPduTimingSpecifications) != nullptr) return pdu;
  if (IsNamed(pdu, kArSecuredIPdu)) return TimedPduOf(PayloadPduOf(pdu, false), depth + 1);
  if (!IsNamed(pdu, kArMultiplexedIPdu)) return nullptr;
  const exElement* staticParts = FindChild(pdu, kArStaticParts);
  const exElement* staticPdu = PduOfTriggering(FindChild(staticParts, kArStaticPart), false);
  if (const exElement* timed = TimedPduOf(staticPdu, depth + 1)) return timed;
  const exElement* alternatives = FindChild(
      FindChild(FindChild(pdu, kArDynamicParts), kArDynamicPart), kArDynamicPartAlternatives);
  const exElement* first = FindChild(alternatives, kArDynamicPartAlternative);
  return TimedPduOf(PduOfTriggering(first, false), depth + 1);
}

bool cConverter4::ConvertContainerCycle() {
  std::vector<const exElement*> contained;
  CollectContainedPdus(currentPduRecord->pdu, contained, false);
  cValueConverterF64 readF64(ctx);
  double shortest = 0;
  for (const exElement* pdu : contained) {
    // The cyclic timing the timing step would choose: the first I-PDU-TIMING,
    // its TRUE timing, else its FALSE timing.
    const exElement* specs = FindChild(TimedPduOf(pdu), kArIPduTimingSpecifications);
    const exElement* declaration =
        FindChild(FindChild(specs, kArIPduTiming), kArTransmissionModeDeclaration);
    const exElement* modeTiming = FindChild(declaration, kArTransmissionModeTrueTiming);
    if (modeTiming == nullptr) modeTiming = FindChild(declaration, kArTransmissionModeFalseTiming);
    const exElement* period =
        FindChild(FindChild(FindChild(modeTiming, kArCyclicTiming), kArTimePeriod), kArValue);
    double value = 0;
    if (period == nullptr || !readF64.Convert(period->Text(), value) || !(value > 0)) continue;
    if (shortest == 0 || value < shortest) shortest = value;
  }
  if (shortest == 0) return false;
  const uint64_t ioid =
      ctx->CreateChildObject(VELAN_OT_CYCLIC_TIMING, "", VELAN_OT_PDU, currentPduRecord->ioid);
  if (!IsError()) ctx->SetPropertyF64(ioid, IDIP_CYCT_TIME_RANGE_VALUE_F64, shortest);
  return true;
}

// ---------------------------------------------------------------- NM-PDU timing

void cConverter4::ConvertNmPduTiming() {
  // An NM-PDU has no timing of its own; its frames are sent in the message
  // cycle of the cluster's network management.
  if (IsError() || currentPduRecord == nullptr || currentPduRecord->ioid == 0) return;
  const exElement* nmCluster = FindNmCluster();
  if (nmCluster == nullptr || FindChild(nmCluster, kArNmMsgCycleTime) == nullptr) return;
  cValueConverterF64 converter(ctx);
  double cycle = 0;
  if (!ReadTypedChild(converter, cycle, nmCluster, kArNmMsgCycleTime) || !(cycle > 0)) return;
  const uint64_t ioid =
      ctx->CreateChildObject(VELAN_OT_CYCLIC_TIMING, "", VELAN_OT_PDU, currentPduRecord->ioid);
  if (IsError()) return;
  ctx->SetPropertyF64(ioid, IDIP_CYCT_TIME_RANGE_VALUE_F64, cycle);
}

const exElement* cConverter4::FindNmCluster() {
  if (currentCluster == nullptr) return nullptr;
  if (nmClusterOwner == currentCluster) return nmCluster;
  if (!nmConfigsCollected) CollectNmConfigs();
  nmClusterOwner = currentCluster;
  nmCluster = nullptr;
  for (const exElement* config : nmConfigs) {
    const exElement* list = FindChild(config, kArNmClusters);
    for (size_t i = 0; list != nullptr && i < list->ChildCount(); ++i) {
      const exElement* candidate = list->Child(i);
      if (!IsNamed(candidate, kArCanNmCluster) || IsLeftOutByVariation(ctx, candidate)) {
        continue;
      }
      const exElement* ref = FindChild(candidate, kArCommunicationClusterRef);
      if (ref != nullptr && FindReferenceTarget(ctx, ref) == currentCluster->element) {
        nmCluster = candidate;
        return nmCluster;
      }
    }
  }
  return nullptr;
}

void cConverter4::CollectNmConfigs() {
  // NM-CONFIG is a package element: only the packages are walked, not the
  // whole document.
  nmConfigsCollected = true;
  const exElement* document = ctx->document.Get();
  try {
    for (size_t i = 0; document != nullptr && i < document->ChildCount(); ++i) {
      CollectPackageElements(FindChild(document->Child(i), kArArPackages), kArNmConfig, nmConfigs);
    }
  } catch (const std::bad_alloc&) {
    ctx->status.RaiseError(StatusOutOfMemory);
  }
}
