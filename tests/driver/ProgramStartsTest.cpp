// Restarts through the shell, the start and wait of a command line, the start of the main program
// without a version check, and the administrator test of Windows 5.1.
#include <gtest/gtest.h>
#include <windows.h>

#include "base/Text.h"
#include "dialogs/frmSplash.h"
#include "driver/RunFixture.h"
#include "driver/StandIn.h"
#include "settings/clsIniFile.h"
#include "settings/clsInstallIniFile.h"
#include "support/ScriptedUser.h"

namespace {

using kvtest::Lines;
using kvtest::RunFixture;

const std::wstring kMarker = kv::kElevatedRestartMarker;

using kvtest::EndsInRun;

TEST(RestartSelf, HandsTheCommandLineToTheShellAndEnds) {
  struct Case {
    const char* what;
    std::wstring commandLine;  // of the running process
    std::wstring arguments;
    bool administrator;
    std::wstring parameters;
    std::wstring verb;
    Lines lines;
  } cases[] = {
      {"for the rights", L"/SETUP", L"/SETUP", false, L"/SETUP " + kMarker, L"runas",
       {L"RunAsAdmin C:\\Prog dir\\KanvoloUpdate2,/SETUP " + kMarker,
        L"ExecProgramEx C:\\Prog dir\\KanvoloUpdate2,/SETUP " + kMarker + L",runas"}},
      {"an administrator's restart", L"/INETCHECK", L"/INET", true, L"/INET", L"open",
       {L"RunAsAdmin C:\\Prog dir\\KanvoloUpdate2,/INET", L"ExecProgramEx C:\\Prog dir\\KanvoloUpdate2,/INET"}},
      {"the marker is passed on once", L"/2 " + kMarker, L"/2 " + kMarker + L" /ALL", false,
       L"/2 " + kMarker + L" /ALL", L"runas",
       {L"RunAsAdmin C:\\Prog dir\\KanvoloUpdate2,/2 " + kMarker + L" /ALL",
        L"ExecProgramEx C:\\Prog dir\\KanvoloUpdate2,/2 " + kMarker + L" /ALL,runas"}},
  };
  kvtest::BothLocks locks;
  for (const auto& c : cases) {
    RunFixture f;
    f.host.programFolder = L"C:\\Prog dir";
    f.host.commandLine = c.commandLine;
    kv::UpdateRun run(f.starter, f.RecordingSteps());
    run.flgAdministrator = true;  // a restart for the rights is also asked for by administrators (Ctrl+Alt)
    EXPECT_TRUE(EndsInRun(run, [&] { kv::RestartSelf(c.arguments, c.administrator); })) << c.what;
    ASSERT_EQ(f.starter.shellRuns.size(), 1u) << c.what;
    const auto& shell = f.starter.shellRuns[0];
    EXPECT_EQ(shell.file, L"C:\\Prog dir\\KanvoloUpdate2") << c.what;
    EXPECT_EQ(shell.parameters, c.parameters) << c.what;
    EXPECT_EQ(shell.folder, L"") << c.what;
    EXPECT_EQ(shell.verb, c.verb) << c.what;
    // The owner is the splash window, loaded for it and left open (hidden).
    ASSERT_TRUE(run.Splash().Loaded()) << c.what;
    EXPECT_EQ(shell.owner, run.Splash().hwnd()) << c.what;
    EXPECT_FALSE(IsWindowVisible(run.Splash().hwnd())) << c.what;
    EXPECT_EQ(f.BootLog(), c.lines) << c.what;
    EXPECT_TRUE(f.starter.runs.empty()) << c.what;
  }
}

TEST(RestartSelf, EndsEvenWhenTheShellRefuses) {
  RunFixture f;
  kvtest::ExclusiveLock screen(kvtest::kScreenLock);
  f.starter.shellAnswer = false;
  kv::UpdateRun run(f.starter, f.RecordingSteps());
  EXPECT_TRUE(EndsInRun(run, [] { kv::RestartSelf(L"", false); }));
  EXPECT_EQ(f.starter.shellRuns.size(), 1u);
}

TEST(RestartSelf, RestartedRunWithoutRightsDoesNotRestartAgain) {
  RunFixture f;
  f.host.commandLine = L"/SETUP " + kMarker;
  kv::UpdateRun run(f.starter, f.RecordingSteps());
  run.flgAdministrator = false;
  {
    kvtest::ScriptedUser user;
    kvtest::CheckMessage(
        user.Expect(L"frmMsgBox"), f.ProductTitle(),
        L"新しいプログラムの更新が見つかりました。アイコンまたはメニューを右クリックして「別のユーザーとして実行」から管理者権限のあるユーザーで起動してください。",
        2)
        .PressEnter();
    EXPECT_TRUE(EndsInRun(run, [&] {
      kv::Splash().Show();
      kv::RestartSelf(kv::RunCommandLine(), false);
    }));
  }
  EXPECT_TRUE(f.starter.shellRuns.empty());
  EXPECT_FALSE(run.Splash().Loaded());
  EXPECT_EQ(f.BootLog(), Lines{});
}

TEST(RestartSelf, ThroughTheRealShell) {
  // The host names the stand-in without ".exe"; it records the parameters it was given.
  RunFixture f;
  kvtest::ExclusiveLock screen(kvtest::kScreenLock);
  kvtest::TempDir records;
  const std::wstring record = records / L"args.log";
  SetEnvironmentVariableW(L"KV_RECORD_FILE", record.c_str());
  f.host.programFolder = kvtest::TestProgramFolder();
  f.host.programName = L"kv_mainstandin";
  kv::UpdateRun run;
  EXPECT_TRUE(EndsInRun(run, [] { kv::RestartSelf(L"/inet /2", false); }));
  SetEnvironmentVariableW(L"KV_RECORD_FILE", nullptr);
  Lines recorded;
  for (int i = 0; i < 500 && recorded.empty(); ++i) {
    recorded = kvtest::ReadUtf8Lines(record);
    if (recorded.empty()) Sleep(20);
  }
  EXPECT_EQ(recorded, Lines{L"/inet /2 " + kMarker});
}

TEST(RunCommandLine, LeavesTheMarkerOut) {
  struct Case {
    std::wstring given, seen;
  } cases[] = {
      {L"", L""},
      {L" /inet ", L" /inet "},
      {L"/SETUP " + kMarker, L"/SETUP"},
      {kMarker, L""},
      {L"/2 " + kMarker + L" /ALL", L"/2 /ALL"},
  };
  RunFixture f;
  for (const auto& c : cases) {
    f.host.commandLine = c.given;
    EXPECT_EQ(kv::RunCommandLine(), c.seen) << kv::ToUtf8(c.given);
  }
  // The marker holds no switch: a restarted run without switches names no program.
  f.host.commandLine = kMarker;
  for (const wchar_t* s : {L"/1", L"/2", L"/3", L"/MAKE", L"/XML", L"/UNREG", L"/REMOVE", L"/REG", L"/SERVER",
                           L"/INETCHECK", L"/ALL", L"/INET", L"/SETUP", L"/CHECK", L"/AUTO"}) {
    EXPECT_FALSE(kv::SwitchFound(s)) << kv::ToUtf8(s);
  }
}

TEST(ShellAndWait, WaitsForTheStartedProcess) {
  RunFixture f;
  kvtest::TempDir tools;
  const std::wstring folder = tools / L"tool dir";
  CreateDirectoryW(folder.c_str(), nullptr);
  const std::wstring tool = folder + L"\\Sornet.exe";
  ASSERT_TRUE(CopyFileW((kvtest::TestProgramFolder() + L"\\kv_recordargs.exe").c_str(), tool.c_str(), FALSE));
  const std::wstring record = tools / L"args.log";
  SetEnvironmentVariableW(L"KV_RECORD_FILE", record.c_str());
  kv::UpdateRun run;  // the real starter
  std::int16_t answer = 1;
  EXPECT_FALSE(EndsInRun(run, [&] { answer = kv::ShellAndWait(L"\"" + tool + L"\" /UPDATE"); }));
  EXPECT_EQ(answer, 0);
  // Ended before the answer: its record is complete.
  EXPECT_EQ(kvtest::ReadUtf8Lines(record), Lines{L"/UPDATE"});
  EXPECT_FALSE(EndsInRun(run, [&] { answer = kv::ShellAndWait(L"\"" + folder + L"\\Missing.exe\" /UPDATE"); }));
  EXPECT_EQ(answer, -1);
  SetEnvironmentVariableW(L"KV_RECORD_FILE", nullptr);
}

TEST(ShellAndWait, StartsInANormalFocusedWindow) {
  RunFixture f;
  kv::UpdateRun run(f.starter, f.RecordingSteps());
  std::int16_t answer = 1;
  EXPECT_FALSE(EndsInRun(run, [&] { answer = kv::ShellAndWait(L"\"C:\\a b\\Sornet.exe\" /UPDATE"); }));
  EXPECT_EQ(answer, 0);
  ASSERT_EQ(f.starter.runs.size(), 1u);
  EXPECT_EQ(f.starter.runs[0].commandLine, L"\"C:\\a b\\Sornet.exe\" /UPDATE");
  EXPECT_TRUE(f.starter.runs[0].window == kv::StartWindow::NormalFocused);
}

TEST(ExecProgramNoCheck, OffersTheMainProgramWithoutUpdate) {
  enum class Answer { None, Ok, Cancel };
  struct Case {
    const char* what;
    std::wstring commandLine;
    std::wstring number;
    bool mainPresent;
    Answer answer;
    Lines started;
    Lines lines;
  } cases[] = {
      {"/CHECK", L"/CHECK /2", L"2", true, Answer::None, {}, {}},
      {"/2 with OK", L"/2", L"2", true, Answer::Ok, {L"\"<I>Kanvolo.exe\" /2"}, {L"Exec Program <I>Kanvolo.exe /2"}},
      {"no switch with OK", L"", L"", true, Answer::Ok, {L"\"<I>Kanvolo.exe\""}, {L"Exec Program <I>Kanvolo.exe"}},
      {"/2 with キャンセル", L"/2", L"2", true, Answer::Cancel, {}, {}},
      {"/SETUP names a program", L"/SETUP", L"", true, Answer::None, {}, {}},
      {"/ALL names a program", L"/ALL", L"", true, Answer::None, {}, {}},
      {"/SERVER", L"/SERVER", L"", true, Answer::Ok, {L"\"<I>Kanvolo.exe\""}, {L"Exec Program <I>Kanvolo.exe"}},
      {"no main program", L"/2", L"2", false, Answer::None, {}, {}},
  };
  kvtest::BothLocks locks;
  for (const auto& c : cases) {
    RunFixture f;
    f.host.commandLine = c.commandLine;
    if (c.mainPresent) f.PutInstalled(L"Kanvolo.exe");
    kv::UpdateRun run(f.starter, f.RecordingSteps());
    run.objInstallIniFile().SetInstallFolder(f.Install());
    run.objIniFile().SetExecFileName(L"Kanvolo.exe");
    run.strNumberSwitch = c.number;
    {
      kvtest::ScriptedUser user;
      if (c.answer != Answer::None) {
        kvtest::CheckMessage(
            user.Expect(L"frmMsgBox"), f.ProductTitle(),
            L"バージョンチェックなしでバロネルを起動します。正常に動作しない場合はバージョンアップを行ってください。", 3)
            .Click(L"cmdButton", c.answer == Answer::Ok ? 1 : 2);
      }
      EXPECT_FALSE(EndsInRun(run, [] { kv::ExecProgramNoCheck(); })) << c.what;
    }
    EXPECT_EQ(f.starter.CommandLines(), kvtest::InFolder(c.started, f.Install())) << c.what;
    for (const auto& r : f.starter.runs) EXPECT_TRUE(r.window == kv::StartWindow::NormalFocused) << c.what;
    EXPECT_EQ(f.BootLog(), kvtest::InFolder(c.lines, f.Install())) << c.what;
  }
}

TEST(IsAdministratorsMember, LooksForAdministratorsAmongTheDirectGroups) {
  using Groups = std::pair<std::int32_t, Lines>;
  struct Case {
    const char* what;
    Groups groups;
    bool member;
  } cases[] = {
      {"member", {0, {L"Users", L"Administrators"}}, true},
      {"only the first", {0, {L"Administrators", L"Users"}}, true},
      {"other letter case", {0, {L"administrators"}}, false},
      {"no groups", {0, {}}, false},
      {"refused", {5, {L"Administrators"}}, false},
  };
  RunFixture f;
  for (const auto& c : cases) {
    f.host.localGroups = c.groups;
    f.host.groupQueries.clear();
    EXPECT_EQ(kv::IsAdministratorsMember(), c.member) << c.what;
    ASSERT_EQ(f.host.groupQueries.size(), 1u) << c.what;
    EXPECT_EQ(f.host.groupQueries[0].server, kv::GetLocalComputerName()) << c.what;
    EXPECT_EQ(f.host.groupQueries[0].user, kv::GetLogonUserName()) << c.what;
    EXPECT_EQ(f.host.groupQueries[0].flags, 0) << c.what;
  }
}

TEST(IsAdministratorsMember, NamesFromWindows) {
  wchar_t user[257] = L"";
  DWORD length = 257;
  ASSERT_TRUE(GetUserNameW(user, &length));
  wchar_t computer[257] = L"";
  length = 257;
  ASSERT_TRUE(GetComputerNameW(computer, &length));
  EXPECT_EQ(kv::GetLogonUserName(), user);
  EXPECT_EQ(kv::GetLocalComputerName(), computer);
  // Wine answers "Administrators" for anyone.
  EXPECT_TRUE(kv::IsAdministratorsMember());
}

}  // namespace
