#include "base/SkipOnError.h"
#include "database/clsDataBaseUpdate.h"
#include "dialogs/UpdateLogs.h"
#include "driver/InternetSteps.h"
#include "driver/submain.h"
#include "settings/clsIniFile.h"
#include "settings/clsInstallIniFile.h"
#include "settings/clsParamUpdate.h"
#include "versioncontrol/ProgramFileInstall.h"
#include "versioncontrol/clsVersionControl.h"

namespace kv {
namespace {

// The files installed in this run go into the update database, in table order, for the client
// PCs. A failed open is silent; the first failed file is shown and ends the uploads.
void UploadInstalledFiles() {
  clsParamUpdate& params = objParamUpdate();
  if (params.DBServer().empty()) return;
  WriteBootLog(L"Write DB");
  clsDataBaseUpdate& db = objDataBaseUpdate();
  if (db.OpenConnect(params.DBDriver(), params.DBUser(), params.DBPassword(), params.DBServer(), params.DBInstance(),
                     params.DBPort(), params.DBOption(), L"", 30) != 0) {
    return;
  }
  clsVersionControl& vc = objVersionControl();
  const std::wstring installFolder = objInstallIniFile().InstallFolder();
  for (std::int16_t i = 1; i <= vc.UseVersionTable(); ++i) {
    const std::wstring name = vc.ProgramName(i);
    // The update program's own executable is never replaced: the file in the install folder is
    // the old one, and under the new version text its bytes would reach every client PC.
    if (!vc.FileChange(i) || IsOwnExecutable(name)) continue;
    if (db.UploadData(name, vc.FolderName(i), vc.VersionText(i), vc.RegistType(i), installFolder) != 0) {
      WriteBootLog(L"Error Write DB " + name);
      SkipOnError([&] {
        LogMessageBox(L"プログラム情報の更新に失敗しました。スタートメニューのデータベースの初期化でプログラム情報の更新を行ってください。" +
                          db.LastErrorMessage() + name,
                      16, ProductTitle());
      });
      break;
    }
  }
  db.CloseConnect();
}

}  // namespace

void ShowNoUpdateNotice() {
  SkipOnError([] { LogMessageBox(L"更新するプログラムはありませんでした。", 64, ProductTitle()); });
}

void RecordUpdate() {
  if (CurrentRun().installedCount <= 0) return;
  UploadInstalledFiles();

  // Both writes make the installed files current for the next run; a failed one is not detected.
  const std::wstring installFolder = objInstallIniFile().InstallFolder();
  const std::wstring fileName = objIniFile().VersionFileName();
  SkipOnError([&] { objVersionControl().WriteControl(installFolder + fileName); });
  SkipOnError([&] { objVersionControl().WriteControl(installFolder + L"Update\\" + fileName); });
  SkipOnError([] { WriteBootLog(L"End Update "); });
}

}  // namespace kv
