#pragma once
// The program's own message box. ShowMsgBox (LocalDialog.h) prepares, shows and reads it; each
// call works on a fresh object. Every operation-log line of the box is forced, so a paused
// operation log still records the messages.
#include <windows.h>
#include <richedit.h>

#include <array>
#include <cstdint>
#include <string>

#include "dialogs/Form.h"

namespace kv {

class frmMsgBox : public Form {
 public:
  frmMsgBox();

  // The answer: -1 until a button sets it.
  std::int16_t intInputkey = -1;

  // Formatting of rtxtMsg's selected text (after AddText: of the added text).
  void SetTextFontName(const std::wstring& name);
  void SetTextFontSize(float points);
  void SetTextFontColor(std::int32_t color);
  void SetTextFontBold(bool bold);
  // The message into both boxes, selected; an empty text changes nothing.
  void SetMessage(const std::wstring& text);
  // Appends to rtxtMsg and selects just the appended part.
  void SetAddText(const std::wstring& text);
  // The answer of cmdButton(Index); an index outside 0 to 3 raises the index failure.
  void SetButtonValue(std::int16_t Index, std::int16_t Value);

  Control rtxtMsg;
  Control txtMsg;
  std::array<Control, 4> picIcon;
  Control picBtn;
  std::array<Control, 3> cmdButton;
  Control chkNeverShow;
  Control txtKakunin;
  std::array<Control, 2> chkOption;

 protected:
  void Form_Load() override;
  void Form_Activate() override;

 private:
  void cmdButton_Click(std::size_t index);
  void ApplyCharFormat(DWORD mask, const CHARFORMAT2W& format);

  std::array<std::int16_t, 4> intButtonValue{};
};

}  // namespace kv
