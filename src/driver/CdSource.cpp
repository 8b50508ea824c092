#include "base/SkipOnError.h"
#include "dialogs/LocalDialog.h"
#include "dialogs/UpdateLogs.h"
#include "dialogs/frmSplash.h"
#include "driver/AskCommonFolder.h"
#include "driver/InternetSteps.h"
#include "driver/submain.h"
#include "settings/Common.h"
#include "settings/clsIniFile.h"
#include "versioncontrol/clsVersionControl.h"

namespace kv {
namespace {

constexpr std::int32_t kNoXmlComponent = 429;

}  // namespace

// Reads the medium's version control; while none can be read the user may choose another folder,
// as often as he likes.
void CdSource() {
  UpdateRun& run = CurrentRun();
  clsIniFile& ini = run.objIniFile();
  clsVersionControl& source = run.objVersionControl();
  const std::wstring title = ProductTitle();
  for (;;) {
    WriteBootLog(L"Read XML " + ini.CommonFolder() + ini.VersionFileName());
    if (source.ReadControl(ini.CommonFolder() + ini.VersionFileName(), ini.User(), ini.Password(), false) == 0) break;
    if (source.LastErrorNumber() == kNoXmlComponent) {
      SkipOnError([&] { LogMessageBox(L"実行に必要なファイルがありません。MSXML3をインストールしてください。", 16, title); });
      UnloadSplashAndEnd();
    }
    if (source.LastErrorNumber() == -1) {
      SkipOnError([&] { LogMessageBox(source.LastErrorDescription(), 16, title); });
      UnloadSplashAndEnd();
    }
    WriteBootLog(L"Not Exist CD");
    std::int16_t answer = 0;
    SkipOnError([&] { answer = ShowMsgBox(L"バロネルアップデートCD/DVDが見つかりません。設定を変更しますか？", 52, title); });
    if (answer != vbYes) UnloadSplashAndEnd();
    WriteBootLog(L"CD Settings");
    std::int16_t chosen = -1;
    SkipOnError([&] { chosen = AskCommonFolder(); });
    if (chosen != 0) UnloadSplashAndEnd();
    ini.WriteBuffer();
    SkipOnError([&] { run.Splash().Refresh(); });
  }
  // Only a new update log starts with the road it was made by.
  if (!FileExist(GetUserDataFolder() + L"\\Update.log")) WriteUpdateLog(L"CD/DVDアップデート");
}

}  // namespace kv
