#include "dialogs/frmDispUpdate.h"

#include "base/RuntimeError.h"
#include "base/SkipOnError.h"
#include "dialogs/Screen.h"
#include "dialogs/frmDispUpdate.rh"

namespace kv {
namespace {

constexpr int kBandColor = COLOR_WINDOW;

// History rows whose key begins so have no page of their own.
constexpr wchar_t kNoPagePrefix[] = L"NEW";

}  // namespace

frmDispUpdate::frmDispUpdate(const ProcessStarter& starter)
    : Form(L"frmDispUpdate", L"FRMDISPUPDATE"),
      lblMessage{*this, L"lblMessage", IDC_DISPUPDATE_LBLMESSAGE},
      lblCaption{{{*this, L"lblCaption", IDC_DISPUPDATE_LBLCAPTION0, 0},
                  {*this, L"lblCaption", IDC_DISPUPDATE_LBLCAPTION1, 1}}},
      lsvUpdate{*this, L"lsvUpdate", IDC_DISPUPDATE_LSVUPDATE},
      lsvFiles{*this, L"lsvFiles", IDC_DISPUPDATE_LSVFILES},
      lblTotal{*this, L"lblTotal", IDC_DISPUPDATE_LBLTOTAL},
      lblLink{*this, L"lblLink", IDC_DISPUPDATE_LBLLINK},
      Picture1{*this, L"Picture1", IDC_DISPUPDATE_PICTURE1},
      Picture2{*this, L"Picture2", IDC_DISPUPDATE_PICTURE2},
      starter_(starter),
      cmdButtons_{{{*this, L"cmdButton", IDC_DISPUPDATE_CMDBUTTON1, 1},
                   {*this, L"cmdButton", IDC_DISPUPDATE_CMDBUTTON2, 2}}} {
  for (int i = 1; i <= 2; ++i) cmdButton(i).OnClick = [this, i] { cmdButton_Click(i); };
  lsvUpdate.OnItemClick = [this](int row) { lsvUpdate_ItemClick(row); };
  lblLink.OnClick = [this] { lblLink_Click(); };
  SetDefaultButton(&cmdButton(1));
  SetCancelButton(&cmdButton(2));
}

Control& frmDispUpdate::cmdButton(int index) {
  if (index < 1 || index > 2) Raise(err::SubscriptOutOfRange);
  return cmdButtons_[static_cast<std::size_t>(index - 1)];
}

void frmDispUpdate::Form_Load() {
  answer_ = 0;
  linkColor_ = kLinkColor;
  lsvUpdate.AddColumn(L"バージョン", 90);
  lsvUpdate.AddColumn(L"修正内容", 300);
  lsvUpdate.AddColumn(L"更新日付", 130);
  lsvFiles.AddColumn(L"ファイル", 220);
  lsvFiles.AddColumn(L"更新日付", 160);
  lsvFiles.AddColumn(L"ダウンロードサイズ", 120);
  lblLink.SetText(std::wstring(kSupportHost) + kSupportPage);
  FitLinkToText();
}

// The link takes clicks and shows its pointer only over its text.
void frmDispUpdate::FitLinkToText() {
  const HWND link = lblLink.Window();
  const std::wstring text = lblLink.Text();
  const HDC dc = GetDC(link);
  const HGDIOBJ previous = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(link, WM_GETFONT, 0, 0)));
  SIZE size{};
  GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
  SelectObject(dc, previous);
  ReleaseDC(link, dc);
  RECT bounds = lblLink.Bounds();
  bounds.right = bounds.left + size.cx + 2;
  lblLink.SetBounds(bounds);
}

bool frmDispUpdate::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) {
  if (message == WM_CTLCOLORSTATIC) {
    const auto control = reinterpret_cast<HWND>(lParam);
    const auto dc = reinterpret_cast<HDC>(wParam);
    if (control == lblMessage.WindowIfLoaded()) {
      SetBkColor(dc, GetSysColor(kBandColor));
      result = reinterpret_cast<INT_PTR>(GetSysColorBrush(kBandColor));
      return true;
    }
    if (control == lblLink.WindowIfLoaded()) {
      SetTextColor(dc, linkColor_);
      SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
      result = reinterpret_cast<INT_PTR>(GetSysColorBrush(COLOR_BTNFACE));
      return true;
    }
    return false;
  }
  if (message == WM_SETCURSOR && reinterpret_cast<HWND>(wParam) == lblLink.WindowIfLoaded() &&
      ScreenMousePointer() == vbDefault) {
    SetCursor(LoadCursorW(nullptr, IDC_HAND));
    SetWindowLongPtrW(hwnd(), DWLP_MSGRESULT, TRUE);
    result = TRUE;
    return true;
  }
  return false;
}

void frmDispUpdate::cmdButton_Click(int index) {
  LogAction(cmdButton(index), 0);
  answer_ = index == 1 ? 1 : 2;
  Hide();
}

void frmDispUpdate::lsvUpdate_ItemClick(int row) {
  LogAction(lsvUpdate, 0);
  const std::wstring key = lsvUpdate.Key(row);
  if (key.compare(0, 3, kNoPagePrefix) == 0) return;
  lsvUpdate.SetForeColor(row, kVisitedLinkColor);
  Open(std::wstring(kSupportHost) + kIssuePage + key);
}

void frmDispUpdate::lblLink_Click() {
  linkColor_ = kVisitedLinkColor;
  InvalidateRect(lblLink.Window(), nullptr, TRUE);
  Open(lblLink.Text());
}

void frmDispUpdate::Open(const std::wstring& url) {
  // Not watched: the handle goes at once, and a handler that does not start shows nothing.
  SkipOnError([&] { starter_.Start(kUrlHandler + url); });
}

}  // namespace kv
