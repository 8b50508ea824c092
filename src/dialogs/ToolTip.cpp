#include "dialogs/ToolTip.h"

#include <commctrl.h>

namespace kv {
namespace {

constexpr wchar_t kTipProperty[] = L"kv.ToolTip";

HWND FormToolTip(HWND form) {
  if (const auto tip = static_cast<HWND>(GetPropW(form, kTipProperty)); tip && IsWindow(tip)) return tip;
  const HWND tip = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
                                   CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, form, nullptr,
                                   GetModuleHandleW(nullptr), nullptr);
  if (tip) SetPropW(form, kTipProperty, tip);
  return tip;
}

void AddTool(HWND tip, HWND form, HWND window, const std::wstring& text) {
  TTTOOLINFOW tool{};
  tool.cbSize = TTTOOLINFOW_V2_SIZE;  // understood by every version of the control
  tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  tool.hwnd = form;
  tool.uId = reinterpret_cast<UINT_PTR>(window);
  tool.lpszText = const_cast<wchar_t*>(text.c_str());
  SendMessageW(tip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
}

}  // namespace

void AddToolTip(Form& form, const Control& control, const std::wstring& text) {
  const HWND window = control.Window();
  const HWND tip = FormToolTip(form.hwnd());
  if (!tip || !window) return;
  AddTool(tip, form.hwnd(), window, text);
  for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    AddTool(tip, form.hwnd(), child, text);
  }
}

}  // namespace kv
