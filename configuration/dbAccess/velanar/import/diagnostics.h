// The narrow diagnostics handle: the report a layer writes its lines to and
// the status it raises. The XML layer and the resolver take only this; the
// conversion context is one, so converters pass their context.
#ifndef VELANAR_IMPORT_DIAGNOSTICS_H
#define VELANAR_IMPORT_DIAGNOSTICS_H

#include "import/import_status.h"
#include "import/report.h"

struct cDiagnostics {
  cVelanarStatus status;
  cReport report;
};

#endif
