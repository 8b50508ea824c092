#pragma once
// The one way the update programs end their process. Tests replace the handler (it must not
// return: throw to unwind back into the test).
#include <functional>

namespace kv {

using EndProcessHandler = std::function<void(unsigned exitCode)>;

[[noreturn]] void EndProcess(unsigned exitCode = 0);

// Installs a handler for the life of the object; the previous one comes back afterwards.
class ScopedEndProcessHandler {
 public:
  explicit ScopedEndProcessHandler(EndProcessHandler handler);
  ~ScopedEndProcessHandler();
  ScopedEndProcessHandler(const ScopedEndProcessHandler&) = delete;
  ScopedEndProcessHandler& operator=(const ScopedEndProcessHandler&) = delete;

 private:
  EndProcessHandler previous_;
};

}  // namespace kv
