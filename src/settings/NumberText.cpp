#include "settings/NumberText.h"

#include <cmath>
#include <cwchar>
#include <string>

#include "base/RuntimeError.h"
#include "base/Text.h"

namespace kv {
namespace {

bool IsDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }

// sign? digits* ("." digits*)? with at least one digit.
bool IsDecimalNumber(std::wstring_view s) {
  std::size_t i = 0;
  if (i < s.size() && (s[i] == L'+' || s[i] == L'-')) ++i;
  std::size_t digits = 0;
  for (; i < s.size() && IsDigit(s[i]); ++i) ++digits;
  if (i < s.size() && s[i] == L'.') {
    for (++i; i < s.size() && IsDigit(s[i]); ++i) ++digits;
  }
  return i == s.size() && digits > 0;
}

}  // namespace

std::int16_t TextToInteger(std::wstring_view text) {
  const std::wstring trimmed = Trim(text);
  if (!IsDecimalNumber(trimmed)) Raise(err::TypeMismatch);
  // nearbyint rounds in the default mode: to nearest, halves to even.
  const double value = std::nearbyint(std::wcstod(trimmed.c_str(), nullptr));
  if (!(value >= -32768.0 && value <= 32767.0)) Raise(err::Overflow);
  return static_cast<std::int16_t>(value);
}

}  // namespace kv
