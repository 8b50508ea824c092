// The boot log with its five older copies, the update log, and the message box that logs first.
#include <gtest/gtest.h>

#include <map>

#include "base/Handles.h"
#include "base/Text.h"
#include "dialogs/LocalDialog.h"
#include "dialogs/UpdateLogs.h"
#include "settings/Common.h"
#include "support/ExclusiveLock.h"
#include "support/FakeHost.h"
#include "support/OperationLogCapture.h"
#include "support/ScriptedUser.h"
#include "support/TempDir.h"

namespace {

using Lines = std::vector<std::wstring>;

const wchar_t kStamp[] = L"2024-03-05 10:20:30.456";
const std::wstring kHeader = std::wstring(kStamp) + L" *** バロネルアップデート起動ログ KanvoloUpdate2";

// The fixed log files of the per-user data folder, emptied before and after; other test
// processes that write them wait for the lock.
class LogFolder {
 public:
  LogFolder() : scoped_(host_) {
    host_.programName = L"KanvoloUpdate2";
    host_.localTime = SYSTEMTIME{2024, 3, 2, 5, 10, 20, 30, 456};
    RemoveAll();
  }
  ~LogFolder() { RemoveAll(); }

  std::wstring Path(const std::wstring& name) const { return folder_ + L"\\" + name; }
  static std::wstring Boot(int copy) { return copy == 0 ? L"UpdateBoot.log" : L"UpdateBoot.log" + std::to_wstring(copy); }
  bool Exists(const std::wstring& name) const { return GetFileAttributesW(Path(name).c_str()) != INVALID_FILE_ATTRIBUTES; }
  Lines Read(const std::wstring& name) const { return kvtest::ReadAnsiLines(Path(name)); }
  void Write(const std::wstring& name, const std::wstring& line) const {
    kvtest::WriteBytes(Path(name), kv::ToAnsi(line + L"\r\n"));
  }

 private:
  void RemoveAll() const {
    for (int k = 0; k <= 6; ++k) DeleteFileW(Path(Boot(k)).c_str());
    DeleteFileW(Path(L"Update.log").c_str());
  }

