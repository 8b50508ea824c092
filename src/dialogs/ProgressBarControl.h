#pragma once
// A progress bar as the update driver uses it: Max and Value are its own 32-bit numbers, Min is
// 0. Values the bar cannot hold are refused with the invalid-property failure (380) and the old
// value stays; the driver skips the failing statement and goes on. The Windows control would
// clamp instead, so it only shows Value / Max on a fixed scale of its own, and is told only when
// the shown position moves (a download advances Value by 1024 bytes hundreds of thousands of
// times).
#include <cstdint>

#include "dialogs/Form.h"

namespace kv {

class ProgressBarControl : public Control {
 public:
  using Control::Control;

  std::int32_t Max() const;
  // 0 or below is refused. A Max below Value brings Value down to it.
  void SetMax(std::int32_t value);
  std::int32_t Value() const;
  // Outside 0 to Max is refused.
  void SetValue(std::int32_t value);

  // Back to the design values (Max 100, Value 0); the form calls it when it has loaded.
  void Reset();

 private:
  void EnsureLoaded() const;
  void ShowPosition();

  std::int32_t max_ = 100;
  std::int32_t value_ = 0;
  int shown_ = -1;  // position of the Windows control, -1 unknown
};

}  // namespace kv
