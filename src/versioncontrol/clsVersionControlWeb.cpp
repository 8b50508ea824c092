#include "versioncontrol/clsVersionControlWeb.h"

#include <windows.h>

#include <optional>

namespace kv {
namespace {

std::optional<ULONGLONG> LastWriteSecond(const std::wstring& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return std::nullopt;
  ULARGE_INTEGER time;
  time.LowPart = data.ftLastWriteTime.dwLowDateTime;
  time.HighPart = data.ftLastWriteTime.dwHighDateTime;
  return time.QuadPart / 10000000;
}

}  // namespace

clsVersionControlWeb::clsVersionControlWeb() { SetIgnoreCheck(false); }

std::int32_t clsVersionControlWeb::ReadControl(const std::wstring& strVersionControlFileName,
                                               const std::wstring& strUser, const std::wstring& strPassword,
                                               bool /*flgRemovePPK*/) {
  return ReadVersionControl(strVersionControlFileName, strUser, strPassword, false, {-1, -2, -3});
}

std::int32_t clsVersionControlWeb::WriteControl(const std::wstring& strVersionControlFileName) {
  return WriteVersionControl(strVersionControlFileName);
}

bool clsVersionControlWeb::CheckVersion(const std::wstring& strSourceFolder, const std::wstring& strDestFolder,
                                        const std::wstring& strProgramName,
                                        const std::wstring& /*strVersion*/) const {
  if (ignoreCheck_ || !FindFirstEntry(strProgramName)) return false;
  const auto source = LastWriteSecond(strSourceFolder + strProgramName);
  const auto dest = LastWriteSecond(strDestFolder + strProgramName);
  return source && dest && *source == *dest;
}

bool clsVersionControlWeb::CheckVersionTable(const std::wstring& strProgramName, const std::wstring& strVersion,
                                             const std::wstring& strTools) const {
  if (ignoreCheck_) return false;
  const WebVersionTableEntry* entry = FindFirstEntry(strProgramName);
  return entry && entry->VersionText == strVersion && entry->Tools == strTools;
}

}  // namespace kv
