#include "dialogs/LocalDialog.h"

#include "base/SkipOnError.h"
#include "dialogs/Screen.h"

namespace kv {

MsgBoxLayout GetMsgBoxLayout(std::int32_t style) {
  MsgBoxLayout layout;
  switch (style & 240) {
    case 16: layout.icon = 0, layout.beep = MB_ICONHAND; break;
    case 32: layout.icon = 1, layout.beep = MB_ICONQUESTION; break;
    case 64: layout.icon = 3, layout.beep = MB_ICONASTERISK; break;
    default: layout.icon = 2, layout.beep = MB_ICONEXCLAMATION; break;  // 48, none and unknown values
  }
  using B = MsgBoxLayout::Button;
  const B hidden{false, L"", 0};
  auto& b = layout.buttons;
  switch (style & 15) {
    case 0:
      b = {hidden, B{true, L"OK", 1}, hidden};
      layout.defaultButton = 1;
      layout.middleAtRight = true;
      break;
    case 1:
      b = {hidden, B{true, L"OK", 1}, B{true, L"キャンセル", 2}};
      layout.defaultButton = 1, layout.cancelButton = 2;
      break;
    case 2:
      b = {B{true, L"中止(&A)", 3}, B{true, L"再試行(&R)", 4}, B{true, L"無視(&I)", 5}};
      break;
    case 3:
      b = {B{true, L"はい(&Y)", 6}, B{true, L"いいえ(&N)", 7}, B{true, L"キャンセル", 2}};
      layout.defaultButton = 0, layout.cancelButton = 2;
      break;
    case 4:
      b = {hidden, B{true, L"はい(&Y)", 6}, B{true, L"いいえ(&N)", 7}};
      layout.defaultButton = 1, layout.cancelButton = 2;
      break;
    case 5:
      b = {hidden, B{true, L"再試行(&R)", 4}, B{true, L"キャンセル", 2}};
      layout.defaultButton = 1, layout.cancelButton = 2;
      break;
    default:
      layout.designButtons = true;
      b = {B{true, L"0", 0}, B{true, L"1", 0}, B{true, L"2", 0}};
      break;
  }
  return layout;
}

void PrepareMsgBox(frmMsgBox& form, const std::wstring& prompt, std::int32_t buttons, const std::wstring& title) {
  const MsgBoxLayout layout = GetMsgBoxLayout(buttons);
  form.Load();
  form.SetMessage(prompt);
  form.chkNeverShow.SetVisible(false);
  const int rightLeft = form.cmdButton[2].Left();

  for (std::size_t i = 0; i < form.picIcon.size(); ++i) form.picIcon[i].SetVisible(static_cast<int>(i) == layout.icon);
  MessageBeep(layout.beep);
  form.SetCaption(title);

  if (!layout.designButtons) {
    for (std::size_t i = 0; i < form.cmdButton.size(); ++i) {
      const auto& button = layout.buttons[i];
      form.cmdButton[i].SetVisible(button.visible);
      if (!button.visible) continue;
      form.cmdButton[i].SetText(button.caption);
      form.SetButtonValue(static_cast<std::int16_t>(i), button.answer);
    }
    if (layout.middleAtRight) form.cmdButton[1].SetLeft(rightLeft);
    form.SetDefaultButton(layout.defaultButton < 0 ? nullptr : &form.cmdButton[static_cast<std::size_t>(layout.defaultButton)]);
    form.SetCancelButton(layout.cancelButton < 0 ? nullptr : &form.cmdButton[static_cast<std::size_t>(layout.cancelButton)]);
  }
  SetScreenMousePointer(vbDefault);
}

std::int16_t ShowMsgBox(const std::wstring& prompt, std::int32_t buttons, const std::wstring& title) {
  frmMsgBox form;
  SkipOnError([&] { PrepareMsgBox(form, prompt, buttons, title); });
  SetScreenMousePointer(vbDefault);
  SkipOnError([&] { form.ShowModal(); });
  SetScreenMousePointer(vbDefault);
  const std::int16_t answer = form.intInputkey;
  form.Unload();
  return answer;
}

}  // namespace kv
