#include "settings/IniProfile.h"

#include <windows.h>

#include <vector>

#include "base/Text.h"
#include "settings/Common.h"
#include "settings/NumberText.h"

namespace kv {

std::wstring ReadProfileValue(const std::wstring& file, const std::wstring& section, const std::wstring& key,
                              const std::wstring& defaultValue) {
  if (file.empty() || section.empty()) return defaultValue;
  std::vector<char> buffer(1024, '\0');
  GetPrivateProfileStringA(ToAnsi(section).c_str(), ToAnsi(key).c_str(), ToAnsi(defaultValue).c_str(), buffer.data(),
                           static_cast<DWORD>(buffer.size()), ToAnsi(file).c_str());
  return FromAnsi(buffer.data());
}

void WriteProfileValue(const std::wstring& file, const std::wstring& section, const std::wstring& key,
                       const std::wstring& value) {
  if (file.empty() || section.empty()) return;
  WritePrivateProfileStringA(ToAnsi(section).c_str(), ToAnsi(key).c_str(), ToAnsi(value).c_str(),
                             ToAnsi(file).c_str());
}

std::wstring UserIniPath(const std::wstring& name) { return GetUserDataFolder() + L"\\" + name; }

std::wstring UserIniReadPath(const std::wstring& name) {
  const std::wstring path = UserIniPath(name);
  return FileExist(path) ? path : name;
}

void SetTimeOutFromText(std::int16_t& timeOut, const std::wstring& text) {
  timeOut = 300;
  if (IsAllDigits(text)) timeOut = TextToInteger(text);
}

void AppendBackslash(std::wstring& folder) {
  if (!folder.empty() && folder.back() != L'\\') folder += L'\\';
}

}  // namespace kv
