// The CD/DVD start and the source loop with its question and folder dialog, answered by the
// scripted user; compared as log lines, settings and the version control read.
#include <gtest/gtest.h>

#include "dialogs/LocalDialog.h"
#include "driver/AskCommonFolder.h"
#include "driver/CdRoad.h"
#include "support/ScriptedUser.h"

namespace {

using kvtest::DialogView;
using kvtest::Lines;

const wchar_t kStartMessage[] =
    L"バロネルアップデートを行います。\r\n"
    L"全ての端末のバロネルを終了させ、アップデートCD/DVDをドライブにセットしてください。\r\n"
    L"※実行前には必ずデータベースのバックアップを行ってください。";
const wchar_t kNotFound[] = L"バロネルアップデートCD/DVDが見つかりません。設定を変更しますか？";
const wchar_t kFolderCaption[] = L"バロネルバージョンコントロール - アップデートCD/DVD指定";
const wchar_t kFolderPrompt[] = L"バロネルアップデートCD/DVDの Updateフォルダを指定してください。";

class CdStartTest : public kvtest::CdRoad {
 protected:
  CdStartTest() {
    host.driveTypes = std::vector<std::pair<std::wstring, UINT>>{
        {L"C:\\", DRIVE_FIXED}, {L"D:\\", DRIVE_CDROM}, {L"E:\\", DRIVE_REMOTE}};
    // What an earlier run chose is not where this medium is.
    run.objIniFile().SetCommonFolder(L"\\\\SERVER\\前回\\");
  }
  // Whether both version controls ignore what they list.
  bool Ignoring() {
    run.objVersionControlLocal().SetProgramName(1, L"a.dll");
    run.objVersionControlLocal().SetVersionText(1, L"v");
    run.objVersionControlLocal().SetUseVersionTable(1);
    run.objVersionControl().SetProgramName(1, L"a.dll");
    run.objVersionControl().SetVersionText(1, L"v");
    run.objVersionControl().SetUseVersionTable(1);
    const bool local = !run.objVersionControlLocal().CheckVersionTable(L"a.dll", L"v", L"");
    const bool source = !run.objVersionControl().CheckVersionTable(L"a.dll", L"v", L"");
    EXPECT_EQ(local, source);
    return local && source;
  }
};

TEST_F(CdStartTest, ConfirmationShowsTheCdTextsWithTheOptionVisibleAndUnticked) {
  {
    kvtest::ScriptedUser user;
    user.Expect(L"frmStartUpdate")
        .Check([](DialogView& d) {
          EXPECT_EQ(d.Text(L"lblMsg"), kStartMessage);
          EXPECT_EQ(d.Text(L"lblTitle", 1), L"CD/DVD アップデート");
          EXPECT_TRUE(d.Visible(L"chkOption"));
          EXPECT_EQ(d.Checked(L"chkOption"), 0);
        })
        .Screenshot(L"cd-start-confirmation")
        .Click(L"cmdButton", 1);
    EXPECT_FALSE(Ends(kv::CdStart));
  }
  EXPECT_TRUE(run.flgCdUpdate);
  EXPECT_EQ(run.objIniFile().CommonFolder(), L"D:\\Update\\");
  EXPECT_FALSE(Ignoring());
  // The frame writes the "/SERVER" line; the step adds none.
  EXPECT_EQ(BootLines(), Lines{});
}

TEST_F(CdStartTest, TickedOptionMakesBothVersionControlsIgnoreTheirLists) {
  {
    kvtest::ScriptedUser user;
    user.Expect(L"frmStartUpdate").Click(L"chkOption").Click(L"cmdButton", 1);
    EXPECT_FALSE(Ends(kv::CdStart));
  }
  EXPECT_TRUE(run.flgCdUpdate);
  EXPECT_TRUE(Ignoring());
}

TEST_F(CdStartTest, CancelEndsWithNothingSet) {
  {
    kvtest::ScriptedUser user;
    user.Expect(L"frmStartUpdate").Click(L"chkOption").Click(L"cmdButton", 2);
    EXPECT_TRUE(Ends(kv::CdStart));
  }
  EXPECT_FALSE(run.flgCdUpdate);
  EXPECT_EQ(run.objIniFile().CommonFolder(), L"\\\\SERVER\\前回\\");
  EXPECT_FALSE(Ignoring());
  EXPECT_EQ(BootLines(), Lines{});
}

TEST_F(CdStartTest, WithoutAnyDriveTheFolderIsRelative) {
  host.driveTypes = std::vector<std::pair<std::wstring, UINT>>{};
  {
    kvtest::ScriptedUser user;
    user.Expect(L"frmStartUpdate").Click(L"cmdButton", 1);
    EXPECT_FALSE(Ends(kv::CdStart));
  }
  EXPECT_EQ(run.objIniFile().CommonFolder(), L"Update\\");
}

class CdSourceTest : public kvtest::CdRoad {
 protected:
  CdSourceTest() { ShowSplash(); }

