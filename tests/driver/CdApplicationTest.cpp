// The CD/DVD update application on the medium made at build time: counting, the version-down
// question, the digest pass before anything is copied, elevation, copying and registering in
// table order, and the progress bar.
#include <gtest/gtest.h>

#include "components/MD5Component.h"
#include "driver/CdRoad.h"
#include "support/ScriptedUser.h"
#include "versioncontrol/subCabExtract.h"

namespace {

using kvtest::DialogView;
using kvtest::Lines;

const wchar_t kNoUpdate[] = L"更新するプログラムはありませんでした。";
const wchar_t kVersionDown[] =
    L"このまま更新するとバージョンダウンするため、正しく動作しない可能性があります。よろしいですか？";
const wchar_t kNoRightsOld[] =
    L"新しいプログラムの更新が見つかりました。アイコンまたはメニューを右クリックして「別のユーザーとして実行」から"
    L"管理者権限のあるユーザーで起動してください。";
const wchar_t kNoRightsRestart[] =
    L"新しいプログラムの更新が見つかりました。プログラム更新を行います。\r\n"
    L"ユーザーアカウント制御画面が表示されたら更新を許可してください。";

class CdApplicationTest : public kvtest::CdRoad {
 protected:
  CdApplicationTest() {
    ShowSplash();
    // The installed update program must never be replaced.
    kvtest::WriteBytes(install + L"KanvoloUpdate2.exe", "update program, old\r\n");
  }

  // The installed version control lists the entry with this version.
  void Installed(const std::wstring& name, const std::wstring& version) {
    kv::clsVersionControl& local = run.objVersionControlLocal();
    const std::int16_t i = local.UseVersionTable() + 1;
    local.SetProgramName(i, name);
    local.SetVersionText(i, version);
    local.SetUseVersionTable(i);
  }

  // What the user sees in a message box, answered with its first visible button (OK).
  void ExpectMessage(kvtest::ScriptedUser& user, std::wstring text, int icon, int button = 1) {
    user.Expect(L"frmMsgBox")
        .Check([this, text, icon](DialogView& d) {
          EXPECT_EQ(d.Text(L"txtMsg"), text);
          EXPECT_EQ(d.Caption(), Title());
          EXPECT_TRUE(d.Visible(L"picIcon", icon)) << icon;
        })
        .Click(L"cmdButton", button);
  }

  // The files of the install folder, sub-folders included, as "name" or "folder\name".
  Lines InstalledFiles() const {
    Lines files;
    Collect(install, L"", files);
    std::sort(files.begin(), files.end());
    return files;
  }
  static void Collect(const std::wstring& folder, const std::wstring& prefix, Lines& files) {
    WIN32_FIND_DATAW data{};
    kv::UniqueFind find(FindFirstFileW((folder + L"*").c_str(), &data));
    if (!find) return;
    do {
      const std::wstring name = data.cFileName;
      if (name == L"." || name == L"..") continue;
      if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        Collect(folder + name + L"\\", prefix + name + L"\\", files);
      } else {
        files.push_back(prefix + name);
      }
    } while (FindNextFileW(find.get(), &data));
  }

  // Registration command lines as the version control starts them for a file of the install
  // folder (its destination has a doubled "\").
  std::wstring Server(const std::wstring& name, bool regist) const {
    return L"\"" + install + L"\\" + name + L"\"" + (regist ? L" /RegServer" : L" /UnregServer");
  }
  std::wstring Library(const std::wstring& name) const {
    return L"\"" + kv::AddBackslash(kv::CurrentHost().SystemFolder()) + L"regsvr32\" /s \"" + install + L"\\" + name +
           L"\"";
  }

  static const Lines kNothingCopied;
  std::wstring Digest(const std::wstring& path) const { return kv::MD5Component::Create()->MD5(path, 1); }
};

const Lines CdApplicationTest::kNothingCopied{L"KanvoloUpdate2.exe"};

