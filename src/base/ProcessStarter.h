#pragma once
// Starting the registration tools and other programs that the update program waits for. One real
// implementation; tests pass a fake that records the command lines.
#include <string>

#include "base/Handles.h"

namespace kv {

class ProcessStarter {
 public:
  virtual ~ProcessStarter() = default;

  // Starts the command line as a new process whose window is minimized and does not take the
  // focus, and opens it by its id for waiting. Raises the failure when it cannot be started
  // (53 for a missing program); an empty handle when it cannot be opened.
  virtual UniqueHandle Start(const std::wstring& commandLine) const;
};

// The real starter, for objects that were not given another.
const ProcessStarter& RealProcessStarter();

}  // namespace kv
