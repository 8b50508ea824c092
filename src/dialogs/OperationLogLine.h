#pragma once
// One line of the operation log, built from plain facts about the form and the control, so that
// the rules can be checked without windows.
#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kv {

// What a line needs to know of a form or a control. Only the facts that the name's prefix asks
// for are read.
struct OperationLogSubject {
  std::wstring name;                   // "cmdButton", "frmMsgBox"
  std::optional<std::int16_t> index;   // element of a control array
  std::wstring tag;
  std::wstring text;                   // caption, or a text box's text
  std::int32_t value = 0;              // check box: 0 off, 1 on, 2 grayed
  std::int32_t listIndex = -1;         // lst, cbo, tab: the selected entry; spr: the active row
  std::vector<std::wstring> entries;   // lst, cbo: the entries; tab: the tab captions
  bool listCheckBoxes = false;         // lst: shows check boxes
  std::vector<bool> entrySelected;     // lst: per entry
  std::optional<SYSTEMTIME> date;      // dtp
  std::wstring selectedNodeText;       // trv: the first selected node
};

struct OperationLogRequest {
  std::int32_t action = 0;       // eCtrlAction
  std::wstring memo;             // strMemo
  std::int16_t itemNo = -1;      // intItemNo
  std::wstring altLabel;         // the description to use in place of the control's own
  std::wstring altCaption;       // the value to use in place of the control's own
};

// The line without its end: time, form, form text, control, description, [value], action, memo.
std::wstring FormatOperationLogLine(const std::wstring& time, const OperationLogSubject& form,
                                    const OperationLogSubject& control, const OperationLogRequest& request);

}  // namespace kv
