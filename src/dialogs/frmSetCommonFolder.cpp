#include "dialogs/frmSetCommonFolder.h"

#include "base/Text.h"
#include "dialogs/LocalDialog.h"
#include "dialogs/frmSetCommonFolder.rh"
#include "settings/Win32API.h"

namespace kv {

frmSetCommonFolder::frmSetCommonFolder()
    : Form(L"frmSetCommonFolder", L"FRMSETCOMMONFOLDER"),
      lblCaption{*this, L"lblCaption", IDC_SETCOMMONFOLDER_LBLCAPTION},
      txtFolder{*this, L"txtFolder", IDC_SETCOMMONFOLDER_TXTFOLDER},
      cmdBrowse{*this, L"cmdBrowse", IDC_SETCOMMONFOLDER_CMDBROWSE},
      cmdOk{*this, L"cmdOk", IDC_SETCOMMONFOLDER_CMDOK},
      cmdCancel{*this, L"cmdCancel", IDC_SETCOMMONFOLDER_CMDCANCEL},
      Picture1{*this, L"Picture1", IDC_SETCOMMONFOLDER_PICTURE1} {
  cmdBrowse.OnClick = [this] { cmdBrowse_Click(); };
  cmdOk.OnClick = [this] { cmdOk_Click(); };
  cmdCancel.OnClick = [this] { cmdCancel_Click(); };
  TrackTextBox(txtFolder, L"共有フォルダ");
  SetDefaultButton(&cmdOk);
  SetCancelButton(&cmdCancel);
}

void frmSetCommonFolder::Form_Load() { intExitButton = 0; }

bool frmSetCommonFolder::Form_QueryUnload() {
  if (intExitButton != 0) return true;
  // Not answered yet: the modal show ends and the caller finds 0.
  Hide();
  return false;
}

void frmSetCommonFolder::cmdBrowse_Click() {
  LogAction(cmdBrowse, 0);
  const std::wstring folder = BrowseForFolder(hwnd(), txtFolder.Text());
  if (!folder.empty()) txtFolder.SetText(folder);
}

void frmSetCommonFolder::cmdOk_Click() {
  LogAction(cmdOk, 0);
  const std::wstring folder = txtFolder.Text();
  if (Trim(folder).empty()) {
    ShowMsgBox(L"共有フォルダーまたはドライブを指定してください", 48, Caption());
    return;
  }
  strSelectFolder = EndsWith(folder, L"\\") ? folder : folder + L"\\";
  intExitButton = 1;
  Hide();
}

void frmSetCommonFolder::cmdCancel_Click() {
  LogAction(cmdCancel, 0);
  intExitButton = -1;
  Hide();
}

}  // namespace kv
