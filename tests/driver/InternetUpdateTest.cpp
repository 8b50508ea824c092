// A whole internet update against the local update host, and each fault of the host with its
// line, message and end, nothing installed.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "InternetRoad.h"
#include "base/Handles.h"
#include "base/Text.h"
#include "components/MD5Component.h"
#include "dialogs/frmSplash.h"
#include "settings/clsIniFile.h"
#include "support/ScriptedUser.h"
#include "versioncontrol/clsVersionControl.h"

namespace {

using kvtest::InternetRoad;
using kvtest::Lines;
using kvtest::Query;
using kvtest::UpdateHostProcess;

// The user goes along with the update: OK at the confirmation and in the list.
void AcceptUpdate(kvtest::ScriptedUser& user) {
  user.Expect(L"frmStartUpdate").Click(L"cmdButton", 1);
  user.Expect(L"frmDispUpdate").Click(L"cmdButton", 1);
}

std::wstring Digest(const std::wstring& path) { return kv::MD5Component::Create()->MD5(path, kv::MD5Component::File); }

std::wstring InstalledPath(const InternetRoad& road, const UpdateHostProcess::File& f) {
  return road.Install() + (f.folder.empty() ? L"" : f.folder + L"\\") + f.name;
}

Lines Appended(Lines lines, const Lines& more) {
  lines.insert(lines.end(), more.begin(), more.end());
  return lines;
}

TEST(InternetUpdate, WholeUpdateFromTheSecondUrl) {
  InternetRoad road;
  ASSERT_TRUE(road.server.Running());
  road.WriteUsualIni();
  const std::string iniBefore = kvtest::ReadBytes(road.IniPath());
  kvtest::ScriptedUser user;
  AcceptUpdate(user);

  const auto outcome = road.Run();
  EXPECT_TRUE(outcome.reachedEnd);

  const auto release = UpdateHostProcess::Release();
  ASSERT_EQ(release.size(), 5u);
  const std::wstring first = road.server.Url(L"/404/"), second = road.server.Url(L"/ok/");
  Lines boot{L"*** バロネルアップデート起動ログ KanvoloUpdate2", L"Internet Download",
             L"Download XML " + first + L"Version.xml" + Query(),
             L"Download XML (2nd) " + second + L"Version.xml" + Query(), L"Check Version", L"Exist Update 5"};
  Lines update{L"インターネットアップデート開始"};
  Lines requests{L"GET /404/Version.xml" + Query(), L"GET /ok/Version.xml" + Query()};
  Lines extract, install, expand, copy;
  for (const auto& f : release) {
    boot.push_back(L"Download File " + f.name);
    update.push_back(L"[Download] " + second + kv::LCase(f.cabinet) + Query() + L" " + road.Download() + f.cabinet);
    requests.push_back(L"GET /ok/" + kv::LCase(f.cabinet) + Query());
    extract.push_back(L"Extract File " + f.name);
    expand.push_back(L"[Expand] " + f.name);
    // Installed in name order, which the release already is.
    install.push_back(L"Copy & Regist File " + f.name);
    copy.push_back(L"[Copy] " + f.name + L" 2026/12/01 10:00:00");
  }
  boot = Appended(Appended(Appended(boot, extract), {L"Write Control"}), install);
  boot.push_back(L"End Update ");
  EXPECT_EQ(road.BootLog(), boot);
  update = Appended(Appended(Appended(update, expand), copy), {L"インターネットアップデート更新"});
  EXPECT_EQ(road.UpdateLog(), update);
  EXPECT_EQ(road.server.Requests(), requests);

  // The cabinets under their listed names, the new version control beside them.
  Lines saved{L"Version.xml"};
  for (const auto& f : release) saved.push_back(f.cabinet);
  std::sort(saved.begin(), saved.end());
  Lines downloaded = InternetRoad::FilesIn(road.Download());
  std::erase_if(downloaded, [](const std::wstring& n) { return n.starts_with(L"Prog") && !n.ends_with(L".cab") && !n.ends_with(L".CAB"); });
  EXPECT_EQ(downloaded, saved);

  kv::clsVersionControl installed, inDownload;
  ASSERT_EQ(installed.ReadControl(road.Install() + L"Version.xml", L"", L""), 0);
  ASSERT_EQ(inDownload.ReadControl(road.Download() + L"Version.xml", L"", L""), 0);
  EXPECT_EQ(installed.UseVersionTable(), 5);
  EXPECT_EQ(inDownload.UseVersionTable(), 5);
  const auto& vc = road.run.objVersionControl();
  for (std::int16_t i = 1; i <= 5; ++i) {
    EXPECT_TRUE(vc.FileChange(i)) << i;
    const auto& f = release[i - 1];
    EXPECT_EQ(vc.ProgramName(i), f.name);
    EXPECT_EQ(Digest(InstalledPath(road, f)), f.md5) << f.name;
  }
  EXPECT_EQ(road.run.installedCount, 5);
  // The cabinets came from the base that delivered; the INI file still names the first.
  EXPECT_EQ(road.run.objIniFile().UpdateURL(), second);
  EXPECT_EQ(kvtest::ReadBytes(road.IniPath()), iniBefore);
  EXPECT_TRUE(road.run.flgInetUpdate);
}

// The same through the run itself: the main program is started with the number switch at the end.
TEST(InternetUpdate, WholeRunStartsTheMainProgramAfterwards) {
  InternetRoad road;
  road.host.commandLine = L"/inet /2";
  road.WriteUsualIni();
  kvtest::WriteBytes(road.Install() + L"Kanvolo.exe", "MZ");
  kvtest::ScriptedUser user;
  AcceptUpdate(user);

  road.RunMain();
  EXPECT_EQ(road.run.installedCount, 5);
  for (const auto& f : UpdateHostProcess::Release()) EXPECT_EQ(Digest(InstalledPath(road, f)), f.md5) << f.name;
  const Lines boot = road.BootLog();
  ASSERT_GE(boot.size(), 2u);
  EXPECT_EQ(boot.back(), L"Exec Program " + road.Install() + L"Kanvolo.exe /2");
  EXPECT_NE(std::ranges::find(boot, L"End Update "), boot.end());
  ASSERT_FALSE(road.starter.runs.empty());
  EXPECT_EQ(road.starter.runs.back().commandLine, L"\"" + road.Install() + L"Kanvolo.exe\" /2");
}

// A fault of the host ends the run at its step with its boot line and logged message; nothing is
// installed and no version control is written into the install folder.
struct HostFault {
  const char* what;
  std::wstring base;       // the second URL's base; the first answers 404
  std::wstring timeOut;    // the INI's TimeOut
  Lines bootTail;          // the last boot lines
  Lines updateTail;        // the last update-log lines (the logged message)
  bool splashUnloaded = true;  // GetHTTP's own failure ends without unloading it
};

void PrintTo(const HostFault& c, std::ostream* os) { *os << c.what; }

class HostFaults : public testing::TestWithParam<HostFault> {};

TEST_P(HostFaults, EndWithTheirLineAndMessage) {
  const HostFault& c = GetParam();
  InternetRoad road;
  road.WriteIni({{L"UpdateURL", road.server.Url(L"/404/")},
                 {L"UpdateURL2", road.server.Url(c.base)},
                 {L"UpdateURL3", road.server.Url(L"/404/")},
                 {L"TimeOut", c.timeOut}});
  kvtest::ScriptedUser user;
  AcceptUpdate(user);
  user.Expect(L"frmMsgBox").Check([](kvtest::DialogView& d) { EXPECT_EQ(d.Caption(), kvtest::kTitle); }).PressEnter();

  const auto outcome = road.Run();
  EXPECT_FALSE(outcome.reachedEnd);
  const Lines boot = road.BootLog();
  ASSERT_GE(boot.size(), c.bootTail.size());
  EXPECT_EQ(Lines(boot.end() - c.bootTail.size(), boot.end()), c.bootTail) << c.what;
  const Lines update = road.UpdateLog();
  ASSERT_GE(update.size(), c.updateTail.size());
  EXPECT_EQ(Lines(update.end() - c.updateTail.size(), update.end()), c.updateTail) << c.what;
  for (const auto& f : UpdateHostProcess::Release()) {
    EXPECT_EQ(GetFileAttributesW(InstalledPath(road, f).c_str()), INVALID_FILE_ATTRIBUTES) << f.name;
  }
  EXPECT_EQ(GetFileAttributesW((road.Install() + L"Version.xml").c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(!(road.run.SplashCreated() && road.run.Splash().Loaded()), c.splashUnloaded);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, HostFaults,
    testing::Values(
        HostFault{"404 on a cabinet: the saved answer has the wrong size", L"/404@data02.cab/", L"30",
                  {L"Download File Prog02.dll", L"Error Download File Prog02.dll"},
                  {L"ダウンロードファイルのサイズが不正です。Prog02.dll.cab"}},
        HostFault{"one byte short", L"/short@prog04.dll.cab/", L"30",
                  {L"Download File Prog04.dll", L"Error Download File Prog04.dll"},
                  {L"ダウンロードファイルのサイズが不正です。Prog04.dll.cab"}},
        HostFault{"same size, not a cabinet", L"/nocab@prog01.dll.cab/", L"30",
                  {L"Extract File Prog01.dll", L"Error Extract File Prog01.dll"},
                  {L"ファイルを解凍できませんでした。Prog01.dll.cab"}},
        HostFault{"a cabinet whose file has another digest", L"/digest@data02.cab/", L"30",
                  {L"Extract File Prog02.dll", L"Error MD5 Prog02.dll"},
                  {L"ダウンロードに失敗しました。", L"Prog02.dll f29ab70c8b50ea9bc9085df896202077"}},
        HostFault{"the connection dropped halfway", L"/drop@prog03.dll.cab/", L"30",
                  {L"Download File Prog03.dll"},
                  {L"ダウンロードに失敗しました。", L"ウイルス対策ソフトの保護機能を一時停止してから再度実行してください。"},
                  false},
        HostFault{"an answer later than the time-out", L"/delay4000@prog01.dll.cab/", L"1",
                  {L"Download File Prog01.dll"},
                  {L"ダウンロードに失敗しました。", L"ウイルス対策ソフトの保護機能を一時停止してから再度実行してください。"},
                  false}),
    [](const testing::TestParamInfo<HostFault>& info) { return "Case" + std::to_string(info.index); });

TEST(InternetUpdate, NoUrlDeliversTheVersionControl) {
  InternetRoad road;
  road.WriteIni({{L"UpdateURL", road.server.Url(L"/404/")},
                 {L"UpdateURL2", road.server.Url(L"/404/2/")},
                 {L"UpdateURL3", road.server.Url(L"/404/3/")}});
  kvtest::ScriptedUser user;
  user.Expect(L"frmStartUpdate").Click(L"cmdButton", 1);
  user.Expect(L"frmMsgBox").PressEnter();

  EXPECT_FALSE(road.Run().reachedEnd);
  const Lines boot = road.BootLog();
  ASSERT_EQ(boot.size(), 5u);
  EXPECT_EQ(boot[4], L"Download XML (3rd) " + road.server.Url(L"/404/3/") + L"Version.xml" + Query());
  const Lines update = road.UpdateLog();
  ASSERT_FALSE(update.empty());
  // The reader's own description follows the text directly.
  const std::wstring text = L"バージョンコントロールファイルをダウンロードできませんでした。";
  EXPECT_TRUE(update[0].starts_with(text) && update[0].size() > text.size()) << update[0];
  EXPECT_EQ(road.server.Requests().size(), 3u);
  EXPECT_FALSE(road.run.flgInetUpdate);
}

// Succeeding variants: each installs all five files.
struct HostVariant {
  const char* what;
  std::vector<std::pair<std::wstring, std::wstring>> ini;  // besides the URLs, %P the host's port
  std::wstring base;
  std::function<void(const Lines& requests)> check;
};

void PrintTo(const HostVariant& c, std::ostream* os) { *os << c.what; }

class HostVariants : public testing::TestWithParam<HostVariant> {};

TEST_P(HostVariants, InstallEveryFile) {
  const HostVariant& c = GetParam();
  InternetRoad road;
  auto ini = c.ini;
  for (auto& [key, value] : ini) {
    if (value == L"%P") value = L"127.0.0.1:" + std::to_wstring(road.server.Port());
  }
  ini.push_back({L"UpdateURL", road.server.Url(c.base)});
  road.WriteIni(ini);
  kvtest::ScriptedUser user;
  AcceptUpdate(user);

  EXPECT_TRUE(road.Run().reachedEnd);
  EXPECT_EQ(road.run.installedCount, 5);
  for (const auto& f : UpdateHostProcess::Release()) EXPECT_EQ(Digest(InstalledPath(road, f)), f.md5) << f.name;
  c.check(road.server.Requests());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, HostVariants,
    testing::Values(
        HostVariant{"an answer within the time-out", {{L"TimeOut", L"10"}}, L"/delay1500@prog01.dll.cab/",
                    [](const Lines& requests) { EXPECT_EQ(requests.size(), 6u); }},
        HostVariant{"a Basic challenge met on both kinds of request",
                    {{L"User", L"kvuser"}, {L"Password", L"kvpass"}}, L"/auth/",
                    [](const Lines& requests) {
                      for (const std::wstring name : {L"Version.xml", L"prog01.dll.cab", L"data02.cab"}) {
                        EXPECT_TRUE(std::ranges::count(requests, L"GET /auth/" + name + Query() + L" [auth]") >= 1)
                            << kv::ToUtf8(name);
                      }
                    }},
        HostVariant{"a proxy: only the cabinets go through it", {{L"Proxy", L"%P"}}, L"/ok/",
                    [](const Lines& requests) {
                      ASSERT_EQ(requests.size(), 6u);
                      EXPECT_EQ(requests[0], L"GET /ok/Version.xml" + Query());
                      for (std::size_t i = 1; i < requests.size(); ++i) {
                        EXPECT_TRUE(requests[i].starts_with(L"GET http://127.0.0.1:")) << kv::ToUtf8(requests[i]);
                      }
                    }}),
    [](const testing::TestParamInfo<HostVariant>& info) { return "Case" + std::to_string(info.index); });

TEST(InternetUpdate, InstallFailureAtTheThirdOfFiveKeepsTheFirstTwo) {
  InternetRoad road;
  road.WriteUsualIni(L"/ok/");
  const std::wstring old = road.Install() + L"Version.xml";
  kvtest::WriteBytes(old, "old version control");
  // The third file in name order lies in "sub"; its target is held open without sharing.
  CreateDirectoryW((road.Install() + L"sub").c_str(), nullptr);
  kv::UniqueFile held(CreateFileW((road.Install() + L"sub\\Prog03.dll").c_str(), GENERIC_READ | GENERIC_WRITE, 0,
                                  nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  ASSERT_TRUE(held);
  kvtest::ScriptedUser user;
  AcceptUpdate(user);
  user.Expect(L"frmMsgBox").PressEnter();

  EXPECT_FALSE(road.Run().reachedEnd);
  const Lines boot = road.BootLog();
  ASSERT_GE(boot.size(), 2u);
  EXPECT_EQ(boot[boot.size() - 2], L"Copy & Regist File Prog03.dll");
  EXPECT_TRUE(boot.back().starts_with(L"Error Copy & Regist File Prog03.dll")) << kv::ToUtf8(boot.back());
  const Lines update = road.UpdateLog();
  ASSERT_FALSE(update.empty());
  EXPECT_TRUE(update.back().starts_with(L"更新に失敗しました。") && update.back().ends_with(L"Prog03.dll"))
      << kv::ToUtf8(update.back());
  const auto release = UpdateHostProcess::Release();
  EXPECT_EQ(Digest(InstalledPath(road, release[0])), release[0].md5);
  EXPECT_EQ(Digest(InstalledPath(road, release[1])), release[1].md5);
  for (std::size_t i = 3; i < release.size(); ++i) {
    EXPECT_EQ(GetFileAttributesW(InstalledPath(road, release[i]).c_str()), INVALID_FILE_ATTRIBUTES) << i;
  }
  EXPECT_EQ(road.run.installedCount, 2);
  EXPECT_EQ(kvtest::ReadBytes(old), "old version control");
  EXPECT_NE(GetFileAttributesW((road.Download() + L"Version.xml").c_str()), INVALID_FILE_ATTRIBUTES);
}

// A cabinet name from the host's file that would lead out of the download folder fails as that
// entry's download, before anything is requested or written.
TEST(InternetUpdate, CabinetNameOutsideTheDownloadFolderIsRefused) {
  for (const std::wstring cabinet : {L"..\\..\\x.exe", L"C:x.cab", L"sub\\x.cab"}) {
    InternetRoad road;
    road.WriteIni({{L"UpdateURL", road.server.Url(L"/ok/")}});
    road.run.objIniFile().SetCommonFolder(road.Download());
    auto& vc = road.run.objVersionControl();
    vc.SetUseVersionTable(1);
    vc.SetProgramName(1, L"Evil.dll");
    vc.SetVersionText(1, L"2026/12/01 10:00:00");
    vc.SetCabFileName(1, cabinet);
    vc.SetCabFileSize(1, 100);
    kvtest::ScriptedUser user;
    user.Expect(L"frmDispUpdate").Click(L"cmdButton", 1);
    user.Expect(L"frmMsgBox").PressEnter();

    EXPECT_FALSE(road.RunApplication().reachedEnd);
    const Lines boot = road.BootLog();
    ASSERT_FALSE(boot.empty());
    EXPECT_EQ(boot.back(), L"Error Download File Evil.dll") << kv::ToUtf8(cabinet);
    EXPECT_EQ(road.UpdateLog().back(), L"ファイルをダウンロードできませんでした。Evil.dll.cab");
    EXPECT_TRUE(road.server.Requests().empty());
    EXPECT_EQ(GetFileAttributesW((road.dir / L"x.exe").c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_TRUE(InternetRoad::FilesIn(road.Download()).empty());
  }
}

}  // namespace
