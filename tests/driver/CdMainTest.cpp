// Whole CD/DVD runs of Main in-process: the fake drive list has no medium in its CD-ROM drive, so
// the run asks and the user chooses the medium's folder; compared as log lines, files and the
// command lines started.
#include <gtest/gtest.h>

#include <algorithm>

#include "driver/CdRoad.h"
#include "support/ScriptedUser.h"

namespace {

using kvtest::DialogView;
using kvtest::Lines;

class CdMainTest : public kvtest::CdRoad {
 protected:
  CdMainTest() {
    host.driveTypes = std::vector<std::pair<std::wstring, UINT>>{{L"C:\\", DRIVE_FIXED}, {L"Q:\\", DRIVE_CDROM}};
  }

  // The user confirms the start (ticking the option or not) and, at the question, chooses the
  // medium's folder.
  void ConfirmAndChooseMedium(kvtest::ScriptedUser& user, bool tick) {
    auto& start = user.Expect(L"frmStartUpdate");
    if (tick) start.Click(L"chkOption");
    start.Click(L"cmdButton", 1);
    user.Expect(L"frmMsgBox").Click(L"cmdButton", 1);
    user.Expect(L"frmSetCommonFolder")
        .Check([](DialogView& d) { EXPECT_EQ(d.Text(L"txtFolder"), L"Q:\\Update\\"); })
        .Type(L"txtFolder", -1, medium)
        .Click(L"cmdOk");
  }

  bool RunMain() {
    return Ends([this] { kv::Main(run); });
  }

  // The boot log with the voice files' lines (in the file system's order) sorted in place.
  Lines SortedVoiceBootLines() const {
    Lines lines = BootLines();
    const auto voice = [](const std::wstring& line) { return line.rfind(L"Copy Voice File ", 0) == 0; };
    const auto first = std::find_if(lines.begin(), lines.end(), voice);
    const auto last = std::find_if_not(first, lines.end(), voice);
    std::sort(first, last);
    return lines;
  }

