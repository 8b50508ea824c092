#include "dialogs/Form.h"

#include <commctrl.h>
#include <richedit.h>

#include <algorithm>
#include <utility>

#include "base/Handles.h"
#include "base/RuntimeError.h"
#include "dialogs/ModalObserver.h"
#include "dialogs/Screen.h"
#include "dialogs/clsOperationLog.h"
#include "settings/Win32API.h"

namespace kv {
namespace {

constexpr wchar_t kFormProperty[] = L"kv.Form";
// Posted when a modal loop starts, so the observer hears of the dialog from inside the loop.
constexpr UINT kModalShown = WM_APP + 0x4B56;

// The window classes that templates may name: the rich edit and the common controls.
void PrepareControlClasses() {
  static const bool prepared = [] {
    static UniqueModule richEdit(LoadLibraryW(L"riched20.dll"));
    INITCOMMONCONTROLSEX classes{sizeof(classes), ICC_WIN95_CLASSES | ICC_DATE_CLASSES};
    InitCommonControlsEx(&classes);
    return true;
  }();
  (void)prepared;
}

bool IsClass(const std::wstring& cls, const wchar_t* name) { return _wcsicmp(cls.c_str(), name) == 0; }

struct DisableWalk {
  HWND except;
  std::vector<HWND> disabled;
};

BOOL CALLBACK DisableOne(HWND hwnd, LPARAM param) {
  auto& walk = *reinterpret_cast<DisableWalk*>(param);
  if (hwnd != walk.except && IsWindowVisible(hwnd) && IsWindowEnabled(hwnd)) {
    EnableWindow(hwnd, FALSE);
    walk.disabled.push_back(hwnd);
  }
  return TRUE;
}

// A modal form leaves the thread's other windows without input until it is hidden.
std::vector<HWND> DisableOtherWindows(HWND except) {
  DisableWalk walk{except, {}};
  EnumThreadWindows(GetCurrentThreadId(), DisableOne, reinterpret_cast<LPARAM>(&walk));
  return walk.disabled;
}

void DispatchOne(MSG& msg) {
  const HWND root = msg.hwnd ? GetAncestor(msg.hwnd, GA_ROOT) : nullptr;
  if (root && Form::FromWindow(root) && IsDialogMessageW(root, &msg)) return;
  TranslateMessage(&msg);
  DispatchMessageW(&msg);
}

}  // namespace

// ---- Control

Control::Control(Form& form, std::wstring name, int id, std::optional<std::int16_t> index, std::wstring designTag)
    : form_(form), name_(std::move(name)), id_(id), index_(index), designTag_(designTag), tag_(std::move(designTag)) {
  form_.Register(this);
}

Control::Control(Form& form, std::wstring name, std::wstring designTag, FormItself)
    : form_(form), isForm_(true), name_(std::move(name)), id_(0), designTag_(designTag), tag_(std::move(designTag)) {}

Control::~Control() {
  if (!isForm_) form_.Unregister(this);
}

HWND Control::WindowIfLoaded() const {
  if (!form_.hwnd_) return nullptr;
  return isForm_ ? form_.hwnd_ : GetDlgItem(form_.hwnd_, id_);
}

HWND Control::Window() const {
  form_.Load();
  return WindowIfLoaded();
}

std::wstring Control::Text() const { return WindowText(Window()); }

void Control::SetText(const std::wstring& text) { SendMessageW(Window(), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str())); }

bool Control::Visible() const { return (GetWindowLongW(Window(), GWL_STYLE) & WS_VISIBLE) != 0; }

void Control::SetVisible(bool visible) { ShowWindow(Window(), visible ? SW_SHOWNA : SW_HIDE); }

bool Control::Enabled() const { return IsWindowEnabled(Window()) != FALSE; }

void Control::SetEnabled(bool enabled) { EnableWindow(Window(), enabled); }

std::int32_t Control::Value() const { return static_cast<std::int32_t>(SendMessageW(Window(), BM_GETCHECK, 0, 0)); }

void Control::SetValue(std::int32_t value) { SendMessageW(Window(), BM_SETCHECK, static_cast<WPARAM>(value), 0); }

void Control::SetLocked(bool locked) { SendMessageW(Window(), EM_SETREADONLY, locked, 0); }

