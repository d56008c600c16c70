// Creates the converter for the AUTOSAR release of the input.
#ifndef VELANAR_CONVERT_CONVERTER_FACTORY_H
#define VELANAR_CONVERT_CONVERTER_FACTORY_H

#include "convert/converter_base.h"
#include "import/scoped.h"

class cConvertCtx;

// cConverter4 for release 4, cConverter3 for release 3, null for any other
// version or when memory is exhausted.
cScopedPtr<cConverterBase> CreateConverter(int version, cConvertCtx* ctx);

#endif
