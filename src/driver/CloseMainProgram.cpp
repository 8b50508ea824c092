#include "base/Host.h"
#include "base/ProcessExit.h"
#include "base/SkipOnError.h"
#include "dialogs/Form.h"
#include "dialogs/LocalDialog.h"
#include "dialogs/UpdateLogs.h"
#include "dialogs/frmSplash.h"
#include "driver/submain.h"
#include "settings/Win32API.h"

namespace kv {
namespace {

constexpr wchar_t kQuitQuestion[] = L"バロネルを終了してアップデートを続行しますか？";
constexpr wchar_t kQuitting[] = L"バロネルを終了しています ...";
constexpr wchar_t kCannotStop[] = L"バロネルを終了できませんでした。アップデートを中止します。";
constexpr wchar_t kStillRunning[] = L" が実行中です。";
constexpr int kPolls = 20;
constexpr int kCloseCommandAfterPoll = 5;
constexpr DWORD kPollMs = 1000;

template <class Statement>
void Do(Statement&& statement) {
  SkipOnError(std::forward<Statement>(statement));
}

void PostCloseCommand() { Splash().SendWindowMessage(0, 0, WM_CLOSE); }

}  // namespace

std::wstring FindMainWindow() {
  // Asking for the splash window's handle loads it (hidden) when it is not loaded yet.
  const HWND self = Splash().Window();
  for (HWND window = GetTopWindow(nullptr); window; window = GetWindow(window, GW_HWNDNEXT)) {
    if (window == self) continue;
    const std::wstring caption = GetWindowCaption(window);
    if (caption.empty()) continue;
    if (IsMainProgramWindow(caption, GetWindowClass(window))) return caption;
  }
  return {};
}

void StopMainProgram() {
  std::wstring caption;
  Do([&] { caption = FindMainWindow(); });
  if (caption.empty()) return;

  std::int16_t answer = 0;
  Do([&] { answer = LogMessageBox(kQuitQuestion, 49, CurrentHost().ProductName()); });
  if (answer == vbCancel) UnloadSplashAndEnd();

  Do([&] { WriteBootLog(L"Quit Request " + caption); });
  frmSplash& splash = Splash();
  Do([&] { splash.Show(); });
  Do([&] { splash.lblVersion.SetText(kQuitting); });
  Do([&] { splash.ProgressBar.SetVisible(false); });
  Do([&] { splash.Refresh(); });
  Do([] { DoEvents(); });

  Do([] { PostCloseRequest(); });
  // The window system is not served during the polls: the main program closes in its own process.
  for (int poll = 1; poll <= kPolls; ++poll) {
    Do([] { CurrentHost().Sleep(kPollMs); });
    Do([&] { caption = FindMainWindow(); });
    if (caption.empty()) {
      Do([&] { splash.lblVersion.SetText(L""); });
      Do([&] { splash.Refresh(); });
      return;
    }
    if (poll == kCloseCommandAfterPoll) Do([] { PostCloseCommand(); });
  }

  Do([&] { caption = FindMainWindow(); });
  if (caption.empty()) return;
  Do([&] { WriteBootLog(L"Can not Stop " + caption); });
  Do([&] { LogMessageBox(std::wstring(kCannotStop) + L"\r\n" + caption + kStillRunning, 16, CurrentHost().ProductName()); });
  EndProcess(0);
}

void PostCloseRequest() { Splash().SendWindowMessage(32769, 20, 1024); }

}  // namespace kv
