#include "dialogs/frmStartUpdate.h"

#include "base/RuntimeError.h"
#include "dialogs/Screen.h"
#include "dialogs/ToolTip.h"
#include "dialogs/frmStartUpdate.rh"

namespace kv {
namespace {

// The headline lies on a band of the window colour.
constexpr int kBandColor = COLOR_WINDOW;

UniqueFont HeadlineFont(HWND form, bool bold) {
  LOGFONTW font{};
  GetObjectW(reinterpret_cast<HFONT>(SendMessageW(form, WM_GETFONT, 0, 0)), sizeof(font), &font);
  font.lfHeight = font.lfHeight * 4 / 3;  // 12 points beside the form's 9
  font.lfWeight = bold ? FW_BOLD : FW_NORMAL;
  return UniqueFont(CreateFontIndirectW(&font));
}

}  // namespace

frmStartUpdate::frmStartUpdate()
    : Form(L"frmStartUpdate", L"FRMSTARTUPDATE"),
      lblTitle{{{*this, L"lblTitle", IDC_STARTUPDATE_LBLTITLE0, 0}, {*this, L"lblTitle", IDC_STARTUPDATE_LBLTITLE1, 1}}},
      lblMsg{*this, L"lblMsg", IDC_STARTUPDATE_LBLMSG},
      chkOption{*this, L"chkOption", IDC_STARTUPDATE_CHKOPTION},
      Picture1{*this, L"Picture1", IDC_STARTUPDATE_PICTURE1},
      Picture2{*this, L"Picture2", IDC_STARTUPDATE_PICTURE2},
      cmdButtons_{{{*this, L"cmdButton", IDC_STARTUPDATE_CMDBUTTON1, 1},
                   {*this, L"cmdButton", IDC_STARTUPDATE_CMDBUTTON2, 2}}} {
  for (int i = 1; i <= 2; ++i) cmdButton(i).OnClick = [this, i] { cmdButton_Click(i); };
  chkOption.OnClick = [this] { LogAction(chkOption, 0); };
}

Control& frmStartUpdate::cmdButton(int index) {
  if (index < 1 || index > 2) Raise(err::SubscriptOutOfRange);
  return cmdButtons_[static_cast<std::size_t>(index - 1)];
}

void frmStartUpdate::Form_Load() {
  intInputkey = -1;
  SetScreenMousePointer(vbDefault);

  boldTitle_ = HeadlineFont(hwnd(), true);
  title_ = HeadlineFont(hwnd(), false);
  SendMessageW(lblTitle[0].Window(), WM_SETFONT, reinterpret_cast<WPARAM>(boldTitle_.get()), FALSE);
  SendMessageW(lblTitle[1].Window(), WM_SETFONT, reinterpret_cast<WPARAM>(title_.get()), FALSE);
  AddToolTip(*this, chkOption, L"更新に失敗した場合ﾁｪｯｸしてください");
}

bool frmStartUpdate::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) {
  if (message != WM_CTLCOLORSTATIC) return false;
  const auto control = reinterpret_cast<HWND>(lParam);
  if (control != lblTitle[0].WindowIfLoaded() && control != lblTitle[1].WindowIfLoaded()) return false;
  SetBkColor(reinterpret_cast<HDC>(wParam), GetSysColor(kBandColor));
  result = reinterpret_cast<INT_PTR>(GetSysColorBrush(kBandColor));
  return true;
}

void frmStartUpdate::cmdButton_Click(int index) {
  LogAction(cmdButton(index), 0);
  intInputkey = static_cast<std::int16_t>(index);
  Hide();
}

}  // namespace kv
