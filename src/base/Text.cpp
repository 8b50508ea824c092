#include "base/Text.h"

#include <windows.h>

#include <cwctype>

namespace kv {
namespace {

std::string Narrow(UINT codePage, std::wstring_view text) {
  if (text.empty()) return {};
  const int n = WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                    nullptr, nullptr);
  std::string out(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr, nullptr);
  return out;
}

std::wstring Widen(UINT codePage, std::string_view bytes) {
  if (bytes.empty()) return {};
  const int n = MultiByteToWideChar(codePage, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
  std::wstring out(static_cast<std::size_t>(n), L'\0');
  MultiByteToWideChar(codePage, 0, bytes.data(), static_cast<int>(bytes.size()), out.data(), n);
  return out;
}

// Neither the flags nor the default-character check may be given for the UTF-8 code page,
// which holds every character anyway.
std::optional<std::string> NarrowExact(UINT codePage, std::wstring_view text) {
  if (text.empty()) return std::string();
  const bool utf8 = codePage == CP_UTF8 || (codePage == CP_ACP && GetACP() == CP_UTF8);
  const DWORD flags = utf8 ? 0 : WC_NO_BEST_FIT_CHARS;
  BOOL lossy = FALSE;
  BOOL* const check = utf8 ? nullptr : &lossy;
  const int length = static_cast<int>(text.size());
  const int n = WideCharToMultiByte(codePage, flags, text.data(), length, nullptr, 0, nullptr, check);
  if (n <= 0 || lossy) return std::nullopt;
  std::string out(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(codePage, flags, text.data(), length, out.data(), n, nullptr, nullptr);
  return out;
}

std::optional<std::wstring> WidenExact(UINT codePage, std::string_view bytes) {
  if (bytes.empty()) return std::wstring();
  const int length = static_cast<int>(bytes.size());
  const int n = MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, bytes.data(), length, nullptr, 0);
  if (n <= 0) return std::nullopt;
  std::wstring out(static_cast<std::size_t>(n), L'\0');
  MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, bytes.data(), length, out.data(), n);
  return out;
}

std::wstring MapCase(std::wstring_view text, DWORD flag) {
  if (text.empty()) return {};
  std::wstring out(text);
  LCMapStringW(LOCALE_INVARIANT, flag, text.data(), static_cast<int>(text.size()), out.data(),
               static_cast<int>(out.size()));
  return out;
}

}  // namespace

std::string ToAnsi(std::wstring_view text) { return Narrow(CP_ACP, text); }
std::wstring FromAnsi(std::string_view bytes) { return Widen(CP_ACP, bytes); }
std::string ToUtf8(std::wstring_view text) { return Narrow(CP_UTF8, text); }
std::wstring FromUtf8(std::string_view bytes) { return Widen(CP_UTF8, bytes); }
std::optional<std::string> ToAnsiExact(std::wstring_view text) { return NarrowExact(CP_ACP, text); }
std::optional<std::wstring> FromUtf8Exact(std::string_view bytes) { return WidenExact(CP_UTF8, bytes); }

std::wstring Trim(std::wstring_view text) {
  const auto first = text.find_first_not_of(L' ');
  if (first == std::wstring_view::npos) return {};
  const auto last = text.find_last_not_of(L' ');
  return std::wstring(text.substr(first, last - first + 1));
}

std::wstring UCase(std::wstring_view text) { return MapCase(text, LCMAP_UPPERCASE); }
std::wstring LCase(std::wstring_view text) { return MapCase(text, LCMAP_LOWERCASE); }

std::wstring ToFullWidth(std::wstring_view text) {
  if (text.empty()) return {};
  constexpr LCID kJapanese = 0x0411;  // the voiced-mark joining is Japanese whatever the user's locale
  const int size = static_cast<int>(text.size());
  const int n = LCMapStringW(kJapanese, LCMAP_FULLWIDTH, text.data(), size, nullptr, 0);
  if (n <= 0) return std::wstring(text);
  std::wstring out(static_cast<std::size_t>(n), L'\0');
  LCMapStringW(kJapanese, LCMAP_FULLWIDTH, text.data(), size, out.data(), n);
  return out;
}

bool StartsWith(std::wstring_view text, std::wstring_view prefix) { return text.starts_with(prefix); }
bool EndsWith(std::wstring_view text, std::wstring_view suffix) { return text.ends_with(suffix); }

std::wstring HexUpper(std::int32_t number) {
  wchar_t buffer[16];
  swprintf(buffer, 16, L"%X", static_cast<std::uint32_t>(number));
  return buffer;
}

std::size_t AnsiLength(std::wstring_view text) { return ToAnsi(text).size(); }

}  // namespace kv