RECT Control::Bounds() const {
  RECT r{};
  GetWindowRect(Window(), &r);
  MapWindowPoints(nullptr, form_.hwnd_, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

void Control::SetBounds(const RECT& r) {
  SetWindowPos(Window(), nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top, SWP_NOZORDER | SWP_NOACTIVATE);
}

void Control::SetLeft(int left) {
  RECT r = Bounds();
  OffsetRect(&r, left - r.left, 0);
  SetBounds(r);
}

void Control::SetFocus() { SendMessageW(form_.hwnd_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(Window()), TRUE); }

// ---- Form

Form::Form(std::wstring name, const wchar_t* templateName, std::wstring tag, Options options)
    : Control(*this, std::move(name), std::move(tag), FormItself{}), templateName_(templateName), options_(options) {}

Form::~Form() {
  // Gone without its events: the derived form and its controls are no longer there.
  if (hwnd_) {
    RemovePropW(hwnd_, kFormProperty);
    DestroyWindow(std::exchange(hwnd_, nullptr));
  }
}

Form* Form::FromWindow(HWND window) { return window ? static_cast<Form*>(GetPropW(window, kFormProperty)) : nullptr; }

void Form::Load() {
  if (hwnd_) return;
  PrepareControlClasses();
  if (!CreateDialogParamW(GetModuleHandleW(nullptr), templateName_, nullptr, DialogProc, reinterpret_cast<LPARAM>(this))) {
    hwnd_ = nullptr;
    RaiseLastWin32();
  }
  SetDefaultButton(defaultButton_);
  if (options_.logsOpening) LogAction(*this, 5);
  Form_Load();
}

void Form::Unload() {
  if (!hwnd_ || !Form_QueryUnload() || !hwnd_) return;
  Form_Unload();
  LogAction(*this, 6);
  const HWND window = std::exchange(hwnd_, nullptr);
  RemovePropW(window, kFormProperty);
  DestroyWindow(window);
  for (Control* c : controls_) c->tag_ = c->designTag_;
  tag_ = designTag_;
}

void Form::Show() {
  Load();
  activatePending_ = true;
  ShowWindow(hwnd_, SW_SHOW);
}

void Form::ShowModal() {
  Load();
  const HWND previousActive = GetActiveWindow();
  const std::vector<HWND> disabled = DisableOtherWindows(hwnd_);
  activatePending_ = true;
  ShowWindow(hwnd_, SW_SHOW);
  SetForegroundWindow(hwnd_);
  if (activatePending_) SetActiveWindow(hwnd_);
  if (activatePending_ && hwnd_) Activated(nullptr);  // no activation came: the form is still the active one
  if (hwnd_) FocusFirstTabStop();
  if (hwnd_) PostMessageW(hwnd_, kModalShown, 0, 0);

  MSG msg;
  while (hwnd_ && IsWindowVisible(hwnd_)) {
    const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
    if (got <= 0) {
      if (got == 0) PostQuitMessage(static_cast<int>(msg.wParam));
      break;
    }
    DispatchOne(msg);
  }
  for (HWND w : disabled) {
    if (IsWindow(w)) EnableWindow(w, TRUE);
  }
  // The window that was active before gets the activation (and its focus) back.
  if (previousActive && previousActive != hwnd_ && IsWindow(previousActive) && IsWindowVisible(previousActive)) {
    SetActiveWindow(previousActive);
  }
}

void Form::Hide() {
  if (hwnd_) ShowWindow(hwnd_, SW_HIDE);
}

void Form::Refresh() {
  if (hwnd_) RedrawWindow(hwnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
}

void Form::SetDefaultButton(Control* button) {
  defaultButton_ = button;
  // An id without a control means no default: Enter then sends IDOK, which no control has.
  if (hwnd_) SendMessageW(hwnd_, DM_SETDEFID, button ? button->Id() : IDOK, 0);
}

Control* Form::FindControl(const std::wstring& name, int index) const {
  for (Control* c : controls_) {
    if (c->Name() == name && (index < 0 ? !c->Index() : c->Index() == index)) return c;
  }
  return nullptr;
}

Control* Form::FindControl(int id) const {
  for (Control* c : controls_) {
    if (c->Id() == id) return c;
  }
  return nullptr;
}

void Form::Unregister(Control* control) { std::erase(controls_, control); }

void Form::LogAction(const Control& control, std::int32_t action) {
  objOperationLog().WriteLog(*this, control, action, L"", -1, options_.forceLog);
}

void Form::TrackTextBox(Control& box, std::wstring label) {
  box.OnChange = [&box] { objOperationLog().TextBoxChange(box); };
  box.OnGotFocus = [&box] { objOperationLog().TextBoxGotFocus(box, true); };
  box.OnLostFocus = [this, &box, label] { objOperationLog().TextBoxLostFocus(*this, box, label, options_.forceLog); };
}

void Form::TrackTextBox(Control& box, const Control& label) {
  TrackTextBox(box, std::wstring());
  box.OnLostFocus = [this, &box, &label] {
    objOperationLog().TextBoxLostFocus(*this, box, label.Text(), options_.forceLog);
  };
}

void Form::FocusFirstTabStop() {
  for (HWND child = GetWindow(hwnd_, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    const LONG style = GetWindowLongW(child, GWL_STYLE);
    if ((style & WS_TABSTOP) && (style & WS_VISIBLE) && !(style & WS_DISABLED)) {
      SendMessageW(hwnd_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(child), TRUE);
      return;
    }
  }
}

void Form::Activated(HWND previous) {
  // The form's Activate event: when it is shown, and when it takes over from another window of
  // the program; not while it is hidden, nor when the user comes back from another program.
  if (!activatePending_) {
    if (!IsWindowVisible(hwnd_)) return;
    DWORD ignored = 0;
    if (previous && GetWindowThreadProcessId(previous, &ignored) != GetCurrentThreadId()) return;
  }
  activatePending_ = false;
  Form_Activate();
}

void Form::Command(int id, int code, HWND from) {
  Control* c = FindControl(id);
  if (!c) {
    // Esc arrives as IDCANCEL, Enter without a default button as IDOK; neither id is a control.
    if (id == IDCANCEL && code == BN_CLICKED && cancelButton_ && cancelButton_->OnClick) cancelButton_->OnClick();
    return;
  }
  const std::wstring cls = GetWindowClass(from ? from : c->WindowIfLoaded());
  std::function<void()>* handler = nullptr;
  if (IsClass(cls, L"Button") || IsClass(cls, L"Static")) {
    if (code == BN_CLICKED) handler = &c->OnClick;
  } else if (IsClass(cls, L"ComboBox")) {
    if (code == CBN_SELCHANGE) handler = &c->OnClick;
    if (code == CBN_EDITCHANGE) handler = &c->OnChange;
    if (code == CBN_SETFOCUS) handler = &c->OnGotFocus;
    if (code == CBN_KILLFOCUS) handler = &c->OnLostFocus;
  } else if (IsClass(cls, L"ListBox")) {
    if (code == LBN_SELCHANGE) handler = &c->OnClick;
    if (code == LBN_SETFOCUS) handler = &c->OnGotFocus;
    if (code == LBN_KILLFOCUS) handler = &c->OnLostFocus;
  } else {  // text boxes, plain and rich
    if (code == EN_CHANGE) handler = &c->OnChange;
    if (code == EN_SETFOCUS) handler = &c->OnGotFocus;
    if (code == EN_KILLFOCUS) handler = &c->OnLostFocus;
  }
  if (handler && *handler) (*handler)();
}

bool Form::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) {
  if (OnMessage(message, wParam, lParam, result)) return true;
  switch (message) {
    case WM_COMMAND:
      Command(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam));
      return true;
    case WM_NOTIFY: {
      auto& header = *reinterpret_cast<NMHDR*>(lParam);
      Control* c = FindControl(static_cast<int>(header.idFrom));
      if (!c || !c->OnNotify) return false;
      SetWindowLongPtrW(hwnd_, DWLP_MSGRESULT, c->OnNotify(header));
      result = TRUE;
      return true;
    }
    case WM_CLOSE:  // the title bar's close box, the system menu, Alt+F4
      Unload();
      return true;
    case WM_ACTIVATE:
      if (LOWORD(wParam) != WA_INACTIVE) Activated(reinterpret_cast<HWND>(lParam));
      return false;  // the dialog manager still restores the focus
    case WM_SETCURSOR:
      if (ScreenMousePointer() == vbDefault) return false;
      SetScreenMousePointer(ScreenMousePointer());
      SetWindowLongPtrW(hwnd_, DWLP_MSGRESULT, TRUE);
      result = TRUE;
      return true;
    case kModalShown:
      if (ModalObserver* observer = CurrentModalObserver()) observer->ModalShown(Name(), hwnd_);
      return true;
    default:
      return false;
  }
}

INT_PTR CALLBACK Form::DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    auto* form = reinterpret_cast<Form*>(lParam);
    form->hwnd_ = hwnd;
    SetPropW(hwnd, kFormProperty, form);
    return FALSE;  // the focus is set when the form is shown
  }
  Form* form = FromWindow(hwnd);
  INT_PTR result = FALSE;
  if (form && form->HandleMessage(message, wParam, lParam, result)) return result == FALSE ? TRUE : result;
  return FALSE;
}

std::wstring WindowText(HWND hwnd) {
  const auto length = SendMessageW(hwnd, WM_GETTEXTLENGTH, 0, 0);
  if (length <= 0) return {};
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  const auto copied = SendMessageW(hwnd, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
  text.resize(static_cast<std::size_t>(std::max<LRESULT>(copied, 0)));
  return text;
}

void DoEvents() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(msg.wParam));
      return;
    }
    DispatchOne(msg);
  }
}

}  // namespace kv
