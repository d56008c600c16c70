// Chooses the AUTOSAR 3 or 4 converter by the release the input declares.
#include "convert/converter_factory.h"

#include <new>

#include "convert/converter3.h"
#include "convert/converter4.h"

cScopedPtr<cConverterBase> CreateConverter(int version, cConvertCtx* ctx) {
  try {
    if (version == 4) return cScopedPtr<cConverterBase>(new cConverter4(ctx));
    if (version == 3) return cScopedPtr<cConverterBase>(new cConverter3(ctx));
  } catch (const std::bad_alloc&) {
  }
  return cScopedPtr<cConverterBase>();
}