TEST_F(CdApplicationTest, InstallsWhatIsNotCurrentInTableOrderAndRegistersIt) {
  ReadSource();
  Installed(L"comlib.dll", L"2012/06/01 10:00:02");  // current: neither copied nor registered
  EXPECT_FALSE(Ends(kv::CdApplication));

  EXPECT_EQ(InstalledFiles(), (Lines{L"Kanvolo.exe", L"KanvoloUpdate2.exe", L"帳票\\帳票.dat"}));
  EXPECT_EQ(kvtest::ReadBytes(install + L"Kanvolo.exe"), "main program, new\r\n");
  EXPECT_EQ(kvtest::ReadBytes(install + L"帳票\\帳票.dat"), "report data, new\r\n");
  // The own executable is registered again, never replaced.
  EXPECT_EQ(kvtest::ReadBytes(install + L"KanvoloUpdate2.exe"), "update program, old\r\n");
  EXPECT_EQ(starter.CommandLines(),
            (Lines{Server(L"Kanvolo.exe", true), Server(L"KanvoloUpdate2.exe", false),
                   Server(L"KanvoloUpdate2.exe", true)}));

  EXPECT_EQ(BootLines(), (Lines{L"Exist Update 3", L"Check MD5", L"Update File Kanvolo.exe", L"Regist File Kanvolo.exe",
                                L"Update File KanvoloUpdate2.exe", L"Regist File KanvoloUpdate2.exe",
                                L"Update File 帳票.dat", L"Regist File 帳票.dat"}));
  EXPECT_EQ(UpdateLines(), (Lines{L"CD/DVDアップデート開始", L"Kanvolo.exe 2012/06/01 10:00:00",
                                  L"KanvoloUpdate2.exe 2012/06/01 10:00:01", L"帳票.dat 2012/06/01 10:00:03",
                                  L"CD/DVDアップデート更新"}));
  // Marks only on what was installed; the counter keeps the count and adds each installed file.
  const kv::clsVersionControl& source = run.objVersionControl();
  EXPECT_EQ((std::vector<bool>{source.FileChange(1), source.FileChange(2), source.FileChange(3), source.FileChange(4)}),
            (std::vector<bool>{true, true, false, true}));
  EXPECT_EQ(run.installedCount, 6);
  EXPECT_FALSE(run.declined);

  kv::frmSplash& splash = run.Splash();
  EXPECT_EQ(splash.ProgressBar.Max(), 4);  // the total of the cabinet sizes
  EXPECT_EQ(splash.ProgressBar.Value(), 4);
  EXPECT_TRUE(splash.ProgressBar.Visible());
  EXPECT_EQ(splash.lblHospital.Text(), L"");
  EXPECT_TRUE(splash.Loaded());
}

TEST_F(CdApplicationTest, TypeTwoLibrariesGoThroughRegsvr32) {
  ReadSource();
  Installed(L"Kanvolo.exe", L"2012/06/01 10:00:00");
  Installed(L"KanvoloUpdate2.exe", L"2012/06/01 10:00:01");
  Installed(L"帳票.dat", L"2012/06/01 10:00:03");
  kvtest::WriteBytes(install + L"comlib.dll", "COM library, old\r\n");
  EXPECT_FALSE(Ends(kv::CdApplication));
  EXPECT_EQ(kvtest::ReadBytes(install + L"comlib.dll"), "COM library, new\r\n");
  const std::wstring unregister = L"\"" + kv::AddBackslash(kv::CurrentHost().SystemFolder()) + L"regsvr32\" /u /s \"" +
                                  install + L"\\comlib.dll\"";
  EXPECT_EQ(starter.CommandLines(), (Lines{unregister, Library(L"comlib.dll")}));
  EXPECT_EQ(run.installedCount, 2);
}

TEST_F(CdApplicationTest, NothingToInstallShowsTheNoticeWithoutAskingForRights) {
  ReadSource();
  ASSERT_EQ(run.objVersionControlLocal().ReadControl(medium + L"Version.xml", L"", L""), 0);
  host.admin = false;
  run.flgAdministrator = false;
  run.version = kv::WindowsVersion{5, 1};
  {
    kvtest::ScriptedUser user;
    ExpectMessage(user, kNoUpdate, 3);
    EXPECT_FALSE(Ends(kv::CdApplication));
  }
  EXPECT_EQ(BootLines(), Lines{L"Not Exist Update"});
  EXPECT_EQ(UpdateLines(), (Lines{L"CD/DVDアップデート開始", kNoUpdate}));
  EXPECT_EQ(run.installedCount, 0);
  EXPECT_FALSE(run.declined);
  EXPECT_EQ(InstalledFiles(), kNothingCopied);
}

