#include <array>

#include "base/Host.h"
#include "base/SkipOnError.h"
#include "components/InternetTransferControl.h"
#include "dialogs/Form.h"
#include "dialogs/UpdateLogs.h"
#include "dialogs/frmSplash.h"
#include "dialogs/frmStartUpdate.h"
#include "driver/InternetSteps.h"
#include "driver/ThreeUrlRead.h"
#include "driver/submain.h"
#include "settings/clsIniFile.h"
#include "settings/clsInstallIniFile.h"
#include "versioncontrol/clsVersionControl.h"

namespace kv {

namespace {

constexpr wchar_t kXpRefused[] = L"Windows XP 以前ではインターネットアップデートは使用できません。";
constexpr wchar_t kNoXmlComponent[] = L"実行に必要なファイルがありません。MSXML3をインストールしてください。";
constexpr wchar_t kNoVersionControl[] = L"バージョンコントロールファイルをダウンロードできませんでした。";

// The start confirmation; Cancel ends the run before anything is asked of the host.
void ConfirmInternetUpdate() {
  frmStartUpdate form;
  SkipOnError([&] {
    form.lblMsg.SetText(L"インターネットに接続してバロネルのアップデートを行います。\r\n"
                        L"全ての端末のバロネルを終了してください。\r\n"
                        L"※実行前には必ずデータベースのバックアップを行ってください。");
  });
  SkipOnError([&] { form.lblTitle[1].SetText(L"インターネット アップデート"); });
  SkipOnError([&] { form.chkOption.SetVisible(true); });
  SkipOnError([&] { form.ShowModal(); });
  if (form.intInputkey == 2) {
    SkipOnError([&] { form.Unload(); });
    UnloadSplashAndEnd();
  }
  bool reinstall = false;
  SkipOnError([&] { reinstall = form.chkOption.Value() == 1; });
  if (reinstall) {
    objVersionControlLocal().SetIgnoreCheck(true);
    objVersionControl().SetIgnoreCheck(true);
  }
  SkipOnError([&] { form.Unload(); });
}

}  // namespace

std::wstring ProductTitle() { return CurrentHost().ProductName(); }

void RefuseWindowsXp() {
  const auto version = CurrentHost().Version();
  if (!version) return;
  CurrentRun().version = *version;
  if (version->major >= 6) return;
  SkipOnError([] { LogMessageBox(kXpRefused, 16, ProductTitle()); });
  UnloadSplashAndEnd();
}

int ReadProductVersionControl(const std::wstring& query) {
  clsIniFile& ini = objIniFile();
  const std::array<std::wstring, 3> bases{ini.UpdateURL(), ini.UpdateURL2(), ini.UpdateURL3()};
  const int delivered = ReadFromThreeUrls(objVersionControl(), bases, ini.VersionFileName(),
                                          [&query] { return query; }, ini.User(), ini.Password(), kProductXmlLabels);
  // The cabinets come from the base that delivered; the INI file keeps its own.
  if (delivered >= 2) ini.SetUpdateURL(bases[delivered - 1]);
  return delivered;
}

void InternetSource() {
  UpdateRun& run = CurrentRun();
  SkipOnError([] { WriteBootLog(L"Internet Download"); });
  RefuseWindowsXp();
  ConfirmInternetUpdate();
  SkipOnError([] { DoEvents(); });
  StopMainProgram();
  SkipOnError([] { Splash().Refresh(); });
  SkipOnError([&] { run.hospitalQuery = GetHospitalQuery(); });
  SkipOnError([] {
    // Only the cabinet downloads go through the splash window's control and so the proxy.
    if (!objIniFile().Proxy().empty()) {
      Splash().Inet1.SetAccessType(InetAccessType::NamedProxy);
      Splash().Inet1.SetProxy(objIniFile().Proxy());
    }
  });
  PostCloseRequest();
  SkipOnError([] { objIniFile().SetCommonFolder(objInstallIniFile().InstallFolder() + L"Update\\"); });

  if (ReadProductVersionControl(run.hospitalQuery) == 0) {
    SkipOnError([] { Splash().lblVersion.SetText(L""); });
    const clsVersionControl& read = objVersionControl();
    const std::wstring text = read.LastErrorNumber() == err::CannotCreateObject
                                  ? std::wstring(kNoXmlComponent)
                                  : kNoVersionControl + read.LastErrorDescription();
    SkipOnError([&] { LogMessageBox(text, 16, ProductTitle()); });
    UnloadSplashAndEnd();
  }
  run.flgInetUpdate = true;
}

}  // namespace kv
