// The internet road's questions and dialogs: the Windows refusal, the start confirmation, the
// version-down question, the update contents and the elevation.
#include <gtest/gtest.h>

#include <optional>

#include "InternetRoad.h"
#include "StandIn.h"
#include "base/Text.h"
#include "dialogs/frmDispUpdate.h"
#include "dialogs/frmSplash.h"
#include "driver/InternetSteps.h"
#include "settings/clsIniFile.h"
#include "support/ScriptedUser.h"
#include "versioncontrol/clsVersionControl.h"

namespace {

using kvtest::InternetRoad;
using kvtest::Lines;
using kvtest::Query;
using kvtest::UpdateHostProcess;

const std::wstring kRelease = UpdateHostProcess::FixtureFolder() + L"\\release\\Version.xml";

// The installed version control: the published one, with one file made newer when asked.
void InstallPublishedVersionControl(const InternetRoad& road, const std::wstring& newerFile = L"") {
  kv::clsVersionControl vc;
  ASSERT_EQ(vc.ReadControl(kRelease, L"", L""), 0);
  for (std::int16_t i = 1; i <= vc.UseVersionTable(); ++i) {
    if (vc.ProgramName(i) == newerFile) vc.SetVersionText(i, L"2027/01/01 00:00:00");
  }
  ASSERT_EQ(vc.WriteControl(road.Install() + L"Version.xml"), 0);
}

TEST(InternetDialogs, WindowsXpIsRefusedBeforeAnyRequest) {
  InternetRoad road;
  road.host.version = kv::WindowsVersion{5, 1};
  road.WriteUsualIni(L"/ok/");
  kvtest::ScriptedUser user;
  user.Expect(L"frmMsgBox").Check([](kvtest::DialogView& d) { EXPECT_EQ(d.Caption(), kvtest::kTitle); }).PressEnter();

  EXPECT_FALSE(road.Run().reachedEnd);
  EXPECT_EQ(road.BootLog(), (Lines{L"*** バロネルアップデート起動ログ KanvoloUpdate2", L"Internet Download"}));
  EXPECT_EQ(road.UpdateLog(), Lines{L"Windows XP 以前ではインターネットアップデートは使用できません。"});
  EXPECT_TRUE(road.server.Requests().empty());
  EXPECT_FALSE(road.run.Splash().Loaded());
}

TEST(InternetDialogs, CancelAtTheConfirmationEndsBeforeAnyRequest) {
  InternetRoad road;
  road.WriteUsualIni(L"/ok/");
  kvtest::ScriptedUser user;
  kvtest::StandIn mainProgram(kvtest::StandIn::CloseOn::Never, std::nullopt);
  user.Expect(L"frmStartUpdate")
      .Check([](kvtest::DialogView& d) {
        EXPECT_EQ(d.Text(L"lblMsg"),
                  L"インターネットに接続してバロネルのアップデートを行います。\r\n全ての端末のバロネルを終了してください。\r\n"
                  L"※実行前には必ずデータベースのバックアップを行ってください。");
        EXPECT_EQ(d.Text(L"lblTitle", 1), L"インターネット アップデート");
        EXPECT_TRUE(d.Visible(L"chkOption"));
      })
      .Click(L"cmdButton", 2);

  EXPECT_FALSE(road.Run().reachedEnd);
  EXPECT_EQ(road.BootLog(), (Lines{L"*** バロネルアップデート起動ログ KanvoloUpdate2", L"Internet Download"}));
  EXPECT_TRUE(road.server.Requests().empty());
  EXPECT_TRUE(road.run.hospitalQuery.empty()) << "the hospital query is not taken";
  EXPECT_FALSE(road.run.Splash().Loaded());
  Sleep(300);  // a request posted to the main program would have been noted by now
  EXPECT_TRUE(mainProgram.Messages().empty());
}

// With everything installed, only the ticked box makes every file an update.
TEST(InternetDialogs, TickedBoxReinstallsEveryFile) {
  for (const bool ticked : {false, true}) {
    InternetRoad road;
    road.WriteUsualIni(L"/ok/");
    InstallPublishedVersionControl(road);
    kvtest::ScriptedUser user;
    auto& confirmation = user.Expect(L"frmStartUpdate");
    if (ticked) confirmation.Click(L"chkOption");
    confirmation.Click(L"cmdButton", 1);
    if (ticked) {
      user.Expect(L"frmDispUpdate")
          .Check([](kvtest::DialogView& d) {
            EXPECT_EQ(d.Text(L"lblTotal"), L"5個の更新ファイル（15KB）をダウンロードします。");
          })
          .Click(L"cmdButton", 2);
    } else {
      user.Expect(L"frmMsgBox")
          .Check([](kvtest::DialogView& d) { EXPECT_EQ(d.Text(L"rtxtMsg"), L"更新するプログラムはありませんでした。"); })
          .PressEnter();
    }

    EXPECT_TRUE(road.Run().reachedEnd);
    const Lines boot = road.BootLog();
    ASSERT_GE(boot.size(), 1u);
    EXPECT_EQ(boot.back(), ticked ? L"Exist Update 5" : L"No Exist Update ") << ticked;
    EXPECT_EQ(road.run.declined, ticked);
    EXPECT_EQ(road.run.installedCount, 0);
    EXPECT_EQ(road.server.Requests().size(), 1u) << "nothing downloaded";
  }
}

// The main program's untitled window is not asked about and gets the close request once, after
// the stop block.
TEST(InternetDialogs, OneCloseRequestToAnUntitledMainWindow) {
  InternetRoad road;
  kvtest::ScriptedUser user;
  kvtest::StandIn standIn(kvtest::StandIn::CloseOn::Never, std::nullopt);
  ASSERT_TRUE(standIn.Window());
  road.WriteUsualIni(L"/ok/");
  InstallPublishedVersionControl(road);
  user.Expect(L"frmStartUpdate").Click(L"cmdButton", 1);
  user.Expect(L"frmMsgBox").PressEnter();

  EXPECT_TRUE(road.Run().reachedEnd);
  EXPECT_EQ(road.host.sleeps, 0u) << "no polls";
  Sleep(500);  // the stand-in notes what reaches it
  EXPECT_EQ(standIn.Messages(), Lines{L"1024 32769 20"});
}

// Cancel at the version-down question: no list, nothing downloaded, the web tool left alone, and
// the run goes on to its end (the main program is started).
TEST(InternetDialogs, VersionDownCancelled) {
  InternetRoad road;
  road.WriteUsualIni(L"/ok/");
  road.WriteWebIni({{L"UpdateURL", road.server.Url(L"/ok/web/")}, {L"DownLoadFolder", road.dir.path() + L"\\web"}});
  InstallPublishedVersionControl(road, L"Prog04.dll");
  // One more file not current besides the version-down one.
  kv::clsVersionControl installed;
  installed.ReadControl(road.Install() + L"Version.xml", L"", L"");
  installed.SetVersionText(1, L"2020/01/01 00:00:00");
  installed.WriteControl(road.Install() + L"Version.xml");
  kvtest::ScriptedUser user;
  user.Expect(L"frmStartUpdate").Click(L"cmdButton", 1);
  user.Expect(L"frmMsgBox")
      .Check([](kvtest::DialogView& d) {
        EXPECT_EQ(d.Text(L"rtxtMsg"),
                  L"このまま更新するとバージョンダウンするため、正しく動作しない可能性があります。よろしいですか？");
      })
      .PressEscape();

  EXPECT_TRUE(road.Run().reachedEnd);
  const Lines boot = road.BootLog();
  const Lines expectedTail{L"Check Version", L"Exist Update 2", L"Version Down",
                           L"Get Web XML " + road.server.Url(L"/ok/web/") + L"Version.xml" + Query(),
                           L"Read Web XML " + road.dir.path() + L"\\web\\Version.xml"};
  ASSERT_GE(boot.size(), expectedTail.size());
  EXPECT_EQ(Lines(boot.end() - expectedTail.size(), boot.end()), expectedTail);
  EXPECT_TRUE(road.run.declined);
  EXPECT_EQ(road.run.installedCount, 0);
  EXPECT_EQ(road.server.Requests(), (Lines{L"GET /ok/Version.xml" + Query(), L"GET /ok/web/Version.xml" + Query()}));
  EXPECT_TRUE(road.starter.runs.empty()) << "the web tool is not updated";
}

// A user without administrator rights sees the list, then the run hands over to an elevated one
// (Windows 6 and later) or ends with a message (version unread: below 6); nothing is downloaded.
TEST(InternetDialogs, NoAdministratorRights) {
  struct Case {
    std::optional<kv::WindowsVersion> version;
    std::wstring message;
  };
  for (const Case& c : {Case{kv::WindowsVersion{6, 1},
                             L"インターネット経由でプログラム更新を行います。ユーザーアカウント制御画面が表示されたら更新を許可してください。"},
                        Case{std::nullopt,
                             L"管理者権限がないためアップデートができません。アイコンまたはメニューを右クリックして「別のユーザーとして実行」から"
                             L"管理者権限のあるユーザーで起動してください。"}}) {
    InternetRoad road;
    road.host.version = c.version;
    road.run.flgAdministrator = false;
    if (c.version) road.run.version = *c.version;
    road.WriteUsualIni(L"/ok/");
    kvtest::ScriptedUser user;
    user.Expect(L"frmStartUpdate").Click(L"cmdButton", 1);
    user.Expect(L"frmDispUpdate").Click(L"cmdButton", 1);
    user.Expect(L"frmMsgBox").PressEnter();

    EXPECT_FALSE(road.Run().reachedEnd);
    EXPECT_EQ(road.UpdateLog().back(), c.message);
    EXPECT_EQ(road.server.Requests().size(), 1u);
    EXPECT_TRUE(InternetRoad::FilesIn(road.Download()).empty());
    if (c.version) {
      // The same command line again, elevated; the splash window is only the hidden owner.
      ASSERT_EQ(road.starter.shellRuns.size(), 1u);
      const auto& restart = road.starter.shellRuns[0];
      EXPECT_EQ(restart.verb, L"runas");
      EXPECT_EQ(restart.parameters, std::wstring(L"/INET ") + kv::kElevatedRestartMarker);
      EXPECT_EQ(restart.file, road.host.ProgramFolder() + L"\\KanvoloUpdate2");
      EXPECT_FALSE(IsWindowVisible(road.run.Splash().hwnd()));
    } else {
      EXPECT_TRUE(road.starter.shellRuns.empty());
      EXPECT_FALSE(road.run.Splash().Loaded());
    }
  }
}

// The update contents: history newer than the installed version, file rows with their marks and
// sizes, the total line.
class UpdateContents : public testing::Test {
 protected:
  UpdateContents() {
    auto& vc = road.run.objVersionControl();
    auto& local = road.run.objVersionControlLocal();
    local.SetVersionText(0, L"2026/12/01 10:00:00");
    local.SetUseVersionTable(1);
    local.SetProgramName(1, L"Down.dll");
    local.SetVersionText(1, L"2027/01/01 00:00:00");
    vc.SetUseVersionTable(4);
    const wchar_t* names[] = {L"Zero.dll", L"Small.dll", L"Down.dll", L"Large.dll"};
    const std::int32_t sizes[] = {0, 1535, 1536, 2560};
    for (std::int16_t i = 1; i <= 4; ++i) {
      vc.SetProgramName(i, names[i - 1]);
      vc.SetVersionText(i, L"2026/12/02 10:00:00");
      vc.SetCabFileSize(i, sizes[i - 1]);
    }
  }
  void AddHistory(const wchar_t* id, const wchar_t* date, const wchar_t* title) {
    auto& vc = road.run.objVersionControl();
    const std::int16_t j = vc.UseInfoTable() + 1;
    vc.SetUseInfoTable(j);
    vc.SetInfoID(j, id);
    vc.SetInfoHiduke(j, date);
    vc.SetInfoVersion(j, L"v" + std::to_wstring(j));
    vc.SetInfoTitle(j, title);
  }
  static Lines Rows(const kv::ListView& list) {
    Lines rows;
    for (int r = 0; r < list.Count(); ++r) {
      rows.push_back(list.ItemText(r, 0) + L"|" + list.ItemText(r, 1) + L"|" + list.ItemText(r, 2));
    }
    return rows;
  }

