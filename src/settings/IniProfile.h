#pragma once
// What the three INI classes share: the Windows profile functions in their ANSI form and the
// location rule of the per-user INI files.
#include <cstdint>
#include <string>

namespace kv {

// GetPrivateProfileStringA with a buffer of 1024 characters: the value up to its first NUL, cut at
// 1023 bytes; defaultValue when the file, section or key is missing or section or file is empty.
std::wstring ReadProfileValue(const std::wstring& file, const std::wstring& section, const std::wstring& key,
                              const std::wstring& defaultValue);
// WritePrivateProfileStringA when file and section are not empty; a failed write is not noticed.
void WriteProfileValue(const std::wstring& file, const std::wstring& section, const std::wstring& key,
                       const std::wstring& value);

// The per-user data folder, "\" and name.
std::wstring UserIniPath(const std::wstring& name);
// The per-user path when that file exists, else the bare name, which the profile functions look
// for in the Windows folder.
std::wstring UserIniReadPath(const std::wstring& name);

// The "TimeOut" rule of the INI files: 300, or the value of a text of digits only. Above 32767 the
// conversion raises 6 and 300 stays.
void SetTimeOutFromText(std::int16_t& timeOut, const std::wstring& text);

// A folder value that is not empty and lacks its trailing "\" gets one.
void AppendBackslash(std::wstring& folder);

}  // namespace kv
