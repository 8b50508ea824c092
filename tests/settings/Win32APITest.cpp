#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <atomic>
#include <thread>

#include "base/Text.h"
#include "settings/Win32API.h"
#include "support/ExclusiveLock.h"
#include "support/FakeHost.h"
#include "support/TempDir.h"

namespace {

SYSTEMTIME Time(WORD y, WORD mo, WORD d, WORD h, WORD mi, WORD s, WORD ms) {
  SYSTEMTIME t{};
  t.wYear = y, t.wMonth = mo, t.wDay = d, t.wHour = h, t.wMinute = mi, t.wSecond = s, t.wMilliseconds = ms;
  return t;
}

TEST(GetLocalTimeText, PadsEveryField) {
  struct Case {
    SYSTEMTIME time;
    const wchar_t* text;
  } cases[] = {{Time(2009, 4, 7, 8, 5, 3, 42), L"2009-04-07 08:05:03.042"},
               {Time(2026, 12, 31, 23, 59, 59, 999), L"2026-12-31 23:59:59.999"},
               {Time(2010, 1, 1, 0, 0, 0, 0), L"2010-01-01 00:00:00.000"}};
  for (const auto& c : cases) {
    kvtest::FakeHost host;
    host.localTime = c.time;
    kv::ScopedHost scoped(host);
    EXPECT_EQ(kv::GetLocalTimeText(), c.text);
  }
}

TEST(GetLocalTimeText, RealClockHasTheFormat) {
  const auto text = kv::GetLocalTimeText();
  ASSERT_EQ(text.size(), 23u);
  for (std::size_t i : {4u, 7u}) EXPECT_EQ(text[i], L'-');
  EXPECT_EQ(text[10], L' ');
  for (std::size_t i : {13u, 16u}) EXPECT_EQ(text[i], L':');
  EXPECT_EQ(text[19], L'.');
}

TEST(WindowTexts, CaptionAndClassOfWindows) {
  const wchar_t* className = L"KvTestWindow";
  WNDCLASSW wc{};
  wc.lpfnWndProc = DefWindowProcW;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = className;
  RegisterClassW(&wc);
  HWND titled = CreateWindowW(className, L"バロネル　予約", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr,
                              wc.hInstance, nullptr);
  HWND untitled = CreateWindowW(className, L"", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr, wc.hInstance, nullptr);
  ASSERT_TRUE(titled && untitled);

  EXPECT_EQ(kv::GetWindowCaption(titled), L"バロネル　予約");
  EXPECT_EQ(kv::GetWindowClass(titled), className);
  EXPECT_EQ(kv::GetWindowCaption(untitled), L"");
  DestroyWindow(titled);
  DestroyWindow(untitled);
  EXPECT_EQ(kv::GetWindowCaption(titled), L"");
  EXPECT_EQ(kv::GetWindowClass(titled), L"");
}

TEST(GetSpecialFolderPath, KnownAndUnknownFolders) {
  EXPECT_FALSE(kv::GetSpecialFolderPath(26).empty());
  EXPECT_FALSE(kv::GetSpecialFolderPath(35).empty());
  EXPECT_EQ(kv::GetSpecialFolderPath(0x7E), L"");
}

TEST(GetUserLocalGroups, CurrentUserOnThisComputer) {
  wchar_t user[256], computer[256];
  DWORD n = 256;
  GetUserNameW(user, &n);
  n = 256;
  GetComputerNameW(computer, &n);

  std::int32_t count = 99;
  std::vector<std::wstring> names{L"old"};
  const auto status = kv::GetUserLocalGroups(computer, user, 0, count, names);
  ASSERT_EQ(status, 0);
  ASSERT_GE(count, 1);
  EXPECT_EQ(names.size(), static_cast<std::size_t>(count));
  // Wine answers "Administrators" for every user.
  EXPECT_NE(std::find(names.begin(), names.end(), L"Administrators"), names.end());
}

std::wstring WaitForFile(const std::wstring& path) {
  for (int i = 0; i < 200; ++i) {
    if (GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES) {
      Sleep(100);
      return kv::FromUtf8(kvtest::ReadBytes(path));
    }
    Sleep(50);
  }
  return L"(not started)";
}

TEST(ExecProgramEx, StartsThroughTheShellWithEachVerb) {
  const auto tool = kvtest::TestProgramFolder() + L"\\kv_recordargs.exe";
  struct Case {
    std::wstring file;
    const wchar_t* verb;
  } cases[] = {{tool, L"open"}, {tool, L"runas"}, {tool.substr(0, tool.size() - 4), L"runas"}};
  for (const auto& c : cases) {
    kvtest::TempDir dir;
    const auto record = dir / L"args.log";
    SetEnvironmentVariableW(L"KV_RECORD_FILE", record.c_str());
    EXPECT_NE(kv::ExecProgramEx(nullptr, c.file, L"/SETUP バロネル", L"", c.verb), 0) << kv::ToUtf8(c.verb);
    EXPECT_EQ(WaitForFile(record), L"/SETUP バロネル\r\n") << kv::ToUtf8(c.file) << " " << kv::ToUtf8(c.verb);
    SetEnvironmentVariableW(L"KV_RECORD_FILE", nullptr);
  }
}

// Presses a button of the folder dialog from another thread, as a user would; with a leaf name,
// only once the dialog's tree shows that folder selected.
class DialogPresser {
 public:
  explicit DialogPresser(int buttonId, std::wstring leaf = {})
      : screen_(kvtest::kScreenLock), thread_([this, buttonId, leaf] {
          for (int i = 0; i < 400 && !stop_; ++i) {
            HWND dialog = FindDialogOfThisProcess();
            // After 15 s press anyway: a wrong answer fails the test, a dialog left open hangs it.
            if (dialog && (leaf.empty() || SelectedItemText(dialog) == leaf || i >= 300)) {
              PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(buttonId, BN_CLICKED),
                           reinterpret_cast<LPARAM>(GetDlgItem(dialog, buttonId)));
              return;
            }
            Sleep(50);
          }
        }) {}
  ~DialogPresser() {
    stop_ = true;
    thread_.join();
  }

