#pragma once
// Registry values as this test program's own view shows them, the view of the programs under test
// of the same build. On 64-bit Windows the installer policy keys below HKLM\Software\Policies are
// shared by the 32-bit and the 64-bit view; in Wine's 64-bit prefix the 32-bit view reaches them
// through a link that the prefix's setup makes (Software\Wow6432Node\Policies). Tests of
// machine-wide keys hold kUserDataLock (ExclusiveLock.h).
#include <windows.h>

#include <optional>
#include <string>

namespace kvtest {

struct RegistryValue {
  DWORD type = 0;
  std::string data;  // as the ANSI call reads it back; its size is the stored length
};

// The value as RegQueryValueExA reads it; empty when the key or the value is missing.
std::optional<RegistryValue> ReadRegistryValue(HKEY root, const std::wstring& subKey, const std::wstring& name);
bool RegistryKeyExists(HKEY root, const std::wstring& subKey);
void DeleteRegistryTree(HKEY root, const std::wstring& subKey);
// A volatile key below a non-volatile parent (both created when missing): no non-volatile key
// can be created below it.
void CreateVolatileKey(HKEY root, const std::wstring& subKey);
void WriteRegistryText(HKEY root, const std::wstring& subKey, const std::wstring& name, const std::wstring& text);

}  // namespace kvtest
