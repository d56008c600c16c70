// Converter of AUTOSAR 3 system descriptions. It runs the shared pipeline;
// its release-specific slots are not converted yet and do nothing.
#ifndef VELANAR_CONVERT_CONVERTER3_H
#define VELANAR_CONVERT_CONVERTER3_H

#include "convert/converter_base.h"

class cConverter3 : public cConverterBase {
 public:
  explicit cConverter3(cConvertCtx* ctx);
  ~cConverter3() override;

  const exElement* fibexElementRefs = nullptr;  // FIBEX-ELEMENT-REFS of the SYSTEM
};

#endif
