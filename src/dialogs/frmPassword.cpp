#include "dialogs/frmPassword.h"

#include <imm.h>

#include "base/SkipOnError.h"
#include "base/Text.h"
#include "components/MD5Component.h"
#include "dialogs/LocalDialog.h"
#include "dialogs/frmPassword.rh"

namespace kv {

frmPassword::frmPassword()
    : Form(L"frmPassword", L"FRMPASSWORD"),
      Label1{*this, L"Label1", IDC_PASSWORD_LABEL1},
      txtPassword{*this, L"txtPassword", IDC_PASSWORD_TXTPASSWORD},
      cmdOk{*this, L"cmdOk", IDC_PASSWORD_CMDOK},
      Picture1{*this, L"Picture1", IDC_PASSWORD_PICTURE1} {
  cmdOk.OnClick = [this] { cmdOk_Click(); };
  TrackTextBox(txtPassword, Label1);
  SetDefaultButton(&cmdOk);
}

std::wstring frmPassword::StoredDigest() const { return L"9e41c07ab35d2f86e0c4b7a1d95f3e62"; }

void frmPassword::Form_Load() {
  passOk_ = false;
  const HWND box = txtPassword.Window();
  SendMessageW(box, EM_SETPASSWORDCHAR, L'*', 0);
  // Typed keys only: no input method composes into the box.
  ImmAssociateContextEx(box, nullptr, 0);
}

void frmPassword::cmdOk_Click() {
  LogAction(cmdOk, 0);
  // A component that cannot be created leaves the digest empty: the password is refused.
  std::wstring digest;
  SkipOnError([&] { digest = MD5Component::Create()->MD5(UCase(txtPassword.Text()), MD5Component::Text); });
  if (digest == StoredDigest()) {
    passOk_ = true;
    Hide();
    return;
  }
  ShowMsgBox(L"パスワードが違います", 16, Caption());
  txtPassword.SetText(L"");
}

}  // namespace kv
