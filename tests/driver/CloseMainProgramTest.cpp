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
bool StopThenPost(RunFixture& f, kv::UpdateRun& run) {
  kv::ScopedRun scoped(run);
  kv::ScopedEndProcessHandler end([](unsigned code) { throw kvtest::ProcessEnded{code}; });
  try {
    kv::StopMainProgram();
    kv::PostCloseRequest();
    return false;
  } catch (const kvtest::ProcessEnded&) {
    return true;
  }
}

void ExpectQuestion(kvtest::ExpectedDialog& dialog, const std::wstring& title) {
  dialog.Check([title](kvtest::DialogView& d) {
    EXPECT_EQ(d.Caption(), title);
    EXPECT_EQ(d.Text(L"txtMsg"), kQuestion);
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
      if (sleeps == c.goneAtPoll) EXPECT_TRUE(standIn.WaitForEnd()) << c.what;
    };
    kv::UpdateRun run(f.starter, f.RecordingSteps());
    {
      kv::ScopedRun scoped(run);
      EXPECT_EQ(kv::FindMainWindow(), c.caption) << c.what;
    }
    auto& dialog = user.Expect(L"frmMsgBox");
    ExpectQuestion(dialog, f.ProductTitle());
    c.answer(dialog);

    EXPECT_FALSE(StopThenPost(f, run)) << c.what;
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
  user.Expect(L"frmMsgBox")
      .Check([&f](kvtest::DialogView& d) {
        EXPECT_EQ(d.Caption(), f.ProductTitle());
        EXPECT_EQ(d.Text(L"txtMsg"),
                  L"バロネルを終了できませんでした。アップデートを中止します。\r\nバロネル 予約管理 が実行中です。");
        EXPECT_TRUE(d.Visible(L"picIcon", 0));  // critical
      })
      .PressEnter();
  kv::UpdateRun run(f.starter, f.RecordingSteps());
  EXPECT_TRUE(StopThenPost(f, run));
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
  EXPECT_TRUE(StopThenPost(f, run));
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
  EXPECT_FALSE(StopThenPost(f, run));  // no question: no scripted user needed
  EXPECT_EQ(f.host.sleeps, 0u);
  EXPECT_TRUE(standIn.WaitForEnd());
  EXPECT_EQ(standIn.Messages(), Lines{kRequest});
  EXPECT_EQ(f.UpdateLog(), Lines{});
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
