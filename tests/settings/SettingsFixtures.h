#pragma once
// Fixtures for the settings classes, which work on fixed places: the INI files in the per-user
// data folder and the Windows folder, and the program's registry keys. Each fixture clears its
// place when it starts and when it ends, and holds the user-data lock meanwhile, so tests of these
// places never run side by side.
#include <windows.h>

#include <optional>
#include <string>
#include <string_view>

#include "support/ExclusiveLock.h"

namespace kvtest {

// One INI file name in the per-user data folder and in the Windows folder.
class ScopedIniFiles {
 public:
  explicit ScopedIniFiles(std::wstring name);
  ~ScopedIniFiles();
  ScopedIniFiles(const ScopedIniFiles&) = delete;
  ScopedIniFiles& operator=(const ScopedIniFiles&) = delete;

  std::wstring UserPath() const;
  std::wstring WindowsPath() const;
  // The text is stored in the ANSI code page, as the profile functions read it.
  void WriteUser(std::wstring_view text) const;
  void WriteWindows(std::wstring_view text) const;

 private:
  ExclusiveLock lock_{kUserDataLock};
  std::wstring name_;
};

std::wstring WindowsFolder();
// The key names of a section, in file order, as the profile functions list them.
std::wstring SectionKeys(const std::wstring& file, const std::wstring& section);

// A registry value as stored: its type and its bytes.
struct RawValue {
  DWORD type = 0;
  std::string bytes;
};

// The program's keys below "Software\Kestrova" in both hives, seen through the 32-bit view the
// program itself uses.
class ScopedProductKeys {
 public:
  static constexpr wchar_t kParam[] = L"Software\\Kestrova\\Varonel\\PARAM";

  ScopedProductKeys();
  ~ScopedProductKeys();
  ScopedProductKeys(const ScopedProductKeys&) = delete;
  ScopedProductKeys& operator=(const ScopedProductKeys&) = delete;

  // REG_SZ in the ANSI code page with its NUL.
  static void Put(HKEY root, const std::wstring& key, const std::wstring& name, const std::wstring& value);
  static void PutRaw(HKEY root, const std::wstring& key, const std::wstring& name, DWORD type,
                     std::string_view bytes);
  static std::optional<RawValue> Get(HKEY root, const std::wstring& key, const std::wstring& name,
                                     REGSAM view = KEY_WOW64_32KEY);
  static void Remove(HKEY root, const std::wstring& key, const std::wstring& name);
  static bool KeyExists(HKEY root, const std::wstring& key, REGSAM view = KEY_WOW64_32KEY);
  // Removes "Software\Kestrova" from both hives.
  static void Clear();

 private:
  ExclusiveLock lock_{kUserDataLock};
};

}  // namespace kvtest
