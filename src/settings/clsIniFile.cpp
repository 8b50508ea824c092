#include "settings/clsIniFile.h"

#include <windows.h>

#include "base/SkipOnError.h"
#include "settings/Common.h"
#include "settings/IniProfile.h"
#include "settings/UpdateHosts.h"

namespace kv {
namespace {

constexpr wchar_t kFileName[] = L"KanvoloUpdate.ini";
constexpr wchar_t kSection[] = L"VersionControl";

}  // namespace

std::wstring clsIniFile::ReadIniValue(const std::wstring& section, const std::wstring& key,
                                      const std::wstring& defaultValue) const {
  return ReadProfileValue(UserIniReadPath(kFileName), section, key, defaultValue);
}

void clsIniFile::WriteIniValue(const std::wstring& section, const std::wstring& key,
                               const std::wstring& value) const {
  WriteProfileValue(UserIniPath(kFileName), section, key, value);
}

void clsIniFile::ReadBuffer() {
  const auto read = [this](std::wstring& field, const wchar_t* key, const std::wstring& defaultValue) {
    SkipOnError([&] { field = ReadIniValue(kSection, key, defaultValue); });
  };
  read(commonFolder_, L"CommonFolder", std::wstring(L"\\\\") + kProductServer + L"\\バロネル\\");
  AppendBackslash(commonFolder_);
  read(versionFileName_, L"VersionFileName", L"Version.xml");
  read(errorFileName_, L"ErrorFileName", L"KanvoloUpdate.err");
  read(execFileName_, L"ExecFileName", L"Kanvolo.exe");
  read(voiceUpdateFile_, L"VoiceUpdeteFile", L"VoiceUpdate.xml");
  read(updateURL_, L"UpdateURL", std::wstring(L"https://") + kUpdateHost1 + L"/update/v5/");
  read(updateURL2_, L"UpdateURL2", std::wstring(L"http://") + kUpdateHost1 + L"/update/v5/");
  read(updateURL3_, L"UpdateURL3", std::wstring(L"https://") + kUpdateHost2 + L"/update/v5/");
  read(proxy_, L"Proxy", L"");
  read(user_, L"User", L"");
  read(password_, L"Password", L"");
  read(webUpdate_, L"WebUpdate", EnvironmentValue(L"ProgramFiles") + L"\\バロネルWEBツール\\Sornet.exe");

  std::wstring timeOut = L"300";
  read(timeOut, L"TimeOut", L"300");
  SkipOnError([&] { SetTimeOutFromText(timeOut_, timeOut); });
}

std::int16_t clsIniFile::WriteBuffer() {
  WriteIniValue(kSection, L"CommonFolder", commonFolder_);
  WriteIniValue(kSection, L"VersionFileName", versionFileName_);
  WriteIniValue(kSection, L"ErrorFileName", errorFileName_);
  WriteIniValue(kSection, L"ExecFileName", execFileName_);
  WriteIniValue(kSection, L"VoiceUpdeteFile", voiceUpdateFile_);
  return 0;
}

}  // namespace kv
