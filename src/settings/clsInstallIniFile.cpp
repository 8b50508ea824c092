#include "settings/clsInstallIniFile.h"

#include <windows.h>

#include "base/Host.h"
#include "settings/Common.h"
#include "settings/IniProfile.h"

namespace kv {
namespace {

constexpr wchar_t kFileName[] = L"Install.ini";
constexpr wchar_t kSection[] = L"Install";

std::wstring ProgramIniPath() { return CurrentHost().ProgramFolder() + L"\\" + kFileName; }

}  // namespace

std::wstring clsInstallIniFile::ReadIniValue(const std::wstring& section, const std::wstring& key,
                                             const std::wstring& defaultValue) const {
  const std::wstring path = ProgramIniPath();
  return ReadProfileValue(NormalFileListingFinds(path) ? path : kFileName, section, key, defaultValue);
}

void clsInstallIniFile::WriteIniValue(const std::wstring& section, const std::wstring& key,
                                      const std::wstring& value) const {
  WriteProfileValue(ProgramIniPath(), section, key, value);
}

void clsInstallIniFile::ReadBuffer() {
  installType_ = ReadIniValue(kSection, L"Type", L"");
  installFolder_ = ReadIniValue(kSection, L"InstallFolder", CurrentHost().ProgramFolder() + L"\\");
  // Callers join file names straight onto the folder.
  AppendBackslash(installFolder_);
}

std::int16_t clsInstallIniFile::WriteBuffer() { return 0; }

}  // namespace kv
