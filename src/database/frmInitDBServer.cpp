#include "database/frmInitDBServer.h"

#include "base/RuntimeError.h"
#include "base/Text.h"
#include "database/frmInitDBServer.rh"
#include "dialogs/LocalDialog.h"
#include "dialogs/ToolTip.h"
#include "dialogs/clsOperationLog.h"
#include "settings/clsParamUpdate.h"

namespace kv {
namespace {

constexpr int kEnabledColor = COLOR_WINDOW;
constexpr int kDisabledColor = COLOR_BTNFACE;
constexpr int kBannerColor = COLOR_WINDOW;

}  // namespace

frmInitDBServer::frmInitDBServer(clsParamUpdate& params)
    : Form(L"frmInitDBServer", L"FRMINITDBSERVER"),
      picCaption{*this, L"picCaption", IDC_INITDBSERVER_PICCAPTION},
      Picture1{*this, L"Picture1", IDC_INITDBSERVER_PICTURE1},
      lblCaption{*this, L"lblCaption", IDC_INITDBSERVER_LBLCAPTION},
      lblParam{*this, L"lblParam", IDC_INITDBSERVER_LBLPARAM},
      txtDBServer{*this, L"txtDBServer", IDC_INITDBSERVER_TXTDBSERVER},
      cboInstance{*this, L"cboInstance", IDC_INITDBSERVER_CBOINSTANCE},
      cboPort{*this, L"cboPort", IDC_INITDBSERVER_CBOPORT},
      fraOption{*this, L"fraOption", IDC_INITDBSERVER_FRAOPTION},
      optNinsyou{{{*this, L"optNinsyou", IDC_INITDBSERVER_OPTNINSYOU0, 0},
                  {*this, L"optNinsyou", IDC_INITDBSERVER_OPTNINSYOU1, 1}}},
      txtDBUser{*this, L"txtDBUser", IDC_INITDBSERVER_TXTDBUSER},
      txtDBPassword{*this, L"txtDBPassword", IDC_INITDBSERVER_TXTDBPASSWORD},
      cmdOk{*this, L"cmdOk", IDC_INITDBSERVER_CMDOK},
      cmdCancel{*this, L"cmdCancel", IDC_INITDBSERVER_CMDCANCEL},
      params_(params),
      lblOptions_{{{*this, L"lblOption", IDC_INITDBSERVER_LBLOPTION0, 0},
                   {*this, L"lblOption", IDC_INITDBSERVER_LBLOPTION1, 1},
                   {*this, L"lblOption", IDC_INITDBSERVER_LBLOPTION64, 64},
                   {*this, L"lblOption", IDC_INITDBSERVER_LBLOPTION139, 139}}} {
  TrackTextBox(txtDBServer, lblParam);
  TrackTextBox(txtDBUser, lblOption(0));
  TrackTextBox(txtDBPassword, lblOption(1));
  // A pick from a list is a click, which changes nothing here; only typing is a change.
  cboInstance.OnChange = [this] {
    if (!settingCombo_) cboInstance.SetTag(L"1");
  };
  cboInstance.OnGotFocus = [this] { cboInstance.SetTag(L""); };
  cboInstance.OnLostFocus = [this] { cboInstance_LostFocus(); };
  cboPort.OnChange = [this] {
    if (!settingCombo_) cboPort_Change();
  };
  cboPort.OnGotFocus = [this] { cboPort.SetTag(L""); };
  cboPort.OnLostFocus = [this] { cboPort_LostFocus(); };
  for (int i = 0; i < 2; ++i) optNinsyou[static_cast<std::size_t>(i)].OnClick = [this, i] { optNinsyou_Click(i); };
  cmdOk.OnClick = [this] { cmdOk_Click(); };
  cmdCancel.OnClick = [this] { cmdCancel_Click(); };
  SetDefaultButton(&cmdOk);
  SetCancelButton(&cmdCancel);
}

Control& frmInitDBServer::lblOption(int index) {
  for (Control& label : lblOptions_) {
    if (label.Index() == index) return label;
  }
  Raise(err::SubscriptOutOfRange);
}

void frmInitDBServer::Form_Load() {
  // The frame has written "開く".
  okClicked_ = false;
  backColors_.clear();

  SendMessageW(Picture1.Window(), STM_SETICON, reinterpret_cast<WPARAM>(LoadIconW(nullptr, IDI_INFORMATION)), 0);
  for (const wchar_t* entry : {kDefaultInstance, L"MSSQLSERVER", L"SQLExpress"}) {
    SendMessageW(cboInstance.Window(), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry));
  }
  for (const wchar_t* entry : {kDefaultPort, L"1433"}) {
    SendMessageW(cboPort.Window(), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry));
  }
  AddToolTip(*this, cboInstance,
             L"名前付きインスタンスを使用する場合は入力してください。通常は（既定のインスタンス）にしてください。");
  AddToolTip(*this, cboPort,
             L"ポート番号を入力してください。名前付きインスタンスを使用しない場合は（既定のポート）にしてください。");
  SendMessageW(txtDBPassword.Window(), EM_SETPASSWORDCHAR, L'*', 0);

  SetBoxEnabled(cboInstance, true);
  if (params_.DBDriver() != 1) {
    SetBoxEnabled(cboInstance, false);
    optNinsyou[0].SetEnabled(false);
    optNinsyou[1].SetText(L"パスワード認証を使用");
  }

  txtDBServer.SetText(params_.DBServer().empty() ? std::wstring(kDefaultServer) : params_.DBServer());
  SetComboText(cboInstance, params_.DBInstance().empty() ? std::wstring(kDefaultInstance) : params_.DBInstance());
  // Filling the port box is a change, which the window does not report for a text set by code.
  SetComboText(cboPort, params_.DBPort().empty() ? std::wstring(kDefaultPort) : params_.DBPort());
  cboPort_Change();

  // Checking an option button by code is no click either.
  const bool password = !params_.DBUser().empty() || !params_.DBPassword().empty();
  const int selected = password ? 1 : 0;
  optNinsyou[static_cast<std::size_t>(selected)].SetValue(1);
  optNinsyou[static_cast<std::size_t>(1 - selected)].SetValue(0);
  optNinsyou_Click(selected);
  if (password) {
    // The click proposed "sa" for an empty user; the settings' own user stands here.
    txtDBUser.SetText(params_.DBUser());
    txtDBPassword.SetText(params_.DBPassword());
    SetBoxEnabled(txtDBUser, true);
    SetBoxEnabled(txtDBPassword, true);
  }
}