  Lines StartOfRun() const {
    return {L"Administrator True", L"OS Version 6.1", L"Read INI file", L"Command=/SERVER", L"/SERVER",
            L"Read XML Q:\\Update\\Version.xml", L"Not Exist CD", L"CD Settings", L"Read XML " + medium + L"Version.xml",
            L"Read XML " + install + L"Version.xml", L"Check Version"};
  }
  Lines VoiceAndEnd() const {
    return {L"Copy Voice Control " + medium + L"VoiceUpdate.xml", L"Copy Voice File " + install + L"a.wav",
            L"Copy Voice File " + install + L"b.wav",        L"Copy Voice File " + install + L"hidden.wav",
            L"Copy Voice File " + install + L"readonly.wav", L"Copy Voice File " + install + L"system.wav",
            L"Exec File " + install + L"Kanvolo.exe",        L"Exec Program " + install + L"Kanvolo.exe"};
  }
  Lines Installing(std::initializer_list<const wchar_t*> names) const {
    Lines lines{L"Exist Update " + std::to_wstring(names.size()), L"Check MD5"};
    for (const wchar_t* name : names) {
      lines.push_back(std::wstring(L"Update File ") + name);
      lines.push_back(std::wstring(L"Regist File ") + name);
    }
    lines.push_back(L"End Update ");  // the update recorded
    return lines;
  }
  static Lines Join(std::initializer_list<Lines> parts) {
    Lines all;
    for (const auto& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
  }
  std::wstring MainProgramStart() const { return L"\"" + install + L"Kanvolo.exe\""; }
};

TEST_F(CdMainTest, CancelAtTheStartEndsAfterTheServerLine) {
  {
    kvtest::ScriptedUser user;
    user.Expect(L"frmStartUpdate").Click(L"cmdButton", 2);
    EXPECT_TRUE(RunMain());
  }
  EXPECT_EQ(BootLines(), (Lines{L"Administrator True", L"OS Version 6.1", L"Read INI file", L"Command=/SERVER", L"/SERVER"}));
  EXPECT_TRUE(starter.runs.empty());
  EXPECT_FALSE(run.Splash().Loaded());
}

TEST_F(CdMainTest, ChosenFolderUpdatesCopiesVoiceDataAndStartsTheMainProgram) {
  // The medium's voice files keep what the listing must leave out.
  SetFileAttributesW((medium + L"hidden.wav").c_str(), FILE_ATTRIBUTE_HIDDEN);
  SetFileAttributesW((medium + L"system.wav").c_str(), FILE_ATTRIBUTE_SYSTEM);
  {
    kvtest::ScriptedUser user;
    ConfirmAndChooseMedium(user, false);
    EXPECT_TRUE(RunMain());
  }
  SetFileAttributesW((medium + L"hidden.wav").c_str(), FILE_ATTRIBUTE_NORMAL);
  SetFileAttributesW((medium + L"system.wav").c_str(), FILE_ATTRIBUTE_NORMAL);
  Lines expected = Join({StartOfRun(),
                         Installing({L"Kanvolo.exe", L"KanvoloUpdate2.exe", L"comlib.dll", L"帳票.dat"}), VoiceAndEnd()});
  std::erase(expected, L"Copy Voice File " + install + L"hidden.wav");
  std::erase(expected, L"Copy Voice File " + install + L"system.wav");
  EXPECT_EQ(SortedVoiceBootLines(), expected);
  EXPECT_EQ(kvtest::ReadBytes(install + L"Kanvolo.exe"), "main program, new\r\n");
  EXPECT_EQ(kvtest::ReadBytes(install + L"a.wav"), "voice a.wav\r\n");
  ASSERT_FALSE(starter.runs.empty());
  EXPECT_EQ(starter.runs.back().commandLine, MainProgramStart());
  EXPECT_EQ(starter.runs.back().window, kv::StartWindow::NormalFocused);
  EXPECT_EQ(run.objIniFile().CommonFolder(), medium);
  EXPECT_EQ(UpdateLines().front(), L"CD/DVDアップデート");
  // The new version control is the installed one now; the install folder has no "Update\", so
  // the second copy is not written and nothing says so.
  kv::clsVersionControl recorded;
  EXPECT_EQ(recorded.ReadControl(install + L"Version.xml", L"", L""), 0);
  EXPECT_EQ(recorded.UseVersionTable(), 4);
  EXPECT_FALSE(kv::FileExist(install + L"Update\\Version.xml"));
  EXPECT_FALSE(run.Splash().Loaded());
}

TEST_F(CdMainTest, TickedOptionVerifiesAndCopiesEveryCurrentEntryAgain) {
  ASSERT_TRUE(CopyFileW((kvtest::MediaFixture() + L"\\Version.xml").c_str(), (install + L"Version.xml").c_str(), FALSE));
  {
    kvtest::ScriptedUser user;
    ConfirmAndChooseMedium(user, true);
    EXPECT_TRUE(RunMain());
  }
  EXPECT_EQ(SortedVoiceBootLines(),
            Join({StartOfRun(), Installing({L"Kanvolo.exe", L"KanvoloUpdate2.exe", L"comlib.dll", L"帳票.dat"}),
                  VoiceAndEnd()}));
  EXPECT_EQ(kvtest::ReadBytes(install + L"帳票\\帳票.dat"), "report data, new\r\n");
}

TEST_F(CdMainTest, NothingToInstallShowsTheNoticeThenCopiesVoiceDataAndStarts) {
  ASSERT_TRUE(CopyFileW((kvtest::MediaFixture() + L"\\Version.xml").c_str(), (install + L"Version.xml").c_str(), FALSE));
  kvtest::WriteBytes(install + L"Kanvolo.exe", "main program, installed\r\n");
  {
    kvtest::ScriptedUser user;
    ConfirmAndChooseMedium(user, false);
    user.Expect(L"frmMsgBox")
        .Check([](DialogView& d) { EXPECT_EQ(d.Text(L"txtMsg"), L"更新するプログラムはありませんでした。"); })
        .Click(L"cmdButton", 1);
    EXPECT_TRUE(RunMain());
  }
  EXPECT_EQ(SortedVoiceBootLines(), Join({StartOfRun(), {L"Not Exist Update"}, VoiceAndEnd()}));
  EXPECT_EQ(starter.CommandLines(), Lines{MainProgramStart()});
}

TEST_F(CdMainTest, DeclinedVersionDownStillCopiesVoiceDataAndStarts) {
  // The installed version control lists a newer main program.
  kv::clsVersionControl installed;
  ASSERT_EQ(installed.ReadControl(kvtest::MediaFixture() + L"\\Version.xml", L"", L""), 0);
  installed.SetVersionText(1, L"2013/01/01 00:00:00");
  installed.WriteControl(install + L"Version.xml");
  kvtest::WriteBytes(install + L"Kanvolo.exe", "main program, installed\r\n");
  {
    kvtest::ScriptedUser user;
    ConfirmAndChooseMedium(user, false);
    user.Expect(L"frmMsgBox").Click(L"cmdButton", 2);
    EXPECT_TRUE(RunMain());
  }
  EXPECT_EQ(SortedVoiceBootLines(), Join({StartOfRun(), {L"Exist Update 1", L"Version Down"}, VoiceAndEnd()}));
  EXPECT_TRUE(run.declined);
  EXPECT_EQ(starter.CommandLines(), Lines{MainProgramStart()});
  EXPECT_EQ(kvtest::ReadBytes(install + L"a.wav"), "voice a.wav\r\n");
  EXPECT_EQ(kvtest::ReadBytes(install + L"Kanvolo.exe"), "main program, installed\r\n");
}

}  // namespace
