#include "maintenance/RegistAllFiles.h"

#include <windows.h>

#include "base/Host.h"
#include "dialogs/UpdateLogs.h"
#include "driver/submain.h"
#include "settings/clsIniFile.h"
#include "versioncontrol/ProgramFileInstall.h"
#include "versioncontrol/clsVersionControl.h"

namespace kv {
namespace {

const wchar_t kCannotRead[] = L"バージョンコントロールファイルが読み込めません。";

}  // namespace

std::int16_t RegistAllFiles(bool regist, bool remove) {
  const std::wstring folder = CurrentHost().ProgramFolder() + L"\\";
  clsVersionControl& control = objVersionControl();
  const std::int32_t result =
      control.ReadControl(folder + objIniFile().VersionFileName(), objIniFile().User(), objIniFile().Password(), false);
  // Only a verified file counts here: -1 (check value wrong or missing, nothing listed) is refused.
  if (result != 0) {
    LogMessageBox(kCannotRead + control.LastErrorDescription(), MB_ICONHAND | MB_OK, CurrentHost().ProductName());
    return 0;
  }

  for (std::int16_t i = 1; i <= control.UseVersionTable(); ++i) {
    control.RegistFile(i, folder, regist);
    if (regist || !remove) continue;
    const std::wstring name = control.ProgramName(i);
    // The running program cannot be deleted (it is in use), and no install operation would ever
    // put it back: it stays, unregistered like the others.
    if (IsOwnExecutable(name)) continue;
    RequirePlainFileName(name);
    DeleteListedFile(folder + name);
  }
  return 0;
}

}  // namespace kv
