#pragma once
// Text conversion at the edges: std::wstring inside, the ANSI code page at ANSI calls and files.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kv {

std::string ToAnsi(std::wstring_view text);     // CP_ACP (932 on the product's PCs)
std::wstring FromAnsi(std::string_view bytes);
std::string ToUtf8(std::wstring_view text);
std::wstring FromUtf8(std::string_view bytes);
// The same, but nothing when a character has no form of its own in the ANSI code page (the plain
// conversion writes a look-alike, "é" as "e", "¥" as the byte of "\", or "?").
std::optional<std::string> ToAnsiExact(std::wstring_view text);
// The same, but nothing when the bytes are not UTF-8.
std::optional<std::wstring> FromUtf8Exact(std::string_view bytes);

// Blanks (U+0020 only) removed at both ends, as the BASIC Trim does.
std::wstring Trim(std::wstring_view text);
std::wstring UCase(std::wstring_view text);
std::wstring LCase(std::wstring_view text);
// Every half-width character in its full-width form, with the Japanese rules: "ﾊﾞ" becomes one
// "バ", so the result may be shorter.
std::wstring ToFullWidth(std::wstring_view text);

bool StartsWith(std::wstring_view text, std::wstring_view prefix);
bool EndsWith(std::wstring_view text, std::wstring_view suffix);

// Upper-case hexadecimal without leading zeros; a negative number as its 32-bit two's complement.
std::wstring HexUpper(std::int32_t number);

// Byte length of the text in the ANSI code page.
std::size_t AnsiLength(std::wstring_view text);

}  // namespace kv
