#include "convert/converter3.h"

cConverter3::cConverter3(cConvertCtx* ctx) : cConverterBase(ctx) {}

cConverter3::~cConverter3() = default;
