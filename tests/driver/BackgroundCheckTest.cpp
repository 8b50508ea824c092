// The background check: hidden or shown, with or without an update of the product or of the web
// tool, and the answers to its questions. It installs nothing and always ends the process.
#include <gtest/gtest.h>

#include <functional>

#include "InternetRoad.h"
#include "dialogs/frmSplash.h"
#include "support/ScriptedUser.h"
#include "versioncontrol/clsVersionControl.h"

namespace {

using kvtest::InternetRoad;
using kvtest::Lines;
using kvtest::Query;
using kvtest::UpdateHostProcess;

constexpr wchar_t kProductQuestion[] = L"バロネルのプログラム更新があります。今すぐ更新しますか？";
constexpr wchar_t kWebQuestion[] = L"バロネルWEBのプログラム更新があります。今すぐ更新しますか？";
constexpr wchar_t kNothingNew[] = L"新しいプログラム更新はありませんでした。";

enum class Web { NoIni, ToolMissing, ToolPresent };

struct CheckCase {
  const char* what;
  std::wstring commandLine;
  bool productCurrent;  // the published version control is installed
  Web web;
  std::wstring message;  // the question or notice shown, "" none
  bool answerOk;
  // Boot lines after "Check Version" and the product's XML line, %I the install folder, %W the
  // web folder, %U the host.
  Lines bootTail;
  Lines shellRuns = {};  // file|parameters|verb
  bool administrator = true;
};

void PrintTo(const CheckCase& c, std::ostream* os) { *os << c.what; }

std::wstring Expand(std::wstring line, const InternetRoad& road) {
  const std::pair<std::wstring, std::wstring> keys[] = {
      {L"%I", road.Install()}, {L"%W", road.dir.path() + L"\\web\\"}, {L"%U", road.server.Url(L"/")}, {L"%Q", Query()},
      {L"%P", road.host.ProgramFolder() + L"\\KanvoloUpdate2"}, {L"%T", road.dir / L"web tool.exe"},
      {L"%M", kv::kElevatedRestartMarker}};
  for (const auto& [key, value] : keys) {
    for (auto at = line.find(key); at != std::wstring::npos; at = line.find(key)) line.replace(at, key.size(), value);
  }
  return line;
}

class BackgroundChecks : public testing::TestWithParam<CheckCase> {};

TEST_P(BackgroundChecks, AskAndEnd) {
  const CheckCase& c = GetParam();
  InternetRoad road;
  road.host.commandLine = c.commandLine;
  road.run.flgAdministrator = c.administrator;
  road.WriteIni({{L"UpdateURL", road.server.Url(L"/ok/")},
                 {L"WebUpdate", c.web == Web::ToolPresent ? road.dir / L"web tool.exe" : road.dir / L"missing.exe"}});
  if (c.web == Web::ToolPresent) kvtest::WriteBytes(road.dir / L"web tool.exe", "MZ");
  if (c.web != Web::NoIni) {
    road.WriteWebIni({{L"UpdateURL", road.server.Url(L"/ok/web/")}, {L"DownLoadFolder", road.dir.path() + L"\\web"}});
  }
  if (c.productCurrent) {
    CopyFileW((UpdateHostProcess::FixtureFolder() + L"\\release\\Version.xml").c_str(),
              (road.Install() + L"Version.xml").c_str(), FALSE);
  }
  kvtest::ScriptedUser user;
  if (!c.message.empty()) {
    user.Expect(L"frmMsgBox")
        .Check([&](kvtest::DialogView& d) {
          EXPECT_EQ(d.Text(L"rtxtMsg"), c.message);
          EXPECT_EQ(d.Caption(), kvtest::kTitle);
          EXPECT_FALSE(road.run.Splash().Loaded()) << "no question while the splash window is loaded";
        })
        .Click(L"cmdButton", c.answerOk ? 1 : 2);
  }

  EXPECT_FALSE(road.RunSteps(kv::BackgroundCheck).reachedEnd);
  Lines expected{L"*** バロネルアップデート起動ログ KanvoloUpdate2", L"Check Version",
                 L"Download XML " + road.server.Url(L"/ok/") + L"Version.xml" + Query()};
  for (const auto& line : c.bootTail) expected.push_back(Expand(line, road));
  EXPECT_EQ(road.BootLog(), expected);
  EXPECT_TRUE(road.UpdateLog().empty()) << "questions and notices are not logged";
  // Unloaded before the question; a restart loads it again, hidden, as the shell's owner.
  EXPECT_FALSE(road.run.Splash().Loaded() && IsWindowVisible(road.run.Splash().hwnd()));
  EXPECT_FALSE(road.run.flgInetUpdate);
  Lines shellRuns;
  for (const auto& r : road.starter.shellRuns) shellRuns.push_back(r.file + L"|" + r.parameters + L"|" + r.verb);
  Lines expectedRuns;
  for (const auto& r : c.shellRuns) expectedRuns.push_back(Expand(r, road));
  EXPECT_EQ(shellRuns, expectedRuns);
  EXPECT_EQ(kvtest::InternetRoad::FilesIn(road.Download()), Lines{});
  if (!c.productCurrent) {
    EXPECT_EQ(GetFileAttributesW((road.Install() + L"Version.xml").c_str()), INVALID_FILE_ATTRIBUTES);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BackgroundChecks,
    testing::Values(
        CheckCase{"hidden, update, OK", L"/INETCHECK /1", false, Web::NoIni, kProductQuestion, true,
                  {L"Read XML %IVersion.xml", L"Exist Update 5", L"RunAsAdmin %P,/INET", L"ExecProgramEx %P,/INET"},
                  {L"%P|/INET|open"}},
        CheckCase{"update, OK, no administrator: elevated", L"/INETCHECK", false, Web::NoIni, kProductQuestion, true,
                  {L"Read XML %IVersion.xml", L"Exist Update 5", L"RunAsAdmin %P,/INET %M",
                   L"ExecProgramEx %P,/INET %M,runas"},
                  {L"%P|/INET %M|runas"}, false},
        CheckCase{"shown, update, Cancel", L"/inetcheck2 /1", false, Web::ToolPresent, kProductQuestion, false,
                  {L"Read XML %IVersion.xml", L"Exist Update 5"}},
        CheckCase{"no update, no web INI, shown: silent", L"/INETCHECK2", true, Web::NoIni, L"", false,
                  {L"Read XML %IVersion.xml", L"Not Exist Update"}},
        CheckCase{"no update, web tool missing, shown: notice", L"/INETCHECK2", true, Web::ToolMissing, kNothingNew, true,
                  {L"Read XML %IVersion.xml", L"Not Exist Update", L"Not Exist Web Update "}},
        CheckCase{"no update, web tool missing, hidden: silent", L"/INETCHECK", true, Web::ToolMissing, L"", false,
                  {L"Read XML %IVersion.xml", L"Not Exist Update"}},
        CheckCase{"web update, OK: started with open also without rights", L"/INETCHECK", true, Web::ToolPresent,
                  kWebQuestion, true,
                  {L"Read XML %IVersion.xml", L"Not Exist Update", L"Get Web XML %Uok/web/Version.xml%Q",
                   L"Read Web XML %WVersion.xml", L"Exist Web Update 1", L"RunAsAdmin %T,/UPDATE",
                   L"ExecProgramEx %T,/UPDATE"},
                  {L"%T|/UPDATE|open"}, false},
        CheckCase{"web update, Cancel", L"/INETCHECK2", true, Web::ToolPresent, kWebQuestion, false,
                  {L"Read XML %IVersion.xml", L"Not Exist Update", L"Get Web XML %Uok/web/Version.xml%Q",
                   L"Read Web XML %WVersion.xml", L"Exist Web Update 1"}}),
    [](const testing::TestParamInfo<CheckCase>& info) { return "Case" + std::to_string(info.index); });

TEST(BackgroundCheck, NoUrlDeliversEndsSilently) {
  InternetRoad road;
  road.host.commandLine = L"/INETCHECK2";
  road.WriteIni({{L"UpdateURL", road.server.Url(L"/404/")},
                 {L"UpdateURL2", road.server.Url(L"/404/")},
                 {L"UpdateURL3", road.server.Url(L"/404/")}});
  kvtest::ScriptedUser user;
  EXPECT_FALSE(road.RunSteps(kv::BackgroundCheck).reachedEnd);
  const Lines boot = road.BootLog();
  ASSERT_EQ(boot.size(), 6u);
  EXPECT_EQ(boot.back(), L"XML Get Fail");
  EXPECT_FALSE(road.run.Splash().Loaded());
}

TEST(BackgroundCheck, WindowsXpIsRefused) {
  InternetRoad road;
  road.host.commandLine = L"/INETCHECK";
  road.host.version = kv::WindowsVersion{5, 1};
  road.WriteIni({{L"UpdateURL", road.server.Url(L"/ok/")}});
  kvtest::ScriptedUser user;
  user.Expect(L"frmMsgBox").PressEnter();
  EXPECT_FALSE(road.RunSteps(kv::BackgroundCheck).reachedEnd);
  EXPECT_EQ(road.UpdateLog(), Lines{L"Windows XP 以前ではインターネットアップデートは使用できません。"});
  EXPECT_TRUE(road.server.Requests().empty());
}

}  // namespace