  kvtest::ExclusiveLock lock_{kvtest::kUserDataLock};
  kvtest::FakeHost host_;
  kv::ScopedHost scoped_;
  std::wstring folder_ = kv::GetUserDataFolder();
};

TEST(WriteBootLog, FirstRunStartsWithTheHeader) {
  LogFolder logs;
  kv::WriteBootLog(L"");
  kv::WriteBootLog(L"ReadBuffer");
  EXPECT_EQ(logs.Read(L"UpdateBoot.log"), (Lines{kHeader, std::wstring(kStamp) + L" ReadBuffer"}));
  for (int k = 1; k <= 6; ++k) EXPECT_FALSE(logs.Exists(LogFolder::Boot(k))) << k;
}

TEST(WriteBootLog, RotationShiftsTheCopiesAndKeepsGaps) {
  const struct Case {
    const char* what;
    std::map<int, std::wstring> before;  // copy number (0 the current log) -> its line
    std::map<int, std::wstring> after;   // copies 1 to 6 afterwards
  } cases[] = {
      {"no logs", {}, {}},
      {"current only", {{0, L"run"}}, {{1, L"run"}}},
      {"all five copies: the fifth falls away", {{0, L"c"}, {1, L"a"}, {2, L"b"}, {3, L"x"}, {4, L"d"}, {5, L"e"}},
       {{1, L"c"}, {2, L"a"}, {3, L"b"}, {4, L"x"}, {5, L"d"}}},
      {"only the third copy besides the current", {{0, L"c"}, {3, L"x"}}, {{1, L"c"}, {4, L"x"}}},
      {"copies without a current log", {{1, L"a"}, {5, L"e"}}, {{2, L"a"}}},
  };
  for (const auto& c : cases) {
    LogFolder logs;
    for (const auto& [copy, line] : c.before) logs.Write(LogFolder::Boot(copy), line);
    kv::WriteBootLog(L"");
    EXPECT_EQ(logs.Read(L"UpdateBoot.log"), Lines{kHeader}) << c.what;
    for (int k = 1; k <= 6; ++k) {
      const auto expected = c.after.find(k);
      EXPECT_EQ(logs.Exists(LogFolder::Boot(k)), expected != c.after.end()) << c.what << " copy " << k;
      if (expected != c.after.end()) {
        EXPECT_EQ(logs.Read(LogFolder::Boot(k)), Lines{expected->second}) << c.what;
      }
    }
  }
}

TEST(WriteBootLog, SevenRunsKeepTheLastSix) {
  LogFolder logs;
  for (int run = 1; run <= 7; ++run) {
    kv::WriteBootLog(L"");
    kv::WriteBootLog(L"run " + std::to_wstring(run));
  }
  for (int k = 0; k <= 5; ++k) {
    EXPECT_EQ(logs.Read(LogFolder::Boot(k)), (Lines{kHeader, std::wstring(kStamp) + L" run " + std::to_wstring(7 - k)}))
        << k;
  }
  EXPECT_FALSE(logs.Exists(LogFolder::Boot(6)));
}

TEST(WriteBootLog, FailedRotationLeavesTheLogsAndLaterLinesAppend) {
  LogFolder logs;
  logs.Write(L"UpdateBoot.log", L"old run");
  logs.Write(L"UpdateBoot.log4", L"four");
  logs.Write(L"UpdateBoot.log5", L"five");
  {
    // Readable, but cannot be deleted while held.
    kv::UniqueFile held(CreateFileW(logs.Path(L"UpdateBoot.log5").c_str(), GENERIC_READ,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(held);
    kv::WriteBootLog(L"");
    kv::WriteBootLog(L"next");
  }
  EXPECT_EQ(logs.Read(L"UpdateBoot.log"), (Lines{L"old run", std::wstring(kStamp) + L" next"}));
  EXPECT_EQ(logs.Read(L"UpdateBoot.log4"), Lines{L"four"});
  EXPECT_EQ(logs.Read(L"UpdateBoot.log5"), Lines{L"five"});
  EXPECT_FALSE(logs.Exists(L"UpdateBoot.log1"));
}

TEST(WriteBootLog, LineBreakStartsALineWithoutTimeStamp) {
  LogFolder logs;
  kv::WriteBootLog(L"一行目\r\n二行目");
  EXPECT_EQ(logs.Read(L"UpdateBoot.log"), (Lines{std::wstring(kStamp) + L" 一行目", L"二行目"}));
}

TEST(WriteUpdateLog, AppendsEveryCallAlsoAnEmptyText) {
  LogFolder logs;
  logs.Write(L"Update.log", L"earlier run");
  kv::WriteUpdateLog(L"Kanvolo.exe を更新しました");
  kv::WriteUpdateLog(L"");
  EXPECT_EQ(logs.Read(L"Update.log"),
            (Lines{L"earlier run", std::wstring(kStamp) + L" Kanvolo.exe を更新しました", std::wstring(kStamp) + L" "}));
}

TEST(LogMessageBox, LogsTheTextThenShowsTheBox) {
  LogFolder logs;
  kvtest::ScriptedUser user;
  user.Expect(L"frmMsgBox")
      .Check([&logs](kvtest::DialogView& d) {
        // Already in the update log while the box is up.
        EXPECT_EQ(logs.Read(L"Update.log"), (Lines{std::wstring(kStamp) + L" 更新に失敗しました。", L"再度実行してください。"}));
        EXPECT_EQ(d.Caption(), L"バロネル アップデート2");
        EXPECT_TRUE(d.Visible(L"picIcon", 0));
        EXPECT_EQ(d.Text(L"cmdButton", 1), L"OK");
      })
      .PressEnter();
  EXPECT_EQ(kv::LogMessageBox(L"更新に失敗しました。\r\n再度実行してください。", 16, L"バロネル アップデート2"), kv::vbOK);
}

}  // namespace
