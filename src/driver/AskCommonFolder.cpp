#include "driver/AskCommonFolder.h"

#include "base/SkipOnError.h"
#include "dialogs/frmSetCommonFolder.h"
#include "driver/submain.h"
#include "settings/clsIniFile.h"

namespace kv {

std::int16_t AskCommonFolder() {
  std::int16_t result = -1;
  frmSetCommonFolder form;
  SkipOnError([&] { form.Load(); });
  SkipOnError([&] { form.SetCaption(L"バロネルバージョンコントロール - アップデートCD/DVD指定"); });
  SkipOnError([&] { form.lblCaption.SetText(L"バロネルアップデートCD/DVDの Updateフォルダを指定してください。"); });
  SkipOnError([&] { form.txtFolder.SetText(objIniFile().CommonFolder()); });
  SkipOnError([&] { form.ShowModal(); });
  if (form.intExitButton == 1) {
    objIniFile().SetCommonFolder(form.strSelectFolder);
    objIniFile().WriteBuffer();
    result = 0;
  }
  // While it is 0 (closed from the title bar) the form refuses the unload.
  form.intExitButton = -1;
  SkipOnError([&] { form.Unload(); });
  return result;
}

}  // namespace kv
