// The AUTOSAR 4 converter; its steps live in the topic files (clusters, frames, pdus, ...).
#include "convert/converter4.h"

cConverter4::cConverter4(cConvertCtx* ctx) : cConverterBase(ctx) {}

cConverter4::~cConverter4() = default;
