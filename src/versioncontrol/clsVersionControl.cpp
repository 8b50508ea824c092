#include "versioncontrol/clsVersionControl.h"

#include <vector>

#include "base/Host.h"
#include "base/Text.h"
#include "settings/Common.h"
#include "versioncontrol/ProgramFileInstall.h"
#include "versioncontrol/subCabExtract.h"

namespace kv {
namespace {

constexpr DWORD kRegistrationPause = 500;

std::wstring CabinetName(const VersionTableEntry& entry) {
  return entry.CabFileName.empty() ? entry.ProgramName + L".cab" : entry.CabFileName;
}

}  // namespace

clsVersionControl::clsVersionControl() : clsVersionControl(RealProcessStarter()) {}

clsVersionControl::clsVersionControl(const ProcessStarter& processes) : processes_(&processes) {
  SetIgnoreCheck(false);
}

void clsVersionControl::SetUseVersionTable(std::int16_t Value) {
  if (Value <= kMaxVersionTable) useVersionTable_ = Value;
}

std::int32_t clsVersionControl::ReadControl(const std::wstring& strVersionControlFileName, const std::wstring& strUser,
                                            const std::wstring& strPassword, bool flgRemovePPK) {
  return ReadVersionControl(strVersionControlFileName, strUser, strPassword, flgRemovePPK, {-1, -1, -1});
}

std::int32_t clsVersionControl::WriteControl(const std::wstring& strVersionControlFileName) {
  return WriteVersionControl(strVersionControlFileName);
}

bool clsVersionControl::CheckVersionTable(const std::wstring& strProgramName, const std::wstring& strVersion,
                                          const std::wstring& strCabFileName) const {
  if (ignoreCheck_) return false;
  const VersionTableEntry* entry = FindFirstEntry(strProgramName);
  return entry && entry->VersionText == strVersion &&
         (strCabFileName.empty() || entry->CabFileName == strCabFileName);
}

std::int32_t clsVersionControl::CopyAndRegist(std::int16_t intIndex, const std::wstring& strSouceFolder,
                                              const std::wstring& strDestFolder) {
  return OnProgramFile(intIndex, -1, [&](const VersionTableEntry& entry) -> std::int32_t {
    RequirePlainFileName(entry.ProgramName);
    RequireSubFolderName(entry.FolderName, entry.ProgramName);
    const std::wstring source = strSouceFolder + entry.ProgramName;
    // A listed file that the source lacks is not an installed file.
    if (!FileExist(source)) Raise(err::FileNotFound);
    const std::wstring destination = DestinationFolder(strDestFolder, entry.FolderName);
    RegistFile(intIndex, destination, false);
    CopyIntoPlace(source, strDestFolder, entry.FolderName, entry.ProgramName);
    RegistFile(intIndex, destination, true);
    return 0;
  });
}

std::int32_t clsVersionControl::CabExtractAndRegist(std::int16_t intIndex, const std::wstring& strSouceFolder,
                                                    const std::wstring& strDestFolder) {
  return OnProgramFile(intIndex, -1, [&](const VersionTableEntry& entry) -> std::int32_t {
    RequirePlainFileName(entry.ProgramName);
    RequireSubFolderName(entry.FolderName, entry.ProgramName);
    const std::wstring cabinetName = CabinetName(entry);
    RequirePlainFileName(cabinetName);
    const std::wstring cabinet = strSouceFolder + cabinetName;
    if (!FileExist(cabinet)) return RefuseWithText(CabinetMissingText(cabinetName));

    const std::wstring destination = DestinationFolder(strDestFolder, entry.FolderName);
    RegistFile(intIndex, destination, false);
    const bool extracted = CabExtract(cabinet, strSouceFolder);
    if (extracted) {
      const std::wstring file = strSouceFolder + entry.ProgramName;
      if (EndsWith(UCase(entry.ProgramName), L".CAB")) {
        const std::wstring copy = GetUserDataFolder() + L"\\" + entry.ProgramName;
        CopyReplacing(file, copy);
        if (FileExist(copy + L".up")) DeleteListedFile(copy + L".up");
      }
      if (CopyIntoPlace(file, strDestFolder, entry.FolderName, entry.ProgramName)) DeleteListedFile(file);
    }
    // The file in place, new or old, is registered again either way.
    RegistFile(intIndex, destination, true);
    return extracted ? 0 : RefuseWithText(CabinetNotExtractedText(cabinetName));
  });
}

std::int32_t clsVersionControl::ExpandFile(std::int16_t intIndex, const std::wstring& strSouceFolder) {
  return OnProgramFile(intIndex, -1, [&](const VersionTableEntry& entry) -> std::int32_t {
    const std::wstring cabinetName = CabinetName(entry);
    RequirePlainFileName(cabinetName);
    const std::wstring cabinet = strSouceFolder + cabinetName;
    if (!FileExist(cabinet)) return -1;
    return CabExtract(cabinet, strSouceFolder) ? 0 : -1;
  });
}

std::int32_t clsVersionControl::RegistFile(std::int16_t intIndex, const std::wstring& strDestFolder, bool flgRegist) {
  return OnProgramFile(intIndex, -1, [&](const VersionTableEntry& entry) -> std::int32_t {
    RequirePlainFileName(entry.ProgramName);
    // Most files are not registered: the look-ups of the file and the tools are not needed then.
    if (!RegistersWithATool(entry.RegistType)) return 0;
    std::wstring systemFolder = AddBackslash(CurrentHost().SystemFolder());
    if (!FileExist(systemFolder + L"regsvr32.exe")) systemFolder = strDestFolder;
    const std::wstring file = strDestFolder + entry.ProgramName;
    if (!FileExist(file)) return 0;

    const auto commands = RegistrationCommands(entry.RegistType, flgRegist, systemFolder, file);
    if (commands.empty()) return 0;
    CurrentHost().Sleep(kRegistrationPause);
    ExecWait(commands.front());
    CurrentHost().Sleep(kRegistrationPause);
    for (std::size_t i = 1; i < commands.size(); ++i) ExecWait(commands[i]);
    return 0;
  });
}

std::int16_t clsVersionControl::ExecWait(const std::wstring& commandLine) {
  const UniqueHandle process = processes_->Start(commandLine);
  if (!process) return -1;
  WaitForSingleObject(process.get(), INFINITE);
  return 0;
}

}  // namespace kv
