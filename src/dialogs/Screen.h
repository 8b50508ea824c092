#pragma once
// The program-wide mouse pointer over its forms ("the screen's mouse pointer").
#include <cstdint>

namespace kv {

inline constexpr std::int32_t vbDefault = 0;
inline constexpr std::int32_t vbHourglass = 11;

std::int32_t ScreenMousePointer();
// Takes effect at once and over every form until it is set again.
void SetScreenMousePointer(std::int32_t pointer);

}  // namespace kv
