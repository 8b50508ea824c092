#pragma once
// Tool tips of a form's controls, shown by one tool-tip window that the form owns (so it goes with
// the form's window).
#include <string>

#include "dialogs/Form.h"

namespace kv {

// A combo box's text part is a child window that takes the mouse: it gets the tip too.
void AddToolTip(Form& form, const Control& control, const std::wstring& text);

}  // namespace kv
