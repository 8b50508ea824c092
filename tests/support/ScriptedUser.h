#pragma once
// A scripted user for tests of the program's real dialogs. The test lists, in order, the dialogs
// it expects and what the user does in each; the scripted user is the modal observer, so every
// modal form tells it when it is up, and it answers through window messages only, as keyboard and
// mouse would: BM_CLICK, WM_CHAR, Enter and Esc as WM_KEYDOWN to the focused control, the title
// bar's close command. The steps of a dialog run one at a time from the dialog's own modal loop;
// a dialog opened by a step (a message box over a dialog) is answered before the next step.
//
//   kvtest::ScriptedUser user;
//   user.Expect(L"frmMsgBox")
//       .Check([](kvtest::DialogView& d) {
//         EXPECT_EQ(d.Caption(), L"題");
//         EXPECT_EQ(d.DefaultButton(), L"cmdButton(1)");
//       })
//       .Screenshot(L"frmMsgBox-question")
//       .PressEnter();
//   EXPECT_EQ(kv::ShowMsgBox(L"本文", 36, L"題"), 6);
//
// A dialog of the thread that is not one of the program's forms (the shell's folder dialog) is
// expected with ExpectOther: the user looks for it while the dialog below is disabled, and works
// on it by control ids (Item, ClickItem); WaitUntil holds the script until the dialog is ready:
//
//   user.Expect(L"frmSetCommonFolder").Click(L"cmdBrowse").Click(L"cmdOk");
//   user.ExpectOther(L"folder dialog")
//       .WaitUntil(L"the folder is selected", [](kvtest::DialogView& d) { return ...; })
//       .ClickItem(IDOK);
//
// Controls are named as the form names them, with their array index or -1. Failures: a dialog
// that is not expected (it is closed), one still open after its script (it is closed), one that
// closes before its script is done, expected dialogs that never came (when the user goes), and a
// watchdog that closes the thread's windows after the time-out and ends the process if that does
// not help. The transcript of everything done is printed when the test failed.
// The user holds the screen lock (ExclusiveLock.h) for its life. Link the suite with kv_dialogs.
#include <windows.h>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "dialogs/ModalObserver.h"
#include "support/ExclusiveLock.h"

namespace kvtest {

// What the user sees of a dialog; every read goes through window messages or window state.
class DialogView {
 public:
  DialogView(std::wstring form, HWND window) : form_(std::move(form)), window_(window) {}

  const std::wstring& FormName() const { return form_; }
  HWND Window() const { return window_; }
  std::wstring Caption() const;

  // The control's window; a missing control fails the test and answers null.
  HWND Find(const std::wstring& name, int index = -1) const;
  std::wstring Text(const std::wstring& name, int index = -1) const;
  bool Visible(const std::wstring& name, int index = -1) const;
  bool Enabled(const std::wstring& name, int index = -1) const;
  int Checked(const std::wstring& name, int index = -1) const;  // BM_GETCHECK
  LONG Style(const std::wstring& name, int index = -1) const;
  RECT Bounds(const std::wstring& name, int index = -1) const;   // in the dialog's client area
  // The text that the dialog's own tool-tip window shows for the control; "(no tool tip)" without one.
  std::wstring ToolTip(const std::wstring& name, int index = -1) const;
  // A control by its id, for dialogs that are not forms; a missing one fails and answers null.
  HWND Item(int id) const;

  // "name(index)" of the button that Enter presses (DM_GETDEFID), of the focused control; "" none.
  std::wstring DefaultButton() const;
  std::wstring Focused() const;
  std::wstring NameOf(HWND control) const;

 private:
  std::wstring form_;
  HWND window_;
};

class ExpectedDialog {
 public:
  explicit ExpectedDialog(std::wstring form) : form_(std::move(form)) {}

  // Reads and checks, at this point of the script.
  ExpectedDialog& Check(std::function<void(DialogView&)> check);
  // Holds the script, trying again now and then, until ready answers true (or the watchdog ends
  // the wait).
  ExpectedDialog& WaitUntil(const std::wstring& what, std::function<bool(DialogView&)> ready);
  // A button is pressed (BM_CLICK); any other control gets a left click at its centre.
  ExpectedDialog& Click(const std::wstring& name, int index = -1);
  // A left click on row (from 0) of a list view.
  ExpectedDialog& ClickListRow(const std::wstring& name, int index, int row);
  // A button of a dialog that is not a form, by id.
  ExpectedDialog& ClickItem(int id);
  ExpectedDialog& Focus(const std::wstring& name, int index = -1);
  // A combo box's list entry (from 0) picked with the keyboard: the box is focused, then the
  // arrow keys move through the list until the entry is selected.
  ExpectedDialog& PickFromList(const std::wstring& name, int index, int entry);
  // Into the named control (focused first) or into the focused one.
  ExpectedDialog& Type(const std::wstring& name, int index, const std::wstring& text);
  ExpectedDialog& Type(const std::wstring& text);
  ExpectedDialog& PressEnter();
  ExpectedDialog& PressEscape();
  ExpectedDialog& CloseFromTitleBar();
  ExpectedDialog& Screenshot(const std::wstring& name);

 private:
  friend class ScriptedUser;
  struct Step {
    std::wstring description;
    std::function<void(DialogView&)> run;
    std::function<bool(DialogView&)> ready;  // empty: ready at once
  };
  ExpectedDialog& Add(std::wstring description, std::function<void(DialogView&)> run);

  std::wstring form_;
  bool other_ = false;  // not a form: found by looking, not told by the modal loop
  std::vector<Step> steps_;
};

class ScriptedUser : public kv::ModalObserver {
 public:
  explicit ScriptedUser(std::chrono::seconds watchdog = std::chrono::seconds(30));
  ~ScriptedUser() override;
  ScriptedUser(const ScriptedUser&) = delete;
  ScriptedUser& operator=(const ScriptedUser&) = delete;

  // The next dialog to come, by form name.
  ExpectedDialog& Expect(const std::wstring& form);
  // The next dialog to come is one of this thread's dialogs that is not a form.
  ExpectedDialog& ExpectOther(const std::wstring& description);
  // What was seen and done so far, one line each.
  std::vector<std::wstring> Transcript();

  void ModalShown(const std::wstring& formName, HWND window) override;

 private:
  struct Active {
    ExpectedDialog* dialog;
    HWND window;
    std::size_t next = 0;
    bool closing = false;
  };
  static LRESULT CALLBACK StepWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  void RunStep();
  void PopClosed();
  void PostStep();
  void RetryLater();
  bool TakeOtherDialog();
  void Note(const std::wstring& line);
  void Fail(const std::wstring& what);
  void Watch(std::chrono::seconds timeout);

  ExclusiveLock screen_{kScreenLock};
  kv::ScopedModalObserver observing_{*this};
  std::deque<ExpectedDialog> expected_;
  std::size_t nextExpected_ = 0;
  std::vector<Active> active_;
  std::vector<HWND> refusedOthers_;  // unexpected dialogs that were told to close
  HWND stepWindow_ = nullptr;
  bool stepPosted_ = false;
  DWORD thread_ = GetCurrentThreadId();

  mutable std::mutex mutex_;  // the transcript and the watchdog's state
  std::condition_variable done_;
  bool finished_ = false;
  bool timedOut_ = false;
  std::vector<std::wstring> transcript_;
  std::thread watchdog_;
};

}  // namespace kvtest
