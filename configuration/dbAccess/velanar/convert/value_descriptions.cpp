// Value descriptions of a signal from the text-table entries of its compu method.
#include "convert/value_descriptions.h"

#include <cmath>
#include <new>

#include "convert/coding.h"
#include "convert/values.h"
#include "import/convert_ctx.h"
#include "velan/host_vocabulary.h"
#include "velan/value_descriptions.h"
#include "xml/navigation.h"

const char* ValueDescriptionText(const exElement* scale) {
  const exElement* l2 = FindChild(FindChild(scale, "AR:DESC"), "AR:L-2");
  if (l2 != nullptr && l2->Text()[0] != '\0') return l2->Text();
  const exElement* vt = FindChild(FindChild(scale, "AR:COMPU-CONST"), "AR:VT");
  if (vt != nullptr && vt->Text()[0] != '\0') return vt->Text();
  const exElement* label = FindChild(scale, "AR:SHORT-LABEL");
  return label != nullptr ? label->Text() : "";
}

std::string EncodeValueDescriptions(cConvertCtx* ctx, const cCoding& coding) {
  std::string encoded;
  cValueConverterF64 converter(ctx);
  const exElementVector& scales = coding.Scales();
  for (size_t i = 0; i < scales.size(); ++i) {
    if (!coding.IsTextTableScaleAt(i)) continue;
    const exElement* scale = scales[i];
    // Lower and upper limit are the same text: either gives the raw value.
    double value = 0.0;
    if (!converter.Convert(FindChild(scale, "AR:LOWER-LIMIT")->Text(), value) ||
        !std::isfinite(value))
      continue;
    VelanAppendValueDescription(encoded, value, ValueDescriptionText(scale));
  }
  return encoded;
}

void WriteValueDescriptions(cConvertCtx* ctx, uint64_t codingIoid, const cCoding& coding) {
  if (ctx->status.IsError()) return;
  std::string encoded;
  try {
    encoded = EncodeValueDescriptions(ctx, coding);
  } catch (const std::bad_alloc&) {
    ctx->status.RaiseError(StatusOutOfMemory);
    return;
  }
  if (encoded.empty()) return;
  ctx->SetProperty(codingIoid, IDIP_COD_VALUE_DESCS_VTAB, encoded.data(),
                   static_cast<uint32_t>(encoded.size()));
}
