#pragma once
// The program's message box: every message of the update program is shown through ShowMsgBox,
// never through the standard box. The style code is the standard one, of which only the button
// set (style And 15, sets 0 to 5) and the icon (style And 240: 16, 32, 48, 64; anything else shows
// the exclamation mark) are used.
#include <windows.h>

#include <array>
#include <cstdint>
#include <string>

#include "dialogs/frmMsgBox.h"

namespace kv {

// Answer codes; -1 when the box was closed without a button.
inline constexpr std::int16_t vbOK = 1;
inline constexpr std::int16_t vbCancel = 2;
inline constexpr std::int16_t vbAbort = 3;
inline constexpr std::int16_t vbRetry = 4;
inline constexpr std::int16_t vbIgnore = 5;
inline constexpr std::int16_t vbYes = 6;
inline constexpr std::int16_t vbNo = 7;

// How a style code dresses the box.
struct MsgBoxLayout {
  struct Button {
    bool visible = true;
    std::wstring caption;
    std::int16_t answer = 0;
  };
  std::int32_t icon = 2;        // picIcon element in front: 0 stop, 1 question, 2 exclamation, 3 information
  UINT beep = MB_ICONEXCLAMATION;
  bool designButtons = false;   // sets 6 to 15: the buttons stay as designed
  std::array<Button, 3> buttons;
  int defaultButton = -1;       // cmdButton element that Enter presses, -1 none
  int cancelButton = -1;        // cmdButton element that Esc presses, -1 none
  bool middleAtRight = false;   // cmdButton(1) takes the place of cmdButton(2)
};
MsgBoxLayout GetMsgBoxLayout(std::int32_t style);

// Loads and fills the form; a failing step leaves the rest undone.
void PrepareMsgBox(frmMsgBox& form, const std::wstring& prompt, std::int32_t buttons, const std::wstring& title);

// Shows the message modally and answers the pressed button's code, -1 when closed without one.
// Failing steps are skipped; afterwards the mouse pointer is the default arrow.
std::int16_t ShowMsgBox(const std::wstring& prompt, std::int32_t buttons, const std::wstring& title);

}  // namespace kv
