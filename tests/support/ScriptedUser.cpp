#include "support/ScriptedUser.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <cstdio>

#include "base/Text.h"
#include "dialogs/Form.h"
#include "support/Screenshot.h"

namespace kvtest {
namespace {

constexpr wchar_t kStepClass[] = L"kvtest.ScriptedUser";
constexpr UINT kStep = WM_APP + 1;
constexpr UINT_PTR kRetryTimer = 1;
constexpr UINT kRetryMilliseconds = 20;

std::wstring ControlName(const std::wstring& name, int index) {
  return index < 0 ? name : name + L"(" + std::to_wstring(index) + L")";
}

// The control that has the keyboard, or the dialog itself when none of its controls has it.
HWND KeyTarget(HWND dialog) {
  const HWND focus = GetFocus();
  return focus && (focus == dialog || IsChild(dialog, focus)) ? focus : dialog;
}

void PostKey(HWND target, WPARAM key, UINT scanCode) {
  PostMessageW(target, WM_KEYDOWN, key, 1 | (scanCode << 16));
  PostMessageW(target, WM_KEYUP, key, 1 | (scanCode << 16) | 0xC0000000u);
}

void PostLeftClick(HWND target, POINT at) {
  const LPARAM where = MAKELPARAM(at.x, at.y);
  PostMessageW(target, WM_LBUTTONDOWN, MK_LBUTTON, where);
  PostMessageW(target, WM_LBUTTONUP, 0, where);
}

bool IsButton(HWND hwnd) {
  wchar_t cls[16] = L"";
  GetClassNameW(hwnd, cls, 16);
  return _wcsicmp(cls, L"Button") == 0;
}

// A shown dialog of the thread that is no form and not yet known.
struct OtherSearch {
  const std::vector<HWND>* known;
  HWND found = nullptr;
};

BOOL CALLBACK FindOtherDialog(HWND hwnd, LPARAM param) {
  auto& search = *reinterpret_cast<OtherSearch*>(param);
  if (!IsWindowVisible(hwnd) || !IsWindowEnabled(hwnd) || kv::Form::FromWindow(hwnd)) return TRUE;
  wchar_t cls[16] = L"";
  GetClassNameW(hwnd, cls, 16);
  if (wcscmp(cls, L"#32770") != 0) return TRUE;
  for (HWND known : *search.known) {
    if (known == hwnd) return TRUE;
  }
  search.found = hwnd;
  return FALSE;
}

struct ToolTipSearch {
  HWND owner;
  HWND tip = nullptr;
};

BOOL CALLBACK FindToolTip(HWND hwnd, LPARAM param) {
  auto& s = *reinterpret_cast<ToolTipSearch*>(param);
  wchar_t cls[32] = L"";
  GetClassNameW(hwnd, cls, 32);
  if (_wcsicmp(cls, TOOLTIPS_CLASSW) != 0 || GetWindow(hwnd, GW_OWNER) != s.owner) return TRUE;
  s.tip = hwnd;
  return FALSE;
}

BOOL CALLBACK CloseVisible(HWND hwnd, LPARAM) {
  if (IsWindowVisible(hwnd)) PostMessageW(hwnd, WM_CLOSE, 0, 0);
  return TRUE;
}

}  // namespace

// ---- DialogView

std::wstring DialogView::Caption() const { return kv::WindowText(window_); }

HWND DialogView::Find(const std::wstring& name, int index) const {
  const kv::Form* form = kv::Form::FromWindow(window_);
  const kv::Control* control = form ? form->FindControl(name, index) : nullptr;
  const HWND hwnd = control ? GetDlgItem(window_, control->Id()) : nullptr;
  if (!hwnd) ADD_FAILURE() << kv::ToUtf8(form_ + L" has no control " + ControlName(name, index));
  return hwnd;
}

std::wstring DialogView::Text(const std::wstring& name, int index) const {
  const HWND hwnd = Find(name, index);
  return hwnd ? kv::WindowText(hwnd) : std::wstring();
}

bool DialogView::Visible(const std::wstring& name, int index) const {
  const HWND hwnd = Find(name, index);
  return hwnd && (GetWindowLongW(hwnd, GWL_STYLE) & WS_VISIBLE);
}

bool DialogView::Enabled(const std::wstring& name, int index) const {
  const HWND hwnd = Find(name, index);
  return hwnd && IsWindowEnabled(hwnd);
}

int DialogView::Checked(const std::wstring& name, int index) const {
  const HWND hwnd = Find(name, index);
  return hwnd ? static_cast<int>(SendMessageW(hwnd, BM_GETCHECK, 0, 0)) : -1;
}

LONG DialogView::Style(const std::wstring& name, int index) const {
  const HWND hwnd = Find(name, index);
  return hwnd ? GetWindowLongW(hwnd, GWL_STYLE) : 0;
}

std::wstring DialogView::ToolTip(const std::wstring& name, int index) const {
  const HWND control = Find(name, index);
  ToolTipSearch search{window_};
  EnumThreadWindows(GetCurrentThreadId(), FindToolTip, reinterpret_cast<LPARAM>(&search));
  if (!search.tip || !control) return L"(no tool tip)";
  wchar_t text[256] = L"";
  TTTOOLINFOW tool{};
  tool.cbSize = TTTOOLINFOW_V2_SIZE;
  tool.hwnd = window_;
  tool.uId = reinterpret_cast<UINT_PTR>(control);
  tool.lpszText = text;
  SendMessageW(search.tip, TTM_GETTEXTW, 256, reinterpret_cast<LPARAM>(&tool));
  return text;
}

HWND DialogView::Item(int id) const {
  const HWND hwnd = GetDlgItem(window_, id);
  if (!hwnd) ADD_FAILURE() << kv::ToUtf8(form_) << " has no control with id " << id;
  return hwnd;
}

RECT DialogView::Bounds(const std::wstring& name, int index) const {
  RECT r{};
  if (const HWND hwnd = Find(name, index)) {
    GetWindowRect(hwnd, &r);
    MapWindowPoints(nullptr, window_, reinterpret_cast<POINT*>(&r), 2);
  }
  return r;
}

std::wstring DialogView::NameOf(HWND control) const {
  const kv::Form* form = kv::Form::FromWindow(window_);
  const kv::Control* c = form && control ? form->FindControl(GetDlgCtrlID(control)) : nullptr;
  return c ? ControlName(c->Name(), c->Index() ? *c->Index() : -1) : std::wstring();
}

std::wstring DialogView::DefaultButton() const {
  const auto answer = SendMessageW(window_, DM_GETDEFID, 0, 0);
  if (HIWORD(answer) != DC_HASDEFID) return {};
  return NameOf(GetDlgItem(window_, LOWORD(answer)));
}

std::wstring DialogView::Focused() const {
  const HWND focus = GetFocus();
  return focus && IsChild(window_, focus) ? NameOf(focus) : std::wstring();
}

// ---- ExpectedDialog

ExpectedDialog& ExpectedDialog::Add(std::wstring description, std::function<void(DialogView&)> run) {
  steps_.push_back({std::move(description), std::move(run), {}});
  return *this;
}

ExpectedDialog& ExpectedDialog::Check(std::function<void(DialogView&)> check) { return Add(L"check", std::move(check)); }

ExpectedDialog& ExpectedDialog::WaitUntil(const std::wstring& what, std::function<bool(DialogView&)> ready) {
  Add(L"wait until " + what, [](DialogView&) {});
  steps_.back().ready = std::move(ready);
  return *this;
}

ExpectedDialog& ExpectedDialog::Click(const std::wstring& name, int index) {
  return Add(L"click " + ControlName(name, index), [name, index](DialogView& d) {
    const HWND control = d.Find(name, index);
    if (!control) return;
    if (!IsWindowVisible(control) || !IsWindowEnabled(control)) {
      ADD_FAILURE() << kv::ToUtf8(L"cannot click " + ControlName(name, index) + L": hidden or disabled");
      return;
    }
    if (IsButton(control)) {
      PostMessageW(control, BM_CLICK, 0, 0);
      return;
    }
    RECT r{};
    GetClientRect(control, &r);
    PostLeftClick(control, {(r.left + r.right) / 2, (r.top + r.bottom) / 2});
  });
}

ExpectedDialog& ExpectedDialog::ClickListRow(const std::wstring& name, int index, int row) {
  return Add(L"click row " + std::to_wstring(row) + L" of " + ControlName(name, index), [name, index, row](DialogView& d) {
    const HWND list = d.Find(name, index);
    if (!list) return;
    SendMessageW(list, LVM_ENSUREVISIBLE, static_cast<WPARAM>(row), FALSE);  // scrolled to, as a user would
    RECT r{};
    r.left = LVIR_LABEL;
    if (!SendMessageW(list, LVM_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&r))) {
      ADD_FAILURE() << kv::ToUtf8(ControlName(name, index)) << " has no row " << row;
      return;
    }
    PostLeftClick(list, {(r.left + r.right) / 2, (r.top + r.bottom) / 2});
  });
}

