// The text value converters on arbitrary texts, under both decimal
// separators.
#include <string>

#include "convert/values.h"
#include "import/convert_ctx.h"

namespace {

template <class C, typename T>
void Run(cConvertCtx* ctx, const char* text) {
  C converter(ctx);
  T value{};
  converter.Convert(text, value);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static cConvertCtx* ctx = new cConvertCtx();
  if (size == 0) return 0;
  ctx->decimalSeparator = (data[0] & 1) ? ',' : '.';
  ctx->foreignSeparator = (data[0] & 1) ? '.' : ',';
  std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
  const char* t = text.c_str();  // stops at an embedded NUL like element text
  Run<cValueConverterU8, uint8_t>(ctx, t);
  Run<cValueConverterU16, uint16_t>(ctx, t);
  Run<cValueConverterU32, uint32_t>(ctx, t);
  Run<cValueConverterI32, int32_t>(ctx, t);
  Run<cValueConverterU64, uint64_t>(ctx, t);
  Run<cValueConverterI64, int64_t>(ctx, t);
  Run<cValueConverterSpeed, int64_t>(ctx, t);
  Run<cValueConverterF64, double>(ctx, t);
  Run<cCv_BOOLEAN, bool>(ctx, t);
  Run<cCv_PACKING_BYTE_ORDER, uint32_t>(ctx, t);
  Run<cCv_lin_ScheduleTable_RUN_MODE, uint32_t>(ctx, t);
  Run<cCv_lin_PROTOCOL_VERSION, uint32_t>(ctx, t);
  Run<cCv_CAN_FRAME_TX_BEHAVIOR, uint32_t>(ctx, t);
  Run<cCv_EXTENDED_ADDRESSING_MODE, int16_t>(ctx, t);
  Run<cCv_BASE_TYPE_ENCODING, int16_t>(ctx, t);
  return 0;
}
