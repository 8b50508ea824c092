#pragma once
// The database server settings: server name or address, SQL Server instance and port, and the
// authentication. The form works on the settings object it is given (the run's objParamUpdate):
// it fills its boxes from it when it loads and writes the accepted values back on OK; saving them
// is the caller's. The caller shows it modally, reads OkClicked and unloads it. The close box
// answers like Cancel.
#include <array>
#include <map>
#include <string>

#include "dialogs/Form.h"

namespace kv {

class clsParamUpdate;

class frmInitDBServer : public Form {
 public:
  // The server proposed when none is set.
  static constexpr wchar_t kDefaultServer[] = L"VARONELSV";
  static constexpr wchar_t kDefaultInstance[] = L"(既定のインスタンス)";
  static constexpr wchar_t kDefaultPort[] = L"(既定のポート)";

  explicit frmInitDBServer(clsParamUpdate& params);

  // False from loading on; True once OK accepted the input.
  bool OkClicked() const { return okClicked_; }

  Control picCaption;
  Control Picture1;
  Control lblCaption;
  Control lblParam;
  Control txtDBServer;
  Control cboInstance;
  Control cboPort;
  Control fraOption;
  std::array<Control, 2> optNinsyou;
  Control txtDBUser;
  Control txtDBPassword;
  Control cmdOk;
  Control cmdCancel;

  // lblOption(0) user, (1) password, (64) instance, (139) port; any other index raises the index
  // failure.
  Control& lblOption(int index);

 protected:
  void Form_Load() override;
  bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;

 private:
  void optNinsyou_Click(int index);
  void cmdOk_Click();
  void cmdCancel_Click();
  void cboInstance_LostFocus();
  void cboPort_Change();
  void cboPort_LostFocus();

  // Enables or disables a box together with its background: the window colour or the face colour.
  void SetBoxEnabled(Control& box, bool enabled);
  // The combo's text as set by code, which the window reports as no change.
  void SetComboText(Control& combo, const std::wstring& text);
  // The system colour index of the control whose window (or whose combo's text part) this is.
  const int* BackColorOf(HWND window) const;

  clsParamUpdate& params_;
  bool okClicked_ = false;
  bool settingCombo_ = false;
  std::array<Control, 4> lblOptions_;
  std::map<int, int> backColors_;  // control id -> system colour index
};

}  // namespace kv
