#pragma once
// The folder that holds an update. The caller sets the caption, the prompt (lblCaption) and the
// current folder (txtFolder), shows the form modally, reads intExitButton and, when it is 1,
// strSelectFolder; it then sets intExitButton to -1 and unloads the form: while intExitButton is
// 0 the form refuses to close or unload and hides itself instead.
#include <cstdint>
#include <string>

#include "dialogs/Form.h"

namespace kv {

class frmSetCommonFolder : public Form {
 public:
  frmSetCommonFolder();

  // The accepted folder, always ending with "\"; set only by "OK".
  std::wstring strSelectFolder;
  // 0 from loading on, 1 after "OK", -1 after "キャンセル".
  std::int16_t intExitButton = 0;

  Control lblCaption;
  Control txtFolder;
  Control cmdBrowse;
  Control cmdOk;
  Control cmdCancel;
  Control Picture1;

 protected:
  void Form_Load() override;
  bool Form_QueryUnload() override;

 private:
  void cmdBrowse_Click();
  void cmdOk_Click();
  void cmdCancel_Click();
};

}  // namespace kv
