#include "dialogs/clsOperationLog.h"

#include <windows.h>
#include <commctrl.h>

#include <set>

#include "base/Handles.h"
#include "base/Host.h"
#include "base/RuntimeError.h"
#include "base/SkipOnError.h"
#include "base/Text.h"
#include "dialogs/LogFile.h"
#include "settings/Common.h"
#include "settings/Win32API.h"

namespace kv {
namespace {

std::wstring LogFolder() { return GetUserDataFolder() + L"\\操作ログ\\"; }

// An entry of a list or combo box.
std::wstring ItemText(HWND hwnd, UINT lengthMessage, UINT textMessage, WPARAM item) {
  const auto length = SendMessageW(hwnd, lengthMessage, item, 0);
  if (length <= 0) return {};
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  SendMessageW(hwnd, textMessage, item, reinterpret_cast<LPARAM>(text.data()));
  text.resize(static_cast<std::size_t>(length));
  return text;
}

void DescribeList(HWND hwnd, UINT countMessage, UINT selectionMessage, UINT lengthMessage, UINT textMessage,
                  OperationLogSubject& s) {
  const auto count = SendMessageW(hwnd, countMessage, 0, 0);
  s.listIndex = static_cast<std::int32_t>(SendMessageW(hwnd, selectionMessage, 0, 0));
  for (LRESULT i = 0; i < count; ++i) {
    s.entries.push_back(ItemText(hwnd, lengthMessage, textMessage, static_cast<WPARAM>(i)));
  }
}

SYSTEMTIME DayBefore(SYSTEMTIME day, std::int16_t days) {
  FILETIME ft{};
  day.wHour = day.wMinute = day.wSecond = day.wMilliseconds = 0;
  SystemTimeToFileTime(&day, &ft);
  ULARGE_INTEGER t{};
  t.LowPart = ft.dwLowDateTime;
  t.HighPart = ft.dwHighDateTime;
  t.QuadPart -= static_cast<ULONGLONG>(static_cast<LONGLONG>(days) * 864000000000LL);
  ft.dwLowDateTime = t.LowPart;
  ft.dwHighDateTime = t.HighPart;
  FileTimeToSystemTime(&ft, &day);
  return day;
}

}  // namespace

clsOperationLog::clsOperationLog() {
  const std::wstring folder = LogFolder();
  if (!DirectoryListingFinds(folder)) EnsureFolderPath(folder);
}

clsOperationLog& objOperationLog() {
  static clsOperationLog instance;
  return instance;
}

void clsOperationLog::SetPauseWriting(bool pause) {
  if (pause) {
    if (intPauseCount == 32767) Raise(err::Overflow);
    ++intPauseCount;
  } else if (intPauseCount > 0) {
    --intPauseCount;
  }
}

std::wstring clsOperationLog::GetNumberSuffix() const {
  return intInstanceNumber >= 2 ? L"(" + std::to_wstring(intInstanceNumber) + L")" : L"";
}

std::wstring clsOperationLog::GetLogFileName(const SYSTEMTIME& day) const {
  wchar_t date[16];
  swprintf(date, 16, L"%04u%02u%02u", day.wYear, day.wMonth, day.wDay);
  return LogFolder() + CurrentHost().ProductName() + GetNumberSuffix() + L"_" + date + L".LOG";
}

OperationLogSubject clsOperationLog::Describe(const Control& control) {
  OperationLogSubject s;
  s.name = control.Name();
  s.index = control.Index();
  s.tag = control.Tag();
  const HWND hwnd = control.WindowIfLoaded();
  if (!hwnd) return s;
  const std::wstring cls = LCase(GetWindowClass(hwnd));
  if (cls != L"combobox" && cls != L"listbox") s.text = WindowText(hwnd);
  if (cls == L"button") {
    s.value = static_cast<std::int32_t>(SendMessageW(hwnd, BM_GETCHECK, 0, 0));
  } else if (cls == L"listbox") {
    DescribeList(hwnd, LB_GETCOUNT, LB_GETCURSEL, LB_GETTEXTLEN, LB_GETTEXT, s);
    for (std::size_t i = 0; i < s.entries.size(); ++i) {
      s.entrySelected.push_back(SendMessageW(hwnd, LB_GETSEL, i, 0) > 0);
    }
  } else if (cls == L"combobox") {
    DescribeList(hwnd, CB_GETCOUNT, CB_GETCURSEL, CB_GETLBTEXTLEN, CB_GETLBTEXT, s);
    s.text = WindowText(hwnd);
  } else if (cls == L"systabcontrol32") {
    s.listIndex = static_cast<std::int32_t>(SendMessageW(hwnd, TCM_GETCURSEL, 0, 0));
    const auto count = SendMessageW(hwnd, TCM_GETITEMCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
      wchar_t text[256] = L"";
      TCITEMW item{};
      item.mask = TCIF_TEXT;
      item.pszText = text;
      item.cchTextMax = 256;
      SendMessageW(hwnd, TCM_GETITEMW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item));
      s.entries.emplace_back(text);
    }
  } else if (cls == L"sysdatetimepick32") {
    SYSTEMTIME t{};
    if (SendMessageW(hwnd, DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&t)) == GDT_VALID) s.date = t;
  } else if (cls == L"systreeview32") {
    const auto item = SendMessageW(hwnd, TVM_GETNEXTITEM, TVGN_CARET, 0);
    if (item) {
      wchar_t text[256] = L"";
      TVITEMW tv{};
      tv.mask = TVIF_TEXT;
      tv.hItem = reinterpret_cast<HTREEITEM>(item);
      tv.pszText = text;
      tv.cchTextMax = 256;
      SendMessageW(hwnd, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&tv));
      s.selectedNodeText = text;
    }
  }
  return s;
}

