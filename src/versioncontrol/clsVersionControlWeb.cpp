#include "versioncontrol/clsVersionControlWeb.h"

#include <windows.h>

#include <optional>

#include "base/RuntimeError.h"
#include "settings/Common.h"
#include "versioncontrol/ProgramFileInstall.h"
#include "versioncontrol/subCabExtract.h"

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

std::int32_t clsVersionControlWeb::CopyAndRegist(std::int16_t intIndex, const std::wstring& strSouceFolder,
                                                 const std::wstring& strDestFolder) {
  return OnProgramFile(intIndex, -1, [&](const WebVersionTableEntry& entry) -> std::int32_t {
    RequirePlainFileName(entry.ProgramName);
    RequireSubFolderName(entry.FolderName, entry.ProgramName);
    const std::wstring source = strSouceFolder + entry.ProgramName;
    if (!NormalFileListingFinds(source)) Raise(err::FileNotFound);
    CopyIntoPlace(source, strDestFolder, entry.FolderName, entry.ProgramName);
    return 0;
  });
}

std::int32_t clsVersionControlWeb::ExpandFile(std::int16_t intIndex, const std::wstring& strSouceFolder) {
  return OnProgramFile(intIndex, -1, [&](const WebVersionTableEntry& entry) -> std::int32_t {
    RequirePlainFileName(entry.ProgramName);
    const std::wstring cabinet = strSouceFolder + entry.ProgramName + L".cab";
    if (!FileExist(cabinet)) return 0;
    if (!CabExtract(cabinet, strSouceFolder)) return -1;
    SetNormalAttributes(strSouceFolder + entry.ProgramName);
    return 0;
  });
}

std::int32_t clsVersionControlWeb::CabExtractAndCopy(std::int16_t intIndex, const std::wstring& strSouceFolder,
                                                     const std::wstring& strDestFolder) {
  return OnProgramFile(intIndex, -1, [&](const WebVersionTableEntry& entry) -> std::int32_t {
    RequirePlainFileName(entry.ProgramName);
    const std::wstring cabinetName = entry.ProgramName + L".cab";
    const std::wstring cabinet = strSouceFolder + cabinetName;
    if (!FileExist(cabinet)) return RefuseWithText(CabinetMissingText(cabinetName));
    MakeFolderPath(strDestFolder);
    if (!CabExtract(cabinet, strSouceFolder)) return RefuseWithText(CabinetNotExtractedText(cabinetName));
    if (!IsOwnExecutable(entry.ProgramName)) {
      const std::wstring file = strSouceFolder + entry.ProgramName;
      CopyReplacing(file, strDestFolder + entry.ProgramName);
      DeleteListedFile(file);
    }
    return 0;
  });
}

}  // namespace kv
