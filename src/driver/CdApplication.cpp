#include <string>

#include "base/SkipOnError.h"
#include "dialogs/LocalDialog.h"
#include "dialogs/UpdateLogs.h"
#include "dialogs/frmSplash.h"
#include "driver/InternetSteps.h"
#include "driver/submain.h"
#include "settings/clsIniFile.h"
#include "settings/clsInstallIniFile.h"
#include "versioncontrol/clsVersionControl.h"

namespace kv {
namespace {

// The installed version control does not list the entry with this version (or ignores its list).
bool NotCurrent(std::int16_t i) {
  const clsVersionControl& source = objVersionControl();
  return !objVersionControlLocal().CheckVersionTable(source.ProgramName(i), source.VersionText(i),
                                                     source.CabFileName(i));
}

// Before the first file is copied: a user without rights restarts elevated (6 and later) or is
// told how to start the program (older Windows). Neither returns.
void RequireAdministrator() {
  UpdateRun& run = CurrentRun();
  if (run.flgAdministrator) return;
  const std::wstring title = ProductTitle();
  // Shown, not written into the update log.
  if (run.version.major < 6) {
    SkipOnError([&] {
      ShowMsgBox(L"新しいプログラムの更新が見つかりました。アイコンまたはメニューを右クリックして「別のユーザーとして実行」から"
                 L"管理者権限のあるユーザーで起動してください。",
                 48, title);
    });
    UnloadSplashAndEnd();
  }
  SkipOnError([&] {
    ShowMsgBox(L"新しいプログラムの更新が見つかりました。プログラム更新を行います。\r\n"
               L"ユーザーアカウント制御画面が表示されたら更新を許可してください。",
               64, title);
  });
  SkipOnError([&] {
    if (run.SplashCreated()) run.Splash().Unload();
  });
  RestartSelf(RunCommandLine(), false);
}

}  // namespace

// The CD/DVD update after the frame's "Check Version": count, ask on a version-down, verify every
// file to install, then copy and register them in table order.
void CdApplication() {
  UpdateRun& run = CurrentRun();
  clsVersionControl& source = run.objVersionControl();
  clsVersionControl& installed = run.objVersionControlLocal();
  frmSplash& splash = run.Splash();
  const std::wstring folder = run.objIniFile().CommonFolder();
  const std::wstring title = ProductTitle();

  WriteUpdateLog(L"CD/DVDアップデート開始");
  // A total the bar cannot take as its maximum leaves the maximum as it was.
  SkipOnError([&] { splash.ProgressBar.SetMax(source.TotalFileSize()); });

  run.installedCount = 0;
  bool versionDown = false;
  for (std::int16_t i = 1; i <= source.UseVersionTable(); ++i) {
    if (NotCurrent(i)) ++run.installedCount;
    // Asked of current entries too.
    if (installed.CheckVersionDown(source.ProgramName(i), source.VersionText(i), source.CabFileName(i))) {
      versionDown = true;
    }
  }
  if (run.installedCount == 0) {
    WriteBootLog(L"Not Exist Update");
    ShowNoUpdateNotice();
    return;
  }
  WriteBootLog(L"Exist Update " + std::to_wstring(run.installedCount));

  std::int16_t answer = vbOK;
  if (versionDown) {
    WriteBootLog(L"Version Down");
    SkipOnError([&] {
      answer = LogMessageBox(
          L"このまま更新するとバージョンダウンするため、正しく動作しない可能性があります。よろしいですか？", 49, title);
    });
  }
  if (answer != vbOK) {
    run.installedCount = 0;
    run.declined = true;
    return;
  }

  // Every file is verified while still on the medium, before anything is copied.
  SkipOnError([&] { splash.lblHospital.SetText(L"ファイルをチェックしています..."); });
  SkipOnError([&] { splash.Refresh(); });
  WriteBootLog(L"Check MD5");
  for (std::int16_t i = 1; i <= source.UseVersionTable(); ++i) {
    if (!NotCurrent(i) || source.CheckFileMD5(i, folder) == 0) continue;
    WriteBootLog(L"Error MD5 " + source.ProgramName(i));
    SkipOnError([&] { LogMessageBox(L"ファイルが破損しています。" + source.LastErrorDescription(), 16, title); });
    UnloadSplashAndEnd();
  }

  const std::wstring installFolder = run.objInstallIniFile().InstallFolder();
  for (std::int16_t i = 1; i <= source.UseVersionTable(); ++i) {
    if (NotCurrent(i)) {
      RequireAdministrator();
      const std::wstring name = source.ProgramName(i);
      WriteBootLog(L"Update File " + name);
      SkipOnError([&] { splash.lblHospital.SetText(name + L" を更新しています..."); });
      SkipOnError([&] { splash.Refresh(); });
      WriteBootLog(L"Regist File " + name);
      if (source.CopyAndRegist(i, folder, installFolder) != 0) {
        WriteBootLog(L"Fail Update " + name);
        SkipOnError([&] { LogMessageBox(L"更新に失敗しました。" + source.LastErrorDescription() + name, 16, title); });
        UnloadSplashAndEnd();
      }
      SkipOnError([&] { splash.ProgressBar.SetVisible(true); });
      ++run.installedCount;
      WriteUpdateLog(name + L" " + source.VersionText(i));
      source.SetFileChange(i, true);
    }
    // Beyond the maximum the bar keeps its value.
    SkipOnError([&] { splash.ProgressBar.SetValue(i); });
    SkipOnError([&] { splash.Refresh(); });
  }
  WriteUpdateLog(L"CD/DVDアップデート更新");
  SkipOnError([&] { splash.lblHospital.SetText(L""); });
  SkipOnError([&] { splash.Refresh(); });
}

}  // namespace kv