 private:
  static std::wstring SelectedItemText(HWND dialog) {
    HWND tree = FindWindowExW(dialog, nullptr, L"SysTreeView32", nullptr);
    if (!tree) return {};
    const auto item = reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_GETNEXTITEM, TVGN_CARET, 0));
    if (!item) return {};
    wchar_t text[MAX_PATH] = L"";
    TVITEMW tv{};
    tv.mask = TVIF_TEXT;
    tv.hItem = item;
    tv.pszText = text;
    tv.cchTextMax = MAX_PATH;
    SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&tv));
    return text;
  }

  static HWND FindDialogOfThisProcess() {
    HWND found = nullptr;
    EnumWindows(Visit, reinterpret_cast<LPARAM>(&found));
    return found;
  }
  static BOOL CALLBACK Visit(HWND hwnd, LPARAM param) {
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (pid == GetCurrentProcessId() && kv::GetWindowClass(hwnd) == L"#32770" && IsWindowVisible(hwnd)) {
      *reinterpret_cast<HWND*>(param) = hwnd;
      return FALSE;
    }
    return TRUE;
  }

  kvtest::ExclusiveLock screen_;  // the folder dialog takes the activation from other tests' windows
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

TEST(BrowseForFolder, OkAnswersTheInitialFolder) {
  kvtest::TempDir dir;
  CreateDirectoryW((dir / L"選択").c_str(), nullptr);
  DialogPresser ok(IDOK, L"選択");
  EXPECT_EQ(kv::LCase(kv::BrowseForFolder(nullptr, dir / L"選択")), kv::LCase(dir / L"選択"));
}

TEST(BrowseForFolder, EmptyInitialFolderOpensOnTheCurrentDirectory) {
  kvtest::TempDir dir;
  wchar_t previous[MAX_PATH];
  GetCurrentDirectoryW(MAX_PATH, previous);
  SetCurrentDirectoryW(dir.path().c_str());
  std::wstring chosen;
  {
    DialogPresser ok(IDOK, dir.path().substr(dir.path().find_last_of(L'\\') + 1));
    chosen = kv::BrowseForFolder(nullptr, L"");
  }
  SetCurrentDirectoryW(previous);
  EXPECT_EQ(kv::LCase(chosen), kv::LCase(dir.path()));
}

TEST(BrowseForFolder, CancelAnswersTheEmptyText) {
  kvtest::TempDir dir;
  DialogPresser cancel(IDCANCEL);
  EXPECT_EQ(kv::BrowseForFolder(nullptr, dir.path()), L"");
}

}  // namespace