TEST_F(CdApplicationTest, VersionDownCancelCopiesNothingAndOkInstalls) {
  for (const int button : {2, 1}) {
    kv::WriteBootLog(L"");
    DeleteFileW((kv::GetUserDataFolder() + L"\\Update.log").c_str());
    run.declined = false;
    run.objVersionControlLocal().SetUseVersionTable(0);
    ReadSource();
    Installed(L"Kanvolo.exe", L"2013/01/01 00:00:00");  // newer than the medium's
    Installed(L"KanvoloUpdate2.exe", L"2012/06/01 10:00:01");
    Installed(L"comlib.dll", L"2012/06/01 10:00:02");
    Installed(L"帳票.dat", L"2012/06/01 10:00:03");
    {
      kvtest::ScriptedUser user;
      ExpectMessage(user, kVersionDown, 2, button);
      EXPECT_FALSE(Ends(kv::CdApplication)) << button;
    }
    if (button == 2) {
      EXPECT_EQ(BootLines(), (Lines{L"Exist Update 1", L"Version Down"}));
      EXPECT_EQ(UpdateLines(), (Lines{L"CD/DVDアップデート開始", kVersionDown}));
      EXPECT_EQ(run.installedCount, 0);
      EXPECT_TRUE(run.declined);
      EXPECT_EQ(InstalledFiles(), kNothingCopied);
    } else {
      EXPECT_EQ(BootLines(), (Lines{L"Exist Update 1", L"Version Down", L"Check MD5", L"Update File Kanvolo.exe",
                                    L"Regist File Kanvolo.exe"}));
      EXPECT_EQ(UpdateLines(), (Lines{L"CD/DVDアップデート開始", kVersionDown, L"Kanvolo.exe 2012/06/01 10:00:00",
                                      L"CD/DVDアップデート更新"}));
      EXPECT_EQ(run.installedCount, 2);
      EXPECT_FALSE(run.declined);
      EXPECT_EQ(InstalledFiles(), (Lines{L"Kanvolo.exe", L"KanvoloUpdate2.exe"}));
    }
  }
}

// A damaged or incomplete medium ends the run before the first copy, wherever the fault is.
TEST_F(CdApplicationTest, DamagedOrMissingFileEndsBeforeAnythingIsCopied) {
  struct Case {
    const wchar_t* file;
    const wchar_t* name;
    std::wstring description;
  } cases[] = {
      {L"WrongDigest.xml", L"帳票.dat", L"帳票.dat " + Digest(medium + L"帳票.dat")},
      {L"MissingDigest.xml", L"gone.dll", L"gone.dll missing"},
      {L"MissingNoDigest.xml", L"gone.dll", L"gone.dll missing"},
  };
  for (const auto& c : cases) {
    const std::string label = kv::ToUtf8(c.file);
    kv::WriteBootLog(L"");
    DeleteFileW((kv::GetUserDataFolder() + L"\\Update.log").c_str());
    ShowSplash();
    ReadSource(c.file);
    const std::wstring text = L"ファイルが破損しています。" + c.description;
    {
      kvtest::ScriptedUser user;
      ExpectMessage(user, text, 0);
      EXPECT_TRUE(Ends(kv::CdApplication)) << label;
    }
    const std::wstring count = run.objVersionControl().UseVersionTable() == 5 ? L"5" : L"4";
    EXPECT_EQ(BootLines(), (Lines{L"Exist Update " + count, L"Check MD5", std::wstring(L"Error MD5 ") + c.name})) << label;
    EXPECT_EQ(UpdateLines(), (Lines{L"CD/DVDアップデート開始", text})) << label;
    EXPECT_EQ(InstalledFiles(), kNothingCopied) << label;
    EXPECT_TRUE(starter.runs.empty()) << label;
    EXPECT_FALSE(run.Splash().Loaded()) << label;
  }
}

TEST_F(CdApplicationTest, WithoutRightsOnOldWindowsEndsWithTheMessageAfterEveryDigest) {
  ReadSource();
  run.flgAdministrator = false;
  run.version = kv::WindowsVersion{5, 1};
  {
    kvtest::ScriptedUser user;
    ExpectMessage(user, kNoRightsOld, 2);
    EXPECT_TRUE(Ends(kv::CdApplication));
  }
  EXPECT_EQ(BootLines(), (Lines{L"Exist Update 4", L"Check MD5"}));
  // Not an update-log message, unlike the internet road's.
  EXPECT_EQ(UpdateLines(), Lines{L"CD/DVDアップデート開始"});
  EXPECT_EQ(InstalledFiles(), kNothingCopied);
  EXPECT_TRUE(starter.shellRuns.empty());
  EXPECT_FALSE(run.Splash().Loaded());
}

