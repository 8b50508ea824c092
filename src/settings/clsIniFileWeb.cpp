#include "settings/clsIniFileWeb.h"

#include "base/Host.h"
#include "settings/Common.h"
#include "settings/IniProfile.h"
#include "settings/UpdateHosts.h"

namespace kv {
namespace {

constexpr wchar_t kFileName[] = L"Sornet.ini";
constexpr wchar_t kSection[] = L"VersionControl";
constexpr wchar_t kMosuriWebFolder[] = L"\\InetPub\\wwwroot\\mosuri\\";

}  // namespace

std::wstring clsIniFileWeb::ReadIniValue(const std::wstring& section, const std::wstring& key,
                                         const std::wstring& defaultValue) const {
  return ReadProfileValue(UserIniReadPath(kFileName), section, key, defaultValue);
}

void clsIniFileWeb::WriteIniValue(const std::wstring& section, const std::wstring& key,
                                  const std::wstring& value) const {
  WriteProfileValue(UserIniPath(kFileName), section, key, value);
}

bool clsIniFileWeb::IniFileExist() const {
  // The bare name is looked for in the current directory, not where ReadBuffer looks.
  return ExistIniFile() || FileExist(kFileName);
}

bool clsIniFileWeb::ExistIniFile() const { return FileExist(UserIniPath(kFileName)); }

void clsIniFileWeb::ReadBuffer() {
  const std::wstring webFolder =
      DirectoryListingFinds(kMosuriWebFolder) ? kMosuriWebFolder : L"\\InetPub\\wwwroot\\";
  const std::wstring programFolder = CurrentHost().ProgramFolder();

  webFolder_ = ReadIniValue(kSection, L"WebFolder", webFolder);
  AppendBackslash(webFolder_);
  downloadFolder_ = ReadIniValue(kSection, L"DownLoadFolder", programFolder + L"\\Download\\");
  AppendBackslash(downloadFolder_);
  uploadFolder_ = ReadIniValue(kSection, L"UpLoadFolder", programFolder + L"\\Upload\\");
  AppendBackslash(uploadFolder_);
  webSettingFile_ = ReadIniValue(kSection, L"WebSettingFile", L"C:\\WebSetting.xml");
  versionFileName_ = ReadIniValue(kSection, L"VersionFileName", L"Version.xml");
  errorFileName_ = ReadIniValue(kSection, L"ErrorFileName", L"WebUpdate.err");
  programKey_ = ReadIniValue(kSection, L"ProgramKey", L"");
  const std::wstring urlPath = L"/update/webupdate/v5/";
  updateURL_ = ReadIniValue(kSection, L"UpdateURL", L"https://" + std::wstring(kUpdateHost1) + urlPath);
  updateURL2_ = ReadIniValue(kSection, L"UpdateURL2", L"http://" + std::wstring(kUpdateHost1) + urlPath);
  updateURL3_ = ReadIniValue(kSection, L"UpdateURL3", L"https://" + std::wstring(kUpdateHost2) + urlPath);
  proxy_ = ReadIniValue(kSection, L"Proxy", L"");
  user_ = ReadIniValue(kSection, L"User", L"");
  password_ = ReadIniValue(kSection, L"Password", L"");

  const std::wstring timeOut = ReadIniValue(kSection, L"TimeOut", L"300");
  SetTimeOutFromText(timeOut_, timeOut);
}

std::int16_t clsIniFileWeb::WriteBuffer() {
  WriteIniValue(kSection, L"WebFolder", webFolder_);
  WriteIniValue(kSection, L"DownLoadFolder", downloadFolder_);
  WriteIniValue(kSection, L"VersionFileName", versionFileName_);
  WriteIniValue(kSection, L"ProgramKey", programKey_);
  return 0;
}

}  // namespace kv
