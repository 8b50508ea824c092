#pragma once
// The start confirmation of an update. The caller puts its headline (lblTitle(1)) and message
// (lblMsg) in, sets chkOption's visibility and value, shows the form modally, reads intInputkey
// and, unless it is 2, chkOption's value (1: re-install every program), then unloads the form.
// Neither button is the default or the cancel button, and there is no close box.
#include <array>
#include <cstdint>

#include "base/Handles.h"
#include "dialogs/Form.h"

namespace kv {

class frmStartUpdate : public Form {
 public:
  frmStartUpdate();

  // -1 from loading on; then the index of the pressed button: 1 "OK", 2 "キャンセル".
  std::int16_t intInputkey = -1;

  // The buttons are elements 1 and 2; any other index raises the index failure.
  Control& cmdButton(int index);

  std::array<Control, 2> lblTitle;
  Control lblMsg;
  Control chkOption;
  Control Picture1;
  Control Picture2;

 protected:
  void Form_Load() override;
  bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;

 private:
  void cmdButton_Click(int index);

  std::array<Control, 2> cmdButtons_;
  UniqueFont boldTitle_;
  UniqueFont title_;
};

}  // namespace kv
