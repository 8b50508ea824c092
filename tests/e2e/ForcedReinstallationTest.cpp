// Whole runs of "/all": the start confirmation answered in the real program, the boot and
// operation logs it leaves, and the main program it starts (the stand-in, as "Kanvolo.exe" in an
// install folder whose path has a blank).
#include <gtest/gtest.h>

#include <algorithm>
#include <thread>

#include "UpdateDatabase.h"
#include "Dialogs.h"
#include "WholeRun.h"
#include "base/Text.h"

namespace {

using Lines = std::vector<std::wstring>;

using kvtest::dialogs::kConfirmation;
const std::wstring kMessageHolds = L"contains 402 バロネルのプログラムを全て更新します。";  // frmStartUpdate's label
const std::wstring kOk = kvtest::dialogs::kConfirmOk;
const std::wstring kCancel = kvtest::dialogs::kConfirmCancel;

std::string Show(const Lines& lines) {
  std::string text;
  for (const auto& line : lines) text += "  " + kv::ToUtf8(line) + "\n";
  return text;
}

// Whether wanted occurs in lines in this order, other lines between them allowed.
bool InOrder(const Lines& lines, const Lines& wanted) {
  auto at = lines.begin();
  for (const auto& w : wanted) {
    at = std::find(at, lines.end(), w);
    if (at == lines.end()) return false;
    ++at;
  }
  return true;
}

TEST(ForcedReinstallation, OkStartsTheMainProgramWithTheNumberSwitch) {
  kvtest::WholeRun run;
  // The run passes the server database source: a server whose update database is empty.
  kvtest::EmptyUpdateDatabase database;
  kvtest::SaveServerSettings(4, L"127.0.0.1");
  run.CopyProgram(L"KanvoloUpdate2.exe");
  run.CopyIntoInstallFolder(L"kv_mainstandin.exe", L"Kanvolo.exe");

  const auto result = run.Run(L"KanvoloUpdate2.exe", L"/all /2",
                              {kConfirmation, kMessageHolds, L"screenshot e2e-all-confirmation", kOk});
  ASSERT_TRUE(result.Ok()) << result.transcript;

  ASSERT_TRUE(run.WaitForRecord(1)) << "the main program was not started\n" << Show(run.BootLog());
  EXPECT_EQ(run.Recorded(), Lines{L"/2"});
  const Lines boot = run.BootLog();
  ASSERT_FALSE(boot.empty());
  EXPECT_EQ(boot.front(), L"*** バロネルアップデート起動ログ KanvoloUpdate2");
  EXPECT_TRUE(InOrder(boot, {L"Command=/all /2", L"All Update ", L"Exec File " + run.InstallFolder() + L"Kanvolo.exe",
                             L"Exec Program " + run.InstallFolder() + L"Kanvolo.exe /2"}))
      << Show(boot);
  EXPECT_EQ(boot.back(), L"Exec Program " + run.InstallFolder() + L"Kanvolo.exe /2") << Show(boot);
}

TEST(ForcedReinstallation, CancelEndsTheRunBeforeAnythingStarts) {
  kvtest::WholeRun run;
  run.CopyProgram(L"KanvoloUpdate.exe");
  run.CopyIntoInstallFolder(L"kv_mainstandin.exe", L"Kanvolo.exe");

  const auto result = run.Run(L"KanvoloUpdate.exe", L"/all /2", {kConfirmation, kMessageHolds, kCancel});
  ASSERT_TRUE(result.Ok()) << result.transcript;

  // A main program started before the end would have written its line by now.
  std::this_thread::sleep_for(std::chrono::seconds(1));
  EXPECT_TRUE(run.Recorded().empty());
  const Lines boot = run.BootLog();
  ASSERT_FALSE(boot.empty());
  EXPECT_EQ(boot.front(), L"*** バロネルアップデート起動ログ KanvoloUpdate");
  EXPECT_EQ(boot.back(), L"Command=/all /2") << Show(boot);
  EXPECT_EQ(run.OperationLog(L"バロネル アップデート"),
            (Lines{L"frmStartUpdate,バロネル アップデート,,,[バロネル アップデート],開く",
                   L"frmStartUpdate,バロネル アップデート,cmdButton(2),ボタン,[キャンセル],クリック",
                   L"frmStartUpdate,バロネル アップデート,,,[バロネル アップデート],閉じる"}));
  // The second program's log is its own.
  EXPECT_TRUE(run.OperationLog(L"バロネル アップデート2").empty());
}

}  // namespace
