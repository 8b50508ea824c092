// The stop block and the closing post against the stand-in main program in its own process. The
// host's pauses cost nothing; where the stand-in should have gone, the pause waits for its end.
#include <gtest/gtest.h>
#include <windows.h>

#include "dialogs/frmSplash.h"
#include "driver/RunFixture.h"
#include "driver/StandIn.h"
#include "support/ScriptedUser.h"

namespace {

using kvtest::Lines;
using kvtest::RunFixture;
using kvtest::StandIn;
using CloseOn = kvtest::StandIn::CloseOn;

const wchar_t kQuestion[] = L"バロネルを終了してアップデートを続行しますか？";
const wchar_t kRequest[] = L"1024 32769 20";
const wchar_t kCloseCommand[] = L"16 0 0";

// Runs the stop block as a step does, then the closing post; true when the process was ended.
bool StopThenPost(kv::UpdateRun& run) {
  return kvtest::EndsInRun(run, [] {
    kv::StopMainProgram();
    kv::PostCloseRequest();
  });
}

void ExpectQuestion(kvtest::ExpectedDialog& dialog, const std::wstring& title) {
  kvtest::CheckMessage(dialog, title, kQuestion, 2).Check([](kvtest::DialogView& d) {
    EXPECT_EQ(d.Text(L"cmdButton", 1), L"OK");
    EXPECT_EQ(d.Text(L"cmdButton", 2), L"キャンセル");
  });
}

struct Case {
  const char* what;
  CloseOn closeOn;
  std::wstring caption;
  std::function<void(kvtest::ExpectedDialog&)> answer;
  unsigned goneAtPoll;  // 0: never
};

TEST(StopMainProgram, ClosesTheRunningMainProgram) {
  const Case cases[] = {
      {"closes on the request", CloseOn::Request, L"バロネル 予約管理", [](auto& d) { d.Click(L"cmdButton", 1); }, 1},
      {"closes on WM_CLOSE", CloseOn::Close, L"バロネル 予約管理", [](auto& d) { d.Click(L"cmdButton", 1); }, 6},
      {"question closed from its title bar", CloseOn::Request, L"バロネル", [](auto& d) { d.CloseFromTitleBar(); }, 1},
      {"half-width caption as given", CloseOn::Request, L"ﾊﾞﾛﾈﾙ 予約管理", [](auto& d) { d.PressEnter(); }, 1},
  };
  for (const auto& c : cases) {
    RunFixture f;
    kvtest::ScriptedUser user;
    StandIn standIn(c.closeOn, c.caption);
    ASSERT_TRUE(standIn.Window()) << c.what;
    bool closeCommandTooEarly = false;
    f.host.onSleep = [&](unsigned sleeps) {
      if (sleeps <= 5) {
        for (const auto& m : standIn.Messages()) closeCommandTooEarly |= m == kCloseCommand;
      }
      if (sleeps == c.goneAtPoll) {
        EXPECT_TRUE(standIn.WaitForEnd()) << c.what;
      }
    };
    kv::UpdateRun run(f.starter, f.RecordingSteps());
    {
      kv::ScopedRun scoped(run);
      EXPECT_EQ(kv::FindMainWindow(), c.caption) << c.what;
    }
    auto& dialog = user.Expect(L"frmMsgBox");
    ExpectQuestion(dialog, f.ProductTitle());
    c.answer(dialog);

    EXPECT_FALSE(StopThenPost(run)) << c.what;
    EXPECT_EQ(f.host.sleeps, c.goneAtPoll) << c.what;
    EXPECT_EQ(f.host.slept, 1000u * c.goneAtPoll) << c.what;
    EXPECT_FALSE(closeCommandTooEarly) << c.what;
    Lines expected{kRequest};
    if (c.goneAtPoll > 5) expected.push_back(kCloseCommand);
    EXPECT_EQ(standIn.Messages(), expected) << c.what;
    EXPECT_EQ(f.BootLog().back(), L"Quit Request " + c.caption) << c.what;
    EXPECT_EQ(f.UpdateLog(), Lines{kQuestion}) << c.what;
    // The splash window came up for the wait and stays; its step text is cleared.
    EXPECT_TRUE(IsWindowVisible(run.Splash().hwnd())) << c.what;
    EXPECT_EQ(run.Splash().lblVersion.Text(), L"") << c.what;
    EXPECT_FALSE(run.Splash().ProgressBar.Visible()) << c.what;
    EXPECT_TRUE(f.starter.runs.empty() && f.starter.shellRuns.empty()) << c.what;
  }
}

TEST(StopMainProgram, GivesUpAfterTwentyPolls) {
  RunFixture f;
  kvtest::ScriptedUser user;
  StandIn standIn(CloseOn::Never, L"バロネル 予約管理");
  ASSERT_TRUE(standIn.Window());
  bool lastTextSeen = false;
  f.host.onSleep = [&](unsigned sleeps) {
    if (sleeps == 1) lastTextSeen = kv::Splash().lblVersion.Text() == L"バロネルを終了しています ...";
  };
  auto& question = user.Expect(L"frmMsgBox");
  ExpectQuestion(question, f.ProductTitle());
  question.PressEnter();  // OK
  kvtest::CheckMessage(user.Expect(L"frmMsgBox"), f.ProductTitle(),
                       L"バロネルを終了できませんでした。アップデートを中止します。\r\nバロネル 予約管理 が実行中です。", 0)
      .PressEnter();
  kv::UpdateRun run(f.starter, f.RecordingSteps());
  EXPECT_TRUE(StopThenPost(run));
  EXPECT_TRUE(lastTextSeen);
  EXPECT_EQ(f.host.sleeps, 20u);
  EXPECT_EQ(f.host.slept, 20000u);
  EXPECT_EQ(f.BootLog().back(), L"Can not Stop バロネル 予約管理");
  // Not closed first: the splash window is still up when the process ends.
  EXPECT_TRUE(IsWindowVisible(run.Splash().hwnd()));
  for (int i = 0; i < 100 && standIn.Messages().size() < 2; ++i) Sleep(20);
  EXPECT_EQ(standIn.Messages(), (Lines{kRequest, kCloseCommand}));
}

TEST(StopMainProgram, CancelEndsTheRunWithTheSplashClosed) {
  RunFixture f;
  kvtest::ScriptedUser user;
  StandIn standIn(CloseOn::Request, L"バロネル");
  ASSERT_TRUE(standIn.Window());
  auto& question = user.Expect(L"frmMsgBox");
  ExpectQuestion(question, f.ProductTitle());
  question.Click(L"cmdButton", 2);
  kv::UpdateRun run(f.starter, f.RecordingSteps());
  EXPECT_TRUE(StopThenPost(run));
  EXPECT_EQ(f.host.sleeps, 0u);
  EXPECT_FALSE(run.Splash().Loaded());
  for (const auto& line : f.BootLog()) EXPECT_FALSE(line.starts_with(L"Quit Request")) << kv::ToUtf8(line);
  Sleep(200);
  EXPECT_TRUE(standIn.Messages().empty());
  EXPECT_TRUE(standIn.Running());
}

TEST(StopMainProgram, UntitledWindowIsReachedOnlyByTheClosingPost) {
  RunFixture f;
  kvtest::ExclusiveLock screen(kvtest::kScreenLock);
  StandIn standIn(CloseOn::Request, std::nullopt);
  ASSERT_TRUE(standIn.Window());
  kv::UpdateRun run(f.starter, f.RecordingSteps());
  {
    kv::ScopedRun scoped(run);
    EXPECT_EQ(kv::FindMainWindow(), L"");
  }
  EXPECT_FALSE(StopThenPost(run));  // no question: no scripted user needed
  EXPECT_EQ(f.host.sleeps, 0u);
  EXPECT_TRUE(standIn.WaitForEnd());
  EXPECT_EQ(standIn.Messages(), Lines{kRequest});
  EXPECT_EQ(f.UpdateLog(), Lines{});
}

// A hidden top-level window of the test's own thread.
class TestWindow {
 public:
  TestWindow(const wchar_t* cls, const wchar_t* caption) {
    WNDCLASSEXW c{};
    c.cbSize = sizeof(c);
    c.lpfnWndProc = DefWindowProcW;
    c.hInstance = GetModuleHandleW(nullptr);
    c.lpszClassName = cls;
    RegisterClassExW(&c);  // a second registration fails harmlessly
    hwnd_ = CreateWindowExW(0, cls, caption, WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
  }
  ~TestWindow() { DestroyWindow(hwnd_); }
  TestWindow(const TestWindow&) = delete;
  TestWindow& operator=(const TestWindow&) = delete;

 private:
  HWND hwnd_;
};

TEST(FindMainWindow, CaptionAndClassOfTheMainProgram) {
  struct Case {
    const char* what;
    const wchar_t* cls;
    const wchar_t* caption;
    bool found;
  } cases[] = {
      {"form class, full-width caption", L"ThunderRT6FormDC", L"バロネル 予約管理", true},
      {"main class, half-width caption", L"ThunderRT6Main", L"ﾊﾞﾛﾈﾙ", true},
      {"other class", L"KanvoloForm", L"バロネル", false},
      {"product word not at the beginning", L"ThunderRT6FormDC", L"予約 バロネル", false},
      {"untitled", L"ThunderRT6FormDC", L"", false},
  };
  RunFixture f;
  kvtest::ExclusiveLock screen(kvtest::kScreenLock);
  kv::UpdateRun run(f.starter, f.RecordingSteps());
  kv::ScopedRun scoped(run);
  for (const auto& c : cases) {
    TestWindow window(c.cls, c.caption);
    EXPECT_EQ(kv::FindMainWindow(), c.found ? c.caption : L"") << c.what;
  }
}

TEST(FindMainWindow, SkipsTheOwnSplashAndLoadsItHidden) {
  RunFixture f;
  kvtest::ExclusiveLock screen(kvtest::kScreenLock);
  kv::UpdateRun run(f.starter, f.RecordingSteps());
  kv::ScopedRun scoped(run);
  // The splash window's caption and class would not match anyway (dialog class); what matters is
  // that asking for it loads it without showing it.
  EXPECT_EQ(kv::FindMainWindow(), L"");
  EXPECT_TRUE(run.Splash().Loaded());
  EXPECT_FALSE(IsWindowVisible(run.Splash().hwnd()));
}

}  // namespace
