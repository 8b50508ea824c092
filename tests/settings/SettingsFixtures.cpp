#include "settings/SettingsFixtures.h"

#include <stdexcept>
#include <vector>

#include "base/Handles.h"
#include "base/Text.h"
#include "settings/Common.h"
#include "support/TempDir.h"

namespace kvtest {

ScopedIniFiles::ScopedIniFiles(std::wstring name) : name_(std::move(name)) {
  DeleteFileW(UserPath().c_str());
  DeleteFileW(WindowsPath().c_str());
}

ScopedIniFiles::~ScopedIniFiles() {
  DeleteFileW(UserPath().c_str());
  DeleteFileW(WindowsPath().c_str());
}

std::wstring ScopedIniFiles::UserPath() const { return kv::GetUserDataFolder() + L"\\" + name_; }
std::wstring ScopedIniFiles::WindowsPath() const { return WindowsFolder() + L"\\" + name_; }
void ScopedIniFiles::WriteUser(std::wstring_view text) const { WriteBytes(UserPath(), kv::ToAnsi(text)); }
void ScopedIniFiles::WriteWindows(std::wstring_view text) const { WriteBytes(WindowsPath(), kv::ToAnsi(text)); }

std::wstring WindowsFolder() {
  wchar_t folder[MAX_PATH] = L"";
  GetWindowsDirectoryW(folder, MAX_PATH);
  return folder;
}

std::wstring SectionKeys(const std::wstring& file, const std::wstring& section) {
  std::vector<char> buffer(32768, '\0');
  const DWORD n = GetPrivateProfileSectionA(kv::ToAnsi(section).c_str(), buffer.data(),
                                            static_cast<DWORD>(buffer.size()), kv::ToAnsi(file).c_str());
  // "key=value\0key=value\0\0" -> "key,key"
  std::wstring keys;
  for (std::size_t at = 0; at < n && buffer[at] != '\0';) {
    const std::string entry(buffer.data() + at);
    if (!keys.empty()) keys += L',';
    keys += kv::FromAnsi(entry.substr(0, entry.find('=')));
    at += entry.size() + 1;
  }
  return keys;
}

ScopedProductKeys::ScopedProductKeys() { Clear(); }
ScopedProductKeys::~ScopedProductKeys() { Clear(); }

void ScopedProductKeys::Clear() {
  for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
    kv::UniqueRegKey software;
    if (RegOpenKeyExW(root, L"Software", 0, KEY_ALL_ACCESS | KEY_WOW64_32KEY, software.put()) != ERROR_SUCCESS) {
      continue;
    }
    RegDeleteTreeW(software.get(), L"Kestrova");
  }
}

void ScopedProductKeys::Put(HKEY root, const std::wstring& key, const std::wstring& name,
                            const std::wstring& value) {
  std::string bytes = kv::ToAnsi(value);
  bytes.push_back('\0');
  PutRaw(root, key, name, REG_SZ, bytes);
}

void ScopedProductKeys::PutRaw(HKEY root, const std::wstring& key, const std::wstring& name, DWORD type,
                               std::string_view bytes) {
  kv::UniqueRegKey created;
  if (RegCreateKeyExW(root, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | KEY_WOW64_32KEY, nullptr, created.put(),
                      nullptr) != ERROR_SUCCESS ||
      RegSetValueExA(created.get(), kv::ToAnsi(name).c_str(), 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                     static_cast<DWORD>(bytes.size())) != ERROR_SUCCESS) {
    throw std::runtime_error("cannot write the registry fixture");
  }
}

std::optional<RawValue> ScopedProductKeys::Get(HKEY root, const std::wstring& key, const std::wstring& name,
                                               REGSAM view) {
  kv::UniqueRegKey opened;
  if (RegOpenKeyExW(root, key.c_str(), 0, KEY_READ | view, opened.put()) != ERROR_SUCCESS) return std::nullopt;
  RawValue value;
  DWORD size = 0;
  if (RegQueryValueExA(opened.get(), kv::ToAnsi(name).c_str(), nullptr, &value.type, nullptr, &size) !=
      ERROR_SUCCESS) {
    return std::nullopt;
  }
  value.bytes.resize(size);
  RegQueryValueExA(opened.get(), kv::ToAnsi(name).c_str(), nullptr, &value.type,
                   reinterpret_cast<BYTE*>(value.bytes.data()), &size);
  return value;
}

void ScopedProductKeys::Remove(HKEY root, const std::wstring& key, const std::wstring& name) {
  kv::UniqueRegKey opened;
  if (RegOpenKeyExW(root, key.c_str(), 0, KEY_SET_VALUE | KEY_WOW64_32KEY, opened.put()) == ERROR_SUCCESS) {
    RegDeleteValueW(opened.get(), name.c_str());
  }
}

bool ScopedProductKeys::KeyExists(HKEY root, const std::wstring& key, REGSAM view) {
  kv::UniqueRegKey opened;
  return RegOpenKeyExW(root, key.c_str(), 0, KEY_READ | view, opened.put()) == ERROR_SUCCESS;
}

}  // namespace kvtest
