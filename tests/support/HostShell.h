#pragma once
// Shell commands started on the Linux host beneath Wine (the path conversions and quoting are in
// HostProcessPaths.h). A host process cannot be waited for through its handle under Wine: callers
// wait for a file it writes. Outside Wine nothing is started.
#include <string>

#include "support/HostProcessPaths.h"

namespace kvtest {

// Starts /bin/sh -c script (UTF-8) and returns at once; false when it could not be started.
bool StartHostShell(const std::string& script);

}  // namespace kvtest
