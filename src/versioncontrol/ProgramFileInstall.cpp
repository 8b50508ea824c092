#include "versioncontrol/ProgramFileInstall.h"

#include <windows.h>

#include "base/Host.h"
#include "base/RuntimeError.h"
#include "base/Text.h"
#include "settings/Common.h"
#include "versioncontrol/subCabExtract.h"

namespace kv {
namespace {

[[noreturn]] void RaiseUnsafeName(const std::wstring& shown) {
  throw RuntimeError(err::PathFileAccess, ErrorText(err::PathFileAccess) + L"(" + shown + L")");
}

std::wstring Quoted(const std::wstring& text) { return L"\"" + text + L"\""; }

void Check(BOOL done) {
  if (!done) RaiseLastWin32();
}

}  // namespace

std::vector<std::wstring> RegistrationCommands(std::int16_t registType, bool flgRegist,
                                               const std::wstring& systemFolder, const std::wstring& file) {
  switch (registType) {
    case 2:
      return {Quoted(systemFolder + L"regsvr32") + (flgRegist ? L" /s " : L" /u /s ") + Quoted(file)};
    case 3:
      return {Quoted(file) + (flgRegist ? L" /RegServer" : L" /UnregServer")};
    case 4:
      if (!flgRegist) return {Quoted(GetRegasmPath()) + L" " + Quoted(file) + L" /unregist"};
      return {Quoted(GetRegasmPath()) + L" " + Quoted(file),
              L"cmd.exe /c echo %date% %time% > " + Quoted(GetUserDataFolder() + L"\\RegAsm.dat")};
    default:
      return {};
  }
}

void RequirePlainFileName(const std::wstring& name) {
  if (name.empty() || name == L"." || name == L".." || name.find_first_of(L"\\/:*?\"<>|") != std::wstring::npos) {
    RaiseUnsafeName(name);
  }
}

void RequireSubFolderName(const std::wstring& folderName, const std::wstring& programName) {
  if (folderName.empty()) return;
  const std::wstring folder = EndsWith(folderName, L"\\") ? folderName.substr(0, folderName.size() - 1) : folderName;
  if (!IsContainedRelativePath(folder)) RaiseUnsafeName(AddBackslash(folderName) + programName);
}

bool IsOwnExecutable(const std::wstring& programName) {
  return UCase(programName) == UCase(CurrentHost().ProgramName() + L".exe");
}

std::wstring DestinationFolder(const std::wstring& strDestFolder, const std::wstring& folderName) {
  return strDestFolder + folderName + L"\\";
}

bool CopyIntoPlace(const std::wstring& source, const std::wstring& strDestFolder, const std::wstring& folderName,
                   const std::wstring& programName) {
  if (IsOwnExecutable(programName)) return false;
  const std::wstring folder = strDestFolder + folderName;
  if (!DirectoryListingFinds(folder)) Check(CreateDirectoryW(folder.c_str(), nullptr));
  CopyReplacing(source, DestinationFolder(strDestFolder, folderName) + programName);
  return true;
}

void CopyReplacing(const std::wstring& source, const std::wstring& target) {
  // The copy goes into a new file beside the target, which then takes the target's place: a copy
  // that stops half way (a full disk) leaves the file in place whole.
  const std::wstring folder = target.substr(0, target.find_last_of(L'\\') + 1);
  wchar_t fresh[MAX_PATH] = L"";
  Check(GetTempFileNameW(folder.c_str(), L"kv", 0, fresh) != 0);
  if (!CopyFileW(source.c_str(), fresh, FALSE) || !MoveFileExW(fresh, target.c_str(), MOVEFILE_REPLACE_EXISTING)) {
    const DWORD error = GetLastError();
    DeleteFileW(fresh);
    throw RuntimeError::FromWin32(error);
  }
  SetNormalAttributes(target);
}

void SetNormalAttributes(const std::wstring& path) { Check(SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL)); }

void DeleteListedFile(const std::wstring& path) { Check(DeleteFileW(path.c_str())); }

std::wstring CabinetMissingText(const std::wstring& cabinetName) {
  return ErrorText(err::FileNotFound) + L"(" + cabinetName + L")";
}

std::wstring CabinetNotExtractedText(const std::wstring& cabinetName) {
  return L"ファイルを解凍できませんでした。(" + cabinetName + L")";
}

}  // namespace kv
