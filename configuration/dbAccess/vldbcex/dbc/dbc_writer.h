// The section writers of a DBC file. Each writes through the context's sink
// and reads what it needs from the host as it goes.
#ifndef VLDBCEX_DBC_DBC_WRITER_H
#define VLDBCEX_DBC_DBC_WRITER_H

#include <cstdint>
#include <functional>
#include <string>

#include "export/to_context.h"

namespace vldbcex {

// Text helpers.
std::string EscapeComment(const std::string& comment);
// Moves a big-endian start bit from the least to the most significant bit.
uint32_t MoveBigEndianStartBit(uint32_t startBit, uint32_t bits);
// The identifier as written: bit 31 marks an extended frame.
inline uint32_t WrittenIdentifier(bool extended, uint32_t identifier) {
  return extended ? identifier + 0x80000000u : identifier;
}
// Reads a frame's extended flag and identifier with the given record.
bool ReadWrittenIdentifier(uint32_t frame, uint32_t& written, dbaStatus* status);
// Visits every signal of every frame in list order with its name and its
// frame's written identifier, read with a record of the caller's own that is
// cleared before each signal (passed on for further reads). A frame whose
// signal list cannot be read, a reference of 0 and a signal whose name or
// identifier cannot be read are passed over.
using SignalVisitor =
    std::function<void(uint32_t signal, const std::string& name, uint32_t written, dbaStatus* own)>;
void ForEachFrameSignal(ToCtx& ctx, const SignalVisitor& visit);

// Runs `write` once per index below `count` with `current` (a current*
// field of the context) set to it; afterwards `current` holds `count`: none.
inline void ForEachCurrent(ToCtx& ctx, uint64_t& current, uint64_t count, void (*write)(ToCtx&)) {
  for (uint64_t i = 0; i < count; ++i) {
    vclean<uint64_t> reset(&current, count);
    current = i;
    write(ctx);
  }
}

void WriteVersion(ToCtx& ctx);
void WriteNameSpaces(ToCtx& ctx);
void WriteBitTiming(ToCtx& ctx);
void WriteNodes(ToCtx& ctx);
void WriteFrames(ToCtx& ctx);
// One frame block for ctx.currentFrame.
void WriteFrame(ToCtx& ctx);
// One SG_ line for ctx.currentSignal in ctx.currentFrame.
void WriteSignal(ToCtx& ctx);
void WriteClusterComment(ToCtx& ctx);
void WriteEcuComments(ToCtx& ctx);
void WriteFrameComments(ToCtx& ctx);
void WriteSignalComments(ToCtx& ctx);
void WriteValueTypes(ToCtx& ctx);

// Value tables (VAL_ lines), unless the host application asked for none
// through the database's flag.
void WriteValueTables(ToCtx& ctx);
bool ValueTablesWanted(const ToCtx& ctx);
// The "<value> \"<text>\" " pieces of one VAL_ line from the encoded value
// descriptions; false when the encoding is malformed.
bool FormatValueTable(ToLogFile& sink, const std::string& encoded, std::string& entries);

// Attribute sections.
void WriteAttributeDefinitions(ToCtx& ctx);
void WriteFrameAttributeValues(ToCtx& ctx);
// The values of ctx.currentFrame.
void WriteFrameValues(ToCtx& ctx);
void WriteSignalStartValues(ToCtx& ctx);
void WriteEcuAttributeValues(ToCtx& ctx);
// The values of ctx.currentEcu.
void WriteEcuValues(ToCtx& ctx);

// Conversion of seconds to whole milliseconds, cut toward zero; a value that
// is not a number or out of range gives the lowest value of the type, as the
// processor's conversion does.
int32_t MillisecondsToInt32(double seconds);
int64_t MillisecondsToInt64(double seconds);

}  // namespace vldbcex

#endif
