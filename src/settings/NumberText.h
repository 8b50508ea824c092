#pragma once
// A text read from a file or the registry as a 16-bit integer, as the programs' settings need it.
#include <cstdint>
#include <string_view>

namespace kv {

// Blanks around the text are ignored; an optional sign, digits and an optional decimal fraction,
// rounded to the nearest integer with halves to the even one. Raises 13 when the text is no
// number and 6 when the value lies outside -32768 to 32767.
std::int16_t TextToInteger(std::wstring_view text);

}  // namespace kv
