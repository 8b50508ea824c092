#pragma once
// The frame of every form. A form is a C++ object that holds its public members and its controls
// for the whole run, and a window that lives only from Load to Unload, created from a dialog
// template in the program's resources (see CMakeLists.txt). The window class is the system's
// dialog class: a form is never mistaken for a main-program window ("ThunderRT6..." classes).
//
// What the frame does for every form:
// - Load: creates the hidden window, writes "開く" to the operation log (unless the form logs its
//   opening itself), then Form_Load. Touching a control of an unloaded form loads it.
// - ShowModal: shows the window, disables the thread's other windows, focuses the first tab stop,
//   tells the modal observer, and runs the modal loop until the form is hidden or unloaded.
// - Unload: asks Form_QueryUnload, runs Form_Unload, writes "閉じる", destroys the window.
//   Closing from the title bar (WM_CLOSE) unloads the form.
// - Enter presses the default button and Esc the cancel button, when the form names one.
//
// A form declares its controls as members and sets their handlers in its constructor:
//
//   class frmPassword : public Form {
//    public:
//     frmPassword() : Form(L"frmPassword", L"FRMPASSWORD") {
//       cmdOk.OnClick = [this] { LogAction(cmdOk, 0); ... };
//       TrackTextBox(txtPassword, Label1);
//       SetDefaultButton(&cmdOk);
//     }
//     Control Label1{*this, L"Label1", IDC_PASSWORD_LABEL};
//     Control txtPassword{*this, L"txtPassword", IDC_PASSWORD_TEXT};
//     Control cmdOk{*this, L"cmdOk", IDC_PASSWORD_OK};
//   };
#include <windows.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace kv {

class Form;

// One control of a form: the name and array index the operation log writes, its id in the
// template, its Tag (where the operation log keeps a text box's change mark) and its handlers.
class Control {
 public:
  Control(Form& form, std::wstring name, int id, std::optional<std::int16_t> index = std::nullopt,
          std::wstring designTag = {});
  virtual ~Control();
  Control(const Control&) = delete;
  Control& operator=(const Control&) = delete;

  const std::wstring& Name() const { return name_; }
  std::optional<std::int16_t> Index() const { return index_; }
  int Id() const { return id_; }
  Form& Parent() const { return form_; }
  const std::wstring& Tag() const { return tag_; }
  void SetTag(std::wstring tag) { tag_ = std::move(tag); }

  // The control's window, loading the form first; WindowIfLoaded never loads.
  HWND Window() const;
  HWND WindowIfLoaded() const;

  // Caption or text.
  std::wstring Text() const;
  void SetText(const std::wstring& text);
  bool Visible() const;
  void SetVisible(bool visible);
  bool Enabled() const;
  void SetEnabled(bool enabled);
  // Check box or option button: 0 unchecked, 1 checked, 2 grayed.
  std::int32_t Value() const;
  void SetValue(std::int32_t value);
  // Text box: read-only while locked.
  void SetLocked(bool locked);
  // Position and size in the client area of the form, in pixels.
  RECT Bounds() const;
  void SetBounds(const RECT& bounds);
  int Left() const { return Bounds().left; }
  void SetLeft(int left);
  void SetFocus();

  // Handlers, called by the form's window procedure. Click: a button, a picked list or combo
  // entry, a static with SS_NOTIFY. Change: a text box or a typed combo text. Focus: text, combo
  // and list boxes.
  std::function<void()> OnClick;
  std::function<void()> OnChange;
  std::function<void()> OnGotFocus;
  std::function<void()> OnLostFocus;
  std::function<LRESULT(NMHDR&)> OnNotify;

 private:
  friend class Form;
  struct FormItself {};
  Control(Form& form, std::wstring name, std::wstring designTag, FormItself);

  Form& form_;
  bool isForm_ = false;
  std::wstring name_;
  int id_;
  std::optional<std::int16_t> index_;
  std::wstring designTag_;
  std::wstring tag_;
};

struct FormOptions {
  bool logsOpening = true;  // the frame writes "開く" when the form loads
  bool forceLog = false;    // the form's lines reach even a paused operation log
};

class Form : public Control {
 public:
  using Options = FormOptions;

  // name: the form's name in the logs; templateName: its dialog template; tag: its design Tag.
  Form(std::wstring name, const wchar_t* templateName, std::wstring tag = {}, FormOptions options = {});
  ~Form() override;

  bool Loaded() const { return hwnd_ != nullptr; }
  HWND hwnd() const { return hwnd_; }
  // Raises the window failure when the window cannot be created.
  void Load();
  void Unload();
  void ShowModal();
  // Modeless show, for windows that stay open while the program works.
  void Show();
  void Hide();
  // Repaints the window now.
  void Refresh();

  std::wstring Caption() const { return Text(); }
  void SetCaption(const std::wstring& caption) { SetText(caption); }

  // The button that Enter presses and the one that Esc presses (null: none).
  void SetDefaultButton(Control* button);
  void SetCancelButton(Control* button) { cancelButton_ = button; }

  // A control by name and array index (-1: not an array member), or by template id; or null.
  Control* FindControl(const std::wstring& name, int index = -1) const;
  Control* FindControl(int id) const;
  // The form whose window this is, or null.
  static Form* FromWindow(HWND window);

 protected:
  virtual void Form_Load() {}
  virtual void Form_Activate() {}
  // False cancels the unload; the form stays loaded.
  virtual bool Form_QueryUnload() { return true; }
  virtual void Form_Unload() {}
  // Messages the frame does not handle (colours, timers, ...). True when handled; result is
  // what the dialog procedure answers.
  virtual bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) { return false; }

  // One operation-log line for a control of this form (or the form itself).
  void LogAction(const Control& control, std::int32_t action);
  // The operation log's change marks for a text box: marks every change, selects the text on
  // entering, writes one "変更" line with the label as description on leaving after a change.
  void TrackTextBox(Control& box, std::wstring label);
  void TrackTextBox(Control& box, const Control& label);

 private:
  friend class Control;
  static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result);
  void Command(int id, int code, HWND from);
  void Activated(HWND previous);
  void FocusFirstTabStop();
  void Register(Control* control) { controls_.push_back(control); }
  void Unregister(Control* control);

  const wchar_t* templateName_;
  Options options_;
  HWND hwnd_ = nullptr;
  bool activatePending_ = false;
  Control* defaultButton_ = nullptr;
  Control* cancelButton_ = nullptr;
  std::vector<Control*> controls_;
};

// Lets the window system deliver every pending message, as a modal loop would.
void DoEvents();

// A window's whole text (WM_GETTEXT), of any length.
std::wstring WindowText(HWND hwnd);

}  // namespace kv
