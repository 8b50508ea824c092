// The close request to the main program: top-level windows made by the test with the main
// program's classes, and the messages found in their queues afterwards.
#include <gtest/gtest.h>
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "base/Text.h"
#include "dialogs/frmSplash.h"
#include "support/ExclusiveLock.h"
#include "support/OperationLogCapture.h"

namespace {

struct Posted {
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
  bool operator==(const Posted&) const = default;
};
using PostedList = std::vector<Posted>;

// Counts what reaches the window procedure directly (a sent message would).
int g_delivered = 0;
LRESULT CALLBACK CountingProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_CLOSE || message >= WM_USER) {
    ++g_delivered;
    return 0;
  }
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

void RegisterClassOnce(const wchar_t* name) {
  WNDCLASSEXW cls{};
  cls.cbSize = sizeof(cls);
  cls.lpfnWndProc = CountingProc;
  cls.hInstance = GetModuleHandleW(nullptr);
  cls.lpszClassName = name;
  RegisterClassExW(&cls);  // a second registration fails harmlessly
}

// A hidden top-level window of the test's thread.
class TestWindow {
 public:
  TestWindow(const wchar_t* cls, const wchar_t* caption) {
    RegisterClassOnce(cls);
    hwnd_ = CreateWindowExW(0, cls, caption, WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
  }
  ~TestWindow() { DestroyWindow(hwnd_); }
  TestWindow(const TestWindow&) = delete;
  TestWindow& operator=(const TestWindow&) = delete;
  HWND hwnd() const { return hwnd_; }

  // The close requests waiting in the queue, taken out.
  PostedList Take() const {
    PostedList found;
    MSG msg;
    while (PeekMessageW(&msg, hwnd_, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_CLOSE || msg.message >= WM_USER) found.push_back({msg.message, msg.wParam, msg.lParam});
    }
    return found;
  }

 private:
  HWND hwnd_;
};

struct Target {
  const char* what;
  const wchar_t* cls;
  const wchar_t* caption;
  bool titledMatch;    // gets lngMsg
  bool untitledMatch;  // gets 1024
};

const Target kTargets[] = {
    {"half-width caption, form class", L"ThunderRT6FormDC", L"ﾊﾞﾛﾈﾙ 予約管理", true, false},
    {"full-width caption, main class", L"ThunderRT6Main", L"バロネル", true, false},
    {"half-width caption, other class", L"KanvoloForm", L"ﾊﾞﾛﾈﾙ 予約管理", false, false},
    // Class names are one per letter case within a process: this one differs in its prefix.
    {"class prefix in other letter case", L"thunderrt6Form", L"ﾊﾞﾛﾈﾙ", false, false},
    {"product word not at the beginning", L"ThunderRT6FormDC", L"予約 ﾊﾞﾛﾈﾙ", false, false},
    {"untitled form class", L"ThunderRT6FormDC", L"", false, true},
    {"untitled longer form class", L"ThunderRT6FormDCX", L"", false, true},
    {"untitled other ThunderRT6 class", L"ThunderRT6Main", L"", false, false},
};

TEST(SendWindowMessage, PostsToTheMainProgramsWindowsOnly) {
  kvtest::ExclusiveLock screen(kvtest::kScreenLock);
  kvtest::OperationLogCapture log;
  struct Round {
    std::int32_t command, param, msg;
    Posted titled, untitled;
  } rounds[] = {
      {32769, 20, 1024, {1024, 32769, 20}, {1024, 32769, 20}},  // the close request
      {0, 0, 16, {WM_CLOSE, 0, 0}, {1024, 0, 0}},               // the close command
      {-1, -2, 1025, {1025, 0xFFFFFFFFu, -2}, {1024, 0xFFFFFFFFu, -2}},
  };
  std::vector<std::unique_ptr<TestWindow>> windows;
  for (const auto& t : kTargets) windows.push_back(std::make_unique<TestWindow>(t.cls, t.caption));
  kv::frmSplash splash;
  splash.Load();
  for (const auto& r : rounds) {
    g_delivered = 0;
    splash.SendWindowMessage(r.command, r.param, r.msg);
    EXPECT_EQ(g_delivered, 0) << "posted, not sent";
    for (std::size_t i = 0; i < std::size(kTargets); ++i) {
      const auto& t = kTargets[i];
      PostedList expected;
      if (t.titledMatch) expected.push_back(r.titled);
      if (t.untitledMatch) expected.push_back(r.untitled);
      EXPECT_EQ(windows[i]->Take(), expected) << t.what << ", message " << r.msg;
    }
  }
}

TEST(SendWindowMessage, TheDefaultMessageIs1024) {
  kvtest::ExclusiveLock screen(kvtest::kScreenLock);
  kvtest::OperationLogCapture log;
  TestWindow main(L"ThunderRT6FormDC", L"ﾊﾞﾛﾈﾙ");
  kv::frmSplash splash;
  splash.SendWindowMessage(32769, 20);
  EXPECT_EQ(main.Take(), (PostedList{{1024, 32769, 20}}));
}

}  // namespace