  std::wstring ReadLine(const std::wstring& folder, const wchar_t* file = L"Version.xml") const {
    return L"Read XML " + folder + file;
  }
  // CommonFolder as saved in the updater INI.
  static std::wstring SavedFolder() {
    kv::clsIniFile saved;
    saved.ReadBuffer();
    return saved.CommonFolder();
  }
  void ExpectQuestion(kvtest::ScriptedUser& user, int button, const wchar_t* screenshot = nullptr) {
    auto& box = user.Expect(L"frmMsgBox");
    if (screenshot) box.Screenshot(screenshot);
    box
        .Check([this](DialogView& d) {
          EXPECT_EQ(d.Text(L"txtMsg"), kNotFound);
          EXPECT_EQ(d.Caption(), Title());
          EXPECT_TRUE(d.Visible(L"picIcon", 2));  // exclamation
          EXPECT_EQ(d.Text(L"cmdButton", 1), L"はい(&Y)");
        })
        .Click(L"cmdButton", button);
  }
};

TEST_F(CdSourceTest, ReadableMediumIsReadWithoutAQuestion) {
  EXPECT_FALSE(Ends(kv::CdSource));
  EXPECT_EQ(run.objVersionControl().UseVersionTable(), 4);
  EXPECT_EQ(BootLines(), Lines{ReadLine(medium)});
  // A new update log begins with the road.
  EXPECT_EQ(UpdateLines(), Lines{L"CD/DVDアップデート"});
}

TEST_F(CdSourceTest, AnExistingUpdateLogGetsNoRoadLine) {
  kv::WriteUpdateLog(L"earlier run");
  EXPECT_FALSE(Ends(kv::CdSource));
  EXPECT_EQ(UpdateLines(), Lines{L"earlier run"});
}

TEST_F(CdSourceTest, MissingMediumAskedAndNoEnds) {
  run.objIniFile().SetCommonFolder(L"Q:\\Update\\");
  {
    kvtest::ScriptedUser user;
    ExpectQuestion(user, 2);
    EXPECT_TRUE(Ends(kv::CdSource));
  }
  EXPECT_EQ(BootLines(), (Lines{ReadLine(L"Q:\\Update\\"), L"Not Exist CD"}));
  // The question is not an update-log message.
  EXPECT_EQ(UpdateLines(), Lines{});
  EXPECT_FALSE(run.Splash().Loaded());
}

TEST_F(CdSourceTest, YesShowsTheFolderDialogOnTheFailedFolderAndCancelOrCloseEnds) {
  struct Case {
    const char* what;
    std::function<void(kvtest::ExpectedDialog&)> answer;
  } cases[] = {
      {"キャンセル", [](auto& d) { d.Click(L"cmdCancel"); }},
      {"close box", [](auto& d) { d.CloseFromTitleBar(); }},
  };
  for (const auto& c : cases) {
    kv::WriteBootLog(L"");
    ShowSplash();
    run.objIniFile().SetCommonFolder(L"Q:\\Update\\");
    {
      kvtest::ScriptedUser user;
      ExpectQuestion(user, 1);
      auto& dialog = user.Expect(L"frmSetCommonFolder").Check([](DialogView& d) {
        EXPECT_EQ(d.Caption(), kFolderCaption);
        EXPECT_EQ(d.Text(L"lblCaption"), kFolderPrompt);
        EXPECT_EQ(d.Text(L"txtFolder"), L"Q:\\Update\\");
      });
      c.answer(dialog);
      EXPECT_TRUE(Ends(kv::CdSource)) << c.what;
    }
    EXPECT_EQ(BootLines(), (Lines{ReadLine(L"Q:\\Update\\"), L"Not Exist CD", L"CD Settings"})) << c.what;
    EXPECT_EQ(run.objIniFile().CommonFolder(), L"Q:\\Update\\") << c.what;
    EXPECT_FALSE(kv::FileExist(kv::GetUserDataFolder() + L"\\KanvoloUpdate.ini")) << c.what;
    EXPECT_FALSE(run.Splash().Loaded()) << c.what;
  }
}

TEST_F(CdSourceTest, AFolderWithoutVersionControlIsSavedAndAskedAgainUntilOneIsRead) {
  const std::wstring empty = dir / L"空 のフォルダ";
  CreateDirectoryW(empty.c_str(), nullptr);
  run.objIniFile().SetCommonFolder(L"Q:\\Update\\");
  // Under Wine the dialogs stay below the splash window on the X screen: hidden for the pictures.
  run.Splash().Hide();
  {
    kvtest::ScriptedUser user;
    ExpectQuestion(user, 1, L"cd-not-found-question");
    user.Expect(L"frmSetCommonFolder")
        .Screenshot(L"cd-folder-dialog")
        .Type(L"txtFolder", -1, empty)
        .Click(L"cmdOk");
    ExpectQuestion(user, 1);
    user.Expect(L"frmSetCommonFolder")
        .Check([&](DialogView& d) {
          EXPECT_EQ(d.Text(L"txtFolder"), empty + L"\\");
          // Already saved before the second read.
          EXPECT_EQ(SavedFolder(), empty + L"\\");
        })
        .Type(L"txtFolder", -1, medium.substr(0, medium.size() - 1))
        .PressEnter();
    EXPECT_FALSE(Ends(kv::CdSource));
  }
  EXPECT_EQ(run.objVersionControl().UseVersionTable(), 4);
  EXPECT_EQ(run.objIniFile().CommonFolder(), medium);
  EXPECT_EQ(SavedFolder(), medium);
  EXPECT_EQ(BootLines(), (Lines{ReadLine(L"Q:\\Update\\"), L"Not Exist CD", L"CD Settings", ReadLine(empty + L"\\"),
                                L"Not Exist CD", L"CD Settings", ReadLine(medium)}));
  EXPECT_EQ(UpdateLines(), Lines{L"CD/DVDアップデート"});
}

TEST_F(CdSourceTest, DamagedVersionControlEndsWithItsText) {
  run.objIniFile().SetVersionFileName(L"Damaged.xml");
  {
    kvtest::ScriptedUser user;
    user.Expect(L"frmMsgBox")
        .Check([this](DialogView& d) {
          EXPECT_EQ(d.Text(L"txtMsg"), L"コントロールファイルが破損しています。");
          EXPECT_EQ(d.Caption(), Title());
          EXPECT_TRUE(d.Visible(L"picIcon", 0));  // critical
        })
        .Click(L"cmdButton", 1);
    EXPECT_TRUE(Ends(kv::CdSource));
  }
  EXPECT_EQ(BootLines(), Lines{ReadLine(medium, L"Damaged.xml")});
  EXPECT_EQ(UpdateLines(), Lines{L"コントロールファイルが破損しています。"});
  EXPECT_FALSE(run.Splash().Loaded());
}

TEST_F(CdSourceTest, AskCommonFolderAnswersZeroOnlyForOk) {
  run.objIniFile().SetCommonFolder(L"Q:\\Update\\");
  {
    kvtest::ScriptedUser user;
    user.Expect(L"frmSetCommonFolder").Type(L"txtFolder", -1, L"R:\\更新").Click(L"cmdOk");
    user.Expect(L"frmSetCommonFolder").Type(L"txtFolder", -1, L"S:\\").Click(L"cmdCancel");
    EXPECT_EQ(kv::AskCommonFolder(), 0);
    EXPECT_EQ(kv::AskCommonFolder(), -1);
  }
  EXPECT_EQ(run.objIniFile().CommonFolder(), L"R:\\更新\\");
  EXPECT_EQ(SavedFolder(), L"R:\\更新\\");
}

}  // namespace
