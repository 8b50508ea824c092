#include "base/Host.h"
#include "base/ProcessExit.h"
#include "base/SkipOnError.h"
#include "dialogs/Form.h"
#include "dialogs/LocalDialog.h"
#include "dialogs/UpdateLogs.h"
#include "dialogs/frmSplash.h"
#include "driver/InternetSteps.h"
#include "driver/ThreeUrlRead.h"
#include "driver/submain.h"
#include "settings/Common.h"
#include "settings/clsIniFile.h"
#include "settings/clsIniFileWeb.h"
#include "settings/clsInstallIniFile.h"
#include "versioncontrol/clsVersionControl.h"

namespace kv {

namespace {

// Only when the product has no update: the web tool's comparison and its offer. Always ends.
[[noreturn]] void CheckWebTool(bool visible) {
  clsIniFileWeb web;
  bool exists = false;
  SkipOnError([&] { exists = web.IniFileExist(); });
  if (!exists) EndProcess(0);
  SkipOnError([&] { web.ReadBuffer(); });

  std::int16_t count = 0;
  bool toolPresent = false;
  SkipOnError([&] { toolPresent = FileExist(objIniFile().WebUpdate()); });
  if (toolPresent) count = CountWebToolUpdates(web);

  if (count > 0) {
    SkipOnError([&] { WriteBootLog(L"Exist Web Update " + std::to_wstring(count)); });
    std::int16_t answer = 0;
    SkipOnError([&] {
      answer = ShowMsgBox(L"バロネルWEBのプログラム更新があります。今すぐ更新しますか？", 65, ProductTitle());
    });
    if (answer == 1) RunAsAdmin(objIniFile().WebUpdate(), L"/UPDATE", true);
    EndProcess(0);
  }
  if (visible) {
    SkipOnError([] { WriteBootLog(L"Not Exist Web Update "); });
    SkipOnError([] { ShowMsgBox(L"新しいプログラム更新はありませんでした。", 64, ProductTitle()); });
  }
  EndProcess(0);
}

}  // namespace

void BackgroundCheck() {
  UpdateRun& run = CurrentRun();
  // The frame has written the switch's line.
  const bool visible = SwitchFound(L"/INETCHECK2");
  SkipOnError([] { Splash().Load(); });
  SkipOnError([&] {
    if (visible) Splash().Show();
    else Splash().Hide();
  });
  SkipOnError([] { WriteBootLog(L"Check Version"); });
  SkipOnError([] { Splash().lblVersion.SetText(L"新しいプログラムを確認しています ..."); });
  SkipOnError([] { Splash().ProgressBar.SetVisible(false); });
  SkipOnError([] { Splash().Refresh(); });
  SkipOnError([] { DoEvents(); });
  RefuseWindowsXp();

  std::wstring query;
  SkipOnError([&] { query = GetHospitalQuery(); });
  if (ReadProductVersionControl(query) == 0) {
    SkipOnError([] { WriteBootLog(L"XML Get Fail"); });
    UnloadSplashAndEnd();
  }

  const clsIniFile& ini = objIniFile();
  const std::wstring installed = objInstallIniFile().InstallFolder() + ini.VersionFileName();
  SkipOnError([&] { WriteBootLog(L"Read XML " + installed); });
  SkipOnError([&] { objVersionControlLocal().ReadControl(installed, ini.User(), ini.Password(), false); });

  const clsVersionControl& vc = objVersionControl();
  std::int16_t count = 0;
  for (std::int16_t i = 1; i <= vc.UseVersionTable(); ++i) {
    if (!objVersionControlLocal().CheckVersionTable(vc.ProgramName(i), vc.VersionText(i), vc.CabFileName(i))) ++count;
  }
  // No question while the splash window is loaded.
  SkipOnError([&] {
    if (run.SplashCreated()) run.Splash().Unload();
  });

  if (count >= 1) {
    SkipOnError([&] { WriteBootLog(L"Exist Update " + std::to_wstring(count)); });
    std::int16_t answer = 0;
    SkipOnError([&] {
      answer = ShowMsgBox(L"バロネルのプログラム更新があります。今すぐ更新しますか？", 65, ProductTitle());
    });
    if (answer == 1) RestartSelf(L"/INET", run.flgAdministrator);
    EndProcess(0);
  }
  SkipOnError([] { WriteBootLog(L"Not Exist Update"); });
  CheckWebTool(visible);
}

}  // namespace kv
