#include "support/RegistryFixtures.h"

#include "base/Handles.h"
#include "base/Text.h"

namespace kvtest {

std::optional<RegistryValue> ReadRegistryValue(HKEY root, const std::wstring& subKey, const std::wstring& name) {
  kv::UniqueRegKey key;
  if (RegOpenKeyExW(root, subKey.c_str(), 0, KEY_READ, key.put()) != ERROR_SUCCESS) return std::nullopt;
  const std::string ansiName = kv::ToAnsi(name);
  RegistryValue value;
  DWORD size = 0;
  if (RegQueryValueExA(key.get(), ansiName.c_str(), nullptr, &value.type, nullptr, &size) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  value.data.resize(size);
  if (RegQueryValueExA(key.get(), ansiName.c_str(), nullptr, &value.type, reinterpret_cast<BYTE*>(value.data.data()),
                       &size) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  value.data.resize(size);
  return value;
}

bool RegistryKeyExists(HKEY root, const std::wstring& subKey) {
  kv::UniqueRegKey key;
  return RegOpenKeyExW(root, subKey.c_str(), 0, KEY_READ, key.put()) == ERROR_SUCCESS;
}

void DeleteRegistryTree(HKEY root, const std::wstring& subKey) { RegDeleteTreeW(root, subKey.c_str()); }

void CreateVolatileKey(HKEY root, const std::wstring& subKey) {
  // Missing keys on the way would be made volatile too, and outlive the test's clean-up of its key.
  const auto slash = subKey.find_last_of(L'\\');
  kv::UniqueRegKey parent;
  if (slash == std::wstring::npos ||
      RegCreateKeyExW(root, subKey.substr(0, slash).c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                      nullptr, parent.put(), nullptr) != ERROR_SUCCESS) {
    return;
  }
  kv::UniqueRegKey key;
  RegCreateKeyExW(parent.get(), subKey.substr(slash + 1).c_str(), 0, nullptr, REG_OPTION_VOLATILE, KEY_ALL_ACCESS,
                  nullptr, key.put(), nullptr);
}

void WriteRegistryText(HKEY root, const std::wstring& subKey, const std::wstring& name, const std::wstring& text) {
  kv::UniqueRegKey key;
  if (RegCreateKeyExW(root, subKey.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.put(), nullptr) ==
      ERROR_SUCCESS) {
    RegSetValueExW(key.get(), name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                   static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
  }
}

}  // namespace kvtest
