#include <windows.h>

#include <string>
#include <vector>

#include "base/Handles.h"
#include "base/SkipOnError.h"
#include "dialogs/UpdateLogs.h"
#include "driver/submain.h"
#include "settings/Common.h"
#include "settings/clsIniFile.h"
#include "settings/clsInstallIniFile.h"
#include "versioncontrol/ProgramFileInstall.h"

namespace kv {
namespace {

// The ordinary files matching the pattern, in the order the file system gives them: no folders,
// hidden or system files (read-only ones are ordinary).
std::vector<std::wstring> OrdinaryFiles(const std::wstring& pattern) {
  std::vector<std::wstring> names;
  WIN32_FIND_DATAW data{};
  UniqueFind find(FindFirstFileW(pattern.c_str(), &data));
  if (!find) return names;
  constexpr DWORD kLeftOut = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
  do {
    if ((data.dwFileAttributes & kLeftOut) == 0) names.emplace_back(data.cFileName);
  } while (FindNextFileW(find.get(), &data));
  return names;
}

}  // namespace

// The medium's voice control file and voice files into the install folder, every CD/DVD run. A
// copy that fails is skipped without a word.
void VoiceDataCopy() {
  UpdateRun& run = CurrentRun();
  if (!run.flgCdUpdate) return;
  const std::wstring folder = run.objIniFile().CommonFolder();
  const std::wstring voiceFile = run.objIniFile().VoiceUpdateFile();
  const std::wstring installFolder = run.objInstallIniFile().InstallFolder();

  if (FileExist(folder + voiceFile)) {
    WriteBootLog(L"Copy Voice Control " + folder + voiceFile);
    SkipOnError([&] { CopyReplacing(folder + voiceFile, installFolder + voiceFile); });
  }
  for (const std::wstring& name : OrdinaryFiles(folder + L"*.wav")) {
    WriteBootLog(L"Copy Voice File " + installFolder + name);
    SkipOnError([&] { CopyReplacing(folder + name, installFolder + name); });
  }
}

}  // namespace kv