ExpectedDialog& ExpectedDialog::ClickItem(int id) {
  return Add(L"click item " + std::to_wstring(id), [id](DialogView& d) {
    if (const HWND button = d.Item(id)) PostMessageW(button, BM_CLICK, 0, 0);
  });
}

ExpectedDialog& ExpectedDialog::Focus(const std::wstring& name, int index) {
  return Add(L"focus " + ControlName(name, index), [name, index](DialogView& d) {
    if (const HWND control = d.Find(name, index)) {
      PostMessageW(d.Window(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(control), TRUE);
    }
  });
}

ExpectedDialog& ExpectedDialog::PickFromList(const std::wstring& name, int index, int entry) {
  Focus(name, index);
  Add(L"arrow keys to entry " + std::to_wstring(entry) + L" of " + ControlName(name, index), [](DialogView&) {});
  // One key per try, each one read back, as a user watches the box while pressing.
  steps_.back().ready = [name, index, entry](DialogView& d) {
    const HWND combo = d.Find(name, index);
    if (!combo) return true;
    const auto selected = static_cast<int>(SendMessageW(combo, CB_GETCURSEL, 0, 0));
    if (selected == entry) return true;
    if (selected < entry) {
      PostKey(KeyTarget(d.Window()), VK_DOWN, 0x50);
    } else {
      PostKey(KeyTarget(d.Window()), VK_UP, 0x48);
    }
    return false;
  };
  return *this;
}

ExpectedDialog& ExpectedDialog::Type(const std::wstring& name, int index, const std::wstring& text) {
  Focus(name, index);
  return Type(text);
}

ExpectedDialog& ExpectedDialog::Type(const std::wstring& text) {
  return Add(L"type 「" + text + L"」", [text](DialogView& d) {
    const HWND target = KeyTarget(d.Window());
    for (wchar_t c : text) PostMessageW(target, WM_CHAR, c, 1);
  });
}

ExpectedDialog& ExpectedDialog::PressEnter() {
  return Add(L"Enter", [](DialogView& d) { PostKey(KeyTarget(d.Window()), VK_RETURN, 0x1C); });
}

ExpectedDialog& ExpectedDialog::PressEscape() {
  return Add(L"Esc", [](DialogView& d) { PostKey(KeyTarget(d.Window()), VK_ESCAPE, 0x01); });
}

ExpectedDialog& ExpectedDialog::CloseFromTitleBar() {
  return Add(L"close from the title bar",
             [](DialogView& d) { PostMessageW(d.Window(), WM_SYSCOMMAND, SC_CLOSE, 0); });
}

ExpectedDialog& ExpectedDialog::Screenshot(const std::wstring& name) {
  return Add(L"screenshot " + name, [name](DialogView& d) {
    if (!TakeScreenshot(name, d.Window())) std::printf("screenshot %s not taken\n", kv::ToUtf8(name).c_str());
  });
}

// ---- ScriptedUser

ScriptedUser::ScriptedUser(std::chrono::seconds watchdog) {
  static const ATOM registered = [] {
    WNDCLASSW wc{};
    wc.lpfnWndProc = StepWindowProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = kStepClass;
    return RegisterClassW(&wc);
  }();
  (void)registered;
  stepWindow_ = CreateWindowW(kStepClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, GetModuleHandleW(nullptr), nullptr);
  SetWindowLongPtrW(stepWindow_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  watchdog_ = std::thread([this, watchdog] { Watch(watchdog); });
}

ScriptedUser::~ScriptedUser() {
  {
    std::lock_guard lock(mutex_);
    finished_ = true;
  }
  done_.notify_all();
  watchdog_.join();
  DestroyWindow(stepWindow_);
  PopClosed();

  if (timedOut_) ADD_FAILURE() << "scripted user: the watchdog closed the windows of a hung test";
  for (std::size_t i = nextExpected_; i < expected_.size(); ++i) {
    ADD_FAILURE() << kv::ToUtf8(L"scripted user: " + expected_[i].form_ + L" was expected but never shown");
  }
  if (::testing::Test::HasFailure()) {
    std::printf("scripted user transcript:\n");
    for (const auto& line : transcript_) std::printf("  %s\n", kv::ToUtf8(line).c_str());
  }
}

ExpectedDialog& ScriptedUser::Expect(const std::wstring& form) { return expected_.emplace_back(form); }

ExpectedDialog& ScriptedUser::ExpectOther(const std::wstring& description) {
  ExpectedDialog& dialog = expected_.emplace_back(description);
  dialog.other_ = true;
  return dialog;
}

std::vector<std::wstring> ScriptedUser::Transcript() {
  PopClosed();
  std::lock_guard lock(mutex_);
  return transcript_;
}

void ScriptedUser::Note(const std::wstring& line) {
  std::lock_guard lock(mutex_);
  transcript_.push_back(line);
}

void ScriptedUser::Fail(const std::wstring& what) {
  Note(L"FAILED: " + what);
  ADD_FAILURE() << "scripted user: " << kv::ToUtf8(what);
}

void ScriptedUser::ModalShown(const std::wstring& formName, HWND window) {
  Note(formName + L" 「" + kv::WindowText(window) + L"」 shown");
  if (nextExpected_ >= expected_.size() || expected_[nextExpected_].other_ ||
      expected_[nextExpected_].form_ != formName) {
    Fail(L"unexpected dialog " + formName + L"; closed");
    PostMessageW(window, WM_CLOSE, 0, 0);
    PostStep();  // the dialog below it goes on once this one is gone
    return;
  }
  active_.push_back({&expected_[nextExpected_++], window});
  PostStep();
}

void ScriptedUser::PostStep() {
  if (stepPosted_) return;
  stepPosted_ = PostMessageW(stepWindow_, kStep, 0, 0) != FALSE;
}

void ScriptedUser::RetryLater() { SetTimer(stepWindow_, kRetryTimer, kRetryMilliseconds, nullptr); }

LRESULT CALLBACK ScriptedUser::StepWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* user = reinterpret_cast<ScriptedUser*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (message == kStep) {
    if (user) user->RunStep();
    return 0;
  }
  if (message == WM_TIMER && wParam == kRetryTimer) {
    KillTimer(hwnd, kRetryTimer);
    // Queued behind whatever the last step posted, like every step.
    if (user) user->PostStep();
    return 0;
  }
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

void ScriptedUser::PopClosed() {
  while (!active_.empty() && !(IsWindow(active_.back().window) && IsWindowVisible(active_.back().window))) {
    const Active& gone = active_.back();
    if (!gone.closing && gone.next < gone.dialog->steps_.size()) {
      Fail(gone.dialog->form_ + L" closed before \"" + gone.dialog->steps_[gone.next].description + L"\"");
    } else {
      Note(gone.dialog->form_ + L" closed");
    }
    active_.pop_back();
  }
}

bool ScriptedUser::TakeOtherDialog() {
  std::vector<HWND> known = refusedOthers_;
  for (const Active& a : active_) known.push_back(a.window);
  OtherSearch search{&known};
  EnumThreadWindows(thread_, FindOtherDialog, reinterpret_cast<LPARAM>(&search));
  if (!search.found) return false;
  const std::wstring caption = kv::WindowText(search.found);
  if (nextExpected_ >= expected_.size() || !expected_[nextExpected_].other_) {
    Note(L"dialog 「" + caption + L"」 shown");
    Fail(L"unexpected dialog 「" + caption + L"」; closed");
    refusedOthers_.push_back(search.found);
    PostMessageW(search.found, WM_CLOSE, 0, 0);
    return false;
  }
  Note(expected_[nextExpected_].form_ + L" 「" + caption + L"」 shown");
  active_.push_back({&expected_[nextExpected_++], search.found});
  return true;
}

void ScriptedUser::RunStep() {
  stepPosted_ = false;
  PopClosed();
  if (active_.empty()) return;
  // A dialog above it is modal: a form tells of itself once it is up and is answered first; any
  // other dialog is looked for until it comes.
  if (!IsWindowEnabled(active_.back().window) && !active_.back().closing && !TakeOtherDialog()) {
    RetryLater();
    return;
  }
  Active& top = active_.back();
  if (!IsWindowEnabled(top.window) || top.closing) return;
  if (top.next >= top.dialog->steps_.size()) {
    Fail(top.dialog->form_ + L" still open after its script; closed");
    top.closing = true;
    PostMessageW(top.window, WM_CLOSE, 0, 0);
    PostStep();
    return;
  }
  const auto& step = top.dialog->steps_[top.next];
  DialogView view(top.dialog->form_, top.window);
  if (step.ready && !step.ready(view)) {
    RetryLater();
    return;
  }
  ++top.next;
  Note(L"  " + step.description);
  step.run(view);
  PostStep();
}

void ScriptedUser::Watch(std::chrono::seconds timeout) {
  std::unique_lock lock(mutex_);
  if (done_.wait_for(lock, timeout, [this] { return finished_; })) return;
  timedOut_ = true;
  transcript_.push_back(L"WATCHDOG: closing every window of the test");
  lock.unlock();
  EnumThreadWindows(thread_, CloseVisible, 0);
  lock.lock();
  if (done_.wait_for(lock, std::chrono::seconds(10), [this] { return finished_; })) return;
  std::fprintf(stderr, "scripted user: the test hangs; transcript:\n");
  for (const auto& line : transcript_) std::fprintf(stderr, "  %s\n", kv::ToUtf8(line).c_str());
  std::fflush(stderr);
  TerminateProcess(GetCurrentProcess(), 3);
}

}  // namespace kvtest
