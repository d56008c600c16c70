#include "convert/converter4.h"

cConverter4::cConverter4(cConvertCtx* ctx) : cConverterBase(ctx) {}

cConverter4::~cConverter4() = default;
