#include "driver/AskCommonFolder.h"

#include "dialogs/frmSetCommonFolder.h"
#include "driver/submain.h"
#include "settings/clsIniFile.h"

namespace kv {

std::int16_t AskCommonFolder() {
  std::int16_t result = -1;
  frmSetCommonFolder form;
  form.Load();
  form.SetCaption(L"バロネルバージョンコントロール - アップデートCD/DVD指定");
  form.lblCaption.SetText(L"バロネルアップデートCD/DVDの Updateフォルダを指定してください。");
  form.txtFolder.SetText(objIniFile().CommonFolder());
  form.ShowModal();
  if (form.intExitButton == 1) {
    objIniFile().SetCommonFolder(form.strSelectFolder);
    objIniFile().WriteBuffer();
    result = 0;
  }
  // While it is 0 (closed from the title bar) the form refuses the unload.
  form.intExitButton = -1;
  form.Unload();
  return result;
}

}  // namespace kv
