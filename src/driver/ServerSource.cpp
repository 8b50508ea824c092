// The server database source: makes sure a database server is set (the settings dialog when none
// is, on "/SETUP", or when the user asks after a failed connection), tests that the update
// database exists and reads its rows into objDataBaseUpdate.
#include "base/ProcessExit.h"
#include "base/SkipOnError.h"
#include "database/clsDataBaseUpdate.h"
#include "database/frmInitDBServer.h"
#include "dialogs/LocalDialog.h"
#include "dialogs/UpdateLogs.h"
#include "dialogs/frmSplash.h"
#include "driver/submain.h"
#include "settings/Common.h"
#include "settings/clsParamUpdate.h"

namespace kv {
namespace {

// The seven settings as the boot log shows them, the password in clear.
std::wstring SettingsLine(const clsParamUpdate& p) {
  return std::to_wstring(p.DBDriver()) + L"," + p.DBUser() + L"," + p.DBPassword() + L"," + p.DBServer() + L"," +
         p.DBInstance() + L"," + p.DBPort() + L"," + p.DBOption();
}

void RefreshSplash() {
  SkipOnError([] { Splash().Refresh(); });
}

// The update database cannot be used: the offer to start the main program without an update.
[[noreturn]] void OfferMainProgramAndEnd(bool closeSplash) {
  if (closeSplash && CurrentRun().SplashCreated()) SkipOnError([] { Splash().Unload(); });
  SkipOnError([] { ExecProgramNoCheck(); });
  EndProcess(0);
}

// The settings dialog, after the restart of a user without administrator rights; ends the process
// when it is cancelled.
void AskForSettings() {
  clsParamUpdate& params = objParamUpdate();
  WriteBootLog(L"Init Server" + params.DBServer());
  if (!CurrentRun().flgAdministrator) {
    std::wstring arguments = CurrentHost().CommandLine();
    if (!SwitchFound(L"/SETUP")) arguments += L" /SETUP";
    RestartSelf(arguments, false);
  }
  frmInitDBServer dialog(params);
  SkipOnError([&] { dialog.ShowModal(); });
  const bool accepted = dialog.OkClicked();
  SkipOnError([&] { dialog.Unload(); });
  if (!accepted) OfferMainProgramAndEnd(false);  // the splash window stays until the end
  SkipOnError([&] { params.SetValue(); });
  RefreshSplash();
}

}  // namespace

void ServerSource() {
  const std::wstring title = CurrentHost().ProductName();
  clsDataBaseUpdate& db = objDataBaseUpdate();
  clsParamUpdate& params = objParamUpdate();

  WriteBootLog(L"Server Download");
  std::int32_t settings = SwitchFound(L"/SETUP") ? 1 : 0;
  for (;;) {
    if (params.DBServer().empty() || settings != 0) AskForSettings();

    WriteBootLog(L"DB.ExistDatabase " + SettingsLine(params));
    settings = db.ExistDatabase(params.DBDriver(), params.DBUser(), params.DBPassword(), params.DBServer(),
                                params.DBInstance(), params.DBPort(), params.DBOption(), 30);
    if (settings == -1) {
      WriteBootLog(L"No Data in DB " + std::to_wstring(settings));
      LogMessageBox(L"データベースにプログラム更新情報がありません。バロネルサーバーでデータベースの初期化からプログラム情報の更新を行ってください。",
                    16, title);
      OfferMainProgramAndEnd(true);
    }
    if (settings != 0) {
      WriteBootLog(L"Not Connect DB " + std::to_wstring(settings));
      // A question, not a notice: it stays out of the update log.
      const auto answer = ShowMsgBox(L"バロネルサーバーに接続できません。 設定を変更しますか？\r\n\r\n[" +
                                         db.LastErrorMessage() + L"]",
                                     52, title);
      if (answer != 6) OfferMainProgramAndEnd(true);
    }
    RefreshSplash();

    if (settings == 0) {
      WriteBootLog(L"DB.ReadControl " + SettingsLine(params));
      settings = db.ReadControl(params.DBDriver(), params.DBUser(), params.DBPassword(), params.DBServer(),
                                params.DBInstance(), params.DBPort(), params.DBOption(), 30);
      if (settings == 0) break;
      WriteBootLog(L"Not Read DB " + std::to_wstring(settings));
      LogMessageBox(L"プログラムをダウンロードできませんでした。" + db.LastErrorMessage(), 16, title);
      OfferMainProgramAndEnd(true);
    }
    RefreshSplash();  // the user asked to change the settings: the dialog comes next
  }

  if (!FileExist(GetUserDataFolder() + L"\\Update.log")) WriteUpdateLog(L"サーバーアップデート");
}

}  // namespace kv