  // The data lock before the screen lock, as every road test takes them.
  InternetRoad road;
  kvtest::ExclusiveLock screen{kvtest::kScreenLock};
  kv::frmDispUpdate form{road.starter};
};

TEST_F(UpdateContents, HistoryNewerThanTheInstalledDayAndFileRows) {
  AddHistory(L"10", L"2026/12/01 23:00:00", L"同じ日");
  AddHistory(L"11", L"2026/12/02", L"翌日");
  AddHistory(L"12", L"abc", L"日付なし");
  AddHistory(L"11", L"2026/12/03", L"同じ番号");
  AddHistory(L"13", L"", L"空の日付");
  AddHistory(L"14", L"2026/11/30", L"前の日");
  kv::FillUpdateContents(form, 4);
  EXPECT_EQ(Rows(form.lsvUpdate),
            (Lines{L"v2|翌日|2026/12/02", L"v3|日付なし|abc", L"v5|空の日付|"}));
  EXPECT_EQ(Rows(form.lsvFiles), (Lines{L"Zero.dll|2026/12/02 10:00:00|1KB", L"Small.dll|2026/12/02 10:00:00|1KB",
                                        L"Down.dll (※ﾊﾞｰｼﾞｮﾝﾀﾞｳﾝ)|2026/12/02 10:00:00|2KB",
                                        L"Large.dll|2026/12/02 10:00:00|3KB"}));
  EXPECT_EQ(form.lblTotal.Text(), L"4個の更新ファイル（5KB）をダウンロードします。");
  form.Unload();
}

TEST_F(UpdateContents, NoInstalledVersionListsEveryEntry) {
  road.run.objVersionControlLocal().SetVersionText(0, L"");
  AddHistory(L"1", L"2020/01/01", L"古い");
  AddHistory(L"2", L"2026/12/02", L"新しい");
  kv::FillUpdateContents(form, 4);
  EXPECT_EQ(Rows(form.lsvUpdate), (Lines{L"v1|古い|2020/01/01", L"v2|新しい|2026/12/02"}));
  form.Unload();
}

TEST_F(UpdateContents, NothingNewAndATotalBelowHalfAKilobyte) {
  auto& vc = road.run.objVersionControl();
  vc.SetUseVersionTable(1);
  vc.SetCabFileSize(1, 511);
  AddHistory(L"1", L"2026/12/01", L"同じ日");
  kv::FillUpdateContents(form, 1);
  EXPECT_EQ(Rows(form.lsvUpdate), Lines{L"|更新情報はありません。|"});
  EXPECT_EQ(Rows(form.lsvFiles), Lines{L"Zero.dll|2026/12/02 10:00:00|1KB"});
  EXPECT_EQ(form.lblTotal.Text(), L"1個の更新ファイル（0KB）をダウンロードします。");
  form.Unload();
}

TEST(KilobyteText, HalvesAwayFromZero) {
  const std::pair<std::int64_t, const wchar_t*> cases[] = {
      {0, L"0"}, {511, L"0"}, {512, L"1"}, {1535, L"1"}, {1536, L"2"}, {2560, L"3"}, {-512, L"-1"}, {1048576, L"1024"}};
  for (const auto& [bytes, text] : cases) EXPECT_EQ(kv::KilobyteText(bytes), text) << bytes;
}

}  // namespace
