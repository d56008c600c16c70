// The attribute sections of a DBC file: definitions and defaults of the
// fixed attribute set, then the values of frames, signals and ECUs.
#include <cmath>
#include <limits>
#include <string>

#include "dbc/dbc_writer.h"
#include "export/to_host.h"
#include "export/to_status.h"

namespace vldbcex {
namespace {

// Timing types of a frame.
constexpr uint32_t kTimingEvent = 1;
constexpr uint32_t kTimingEventAlt = 3;
constexpr uint32_t kTimingCyclicAndEvent = 4;
// Send types (items of GenMsgSendType).
constexpr uint32_t kSendCyclic = 0;
constexpr uint32_t kSendEvent = 1;
constexpr uint32_t kSendSpontanWithDelay = 3;
constexpr uint32_t kSendCyclicAndSpontan = 4;

void WriteUInt(ToCtx& ctx, const char* attribute, uint32_t value, const char* object1,
               const char* object2) {
  if (const ToAttBase* att = ctx.attributes.Find(attribute)) {
    att->WriteValueUInt(ctx.sink, attribute, value, object1, object2);
  }
}

}  // namespace

int32_t MillisecondsToInt32(double seconds) {
  const double ms = seconds * 1000.0 + 0.5;
  if (!(ms > -2147483649.0 && ms < 2147483648.0)) return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(ms);
}

int64_t MillisecondsToInt64(double seconds) {
  const double ms = seconds * 1000.0 + 0.5;
  if (!(ms >= -9223372036854775808.0 && ms < 9223372036854775808.0)) {
    return std::numeric_limits<int64_t>::min();
  }
  return static_cast<int64_t>(ms);
}

void WriteAttributeDefinitions(ToCtx& ctx) {
  WriteAttributeDefinitions(ctx.attributes, ctx.sink);
}

void WriteFrameAttributeValues(ToCtx& ctx) {
  ForEachCurrent(ctx, ctx.currentFrame, ctx.frames.Count(), WriteFrameValues);
}

void WriteFrameValues(ToCtx& ctx) {
  dbaStatus* status = ctx.Status();
  if (ctx.currentFrame >= ctx.frames.Count()) {
    RecordError(status, kDetailNoCurrentFrameAttr, kCodeNoCurrentItem);
    return;
  }
  const ToCtxFrame* frameCtx = ctx.frames[ctx.currentFrame];
  const uint32_t frame = ctx.frames.FrameRef(ctx.currentFrame);
  const uint32_t canIoMode = frameCtx != nullptr ? frameCtx->CanIoMode() : 0;

  dbaStatus own = {0, 0};
  bool extended = false;
  uint32_t identifier = 0;
  if (!ReadFlag(frame, prop::kFrameExtended, extended, &own)) return;
  ClearStatus(&own);
  if (!ReadU32(frame, prop::kFrameIdentifier, identifier, &own)) return;

  // An unreadable timing type is a host failure: it stays recorded in the
  // export's record, and this frame and the later ones get no values.
  uint32_t timingType = kTimingEvent;
  ReadU32(frame, prop::kFrameTimingType, timingType, status);
  double time = 0.1;
  ClearStatus(&own);
  if (!ReadReal(frame, prop::kFrameTime, time, &own)) time = 0.1;
  ReadU32(frame, prop::kFrameAppProtocol, ctx.frameAppProtocol, status);
  if (IsError(status)) return;

  uint32_t frameFormat;
  if (ctx.frameAppProtocol == 1) {
    frameFormat = 3;  // J1939PG
  } else {
    frameFormat = (extended ? 1u : 0u) + (canIoMode == 1 || canIoMode == 2 ? 14u : 0u);
  }

  uint32_t sendType;
  uint32_t delay = 0;
  uint64_t cycle = 0;
  if (timingType == kTimingEvent || timingType == kTimingEventAlt) {
    // A time that is not a number counts as not 0.
    sendType = time == 0.0 ? kSendEvent : kSendSpontanWithDelay;
    delay = static_cast<uint32_t>(MillisecondsToInt32(time));
  } else {
    sendType = timingType == kTimingCyclicAndEvent ? kSendCyclicAndSpontan : kSendCyclic;
    cycle = static_cast<uint64_t>(MillisecondsToInt64(time));
  }

  const std::string object = ctx.sink.FormatUnsigned(WrittenIdentifier(extended, identifier));
  WriteUInt(ctx, "VFrameFormat", frameFormat, object.c_str(), "");
  WriteUInt(ctx, "GenMsgSendType", sendType, object.c_str(), "");
  if (sendType == kSendCyclic || sendType == kSendCyclicAndSpontan) {
    WriteUInt(ctx, "GenMsgCycleTime", static_cast<uint32_t>(cycle), object.c_str(), "");
  } else if (sendType == kSendSpontanWithDelay) {
    WriteUInt(ctx, "GenMsgDelayTime", delay, object.c_str(), "");
  }
  WriteUInt(ctx, "CANFD_BRS", canIoMode == 2 ? 1u : 0u, object.c_str(), "");
}

void WriteSignalStartValues(ToCtx& ctx) {
  const ToAttBase* att = ctx.attributes.Find("GenSigStartValue");
  if (att == nullptr) return;
  ForEachFrameSignal(
      ctx, [&](uint32_t signal, const std::string& name, uint32_t written, dbaStatus* own) {
        double defaultValue = 0;
        double factor = 0;
        double offset = 0;
        if (!ReadReal(signal, prop::kSignalDefault, defaultValue, own)) return;
        if (!ReadReal(signal, prop::kSignalFactor, factor, own)) return;
        if (!ReadReal(signal, prop::kSignalOffset, offset, own)) return;
        if (factor == 0.0) return;
        double raw = (defaultValue - offset) / factor;
        // A whole raw value kept as its physical value does not always divide
        // back exactly (0.3 / 0.1 gives 2.9999999999999996; a large offset
        // costs more digits): a quotient that lies within the rounding of the
        // stored values of a whole number is that number.
        const double whole = std::nearbyint(raw);
        const double rounding =
            4 * std::numeric_limits<double>::epsilon() *
            ((std::fabs(defaultValue) + std::fabs(offset)) / std::fabs(factor) + std::fabs(whole));
        if (std::fabs(raw - whole) <= rounding) raw = whole;
        if (raw == 0.0) return;  // also -0, which would print as "-0"
        const std::string object = ctx.sink.FormatUnsigned(written);
        att->WriteValueFloat(ctx.sink, "GenSigStartValue", raw, object.c_str(), name.c_str());
      });
}

void WriteEcuAttributeValues(ToCtx& ctx) {
  ForEachCurrent(ctx, ctx.currentEcu, ctx.ecus.Count(), WriteEcuValues);
}

void WriteEcuValues(ToCtx& ctx) {
  if (ctx.currentEcu >= ctx.ecus.Count()) {
    RecordError(ctx.Status(), kDetailNoCurrentEcuAttr, kCodeNoCurrentItem);
    return;
  }
  const ToCtxECU* ecu = ctx.ecus[ctx.currentEcu];
  if (ecu == nullptr) return;
  const char* name = ecu->name.c_str();
  const cJ1939Name j1939(ecu->j1939Name);
  WriteUInt(ctx, "NmStationAddress", ecu->j1939Address, name, "");
  WriteUInt(ctx, "NmJ1939IdentityNumber", j1939.IdentityNumber(), name, "");
  WriteUInt(ctx, "NmJ1939ManufacturerCode", j1939.ManufacturerCode(), name, "");
  WriteUInt(ctx, "NmJ1939ECUInstance", j1939.EcuInstance(), name, "");
  WriteUInt(ctx, "NmJ1939FunctionInstance", j1939.FunctionInstance(), name, "");
  WriteUInt(ctx, "NmJ1939Function", j1939.Function(), name, "");
  WriteUInt(ctx, "NmJ1939SystemInstance", j1939.VehicleSystemInstance(), name, "");
  WriteUInt(ctx, "NmJ1939System", j1939.VehicleSystem(), name, "");
  WriteUInt(ctx, "NmJ1939IndustryGroup", j1939.IndustryGroup(), name, "");
  WriteUInt(ctx, "NmJ1939AAC", j1939.ArbitraryAddressCapable(), name, "");
}

}  // namespace vldbcex
