#include "base/SkipOnError.h"
#include "dialogs/UpdateLogs.h"
#include "driver/InternetSteps.h"
#include "driver/submain.h"
#include "settings/clsIniFile.h"
#include "settings/clsInstallIniFile.h"
#include "versioncontrol/clsVersionControl.h"

namespace kv {

void ShowNoUpdateNotice() {
  SkipOnError([] { LogMessageBox(L"更新するプログラムはありませんでした。", 64, ProductTitle()); });
}

void RecordUpdate() {
  if (CurrentRun().installedCount <= 0) return;
  // The upload of the files marked FileChange into the update database comes here, before the
  // writes, once the server road exists.

  // Both writes make the installed files current for the next run; a failed one is not detected.
  const std::wstring installFolder = objInstallIniFile().InstallFolder();
  const std::wstring fileName = objIniFile().VersionFileName();
  SkipOnError([&] { objVersionControl().WriteControl(installFolder + fileName); });
  SkipOnError([&] { objVersionControl().WriteControl(installFolder + L"Update\\" + fileName); });
  SkipOnError([] { WriteBootLog(L"End Update "); });
}

}  // namespace kv
