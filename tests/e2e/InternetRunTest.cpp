// Whole runs of the internet road: the real program against the local update host, which serves
// a release the real program built ("/MAKE /AUTO"), its dialogs answered by the answering
// program, a stand-in main program running before and started after.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "Dialogs.h"
#include "WholeRun.h"
#include "base/Handles.h"
#include "base/Text.h"
#include "driver/StandIn.h"
#include "driver/UpdateHostProcess.h"
#include "settings/Common.h"
#include "support/RegistryFixtures.h"
#include "versioncontrol/clsVersionControl.h"

namespace {

using Lines = std::vector<std::wstring>;
using kvtest::UpdateHostProcess;

using namespace kvtest::dialogs;

std::string Show(const Lines& lines) {
  std::string text;
  for (const auto& line : lines) text += "  " + kv::ToUtf8(line) + "\n";
  return text;
}

// The plain files of one folder into another, made if missing.
void CopyFiles(const std::wstring& from, const std::wstring& to) {
  CreateDirectoryW(to.c_str(), nullptr);
  WIN32_FIND_DATAW found{};
  const kv::UniqueFind find(FindFirstFileW((from + L"\\*").c_str(), &found));
  if (!find) return;
  do {
    if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
      CopyFileW((from + L"\\" + found.cFileName).c_str(), (to + L"\\" + found.cFileName).c_str(), FALSE);
    }
  } while (FindNextFileW(find.get(), &found));
}

// The program beside its Install.ini, the stand-in as the installed main program, a release made
// by the real program ("/MAKE /AUTO") from a fixture program folder and its cabinet folder
// published on the update host, and the updater INI whose first URL answers 404.
struct InternetGround {
  struct Release {
    const wchar_t* programFolder = L"internet-program";  // of the fixtures
    std::int16_t files = 5;
    bool cp932Paths = false;  // the host reads request paths as a Windows host does
  };
  InternetGround() : InternetGround(Release{}) {}
  explicit InternetGround(const Release& release) {
    run.CopyProgram(L"KanvoloUpdate2.exe");
    run.CopyIntoInstallFolder(L"kv_mainstandin.exe", L"Kanvolo.exe");
    MakeRelease(release);
    host = std::make_unique<UpdateHostProcess>(UpdateHostProcess::Published{Cabinets(), release.cp932Paths});
    EXPECT_TRUE(host->Running());
  }
  std::wstring Product() const { return run.ProgramFolder() + L"\\バロネル"; }
  std::wstring Cabinets() const { return run.ProgramFolder() + L"\\Update"; }

  void MakeRelease(const Release& release) {
    const std::wstring source = UpdateHostProcess::FixtureFolder() + L"\\" + release.programFolder + L"\\";
    for (const wchar_t* folder : {L"バロネル", L"Installer", L"Update"}) {
      CopyFiles(source + folder, run.ProgramFolder() + L"\\" + folder);
    }
    run.SetEnvironment(L"KV_RELEASE_HISTORY", kv::FromUtf8(KV_RELEASE_FIXTURES) + L"/history.db");
    const auto result = run.Run(L"KanvoloUpdate2.exe", L"/MAKE /AUTO", {});
    EXPECT_TRUE(result.Ok()) << result.transcript;
    const Lines boot = run.BootLog();
    EXPECT_TRUE(!boot.empty() && boot.back() == L"/MAKE") << Show(boot);
    // What the host serves: the cabinet folder's version control and cabinets as built.
    EXPECT_EQ(released.ReadControl(Cabinets() + L"\\Version.xml", L"", L"", false), 0);
    EXPECT_EQ(released.UseVersionTable(), release.files);
    // The web tool's version control is not part of a release build: the fixture release's.
    CreateDirectoryW((Cabinets() + L"\\web").c_str(), nullptr);
    CopyFileW((UpdateHostProcess::FixtureFolder() + L"\\release\\web\\Version.xml").c_str(),
              (Cabinets() + L"\\web\\Version.xml").c_str(), FALSE);
  }

