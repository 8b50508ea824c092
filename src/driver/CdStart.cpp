#include "base/SkipOnError.h"
#include "dialogs/frmStartUpdate.h"
#include "driver/GetCdDrive.h"
#include "driver/submain.h"
#include "settings/clsIniFile.h"
#include "versioncontrol/clsVersionControl.h"

namespace kv {

// "/SERVER": the user confirms, the main program is closed and the medium's folder is set. The
// frame has written the "/SERVER" line.
void CdStart() {
  UpdateRun& run = CurrentRun();
  frmStartUpdate form;
  SkipOnError([&] {
    form.lblMsg.SetText(
        L"バロネルアップデートを行います。\r\n"
        L"全ての端末のバロネルを終了させ、アップデートCD/DVDをドライブにセットしてください。\r\n"
        L"※実行前には必ずデータベースのバックアップを行ってください。");
  });
  SkipOnError([&] { form.lblTitle[1].SetText(L"CD/DVD アップデート"); });
  SkipOnError([&] { form.chkOption.SetVisible(true); });
  SkipOnError([&] { form.chkOption.SetValue(0); });
  SkipOnError([&] { form.ShowModal(); });
  if (form.intInputkey == 2) {
    SkipOnError([&] { form.Unload(); });
    UnloadSplashAndEnd();
  }
  bool reinstallAll = false;
  SkipOnError([&] { reinstallAll = form.chkOption.Value() == 1; });
  if (reinstallAll) {
    run.objVersionControlLocal().SetIgnoreCheck(true);
    run.objVersionControl().SetIgnoreCheck(true);
  }
  SkipOnError([&] { form.Unload(); });

  StopMainProgram();
  PostCloseRequest();
  // Always the drive's folder: a folder chosen in an earlier run is not where this medium is.
  run.objIniFile().SetCommonFolder(GetCdDrive() + L"Update\\");
  run.flgCdUpdate = true;
}

}  // namespace kv
