// Clusters exported by the golden tests and the DBC text expected for them,
// derived by hand (LF line ends here; the files have CR LF).
#ifndef VLDBCEX_TESTS_GOLDEN_SCENARIOS_H
#define VLDBCEX_TESTS_GOLDEN_SCENARIOS_H

#include <string>

#include "fake_host.h"

namespace vldbcex_test {

// The fixed beginning up to and including "BS_ :" and its empty line.
extern const char kFixedHead[];
// Definitions of the attributes every cluster has (no J1939, no CAN FD).
extern const char kFrameEnumDefs[];

// One ECU, one standard frame with a multiplexer and a mode-dependent signal.
TCluster ClassicCluster();
std::string ClassicExpected();
// What the independent reader sees in it (see CanmatrixListing).
std::string ClassicListing();

// CAN FD with bit-rate switch and J1939: extended, J1939 and mode-1 frames,
// the three timing kinds, big-endian signals, comment escaping, J1939 NAMEs,
// floats and doubles. The parts the host database cannot express (an ECU
// without a name, a signal that is multiplexer and mode-dependent) are left
// out when forRealHost is true.
TCluster FdJ1939Cluster(bool forRealHost);
std::string FdJ1939Expected(bool forRealHost);
std::string FdJ1939Listing(bool forRealHost);

// A CAN FD cluster without bit-rate switch and without frames or ECUs.
TCluster EmptyFdCluster();
std::string EmptyFdExpected();

}  // namespace vldbcex_test

#endif