  void WriteUpdaterIni(const std::wstring& webUpdate) const {
    run.WriteUpdaterIni(L"[VersionControl]\r\nUpdateURL=" + host->Url(L"/404/") + L"\r\nUpdateURL2=" +
                        host->Url(L"/ok/") + L"\r\nUpdateURL3=" + host->Url(L"/404/") +
                        L"\r\nTimeOut=30\r\nWebUpdate=" + webUpdate + L"\r\n");
  }

  // Every released file in the install folder, byte for byte the product file it was built from.
  void ExpectInstalled() const {
    ASSERT_GT(released.UseVersionTable(), 0);
    for (std::int16_t i = 1; i <= released.UseVersionTable(); ++i) {
      const std::wstring name = released.ProgramName(i);
      const std::wstring folder = released.FolderName(i);
      const std::wstring path = run.InstallFolder() + (folder.empty() ? L"" : folder + L"\\") + name;
      ASSERT_TRUE(kv::FileExist(path)) << kv::ToUtf8(path);
      EXPECT_EQ(kvtest::ReadBytes(path), kvtest::ReadBytes(Product() + L"\\" + name)) << kv::ToUtf8(name);
    }
  }

  kvtest::WholeRun run;
  kv::clsVersionControl released;
  std::unique_ptr<UpdateHostProcess> host;
};

// "/INET /2" with the main program running: it is asked to close, the update is installed, the web
// tool updates itself (waited for), then the main program is started with "/2".
TEST(InternetRun, UpdateWithTheMainProgramRunningAndTheWebTool) {
  InternetGround ground;
  auto& run = ground.run;
  auto& host = *ground.host;
  const std::wstring webFolder = run.ScratchFolder() + L"\\バロネル WEB";
  ground.WriteUpdaterIni(webFolder + L"\\Sornet.exe");
  CreateDirectoryW(webFolder.c_str(), nullptr);
  CopyFileW((kvtest::TestProgramFolder() + L"\\kv_recordargs.exe").c_str(), (webFolder + L"\\Sornet.exe").c_str(), FALSE);
  kvtest::WriteBytes(kv::GetUserDataFolder() + L"\\Sornet.ini",
                     kv::ToAnsi(L"[VersionControl]\r\nUpdateURL=" + host.Url(L"/ok/web/") + L"\r\nDownLoadFolder=" +
                                webFolder + L"\r\n"));
  kvtest::StandIn running(kvtest::StandIn::CloseOn::Request, std::nullopt);

  const auto result = run.Run(L"KanvoloUpdate2.exe", L"/INET /2",
                              {kConfirmation, L"contains 402 インターネットに接続して", kConfirmOk, kContents,
                               L"contains 505 5個の更新ファイル", L"pause 700", L"screenshot e2e-inet-contents", kContentsOk, kMessage,
                               L"contains 100 続けてルカネスのインターネットアップデートを行います。", kMessageOk});
  ASSERT_TRUE(result.Ok()) << result.transcript << Show(run.BootLog());
  EXPECT_TRUE(running.WaitForEnd()) << "the running main program was asked to close";

  ASSERT_TRUE(run.WaitForRecord(2)) << Show(run.BootLog());
  EXPECT_EQ(run.Recorded(), (Lines{L"/UPDATE", L"/2"}));
  ground.ExpectInstalled();
  const Lines boot = run.BootLog();
  ASSERT_FALSE(boot.empty());
  EXPECT_NE(std::ranges::find(boot, L"End Update "), boot.end()) << Show(boot);
  EXPECT_NE(std::ranges::find(boot, L"Web Update"), boot.end()) << Show(boot);
  EXPECT_EQ(boot.back(), L"Exec Program " + run.InstallFolder() + L"Kanvolo.exe /2") << Show(boot);
}

// "/INETCHECK2": the check's OK restarts the program with "/INET", and that run updates.
TEST(InternetRun, BackgroundCheckRestartsIntoAnUpdate) {
  InternetGround ground;
  auto& run = ground.run;
  ground.WriteUpdaterIni(L"C:\\none\\Sornet.exe");

  const auto result = run.Run(
      L"KanvoloUpdate2.exe", L"/INETCHECK2",
      {kMessage, L"contains 100 バロネルのプログラム更新があります。今すぐ更新しますか？", kMessageOk, kConfirmation,
       kConfirmOk, kContents, kContentsOk},
      std::chrono::seconds(90), L"KanvoloUpdate2.exe");
  ASSERT_TRUE(result.Ok()) << result.transcript << Show(run.BootLog());
  ASSERT_TRUE(run.WaitForRecord(1)) << Show(run.BootLog());
  EXPECT_EQ(run.Recorded(), Lines{L""});
  ground.ExpectInstalled();
  // The boot log is the restarted run's.
  const Lines boot = run.BootLog();
  EXPECT_NE(std::ranges::find(boot, L"Command=/INET"), boot.end()) << Show(boot);
}

