#pragma once
// What an internet update brings: the newer history entries (lsvUpdate: text the version,
// sub-items the title and the date, key the entry's ID) and the program files to download
// (lsvFiles), filled by the caller before the modal show, with the total in lblTotal. A click on
// a history row opens the entry's page of the issue list, a click on lblLink the support page,
// both through the shell's URL handler, started without a shell and not waited for. The caller
// reads Answer and unloads the form.
#include <windows.h>

#include <array>
#include <cstdint>
#include <string>

#include "base/ProcessStarter.h"
#include "dialogs/Form.h"
#include "dialogs/ListView.h"

namespace kv {

// The maker's host of the support page and of the issue list.
inline constexpr wchar_t kSupportHost[] = L"https://www.kestrova.co.jp";
inline constexpr wchar_t kSupportPage[] = L"/support.asp";
inline constexpr wchar_t kIssuePage[] = L"/BugList.asp?ID=";
// Opens a URL in the default browser.
inline constexpr wchar_t kUrlHandler[] = L"rundll32.exe url.dll,FileProtocolHandler ";

inline constexpr COLORREF kLinkColor = RGB(0, 0, 255);
inline constexpr COLORREF kVisitedLinkColor = RGB(129, 0, 129);

class frmDispUpdate : public Form {
 public:
  // The pages are opened through starter.
  explicit frmDispUpdate(const ProcessStarter& starter = RealProcessStarter());

  // 1 after "OK", 2 after "キャンセル", 0 while no button was pressed since loading.
  std::int32_t Answer() const { return answer_; }

  // The buttons are elements 1 ("OK", Enter) and 2 ("キャンセル", Esc); any other index raises
  // the index failure.
  Control& cmdButton(int index);

  // lblLink's text colour: blue, the visited colour once clicked.
  COLORREF LinkForeColor() const { return linkColor_; }

  Control lblMessage;
  std::array<Control, 2> lblCaption;
  ListView lsvUpdate;
  ListView lsvFiles;
  Control lblTotal;
  Control lblLink;
  Control Picture1;
  Control Picture2;

 protected:
  void Form_Load() override;
  bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;

 private:
  void cmdButton_Click(int index);
  void lsvUpdate_ItemClick(int row);
  void lblLink_Click();
  void FitLinkToText();
  void Open(const std::wstring& url);

  const ProcessStarter& starter_;
  std::array<Control, 2> cmdButtons_;
  std::int32_t answer_ = 0;
  COLORREF linkColor_ = kLinkColor;
};

}  // namespace kv
