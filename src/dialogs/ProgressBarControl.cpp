#include "dialogs/ProgressBarControl.h"

#include <commctrl.h>

#include "base/RuntimeError.h"

namespace kv {
namespace {

// Steps of the Windows control: finer than any bar is wide.
constexpr int kSteps = 10000;

}  // namespace

std::int32_t ProgressBarControl::Max() const {
  EnsureLoaded();
  return max_;
}

std::int32_t ProgressBarControl::Value() const {
  EnsureLoaded();
  return value_;
}

void ProgressBarControl::SetMax(std::int32_t value) {
  EnsureLoaded();
  if (value <= 0) Raise(err::InvalidPropertyValue);
  max_ = value;
  if (value_ > max_) value_ = max_;
  ShowPosition();
}

void ProgressBarControl::SetValue(std::int32_t value) {
  EnsureLoaded();
  if (value < 0 || value > max_) Raise(err::InvalidPropertyValue);
  value_ = value;
  ShowPosition();
}

void ProgressBarControl::Reset() {
  max_ = 100;
  value_ = 0;
  shown_ = -1;
  SendMessageW(Window(), PBM_SETRANGE32, 0, kSteps);
  ShowPosition();
}

void ProgressBarControl::EnsureLoaded() const {
  // As with every control, touching the bar loads the form. Not through Window(): finding the
  // control's window costs a trip to the window server under Wine, and a download asks for Max
  // and Value once a piece.
  if (!Parent().Loaded()) Parent().Load();
}

void ProgressBarControl::ShowPosition() {
  const int position = static_cast<int>(static_cast<std::int64_t>(value_) * kSteps / max_);
  if (position == shown_) return;
  shown_ = position;
  SendMessageW(Window(), PBM_SETPOS, static_cast<WPARAM>(position), 0);
}

}  // namespace kv
