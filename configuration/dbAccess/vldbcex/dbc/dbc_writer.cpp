// The DBC sections from version to SG_ lines, comments and value types.
#include "dbc/dbc_writer.h"

#include <new>

#include "export/to_host.h"
#include "export/to_status.h"

namespace vldbcex {
namespace {

const char* const kNameSpaceKeywords[] = {"NS_DESC_",     "CM_",
                                          "BA_DEF_",      "BA_",
                                          "VAL_",         "CAT_DEF_",
                                          "CAT_",         "FILTER",
                                          "BA_DEF_DEF_",  "EV_DATA_",
                                          "ENVVAR_DATA_", "SGTYPE_",
                                          "SGTYPE_VAL_",  "BA_DEF_SGTYPE_",
                                          "BA_SGTYPE_",   "SIG_TYPE_REF_",
                                          "VAL_TABLE_",   "SIG_GROUP_",
                                          "SIG_VALTYPE_", "SIGTYPE_VALTYPE_",
                                          "BO_TX_BU_",    "BA_DEF_REL_",
                                          "BA_REL_",      "BA_DEF_DEF_REL_",
                                          "BU_SG_REL_",   "BU_EV_REL_",
                                          "BU_BO_REL_",   "SG_MUL_VAL_"};

const char* const kNoNode = "Vector__XXX";

void WriteComment(ToLogFile& sink, const char* prefix, const std::string& comment) {
  sink.LineStart();
  sink.Write(prefix);
  sink.Write(EscapeComment(comment).c_str());
  sink.Write("\";");
  sink.Eol();
}

}  // namespace

bool ReadWrittenIdentifier(uint32_t frame, uint32_t& written, dbaStatus* status) {
  bool extended = false;
  uint32_t identifier = 0;
  if (!ReadFlag(frame, prop::kFrameExtended, extended, status)) return false;
  if (!ReadU32(frame, prop::kFrameIdentifier, identifier, status)) return false;
  written = WrittenIdentifier(extended, identifier);
  return true;
}

std::string EscapeComment(const std::string& comment) {
  std::string out;
  out.reserve(comment.size() + 8);
  for (size_t i = 0; i < comment.size(); ++i) {
    const char c = comment[i];
    if (c == '\n') {
      out += "\r\n";
    } else if (c == '"') {
      out += "\\\"";
    } else if (c == '\\') {
      if (i + 1 == comment.size()) {
        out += "\\ ";
      } else {
        out += c;
        out += comment[++i];
      }
    } else {
      out += c;
    }
  }
  return out;
}

uint32_t MoveBigEndianStartBit(uint32_t startBit, uint32_t bits) {
  if (bits <= 1) return startBit;
  // Walking (bits - 1) steps of "add 1, and at a multiple of 8 go back 16"
  // in closed form, so that the work does not follow the bit count.
  const uint64_t steps = bits - 1u;
  const uint64_t crossings = ((startBit % 8u) + steps) / 8u;
  return static_cast<uint32_t>(uint64_t{startBit} + steps - 16u * crossings);
}

namespace {

// One line of text followed by an empty line.
void WriteLineAndEmptyLine(ToLogFile& sink, const char* text) {
  sink.LineStart();
  sink.Write(text);
  sink.Eol();
  sink.Eol();
}

}  // namespace

void WriteVersion(ToCtx& ctx) {
  WriteLineAndEmptyLine(ctx.sink, "VERSION \"\"");
}

void WriteNameSpaces(ToCtx& ctx) {
  ToLogFile& sink = ctx.sink;
  sink.LineStart();
  sink.Write("NS_ :");
  sink.Eol();
  {
    ToIndentScope indent(sink, 2);
    for (const char* keyword : kNameSpaceKeywords) {
      sink.LineStart();
      sink.Write(keyword);
      sink.Eol();
    }
  }
  sink.Eol();
}

void WriteBitTiming(ToCtx& ctx) {
  WriteLineAndEmptyLine(ctx.sink, "BS_ :");
}

void WriteNodes(ToCtx& ctx) {
  ToLogFile& sink = ctx.sink;
  const ToDBRefArray& refs = ctx.ecus.EcuRefs();
  sink.LineStart();
  sink.Write("BU_ :");
  std::string name;
  for (uint64_t i = 0; i < refs.Count(); ++i) {
    if (refs[i] == 0) break;
    ReadText(refs[i], prop::kEcuName, name, ctx.Status(), kDetailNoMemoryName);
    if (IsError(ctx.Status())) continue;
    sink.Write(" ");
    sink.Write(name.c_str());
  }
  sink.Eol();
  sink.Eol();
}

void WriteFrames(ToCtx& ctx) {
  ForEachCurrent(ctx, ctx.currentFrame, ctx.frames.Count(), WriteFrame);
}

void WriteFrame(ToCtx& ctx) {
  dbaStatus* status = ctx.Status();
  if (ctx.currentFrame >= ctx.frames.Count()) {
    RecordError(status, kDetailNoCurrentFrame, kCodeNoCurrentItem);
    return;
  }
  const uint32_t frame = ctx.frames.FrameRef(ctx.currentFrame);
  if (frame == 0) {
    RecordError(status, kDetailNullFrame, kCodeNoCurrentItem);
    return;
  }
  std::string name;
  bool extended = false;
  uint32_t identifier = 0;
  uint32_t length = 0;
  ReadText(frame, prop::kFrameName, name, status, kDetailNoMemoryName);
  ReadFlag(frame, prop::kFrameExtended, extended, status);
  ReadU32(frame, prop::kFrameIdentifier, identifier, status);
  ReadU32(frame, prop::kFrameLength, length, status);
  // The transmitter: the first ECU in cluster order that sends the frame
  // and has a name (as read when the context was opened).
  const char* transmitter = "";
  const ToDBRefArray& ecuRefs = ctx.ecus.EcuRefs();
  for (uint64_t i = 0; i < ctx.ecus.Count() && i < ecuRefs.Count(); ++i) {
    const ToCtxECU* ecu = ctx.ecus[i];
    if (ecu == nullptr || !ecu->transmitted.Contains(frame)) continue;
    transmitter = ecu->name.c_str();
    if (*transmitter != '\0') break;
  }
  if (IsError(status)) return;

  ToLogFile& sink = ctx.sink;
  sink.LineStart();
  sink.Write("BO_ ");
  sink.Write(sink.FormatUnsigned(WrittenIdentifier(extended, identifier)));
  sink.Write(" ");
  sink.Write(name.c_str());
  sink.Write(": ");
  sink.Write(sink.FormatUnsigned(length));
  sink.Write(" ");
  sink.Write(*transmitter == '\0' ? kNoNode : transmitter);
  sink.Eol();

  dbaStatus own = {0, 0};
  ToDBRefArray signals;
  if (ReadRefList(frame, prop::kFrameSignals, signals, &own)) {
    ToIndentScope indent(sink, 2);
    for (uint64_t i = 0; i < signals.Count(); ++i) {
      if (signals[i] == 0) break;
      vclean<uint32_t> reset(&ctx.currentSignal, 0);
      ctx.currentSignal = signals[i];
      WriteSignal(ctx);
    }
  }
  sink.Eol();
}

namespace {

// What one SG_ line shows of a signal, read from the host.
struct SignalLine {
  std::string name;
  std::string unit;
  bool multiplexer = false;
  bool modeDependent = false;
  uint32_t modeValue = 0;
  uint32_t startBit = 0;
  uint32_t bits = 0;
  uint32_t byteOrder = 0;
  uint32_t dataType = 0;
  double factor = 0;
  double offset = 0;
  double minimum = 0;
  double maximum = 0;
};

// Reads the signal's properties in SG_ order; a failed read leaves its field
// as it was and the error in the record.
void ReadSignalLine(uint32_t signal, SignalLine& line, dbaStatus* status) {
  ReadText(signal, prop::kSignalName, line.name, status, kDetailNoMemoryName);
  ReadFlag(signal, prop::kSignalMultiplexer, line.multiplexer, status);
  ReadFlag(signal, prop::kSignalModeDependent, line.modeDependent, status);
  ReadU32(signal, prop::kSignalModeValue, line.modeValue, status);
  ReadU32(signal, prop::kSignalStartBit, line.startBit, status);
  ReadU32(signal, prop::kSignalBits, line.bits, status);
  ReadU32(signal, prop::kSignalByteOrder, line.byteOrder, status);
  ReadU32(signal, prop::kSignalDataType, line.dataType, status);
  ReadReal(signal, prop::kSignalFactor, line.factor, status);
  ReadReal(signal, prop::kSignalOffset, line.offset, status);
  ReadReal(signal, prop::kSignalMinimum, line.minimum, status);
  ReadReal(signal, prop::kSignalMaximum, line.maximum, status);
  ReadText(signal, prop::kSignalUnit, line.unit, status, kDetailNoMemoryName);
}

// Receivers of the current frame: every ECU in cluster order that receives
// it and has a name (as read when the context was opened), separated by
// commas. Worked out once per frame and kept in the context.
void ReadReceivers(ToCtx& ctx, std::string& receivers) {
  if (ctx.receiversFrame == ctx.currentFrame) {
    receivers = ctx.receivers;
    return;
  }
  dbaStatus* status = ctx.Status();
  const uint32_t frame = ctx.frames.FrameRef(ctx.currentFrame);
  const ToDBRefArray& ecuRefs = ctx.ecus.EcuRefs();
  for (uint64_t i = 0; frame != 0 && i < ctx.ecus.Count() && i < ecuRefs.Count(); ++i) {
    const ToCtxECU* ecu = ctx.ecus[i];
    if (ecu == nullptr || !ecu->received.Contains(frame)) continue;
    if (ecu->name.empty()) continue;
    try {
      if (!receivers.empty()) receivers += ',';
      receivers += ecu->name;
    } catch (const std::bad_alloc&) {
      RecordError(status, kDetailNoMemoryReceiver, kCodeNoMemory);
      return;
    }
  }
  try {
    ctx.receivers = receivers;
    ctx.receiversFrame = ctx.currentFrame;
  } catch (const std::bad_alloc&) {
    // Worked out again for the next signal.
  }
}

void WriteSignalLine(ToLogFile& sink, const SignalLine& line, const std::string& receivers) {
  uint32_t startBit = line.startBit;
  if (line.byteOrder == 1) startBit = MoveBigEndianStartBit(startBit, line.bits);
  sink.LineStart();
  sink.Write("SG_ ");
  sink.Write(line.name.c_str());
  // A signal that is both selects the next level and depends on a mode
  // value: the combined marker "m<value>M".
  if (line.modeDependent) {
    sink.Write(" m");
    sink.Write(sink.FormatUnsigned(line.modeValue));
    if (line.multiplexer) sink.Write("M");
  } else if (line.multiplexer) {
    sink.Write(" M");
  }
  sink.Write(" : ");
  sink.Write(sink.FormatUnsigned(startBit));
  sink.Write("|");
  sink.Write(sink.FormatUnsigned(line.bits));
  sink.Write(line.byteOrder == 0 ? "@1" : "@0");
  sink.Write(line.dataType == 0 ? "-" : "+");
  sink.Write(" (");
  sink.Write(sink.FormatReal(line.factor));
  sink.Write(",");
  sink.Write(sink.FormatReal(line.offset));
  sink.Write(") [");
  sink.Write(sink.FormatReal(line.minimum));
  sink.Write("|");
  sink.Write(sink.FormatReal(line.maximum));
  sink.Write("] \"");
  sink.Write(line.unit.c_str());
  sink.Write("\" ");
  sink.Write(receivers.empty() ? kNoNode : receivers.c_str());
  sink.Eol();
}

}  // namespace

void WriteSignal(ToCtx& ctx) {
  dbaStatus* status = ctx.Status();
  const uint32_t signal = ctx.currentSignal;
  if (signal == 0) {
    RecordError(status, kDetailNoCurrentSignal, kCodeNoCurrentItem);
    return;
  }
  SignalLine line;
  ReadSignalLine(signal, line, status);
  std::string receivers;
  ReadReceivers(ctx, receivers);
  if (IsError(status)) return;
  WriteSignalLine(ctx.sink, line, receivers);
}

void WriteClusterComment(ToCtx& ctx) {
  std::string comment;
  ReadText(ctx.cluster, prop::kClusterComment, comment, ctx.Status(), kDetailNoMemoryComment);
  if (!comment.empty()) WriteComment(ctx.sink, "CM_ \"", comment);
}

void WriteEcuComments(ToCtx& ctx) {
  const ToDBRefArray& refs = ctx.ecus.EcuRefs();
  std::string name;
  std::string comment;
  for (uint64_t i = 0; i < refs.Count(); ++i) {
    if (refs[i] == 0) break;
    vclean<uint64_t> reset(&ctx.currentEcu, ctx.ecus.Count());
    ctx.currentEcu = i;
    ReadText(refs[i], prop::kEcuName, name, ctx.Status(), kDetailNoMemoryName);
    ReadText(refs[i], prop::kEcuComment, comment, ctx.Status(), kDetailNoMemoryComment);
    if (IsError(ctx.Status()) || comment.empty()) continue;
    WriteComment(ctx.sink, ("CM_ BU_ " + name + " \"").c_str(), comment);
  }
}

void WriteFrameComments(ToCtx& ctx) {
  std::string comment;
  for (uint64_t i = 0; i < ctx.frames.Count(); ++i) {
    const uint32_t frame = ctx.frames.FrameRef(i);
    if (frame == 0) break;
    dbaStatus own = {0, 0};
    uint32_t written = 0;
    if (!ReadWrittenIdentifier(frame, written, &own)) break;
    ClearStatus(&own);
    if (!ReadText(frame, prop::kFrameComment, comment, &own, kDetailNoMemoryComment)) break;
    if (comment.empty()) continue;
    std::string prefix = "CM_ BO_ ";
    prefix += ctx.sink.FormatUnsigned(written);
    prefix += " \"";
    WriteComment(ctx.sink, prefix.c_str(), comment);
  }
}

void WriteSignalComments(ToCtx& ctx) {
  std::string name;
  std::string comment;
  // The signals come frame by frame: the identifier of the last frame read
  // serves its further signals.
  uint32_t lastFrame = 0;
  uint32_t lastWritten = 0;
  for (uint64_t i = 0; i < ctx.signals.Count(); ++i) {
    const uint32_t signal = ctx.signals[i];
    if (signal == 0) continue;
    dbaStatus own = {0, 0};
    uint32_t frame = 0;
    if (!ReadU32(signal, prop::kSignalFrame, frame, &own) || frame == 0) continue;
    uint32_t written = lastWritten;
    if (frame != lastFrame) {
      if (!ReadWrittenIdentifier(frame, written, &own)) continue;
      lastFrame = frame;
      lastWritten = written;
    }
    if (!ReadText(signal, prop::kSignalName, name, &own, kDetailNoMemoryName)) continue;
    if (!ReadText(signal, prop::kSignalComment, comment, &own, kDetailNoMemoryComment)) continue;
    if (comment.empty()) continue;
    std::string prefix = "CM_ SG_ ";
    prefix += ctx.sink.FormatUnsigned(written);
    prefix += " ";
    prefix += name;
    prefix += " \"";
    WriteComment(ctx.sink, prefix.c_str(), comment);
  }
}

void ForEachFrameSignal(ToCtx& ctx, const SignalVisitor& visit) {
  std::string name;
  ToDBRefArray signals;
  for (uint64_t f = 0; f < ctx.frames.Count(); ++f) {
    const uint32_t frame = ctx.frames.FrameRef(f);
    dbaStatus own = {0, 0};
    if (!ReadRefList(frame, prop::kFrameSignals, signals, &own)) continue;
    // The frame's identifier is read once, at its first signal with a
    // readable name; when it cannot be read, no signal of the frame is
    // visited.
    uint32_t written = 0;
    bool identified = false;
    for (uint64_t i = 0; i < signals.Count(); ++i) {
      const uint32_t signal = signals[i];
      if (signal == 0) continue;
      ClearStatus(&own);
      if (!ReadText(signal, prop::kSignalName, name, &own, kDetailNoMemoryName)) continue;
      if (!identified) {
        if (!ReadWrittenIdentifier(frame, written, &own)) break;
        identified = true;
      }
      visit(signal, name, written, &own);
    }
  }
}

void WriteValueTypes(ToCtx& ctx) {
  ToLogFile& sink = ctx.sink;
  ForEachFrameSignal(
      ctx, [&](uint32_t signal, const std::string& name, uint32_t written, dbaStatus* own) {
        double defaultValue = 0;
        uint32_t dataType = 1;
        uint32_t bits = 1;
        if (!ReadReal(signal, prop::kSignalDefault, defaultValue, own)) return;
        if (!ReadU32(signal, prop::kSignalDataType, dataType, own)) return;
        if (!ReadU32(signal, prop::kSignalBits, bits, own)) return;
        if (dataType != 2 || (bits != 32 && bits != 64)) return;
        sink.LineStart();
        sink.Write("SIG_VALTYPE_ ");
        sink.Write(sink.FormatUnsigned(written));
        sink.Write(" ");
        sink.Write(name.c_str());
        // 1 declares a 32-bit float, 2 a 64-bit double.
        sink.Write(bits == 64 ? " : 2;" : " : 1;");
        sink.Eol();
      });
}

}  // namespace vldbcex
