// The server update application: every row of the update database that the installed version
// control does not list with the same version is written into the install folder and registered;
// the version control rebuilt from all rows is written when a file was installed. When none was,
// Ctrl+Alt held down restarts the program to install every row again.
#include <limits>

#include "base/SkipOnError.h"
#include "database/clsDataBaseUpdate.h"
#include "dialogs/UpdateLogs.h"
#include "dialogs/frmSplash.h"
#include "driver/submain.h"
#include "settings/clsIniFile.h"
#include "settings/clsInstallIniFile.h"
#include "settings/clsParamUpdate.h"
#include "versioncontrol/clsVersionControl.h"

namespace kv {
namespace {

constexpr wchar_t kFailed[] = L"更新に失敗しました。";

void RefreshSplash() {
  SkipOnError([] { Splash().Refresh(); });
}

bool Current(const clsDataBaseUpdate& db, std::int16_t row) {
  return objVersionControlLocal().CheckVersionTable(db.ProgramName(row), db.VersionText(row), L"");
}

// A user without administrator rights installs nothing: below Windows 6 a message and the end, from
// 6 on a notice and the restart through "runas" with the command line unchanged.
void RequireAdministrator() {
  UpdateRun& run = CurrentRun();
  if (run.flgAdministrator) return;
  const std::wstring title = CurrentHost().ProductName();
  if (run.version.major < 6) {
    LogMessageBox(L"新しいプログラムの更新が見つかりました。アイコンまたはメニューを右クリックして「別のユーザーとして実行」から管理者権限のあるユーザーで起動してください。",
                  48, title);
    UnloadSplashAndEnd();
  }
  LogMessageBox(L"新しいプログラムの更新が見つかりました。プログラム更新を行います。\r\nユーザーアカウント制御画面が表示されたら更新を許可してください。",
                64, title);
  if (run.SplashCreated()) SkipOnError([] { Splash().Unload(); });
  RestartSelf(CurrentHost().CommandLine(), false);
}

void InstallRow(clsDataBaseUpdate& db, std::int16_t row) {
  UpdateRun& run = CurrentRun();
  const std::wstring name = db.ProgramName(row);
  RequireAdministrator();
  SkipOnError([&] {
    Splash().lblVersion.SetText(L"プログラムを更新中です...");
    Splash().lblHospital.SetText(name + L" を更新しています...");
  });
  RefreshSplash();

  WriteBootLog(L"Read & Regist File " + name);
  const std::int32_t r =
      db.DownloadData(name, db.FolderName(row), db.RegistType(row), objInstallIniFile().InstallFolder());
  if (r != 0) {
    // The connection stays open and nothing is written: the process ends here.
    WriteBootLog(L"Error Read & Regist File " + name + db.LastErrorMessage());
    LogMessageBox(kFailed + db.LastErrorMessage() + name, 16, CurrentHost().ProductName());
    UnloadSplashAndEnd();
  }
  SkipOnError([] { Splash().ProgressBar.SetVisible(true); });
  ++run.installedCount;
  WriteUpdateLog(name + L" " + db.VersionText(row));

  // A row that would carry the bar past its maximum leaves it where it is.
  SkipOnError([&] {
    frmSplash& splash = Splash();
    const std::int64_t value = std::int64_t{splash.ProgressBar.Value()} + db.FileSize(row);
    if (value <= splash.ProgressBar.Max()) splash.ProgressBar.SetValue(static_cast<std::int32_t>(value));
  });
  RefreshSplash();
}

// Entry row of the new version control, from row of the database, in the order the fields are set.
void CopyRow(const clsDataBaseUpdate& db, std::int16_t row) {
  clsVersionControl& vc = objVersionControl();
  vc.SetUseVersionTable(static_cast<std::int16_t>(vc.UseVersionTable() + 1));
  vc.SetVersionText(row, db.VersionText(row));
  vc.SetProgramName(row, db.ProgramName(row));
  vc.SetFolderName(row, db.FolderName(row));
  vc.SetRegistType(row, db.RegistType(row));
  vc.SetFileSize(row, db.FileSize(row));
  vc.SetMD5(row, db.MD5(row));
  vc.SetCabFileName(row, L"");
  vc.SetCabFileSize(row, 0);
}

void InstallRows(std::int16_t rows) {
  UpdateRun& run = CurrentRun();
  clsDataBaseUpdate& db = objDataBaseUpdate();
  clsParamUpdate& params = objParamUpdate();

  SkipOnError([] {
    objVersionControl().SetUseInfoTable(0);
    objVersionControl().SetUseVersionTable(0);
  });

  WriteBootLog(L"Connect DB");
  if (db.OpenConnect(params.DBDriver(), params.DBUser(), params.DBPassword(), params.DBServer(), params.DBInstance(),
                     params.DBPort(), params.DBOption(), L"", 30) != 0) {
    WriteBootLog(L"Error Connect DB" + db.LastErrorMessage());
    LogMessageBox(kFailed + db.LastErrorMessage(), 16, CurrentHost().ProductName());
    UnloadSplashAndEnd();
  }

  run.installedCount = 0;
  std::int32_t total = 0;
  for (std::int16_t i = 1; i <= rows; ++i) {
    if (Current(db, i)) continue;
    // A total past the 32-bit range is an overflow: that addition is skipped.
    const std::int64_t sum = std::int64_t{total} + db.FileSize(i);
    if (sum <= std::numeric_limits<std::int32_t>::max() && sum >= std::numeric_limits<std::int32_t>::min()) {
      total = static_cast<std::int32_t>(sum);
    }
  }
  SkipOnError([&] { Splash().ProgressBar.SetMax(total); });
  SkipOnError([] { Splash().ProgressBar.SetValue(0); });

  for (std::int16_t i = 1; i <= rows; ++i) {
    if (!Current(db, i)) InstallRow(db, i);
    SkipOnError([&] { CopyRow(db, i); });
  }

  db.CloseConnect();
  SkipOnError([] { Splash().lblHospital.SetText(L""); });
  RefreshSplash();

  if (run.installedCount >= 1) {
    const std::wstring folder = objInstallIniFile().InstallFolder();
    const std::wstring file = objIniFile().VersionFileName();
    WriteBootLog(L"Write Control");
    objVersionControl().WriteControl(folder + file);
    objVersionControl().WriteControl(folder + L"Update\\" + file);
  }
}

}  // namespace

void ServerApplication() {
  UpdateRun& run = CurrentRun();
  const std::int16_t rows = objDataBaseUpdate().UseVersionTable();
  if (rows > 0) InstallRows(rows);
  if (run.installedCount != 0) return;

  const Host& host = CurrentHost();
  const bool held = (host.AsyncKeyState(VK_CONTROL) & 0x8000) && (host.AsyncKeyState(VK_MENU) & 0x8000);
  if (!held) return;
  WriteBootLog(L"Ctrl+Alt Reboot");
  RestartSelf(host.CommandLine() + L" /ALL", false);
}

}  // namespace kv
