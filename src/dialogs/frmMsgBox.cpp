#include "dialogs/frmMsgBox.h"

#include <richedit.h>

#include "base/RuntimeError.h"
#include "base/Text.h"
#include "dialogs/Screen.h"
#include "dialogs/clsOperationLog.h"
#include "dialogs/frmMsgBox.rh"

namespace kv {
namespace {

constexpr Form::Options kMsgBoxOptions{.logsOpening = false, .forceLog = true};

}  // namespace

frmMsgBox::frmMsgBox()
    : Form(L"frmMsgBox", L"FRMMSGBOX", L"メッセージ", kMsgBoxOptions),
      rtxtMsg{*this, L"rtxtMsg", IDC_MSGBOX_RTXTMSG},
      txtMsg{*this, L"txtMsg", IDC_MSGBOX_TXTMSG},
      picIcon{{{*this, L"picIcon", IDC_MSGBOX_PICICON0, 0},
               {*this, L"picIcon", IDC_MSGBOX_PICICON1, 1},
               {*this, L"picIcon", IDC_MSGBOX_PICICON2, 2},
               {*this, L"picIcon", IDC_MSGBOX_PICICON3, 3}}},
      picBtn{*this, L"picBtn", IDC_MSGBOX_PICBTN},
      cmdButton{{{*this, L"cmdButton", IDC_MSGBOX_CMDBUTTON0, 0},
                 {*this, L"cmdButton", IDC_MSGBOX_CMDBUTTON1, 1},
                 {*this, L"cmdButton", IDC_MSGBOX_CMDBUTTON2, 2}}},
      chkNeverShow{*this, L"chkNeverShow", IDC_MSGBOX_CHKNEVERSHOW},
      txtKakunin{*this, L"txtKakunin", IDC_MSGBOX_TXTKAKUNIN},
      chkOption{{{*this, L"chkOption", IDC_MSGBOX_CHKOPTION0, 0}, {*this, L"chkOption", IDC_MSGBOX_CHKOPTION1, 1}}} {
  for (std::size_t i = 0; i < cmdButton.size(); ++i) cmdButton[i].OnClick = [this, i] { cmdButton_Click(i); };
  chkNeverShow.OnClick = [this] { LogAction(chkNeverShow, 0); };
  txtKakunin.OnChange = [this] { LogAction(txtKakunin, 3); };
}

void frmMsgBox::Form_Load() {
  // Design properties of the controls.
  const HWND rich = rtxtMsg.Window();
  SendMessageW(rich, EM_SETTEXTMODE, TM_PLAINTEXT | TM_SINGLELEVELUNDO | TM_SINGLECODEPAGE, 0);
  SendMessageW(rich, EM_SETBKGNDCOLOR, 0, static_cast<LPARAM>(GetSysColor(COLOR_BTNFACE)));
  SendMessageW(txtKakunin.Window(), EM_LIMITTEXT, 4, 0);
  static const LPCWSTR icons[] = {IDI_HAND, IDI_QUESTION, IDI_EXCLAMATION, IDI_ASTERISK};
  for (std::size_t i = 0; i < picIcon.size(); ++i) {
    SendMessageW(picIcon[i].Window(), STM_SETICON, reinterpret_cast<WPARAM>(LoadIconW(nullptr, icons[i])), 0);
  }

  intInputkey = -1;
  SetScreenMousePointer(vbDefault);
}

void frmMsgBox::Form_Activate() {
  SendMessageW(rtxtMsg.Window(), EM_SETSEL, 0, 0);
  auto& log = objOperationLog();
  if (!Trim(txtMsg.Text()).empty()) {
    log.WriteLog(*this, txtMsg, 4, L"", -1, true);
  } else if (const std::wstring rich = rtxtMsg.Text(); !Trim(rich).empty()) {
    log.WriteLog(*this, rtxtMsg, 4, L"", -1, true, L"", rich);
  } else {
    log.WriteLog(*this, txtMsg, 4, L"", -1, true, L"", L"(メッセージなし)");
  }
}

void frmMsgBox::cmdButton_Click(std::size_t index) {
  intInputkey = intButtonValue[index];
  LogAction(cmdButton[index], 0);
  Hide();
}

void frmMsgBox::SetMessage(const std::wstring& text) {
  if (text.empty()) return;
  rtxtMsg.SetLocked(false);
  rtxtMsg.SetText(text);
  SendMessageW(rtxtMsg.Window(), EM_SETSEL, 0, -1);
  rtxtMsg.SetLocked(true);
  txtMsg.SetLocked(false);
  txtMsg.SetText(text);
  txtMsg.SetLocked(true);
}

void frmMsgBox::SetAddText(const std::wstring& text) {
  const HWND rich = rtxtMsg.Window();
  rtxtMsg.SetLocked(false);
  const auto start = SendMessageW(rich, WM_GETTEXTLENGTH, 0, 0);
  SendMessageW(rich, EM_SETSEL, start, start);
  SendMessageW(rich, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text.c_str()));
  SendMessageW(rich, EM_SETSEL, start, -1);
  rtxtMsg.SetLocked(true);
}

void frmMsgBox::ApplyCharFormat(DWORD mask, const CHARFORMAT2W& format) {
  CHARFORMAT2W f = format;
  f.cbSize = sizeof(f);
  f.dwMask = mask;
  rtxtMsg.SetLocked(false);
  SendMessageW(rtxtMsg.Window(), EM_SETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&f));
  rtxtMsg.SetLocked(true);
}

void frmMsgBox::SetTextFontName(const std::wstring& name) {
  CHARFORMAT2W f{};
  lstrcpynW(f.szFaceName, name.c_str(), LF_FACESIZE);
  ApplyCharFormat(CFM_FACE, f);
}

void frmMsgBox::SetTextFontSize(float points) {
  CHARFORMAT2W f{};
  f.yHeight = static_cast<LONG>(points * 20);  // twips
  ApplyCharFormat(CFM_SIZE, f);
}

void frmMsgBox::SetTextFontColor(std::int32_t color) {
  CHARFORMAT2W f{};
  f.crTextColor = static_cast<COLORREF>(color);
  ApplyCharFormat(CFM_COLOR, f);
}

void frmMsgBox::SetTextFontBold(bool bold) {
  CHARFORMAT2W f{};
  f.dwEffects = bold ? CFE_BOLD : 0;
  ApplyCharFormat(CFM_BOLD, f);
}

void frmMsgBox::SetButtonValue(std::int16_t Index, std::int16_t Value) {
  if (Index < 0 || Index >= static_cast<std::int16_t>(intButtonValue.size())) Raise(err::SubscriptOutOfRange);
  intButtonValue[static_cast<std::size_t>(Index)] = Value;
}

}  // namespace kv