TEST_F(CdApplicationTest, WithoutRightsADamagedFileStillEndsTheRunFirst) {
  ReadSource(L"WrongDigest.xml");
  run.flgAdministrator = false;
  {
    kvtest::ScriptedUser user;
    ExpectMessage(user, L"ファイルが破損しています。帳票.dat " + Digest(medium + L"帳票.dat"), 0);
    EXPECT_TRUE(Ends(kv::CdApplication));
  }
  EXPECT_TRUE(starter.shellRuns.empty());
}

TEST_F(CdApplicationTest, WithoutRightsOnSixRestartsElevatedAfterEveryDigest) {
  ReadSource();
  run.flgAdministrator = false;
  run.version = kv::WindowsVersion{6, 1};
  {
    kvtest::ScriptedUser user;
    ExpectMessage(user, kNoRightsRestart, 3);
    EXPECT_TRUE(Ends(kv::CdApplication));
  }
  // The same program with the same command line, through "runas".
  const std::wstring self = dir.path() + L"\\KanvoloUpdate2";
  const std::wstring parameters = std::wstring(L"/SERVER ") + kv::kElevatedRestartMarker;
  ASSERT_EQ(starter.shellRuns.size(), 1u);
  EXPECT_EQ(starter.shellRuns[0].file, self);
  EXPECT_EQ(starter.shellRuns[0].parameters, parameters);
  EXPECT_EQ(starter.shellRuns[0].verb, L"runas");
  EXPECT_EQ(BootLines(), (Lines{L"Exist Update 4", L"Check MD5", L"RunAsAdmin " + self + L"," + parameters,
                                L"ExecProgramEx " + self + L"," + parameters + L",runas"}));
  EXPECT_EQ(UpdateLines(), Lines{L"CD/DVDアップデート開始"});
  EXPECT_EQ(InstalledFiles(), kNothingCopied);
  EXPECT_TRUE(starter.runs.empty());
  // Only as the hidden owner of the elevation prompt.
  EXPECT_FALSE(run.Splash().Loaded() && IsWindowVisible(run.Splash().hwnd()));
}

// The restarted run that still has no rights must not restart again.
TEST_F(CdApplicationTest, ARestartedRunWithoutRightsEndsInsteadOfRestartingAgain) {
  host.commandLine = std::wstring(L"/SERVER ") + kv::kElevatedRestartMarker;
  ReadSource();
  run.flgAdministrator = false;
  run.version = kv::WindowsVersion{6, 1};
  {
    kvtest::ScriptedUser user;
    ExpectMessage(user, kNoRightsRestart, 3);
    ExpectMessage(user, kNoRightsOld, 2);
    EXPECT_TRUE(Ends(kv::CdApplication));
  }
  EXPECT_TRUE(starter.shellRuns.empty());
  EXPECT_EQ(InstalledFiles(), kNothingCopied);
}

TEST_F(CdApplicationTest, FailedCopyEndsWithItsText) {
  ReadSource();
  kvtest::WriteBytes(install + L"Kanvolo.exe", "main program, old\r\n");
  kv::UniqueFile held(CreateFileW((install + L"Kanvolo.exe").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
  ASSERT_TRUE(held);
  std::wstring shown;
  {
    kvtest::ScriptedUser user;
    user.Expect(L"frmMsgBox")
        .Check([&](DialogView& d) { shown = d.Text(L"txtMsg"); })
        .Click(L"cmdButton", 1);
    EXPECT_TRUE(Ends(kv::CdApplication));
  }
  EXPECT_EQ(shown, L"更新に失敗しました。" + run.objVersionControl().LastErrorDescription() + L"Kanvolo.exe");
  EXPECT_FALSE(run.objVersionControl().LastErrorDescription().empty());
  EXPECT_EQ(BootLines(), (Lines{L"Exist Update 4", L"Check MD5", L"Update File Kanvolo.exe", L"Regist File Kanvolo.exe",
                                L"Fail Update Kanvolo.exe"}));
  EXPECT_EQ(UpdateLines(), (Lines{L"CD/DVDアップデート開始", shown}));
  held.reset();
  EXPECT_EQ(kvtest::ReadBytes(install + L"Kanvolo.exe"), "main program, old\r\n");
}

}  // namespace