// Japanese names on the wire: a program file, a sub-folder and a cabinet of Japanese names, and
// the hospital's name in the query, all asked for as raw CP932 bytes, which the host reads as a
// Windows host does; every file is installed where it belongs.
TEST(InternetRun, JapaneseNamesGoOutAsCp932Bytes) {
  InternetGround ground({.programFolder = L"internet-program-ja", .files = 4, .cp932Paths = true});
  auto& run = ground.run;
  auto& host = *ground.host;
  ground.WriteUpdaterIni(L"C:\\none\\Sornet.exe");
  const std::wstring param = L"Software\\Kestrova\\Varonel\\PARAM";
  kvtest::WriteRegistryText(HKEY_CURRENT_USER, param, L"HOSPITAL_CODE", L"1234");
  kvtest::WriteRegistryText(HKEY_CURRENT_USER, param, L"BYOIN_NAME", L"さくら病院");

  const auto result = run.Run(L"KanvoloUpdate2.exe", L"/INET",
                              {kConfirmation, kConfirmOk, kContents, L"contains 505 4個の更新ファイル", kContentsOk});
  ASSERT_TRUE(result.Ok()) << result.transcript << Show(run.BootLog());
  ASSERT_TRUE(run.WaitForRecord(1)) << Show(run.BootLog());
  ground.ExpectInstalled();

  // The request log read back as CP932: UTF-8 or percent-escapes would not read as these names.
  const std::wstring query = L"?ID=1234&NAME=さくら病院";
  Lines expected{L"GET /404/Version.xml" + query, L"GET /ok/Version.xml" + query};
  for (const wchar_t* cabinet : {L"prog01.dll.cab", L"予約受付.dll.cab", L"音声設定.ini.cab", L"表示セット.cab"}) {
    expected.push_back(L"GET /ok/" + std::wstring(cabinet) + query);
  }
  Lines requests = host.Requests();
  std::ranges::sort(requests);
  std::ranges::sort(expected);
  EXPECT_EQ(requests, expected) << Show(host.Requests());
}

// Windows XP (Wine's per-program version "winxp") is refused before anything is asked of the host.
TEST(InternetRun, WindowsXpIsRefused) {
  InternetGround ground;
  auto& run = ground.run;
  auto& host = *ground.host;
  ground.WriteUpdaterIni(L"");
  const wchar_t kAppDefaults[] = L"Software\\Wine\\AppDefaults\\KanvoloUpdate2.exe";
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, kAppDefaults, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
            ERROR_SUCCESS);
  const wchar_t winxp[] = L"winxp";
  RegSetValueExW(key, L"Version", 0, REG_SZ, reinterpret_cast<const BYTE*>(winxp), sizeof(winxp));
  RegCloseKey(key);
  struct Restore {
    const wchar_t* path;
    ~Restore() { RegDeleteTreeW(HKEY_CURRENT_USER, path); }
  } restore{kAppDefaults};

  const auto result = run.Run(L"KanvoloUpdate2.exe", L"/INET",
                              {kMessage, L"contains 100 Windows XP 以前ではインターネットアップデートは使用できません。",
                               L"pause 700", L"screenshot e2e-inet-winxp", kMessageOk});
  ASSERT_TRUE(result.Ok()) << result.transcript << Show(run.BootLog());
  const Lines boot = run.BootLog();
  EXPECT_NE(std::ranges::find(boot, L"OS Version 5.1"), boot.end()) << Show(boot);
  ASSERT_FALSE(boot.empty());
  EXPECT_EQ(boot.back(), L"Internet Download") << Show(boot);
  EXPECT_TRUE(host.Requests().empty());
  EXPECT_TRUE(run.Recorded().empty());
}

}  // namespace
