#include "versioncontrol/VersionControlFile.h"

#include <limits>

#include "base/RuntimeError.h"
#include "base/Text.h"

namespace kv {
namespace {

template <class T>
T ReadNumber(const std::wstring& text) {
  const std::wstring digits = Trim(text);
  std::size_t i = 0;
  const bool negative = !digits.empty() && digits[0] == L'-';
  if (!digits.empty() && (digits[0] == L'-' || digits[0] == L'+')) ++i;
  if (i == digits.size()) Raise(err::TypeMismatch);
  long long value = 0;
  bool overflow = false;
  for (; i < digits.size(); ++i) {
    const wchar_t c = digits[i];
    if (c < L'0' || c > L'9') Raise(err::TypeMismatch);
    if (!overflow) {
      value = value * 10 + (c - L'0');
      overflow = value > (1LL << 40);
    }
  }
  if (negative) value = -value;
  if (overflow || value < std::numeric_limits<T>::min() || value > std::numeric_limits<T>::max()) {
    Raise(err::Overflow);
  }
  return static_cast<T>(value);
}

// The fields both kinds of file entry share, in the order of the check text around them.
template <class Entry>
bool ReadCommonAttribute(Entry& entry, const std::wstring& name, const std::wstring& text) {
  if (name == L"Name") {
    entry.ProgramName = text;
  } else if (name == L"DateTime") {
    entry.VersionText = text;
  } else if (name == L"FileSize") {
    entry.FileSize = ReadLong(text);
  } else if (name == L"Folder") {
    entry.FolderName = text;
  } else if (name == L"CabFile") {
    entry.CabFileName = text;
  } else if (name == L"CabSize") {
    entry.CabFileSize = ReadLong(text);
  } else if (name == L"MD5") {
    entry.MD5 = text;
  } else {
    return false;
  }
  return true;
}

}  // namespace

std::int32_t ReadLong(const std::wstring& text) { return ReadNumber<std::int32_t>(text); }
std::int16_t ReadInteger(const std::wstring& text) { return ReadNumber<std::int16_t>(text); }

void ResetForRead(VersionTableEntry& entry) {
  entry = VersionTableEntry{};
  entry.FileSize = 1;
}

void ResetForRead(WebVersionTableEntry& entry) {
  entry = WebVersionTableEntry{};
  entry.FileSize = 1;
}

void ResetForRead(InfoTableEntry& entry) { entry = InfoTableEntry{}; }

void ReadAttribute(VersionTableEntry& entry, const std::wstring& name, const std::wstring& text) {
  if (!ReadCommonAttribute(entry, name, text) && name == L"Regist") entry.RegistType = ReadInteger(text);
}

void ReadAttribute(WebVersionTableEntry& entry, const std::wstring& name, const std::wstring& text) {
  if (!ReadCommonAttribute(entry, name, text) && name == L"Tools") entry.Tools = text;
}

void ReadAttribute(InfoTableEntry& entry, const std::wstring& name, const std::wstring& text) {
  if (name == L"ID") {
    entry.InfoID = text;
  } else if (name == L"Type") {
    entry.InfoType = ReadInteger(text);
  } else if (name == L"Hiduke") {
    entry.InfoHiduke = text;
  } else if (name == L"Version") {
    entry.InfoVersion = text;
  } else if (name == L"VerGroup") {
    entry.InfoVerGroup = text;
  } else if (name == L"Title") {
    entry.InfoTitle = text;
  }
}

void AppendCheckText(const VersionTableEntry& entry, std::wstring& checkText) {
  checkText += entry.ProgramName + entry.VersionText + std::to_wstring(entry.FileSize) +
               std::to_wstring(entry.RegistType) + entry.FolderName + entry.CabFileName +
               std::to_wstring(entry.CabFileSize) + entry.MD5;
}

void AppendCheckText(const WebVersionTableEntry& entry, std::wstring& checkText) {
  checkText += entry.ProgramName + entry.VersionText + std::to_wstring(entry.FileSize) + entry.FolderName +
               entry.CabFileName + std::to_wstring(entry.CabFileSize) + entry.MD5;
}

Attributes WrittenAttributes(const VersionTableEntry& entry) {
  Attributes attributes{{L"Name", entry.ProgramName},
                        {L"DateTime", entry.VersionText},
                        {L"FileSize", entry.FileSize},
                        {L"Regist", entry.RegistType}};
  if (!entry.FolderName.empty()) attributes.push_back({L"Folder", entry.FolderName});
  if (!entry.CabFileName.empty()) attributes.push_back({L"CabFile", entry.CabFileName});
  attributes.push_back({L"CabSize", entry.CabFileSize});
  attributes.push_back({L"MD5", entry.MD5});
  return attributes;
}

Attributes WrittenAttributes(const WebVersionTableEntry& entry) {
  Attributes attributes{{L"Name", entry.ProgramName}, {L"DateTime", entry.VersionText}, {L"FileSize", entry.FileSize}};
  if (!entry.FolderName.empty()) attributes.push_back({L"Folder", entry.FolderName});
  if (!entry.Tools.empty()) attributes.push_back({L"Tools", entry.Tools});
  if (!entry.CabFileName.empty()) attributes.push_back({L"CabFile", entry.CabFileName});
  attributes.push_back({L"CabSize", entry.CabFileSize});
  attributes.push_back({L"MD5", entry.MD5});
  return attributes;
}

Attributes WrittenAttributes(const InfoTableEntry& entry) {
  return {{L"ID", entry.InfoID},           {L"Type", entry.InfoType},          {L"Hiduke", entry.InfoHiduke},
          {L"Version", entry.InfoVersion}, {L"VerGroup", entry.InfoVerGroup}, {L"Title", entry.InfoTitle}};
}

}  // namespace kv