void clsOperationLog::WriteLog(const Form& ctlForm, const Control& objControl, std::int32_t eCtrlAction,
                               const std::wstring& strMemo, std::int16_t intItemNo, bool flgForceWrite,
                               const std::wstring& strParAltLabel, const std::wstring& strParAltCaption) {
  // The replacements hold for exactly this call, written or not.
  OperationLogRequest request{eCtrlAction, strMemo, intItemNo,
                              strAltLabel.empty() ? strParAltLabel : strAltLabel,
                              strAltCaption.empty() ? strParAltCaption : strAltCaption};
  strAltCaption.clear();
  strAltLabel.clear();
  if (flgStop) return;
  if (!flgForceWrite && intPauseCount >= 1) return;

  const SYSTEMTIME now = CurrentHost().LocalTime();
  const std::wstring line = FormatOperationLogLine(GetLocalTimeText(), Describe(ctlForm), Describe(objControl), request);
  SkipOnError([&] { AppendAnsiLine(GetLogFileName(now), line); });
}

void clsOperationLog::SelectAllText(Control& objTextBox) {
  const HWND box = objTextBox.WindowIfLoaded();
  if (!box) return;
  SendMessageW(box, EM_SETSEL, 0, SendMessageW(box, WM_GETTEXTLENGTH, 0, 0));
}

void clsOperationLog::TextBoxGotFocus(Control& objTextBox, bool flgSelText) {
  if (flgSelText) SelectAllText(objTextBox);
  objTextBox.SetTag(L"");
}

void clsOperationLog::TextBoxChange(Control& objTextBox) { objTextBox.SetTag(L"1"); }

void clsOperationLog::TextBoxLostFocus(const Form& ctlForm, Control& objTextBox, const std::wstring& strLabel,
                                       bool flgForceWrite) {
  if (objTextBox.Tag() != L"1") return;
  objTextBox.SetTag(L"");
  SetAltLabel(strLabel);
  WriteLog(ctlForm, objTextBox, 3, L"", -1, flgForceWrite);
}

void clsOperationLog::RemoveLog(std::int16_t intKeepDays) {
  const std::wstring folder = LogFolder();
  const std::wstring last = UCase(GetLogFileName(DayBefore(CurrentHost().LocalTime(), intKeepDays)).substr(folder.size()));
  const std::wstring pattern = folder + CurrentHost().ProductName() + GetNumberSuffix() + L"_*.LOG";
  // The listing starts again after each deletion; a file that cannot be deleted is passed over
  // the next time, so a locked file cannot keep the loop going for ever.
  std::set<std::wstring> undeletable;
  for (bool deleted = true; deleted;) {
    deleted = false;
    WIN32_FIND_DATAW data;
    UniqueFind find(FindFirstFileW(pattern.c_str(), &data));
    if (!find) return;
    do {
      const std::wstring name = UCase(data.cFileName);
      if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || name > last || undeletable.count(name)) continue;
      if (DeleteFileW((folder + data.cFileName).c_str())) {
        deleted = true;
        break;
      }
      undeletable.insert(name);
    } while (FindNextFileW(find.get(), &data));
  }
}

}  // namespace kv
