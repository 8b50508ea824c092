#pragma once
// "A failing statement is skipped": run one statement, swallow only its run-time error, and hand
// the error back so the caller can still look at it. Use it per statement, never around a whole
// procedure.
#include <optional>
#include <utility>

#include "base/RuntimeError.h"

namespace kv {

template <class Statement>
std::optional<RuntimeError> SkipOnError(Statement&& statement) {
  try {
    std::forward<Statement>(statement)();
    return std::nullopt;
  } catch (const RuntimeError& e) {
    return e;
  }
}

}  // namespace kv
