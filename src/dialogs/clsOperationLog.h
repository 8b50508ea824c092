#pragma once
// The operation log: what the user does in the program's windows, one comma-separated line per
// action, one file a day in "<per-user data folder>\操作ログ\". Its single instance is
// objOperationLog(); the forms write to it from their event handlers.
#include <cstdint>
#include <string>

#include "dialogs/Form.h"
#include "dialogs/OperationLogLine.h"

namespace kv {

class clsOperationLog {
 public:
  clsOperationLog();

  // Nested pauses: while any is in force only forced lines are written.
  bool PauseWriting() const { return intPauseCount != 0; }
  void SetPauseWriting(bool pause);  // a count above 32767 raises the overflow failure
  void ClearCounter() { intPauseCount = 0; }
  // While stopped nothing at all is written.
  void SetStopWriting(bool stop) { flgStop = stop; }
  // One-shot replacements of the value and the description, used by the next WriteLog.
  void SetAltCaption(std::wstring caption) { strAltCaption = std::move(caption); }
  void SetAltLabel(std::wstring label) { strAltLabel = std::move(label); }

  // One line for eCtrlAction on objControl, a control of ctlForm or ctlForm itself. Failures are
  // skipped: a line that cannot be written is lost.
  void WriteLog(const Form& ctlForm, const Control& objControl, std::int32_t eCtrlAction,
                const std::wstring& strMemo = L"", std::int16_t intItemNo = -1, bool flgForceWrite = false,
                const std::wstring& strParAltLabel = L"", const std::wstring& strParAltCaption = L"");

  // A text box's change mark lives in its Tag: "1" after a change, "" once entered or logged.
  void TextBoxGotFocus(Control& objTextBox, bool flgSelText = true);
  void TextBoxLostFocus(const Form& ctlForm, Control& objTextBox, const std::wstring& strLabel,
                        bool flgForceWrite = false);
  void TextBoxChange(Control& objTextBox);

  // Deletes this product's files up to and including the one of intKeepDays days ago.
  void RemoveLog(std::int16_t intKeepDays);

  // The facts of a control's window that a line may need.
  static OperationLogSubject Describe(const Control& control);

 private:
  std::wstring GetNumberSuffix() const;
  std::wstring GetLogFileName(const SYSTEMTIME& day) const;
  static void SelectAllText(Control& objTextBox);

  std::int16_t intPauseCount = 0;
  bool flgStop = false;
  std::wstring strAltCaption;
  std::wstring strAltLabel;
  std::int32_t intInstanceNumber = 1;  // this program runs one instance: never numbered
};

// The program-wide instance, created on first use.
clsOperationLog& objOperationLog();

}  // namespace kv
