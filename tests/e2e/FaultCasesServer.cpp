// The server road's fault cases: none yet (a placeholder until the road brings its own).
#include "FaultSuite.h"

namespace kvtest {

std::vector<FaultCase> ServerFaultCases() { return {}; }

}  // namespace kvtest