void frmInitDBServer::SetBoxEnabled(Control& box, bool enabled) {
  box.SetEnabled(enabled);
  backColors_[box.Id()] = enabled ? kEnabledColor : kDisabledColor;
  InvalidateRect(box.Window(), nullptr, TRUE);
}

void frmInitDBServer::SetComboText(Control& combo, const std::wstring& text) {
  settingCombo_ = true;
  // A text that is one of the entries (exactly: the search ignores case) shows that entry.
  const HWND window = combo.Window();
  const auto found =
      SendMessageW(window, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(text.c_str()));
  std::wstring entry;
  if (found >= 0) {
    entry.resize(static_cast<std::size_t>(SendMessageW(window, CB_GETLBTEXTLEN, static_cast<WPARAM>(found), 0)) + 1);
    SendMessageW(window, CB_GETLBTEXT, static_cast<WPARAM>(found), reinterpret_cast<LPARAM>(entry.data()));
    entry.resize(wcslen(entry.c_str()));
  }
  if (found >= 0 && entry == text) {
    SendMessageW(window, CB_SETCURSEL, static_cast<WPARAM>(found), 0);
  } else {
    combo.SetText(text);
  }
  settingCombo_ = false;
}

const int* frmInitDBServer::BackColorOf(HWND window) const {
  for (const auto& [id, color] : backColors_) {
    const HWND control = GetDlgItem(hwnd(), id);
    if (window && (window == control || GetParent(window) == control)) return &color;
  }
  return nullptr;
}

bool frmInitDBServer::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) {
  // A disabled text box asks with WM_CTLCOLORSTATIC, an enabled one with WM_CTLCOLOREDIT.
  if (message != WM_CTLCOLOREDIT && message != WM_CTLCOLORSTATIC) return false;
  const auto window = reinterpret_cast<HWND>(lParam);
  int color = 0;
  if (const int* box = BackColorOf(window)) {
    color = *box;
  } else if (message == WM_CTLCOLORSTATIC && window == lblCaption.WindowIfLoaded()) {
    color = kBannerColor;
  } else {
    return false;
  }
  SetBkColor(reinterpret_cast<HDC>(wParam), GetSysColor(color));
  result = reinterpret_cast<INT_PTR>(GetSysColorBrush(color));
  return true;
}

void frmInitDBServer::optNinsyou_Click(int index) {
  LogAction(optNinsyou[static_cast<std::size_t>(index)], 0);
  if (index == 0) {
    txtDBUser.SetText(L"");
    SetBoxEnabled(txtDBUser, false);
    txtDBPassword.SetText(L"");
    SetBoxEnabled(txtDBPassword, false);
    return;
  }
  txtDBUser.SetText(params_.DBUser().empty() ? std::wstring(L"sa") : params_.DBUser());
  txtDBPassword.SetText(params_.DBPassword());
  SetBoxEnabled(txtDBUser, true);
  SetBoxEnabled(txtDBPassword, true);
}

void frmInitDBServer::cmdOk_Click() {
  LogAction(cmdOk, 0);
  if (Trim(txtDBServer.Text()).empty()) {
    ShowMsgBox(L"サーバー名を入力してください。", 48, Caption());
    return;
  }
  if (optNinsyou[1].Value() == 1 && Trim(txtDBUser.Text()).empty()) {
    ShowMsgBox(L"ユーザー名を入力してください。", 48, Caption());
    return;
  }
  params_.SetDBServer(txtDBServer.Text());
  params_.SetDBUser(txtDBUser.Text());
  params_.SetDBPassword(txtDBPassword.Text());
  const std::wstring instance = cboInstance.Text();
  params_.SetDBInstance(instance == kDefaultInstance ? std::wstring() : instance);
  const std::wstring port = cboPort.Text();
  params_.SetDBPort(port == kDefaultPort ? std::wstring() : port);
  okClicked_ = true;
  Hide();
}

void frmInitDBServer::cmdCancel_Click() {
  LogAction(cmdCancel, 0);
  Hide();
}

void frmInitDBServer::cboInstance_LostFocus() {
  if (cboInstance.Tag().empty()) return;
  LogAction(cboInstance, 3);
  cboInstance.SetTag(L"");
}

void frmInitDBServer::cboPort_Change() {
  cboPort.SetTag(L"1");
  LogAction(cboPort, 3);
}

void frmInitDBServer::cboPort_LostFocus() {
  if (cboPort.Tag().empty()) return;
  LogAction(cboPort, 3);
  cboPort.SetTag(L"");
}

}  // namespace kv
