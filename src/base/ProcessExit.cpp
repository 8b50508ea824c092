#include "base/ProcessExit.h"

#include <windows.h>

#include <utility>

namespace kv {
namespace {
EndProcessHandler& Handler() {
  static EndProcessHandler handler;
  return handler;
}
}  // namespace

void EndProcess(unsigned exitCode) {
  if (auto& handler = Handler()) handler(exitCode);
  ExitProcess(exitCode);
}

ScopedEndProcessHandler::ScopedEndProcessHandler(EndProcessHandler handler)
    : previous_(std::exchange(Handler(), std::move(handler))) {}

ScopedEndProcessHandler::~ScopedEndProcessHandler() { Handler() = std::move(previous_); }

}  // namespace kv
