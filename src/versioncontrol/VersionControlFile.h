#pragma once
// The XML form of the version control records: which attribute holds which field, what the check
// digest covers and how numbers are read. Both version control classes read and write through it.
#include <cstdint>
#include <string>
#include <variant>
#include <vector>

#include "versioncontrol/VersionTableEntry.h"

namespace kv {

// The check text starts with this key, in the reader and the writer of both classes.
inline constexpr wchar_t kCheckKey[] = L"KQV@7215";

inline constexpr wchar_t kTextNoCheck[] = L"コントロールファイルの証明書がありません。";
inline constexpr wchar_t kTextDamaged[] = L"コントロールファイルが破損しています。";
inline constexpr wchar_t kTextCannotLoad[] = L"バージョンコントロールを読み込めません。";
inline constexpr wchar_t kTextCannotDownload[] = L"バージョンコントロールをダウンロードできません。";

// An attribute as the writer sets it, numbers with the width of their field.
struct Attribute {
  const wchar_t* name;
  std::variant<std::wstring, std::int32_t, std::int16_t> value;
};
using Attributes = std::vector<Attribute>;

// A decimal number, blanks around it allowed: 13 when the text is not one, 6 outside the type.
std::int32_t ReadLong(const std::wstring& text);
std::int16_t ReadInteger(const std::wstring& text);

// The record a File or Info element starts from before its attributes are read.
void ResetForRead(VersionTableEntry& entry);
void ResetForRead(WebVersionTableEntry& entry);
void ResetForRead(InfoTableEntry& entry);

// One attribute of the element into its field; unknown names are ignored.
void ReadAttribute(VersionTableEntry& entry, const std::wstring& name, const std::wstring& text);
void ReadAttribute(WebVersionTableEntry& entry, const std::wstring& name, const std::wstring& text);
void ReadAttribute(InfoTableEntry& entry, const std::wstring& name, const std::wstring& text);

// What a File element adds to the check text (the history is not covered).
void AppendCheckText(const VersionTableEntry& entry, std::wstring& checkText);
void AppendCheckText(const WebVersionTableEntry& entry, std::wstring& checkText);

// The attributes the writer sets, in its order.
Attributes WrittenAttributes(const VersionTableEntry& entry);
Attributes WrittenAttributes(const WebVersionTableEntry& entry);
Attributes WrittenAttributes(const InfoTableEntry& entry);

}  // namespace kv
