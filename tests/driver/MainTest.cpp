// The update run in-process: start-up, switches, the order of the steps, the start at the end
// and the exits, with a steps table that records what was called.
#include <gtest/gtest.h>
#include <windows.h>

#include "base/Text.h"
#include "dialogs/frmSplash.h"
#include "driver/RunFixture.h"
#include "support/ScriptedUser.h"
#include "versioncontrol/clsVersionControl.h"

namespace {

using kvtest::Lines;
using kvtest::RunFixture;

using kvtest::InFolder;

const wchar_t kReadXml[] = L"Read XML <I>Version.xml";
const wchar_t kExecMain[] = L"Exec File <I>Kanvolo.exe";

TEST(Main, SwitchTable) {
  struct Case {
    std::wstring commandLine;
    std::wstring number;
    Lines linesAfterCommand;
    Lines steps;
    Lines started;  // command lines of the fake starter
    bool splashShown;
    std::function<void(kv::UpdateSteps&)> adjust = nullptr;
    Lines installed = {L"Kanvolo.exe"};
  } cases[] = {
      {L"", L"", {kReadXml, kExecMain, L"Exec Program <I>Kanvolo.exe"}, {L"ServerSource", L"ServerApplication"},
       {L"\"<I>Kanvolo.exe\""}, true},
      {L"/inet /2", L"2", {kReadXml, L"Check Version", kExecMain, L"Exec Program <I>Kanvolo.exe /2"},
       {L"InternetSource", L"InternetApplication", L"RecordUpdate", L"WebToolUpdate"}, {L"\"<I>Kanvolo.exe\" /2"},
       true},
      {L"/2 /1", L"1", {kReadXml, kExecMain, L"Exec Program <I>Kanvolo.exe /1"},
       {L"ServerSource", L"ServerApplication"}, {L"\"<I>Kanvolo.exe\" /1"}, true},
      {L"/10", L"1", {kReadXml, kExecMain, L"Exec Program <I>Kanvolo.exe /1"}, {L"ServerSource", L"ServerApplication"},
       {L"\"<I>Kanvolo.exe\" /1"}, true},
      {L"/MAKE /SERVER", L"", {L"/MAKE"}, {L"MakeVersionControl(True)"}, {}, false},
      {L"/xml", L"", {L"/XML"}, {L"MakeVersionControl(False)"}, {}, false},
      {L"/UNREG", L"", {L"/UNREG"}, {L"RegistAllFiles(False,False)"}, {}, false},
      {L"/REMOVE /REG", L"", {L"/REMOVE"}, {L"RegistAllFiles(False,True)"}, {}, false},
      {L"/REG /3", L"3", {L"/REG"}, {L"RegistAllFiles(True,False)"}, {}, false},
      {L"/SERVER /ALL", L"", {L"/SERVER", kReadXml, L"Check Version", kExecMain, L"Exec Program <I>Kanvolo.exe"},
       {L"CdStart", L"CdSource", L"CdApplication", L"RecordUpdate", L"VoiceDataCopy"}, {L"\"<I>Kanvolo.exe\""}, true},
      {L"/ALL /INETCHECK", L"", {L"/INETCHECK"}, {L"BackgroundCheck"}, {}, false},
      {L"/INETCHECK2", L"", {L"/INETCHECK2"}, {L"BackgroundCheck"}, {}, false},
      {L"/SERVER /INETCHECK", L"", {L"/SERVER", kReadXml, L"Check Version", kExecMain, L"Exec Program <I>Kanvolo.exe"},
       {L"CdStart", L"InternetSource", L"InternetApplication", L"RecordUpdate", L"VoiceDataCopy", L"WebToolUpdate"},
       {L"\"<I>Kanvolo.exe\""}, true},
      {L"/SERVER /INET", L"", {L"/SERVER", kReadXml, L"Check Version", kExecMain, L"Exec Program <I>Kanvolo.exe"},
       {L"CdStart", L"InternetSource", L"InternetApplication", L"RecordUpdate", L"VoiceDataCopy", L"WebToolUpdate"},
       {L"\"<I>Kanvolo.exe\""}, true},
      {L"/SETUP", L"", {kReadXml, kExecMain, L"Exec Program <I>Kanvolo.exe"}, {L"ServerSource", L"ServerApplication"},
       {L"\"<I>Kanvolo.exe\""}, true},
      {L"Sub.exe", L"", {kReadXml, L"Exec File <I>Sub.exe", L"Exec Program <I>Sub.exe"},
       {L"ServerSource", L"ServerApplication"}, {L"\"<I>Sub.exe\""}, true, nullptr, {L"Kanvolo.exe", L"Sub.exe"}},
      {L"Sub.exe", L"", {kReadXml, L"Exec File <I>Sub.exe"}, {L"ServerSource", L"ServerApplication"}, {}, true},
      {L"/CHECK", L"", {kReadXml}, {L"ServerSource", L"ServerApplication"}, {}, true},
      {L"/inet /check /3", L"3", {kReadXml, L"Check Version"},
       {L"InternetSource", L"InternetApplication", L"RecordUpdate", L"WebToolUpdate"}, {}, true},
      {L"/AUTO", L"", {kReadXml, L"Exec File <I>/AUTO"}, {L"ServerSource", L"ServerApplication"}, {}, true},
      {L" /inet ", L"", {kReadXml, L"Check Version", kExecMain, L"Exec Program <I>Kanvolo.exe"},
       {L"InternetSource", L"InternetApplication", L"RecordUpdate", L"WebToolUpdate"}, {L"\"<I>Kanvolo.exe\""}, true},
      // The source read no file: nothing to apply, the rest of the run goes on.
      {L"/SERVER", L"", {L"/SERVER", kReadXml, L"Check Version", kExecMain, L"Exec Program <I>Kanvolo.exe"},
       {L"CdStart", L"CdSource", L"VoiceDataCopy"}, {L"\"<I>Kanvolo.exe\""}, true,
       [](kv::UpdateSteps& s) { s.CdSource = [] {}; }},
      {L"/1", L"1", {kReadXml, kExecMain}, {L"ServerSource", L"ServerApplication"}, {}, true, nullptr, {}},
  };
  kvtest::BothLocks locks;
  for (const auto& c : cases) {
    const std::string what = "command line \"" + kv::ToUtf8(c.commandLine) + "\"";
    RunFixture f;
    f.host.commandLine = c.commandLine;
    for (const auto& name : c.installed) f.PutInstalled(name);
    auto steps = f.RecordingSteps();
    if (c.adjust) {
      c.adjust(steps);
      steps.CdSource = [&f, inner = steps.CdSource] {
        f.calls.push_back(L"CdSource");
        inner();
      };
    }
    bool splashSeen = false;
    kv::UpdateRun run(f.starter, steps);
    EXPECT_TRUE(f.RunMain(run)) << what;
    splashSeen = run.SplashCreated();

    EXPECT_EQ(run.strNumberSwitch, c.number) << what;
    const Lines log = f.BootLog();
    ASSERT_GE(log.size(), 5u) << what;
    EXPECT_EQ(log[4], L"Command=" + c.commandLine) << what;
    EXPECT_EQ(f.BootLogAfterCommand(), InFolder(c.linesAfterCommand, f.Install())) << what;
    EXPECT_EQ(f.calls, c.steps) << what;
    EXPECT_EQ(f.starter.CommandLines(), InFolder(c.started, f.Install())) << what;
    for (const auto& started : f.starter.runs) EXPECT_TRUE(started.window == kv::StartWindow::NormalFocused) << what;
    EXPECT_TRUE(f.starter.shellRuns.empty()) << what;
    EXPECT_EQ(splashSeen, c.splashShown) << what;
    // Every exit of the frame closes the splash window first.
    if (run.SplashCreated()) {
      EXPECT_FALSE(run.Splash().Loaded()) << what;
    }
    // The run waits 500 ms before it reads the installed version control, and only then.
    EXPECT_EQ(f.host.slept, c.splashShown ? 500u : 0u) << what;
  }
}

TEST(Main, SplashShowsTheVersionCheckWhileTheSourceIsRead) {
  RunFixture f;
  kvtest::ExclusiveLock screen(kvtest::kScreenLock);
  f.PutInstalled(L"Kanvolo.exe");
  auto steps = f.RecordingSteps();
  bool visible = false;
  std::wstring text;
  steps.ServerSource = [&] {
    visible = IsWindowVisible(kv::Splash().hwnd()) != FALSE;
    text = kv::Splash().lblVersion.Text();
  };
  EXPECT_TRUE(f.RunMain(steps));
  EXPECT_TRUE(visible);
  EXPECT_EQ(text, L"バージョンチェック中です...");
}

TEST(Main, InstalledVersionControlIsReadFromTheInstallFolder) {
  // A real installed version control: what ReadControl takes from the install folder is what the
  // application steps then compare against.
  RunFixture f;
  kvtest::ExclusiveLock screen(kvtest::kScreenLock);
  kv::clsVersionControl written;
  kvtest::ListOneFile(written);
  ASSERT_EQ(written.WriteControl(f.Install() + L"Version.xml"), 0);
  auto steps = f.RecordingSteps();
  std::wstring seen;
  steps.ServerApplication = [&] { seen = kv::objVersionControlLocal().ProgramName(1); };
  EXPECT_TRUE(f.RunMain(steps));
  EXPECT_EQ(seen, L"Kanvolo.exe");
}

TEST(Main, StartUpTestsTheAdministratorByWindowsVersion) {
  using Groups = std::pair<std::int32_t, Lines>;
  struct Case {
    const char* what;
    std::optional<kv::WindowsVersion> version;
    bool isUserAnAdmin;
    std::optional<Groups> groups;
    const wchar_t* adminLine;
    const wchar_t* versionLine;
    bool queried;
  } cases[] = {
      {"6.1 administrator", kv::WindowsVersion{6, 1}, true, std::nullopt, L"Administrator True", L"OS Version 6.1", false},
      {"6.1 not administrator", kv::WindowsVersion{6, 1}, false, std::nullopt, L"Administrator False",
       L"OS Version 6.1", false},
      {"10.0 not administrator", kv::WindowsVersion{10, 0}, false, std::nullopt, L"Administrator False",
       L"OS Version 10.0", false},
      {"5.1 member", kv::WindowsVersion{5, 1}, false, Groups{0, {L"Users", L"Administrators"}}, L"Administrator True",
       L"OS Version 5.1", true},
      {"5.1 other letter case", kv::WindowsVersion{5, 1}, true, Groups{0, {L"administrators"}},
       L"Administrator False", L"OS Version 5.1", true},
      {"5.1 failing query", kv::WindowsVersion{5, 1}, true, Groups{2221, {L"Administrators"}}, L"Administrator False",
       L"OS Version 5.1", true},
      {"5.0", kv::WindowsVersion{5, 0}, false, Groups{0, {}}, L"Administrator True", L"OS Version 5.0", false},
      {"5.2", kv::WindowsVersion{5, 2}, false, Groups{0, {}}, L"Administrator True", L"OS Version 5.2", false},
      {"no version", std::nullopt, false, Groups{0, {}}, L"Administrator True", L"OS Version 0.0", false},
  };
  for (const auto& c : cases) {
    RunFixture f;
    f.host.commandLine = L"/MAKE";  // ends right after the start-up
    f.host.version = c.version;
    f.host.admin = c.isUserAnAdmin;
    if (c.groups) f.host.localGroups = c.groups;
    kv::UpdateRun run(f.starter, f.RecordingSteps());
    EXPECT_TRUE(f.RunMain(run)) << c.what;
    EXPECT_EQ(f.BootLog(), (Lines{L"*** バロネルアップデート起動ログ KanvoloUpdate2", c.adminLine, c.versionLine,
                                  L"Read INI file", L"Command=/MAKE", L"/MAKE"}))
        << c.what;
    EXPECT_EQ(run.flgAdministrator, std::wstring(c.adminLine) == L"Administrator True") << c.what;
    EXPECT_EQ(run.version.major, c.version ? c.version->major : 0u) << c.what;
    EXPECT_EQ(run.version.minor, c.version ? c.version->minor : 0u) << c.what;
    ASSERT_EQ(f.host.groupQueries.size(), c.queried ? 1u : 0u) << c.what;
    if (c.queried) {
      EXPECT_EQ(f.host.groupQueries[0].server, kv::GetLocalComputerName()) << c.what;
      EXPECT_EQ(f.host.groupQueries[0].user, kv::GetLogonUserName()) << c.what;
      EXPECT_EQ(f.host.groupQueries[0].flags, 0) << c.what;
    }
  }
}

TEST(Main, StartUpReadsTheSettingsBeforeTheSwitches) {
  RunFixture f;
  f.host.commandLine = L"/UNREG";
  std::wstring install;
  auto steps = f.RecordingSteps();
  steps.RegistAllFiles = [&](bool, bool) { install = kv::objInstallIniFile().InstallFolder(); };
  kv::UpdateRun run(f.starter, steps);
  EXPECT_TRUE(f.RunMain(run));
  EXPECT_EQ(install, f.Install());
  EXPECT_EQ(run.objIniFile().ExecFileName(), L"Kanvolo.exe");
  EXPECT_FALSE(run.flgCdUpdate);
  EXPECT_FALSE(run.flgInetUpdate);
}

TEST(FontFaceInstalled, ReadsTheFaceBack) {
  EXPECT_FALSE(kv::FontFaceInstalled(L"Meiryo UI"));
  EXPECT_TRUE(kv::FontFaceInstalled(L"Tahoma"));
  EXPECT_FALSE(kv::FontFaceInstalled(L"No Such Face 12345"));
}

TEST(Main, StartUpSetsTheSplashFontFlag) {
  RunFixture f;
  f.host.commandLine = L"/MAKE";
  kv::flgMeiryoFont = true;
  EXPECT_TRUE(f.RunMain(f.RecordingSteps()));
  EXPECT_FALSE(kv::flgMeiryoFont);  // the prefix has no "Meiryo UI"
}

TEST(Main, ForcedReinstallation) {
  struct Case {
    const char* what;
    std::function<void(kvtest::ExpectedDialog&)> answer;
    bool goesOn;
    bool ignoreCheck;
  } cases[] = {
      {"OK", [](auto& d) { d.Click(L"cmdButton", 1); }, true, true},
      {"キャンセル", [](auto& d) { d.Click(L"cmdButton", 2); }, false, false},
      {"closed from the title bar", [](auto& d) { d.CloseFromTitleBar(); }, true, false},
  };
  for (const auto& c : cases) {
    RunFixture f;
    f.host.commandLine = L"/ALL /2";
    f.PutInstalled(L"Kanvolo.exe");
    kv::UpdateRun run(f.starter, f.RecordingSteps());
    {
      kvtest::ScriptedUser user;
      auto& dialog = user.Expect(L"frmStartUpdate").Check([](kvtest::DialogView& d) {
        EXPECT_EQ(d.Text(L"lblMsg"), L"バロネルのプログラムを全て更新します。\r\n正常に起動しなくなった場合に実行してください。");
        EXPECT_EQ(d.Text(L"lblTitle", 1), L"全てのプログラム更新");
        EXPECT_FALSE(d.Visible(L"chkOption"));
        EXPECT_EQ(d.Checked(L"chkOption"), 1);
        // Asked before the splash window comes up.
        EXPECT_FALSE(kv::CurrentRun().SplashCreated());
      });
      c.answer(dialog);
      EXPECT_TRUE(f.RunMain(run)) << c.what;
    }
    if (c.goesOn) {
      EXPECT_EQ(f.BootLogAfterCommand(), InFolder({L"All Update ", kReadXml, kExecMain, L"Exec Program <I>Kanvolo.exe /2"},
                                                  f.Install()))
          << c.what;
      EXPECT_EQ(f.calls, (Lines{L"ServerSource", L"ServerApplication"})) << c.what;
      EXPECT_EQ(f.starter.runs.size(), 1u) << c.what;
    } else {
      EXPECT_EQ(f.BootLogAfterCommand(), Lines{}) << c.what;
      EXPECT_TRUE(f.calls.empty()) << c.what;
      EXPECT_TRUE(f.starter.runs.empty()) << c.what;
      EXPECT_FALSE(run.SplashCreated()) << c.what;
    }
    EXPECT_EQ(run.objVersionControlLocal().IgnoreCheck(), c.ignoreCheck) << c.what;
    EXPECT_EQ(run.objVersionControl().IgnoreCheck(), c.ignoreCheck) << c.what;
    // Opened once and closed once, also when closed from its title bar.
    int opened = 0, closed = 0;
    for (const auto& line : f.log.Lines()) {
      if (!line.starts_with(L"frmStartUpdate,")) continue;
      opened += line.ends_with(L",開く");
      closed += line.ends_with(L",閉じる");
    }
    EXPECT_EQ(opened, 1) << c.what;
    EXPECT_EQ(closed, 1) << c.what;
  }
}

TEST(Main, BackgroundCheckThatReturnsEndsTheRun) {
  RunFixture f;
  f.host.commandLine = L"/INETCHECK";
  f.PutInstalled(L"Kanvolo.exe");
  EXPECT_TRUE(f.RunMain(f.RecordingSteps()));
  EXPECT_EQ(f.calls, Lines{L"BackgroundCheck"});
  EXPECT_TRUE(f.starter.runs.empty());
}

TEST(Main, FailingStatementsAreSkipped) {
  // A step that fails is left behind; the run goes on with the next one.
  RunFixture f;
  kvtest::ExclusiveLock screen(kvtest::kScreenLock);
  f.host.commandLine = L"/inet";
  f.PutInstalled(L"Kanvolo.exe");
  auto steps = f.RecordingSteps();
  steps.InternetApplication = [&] {
    f.calls.push_back(L"InternetApplication");
    throw kv::RuntimeError(53);
  };
  EXPECT_TRUE(f.RunMain(steps));
  EXPECT_EQ(f.calls, (Lines{L"InternetSource", L"InternetApplication", L"RecordUpdate", L"WebToolUpdate"}));
  EXPECT_EQ(f.starter.runs.size(), 1u);
}

TEST(Main, ExitsFromTheSteps) {
  // A step that ends the process decides whether the splash window is closed first.
  struct Case {
    const char* what;
    std::function<void()> serverSource;
    bool splashStaysOpen;
  } cases[] = {
      {"closes the splash and ends", [] { kv::UnloadSplashAndEnd(); }, false},
      {"restarts for the rights", [] { kv::RestartSelf(L"/SETUP", false); }, true},
      {"ends at once", [] { kv::EndProcess(0); }, true},
  };
  kvtest::BothLocks locks;
  for (const auto& c : cases) {
    RunFixture f;
    f.PutInstalled(L"Kanvolo.exe");
    auto steps = f.RecordingSteps();
    steps.ServerSource = c.serverSource;
    kv::UpdateRun run(f.starter, steps);
    EXPECT_TRUE(f.RunMain(run)) << c.what;
    EXPECT_TRUE(f.calls.empty()) << c.what;  // nothing after the exit ran
    EXPECT_TRUE(f.starter.runs.empty()) << c.what;
    EXPECT_EQ(run.Splash().Loaded(), c.splashStaysOpen) << c.what;
  }
}

}  // namespace
