// A whole internet update against the local update host, and each fault of the host with its
// line, message and end, nothing installed.
#include <gtest/gtest.h>

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

// A fault of the host ends the run at its step with its boot line and logged message; nothing is
// installed and no version control is written into the install folder.
struct HostFault {
  const char* what;
  std::wstring base;       // the second URL's base; the first answers 404
  std::wstring timeOut;    // the INI's TimeOut
  Lines bootTail;          // the last boot lines
  Lines updateTail;        // the last update-log lines (the logged message)
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
  EXPECT_FALSE(road.run.SplashCreated() && road.run.Splash().Loaded()) << "the splash window is unloaded";
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
                  {L"ダウンロードに失敗しました。", L"Prog02.dll f29ab70c8b50ea9bc9085df896202077"}}),
    [](const testing::TestParamInfo<HostFault>& info) { return "Case" + std::to_string(info.index); });

}  // namespace
