// The value tables of a DBC file: one VAL_ line per signal that has value
// descriptions, giving each raw value its text.
#include <new>
#include <string>

#include "dbc/dbc_writer.h"
#include "export/to_host.h"
#include "export/to_status.h"
#include "velan/value_descriptions.h"

namespace vldbcex {

bool ValueTablesWanted(const ToCtx& ctx) {
  // A host that does not know the flag cannot have set it: tables are written.
  dbaStatus own = {0, 0};
  bool omit = false;
  return !ReadFlag(ctx.database, prop::kDatabaseOmitValueTables, omit, &own) || !omit;
}

bool FormatValueTable(ToLogFile& sink, const std::string& encoded, std::string& entries) {
  entries.clear();
  return VelanForEachValueDescription(encoded.data(), static_cast<uint32_t>(encoded.size()),
                                      [&](double value, const char* text, uint32_t length) {
                                        entries += sink.FormatReal(value);
                                        entries += " \"";
                                        entries += EscapeComment(std::string(text, length));
                                        entries += "\" ";
                                      });
}

void WriteValueTables(ToCtx& ctx) {
  if (!ValueTablesWanted(ctx)) return;
  ToLogFile& sink = ctx.sink;
  std::string encoded;
  std::string entries;
  ForEachFrameSignal(ctx, [&](uint32_t signal, const std::string& name, uint32_t written,
                              dbaStatus* own) {
    if (!ReadBytes(signal, prop::kSignalValueDescriptions, encoded, own, kDetailNoMemoryComment))
      return;
    // A value the host garbled is left out whole rather than cut short.
    try {
      if (!FormatValueTable(sink, encoded, entries) || entries.empty()) return;
    } catch (const std::bad_alloc&) {
      NoteOutOfMemory(kDetailNoMemoryComment);
      return;
    }
    sink.LineStart();
    sink.Write("VAL_ ");
    sink.Write(sink.FormatUnsigned(written));
    sink.Write(" ");
    sink.Write(name.c_str());
    sink.Write(" ");
    sink.Write(entries.c_str());
    sink.Write(";");
    sink.Eol();
  });
}

}  // namespace vldbcex
