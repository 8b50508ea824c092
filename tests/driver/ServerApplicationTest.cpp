// The server update application in-process: rows published into the test run's PostgreSQL, read
// as the source reads them, installed into a scratch install folder.
#include <gtest/gtest.h>

#include <algorithm>

#include "ServerRoad.h"
#include "base/Text.h"
#include "dialogs/frmSplash.h"
#include "settings/Common.h"
#include "support/OdbcProbe.h"
#include "support/ScriptedUser.h"
#include "support/TcpRelay.h"
#include "versioncontrol/clsVersionControl.h"

namespace {

using kvtest::DialogView;
using kvtest::Lines;
using kvtest::ServerFile;
using kvtest::ServerRoad;

const ServerFile kMain{L"Kanvolo.exe", L"", L"2026/11/30 10:00:00", 0, "MZ new main program"};
const ServerFile kLibrary{L"予約受付.dll", L"bin", L"2026/11/29 09:30:15", 0, "library bytes"};
const ServerFile kVoice{L"voice.dat", L"", L"2026/10/01 08:00:00", 0, "voice"};

// Lines of the boot log after its header (the first line).
Lines StepLines(const ServerRoad& road) {
  const Lines boot = road.BootLog();
  return boot.empty() ? boot : Lines(boot.begin() + 1, boot.end());
}

// Texts that hold line breaks (the database layer's messages) span lines of a log.
std::wstring Joined(const Lines& lines) {
  std::wstring text;
  for (const auto& line : lines) text += (text.empty() ? L"" : L"\r\n") + line;
  return text;
}

std::wstring PathOf(const ServerRoad& road, const ServerFile& f) {
  return road.Install() + (f.folder.empty() ? L"" : f.folder + L"\\") + f.name;
}

TEST(ServerApplication, InstallsTheRowsNotCurrentAndWritesTheRebuiltVersionControl) {
  ServerRoad road;
  road.UsePostgres();
  road.Publish({kMain, kLibrary, kVoice});
  road.WriteInstalled({kVoice});  // current: stays as it is
  road.ReadRows();
  const auto outcome = road.Application();
  ASSERT_TRUE(outcome.returned);

  EXPECT_EQ(road.run.installedCount, 2);
  EXPECT_EQ(kvtest::ReadBytes(PathOf(road, kMain)), kMain.bytes);
  EXPECT_EQ(kvtest::ReadBytes(PathOf(road, kLibrary)), kLibrary.bytes);
  EXPECT_FALSE(kv::FileExist(PathOf(road, kVoice)));
  // Rows come in name order: Kanvolo.exe, voice.dat, 予約受付.dll.
  EXPECT_EQ(StepLines(road), (Lines{L"Connect DB", L"Read & Regist File Kanvolo.exe", L"Read & Regist File 予約受付.dll",
                                    L"Write Control"}));
  EXPECT_EQ(road.UpdateLog(), (Lines{L"Kanvolo.exe 2026/11/30 10:00:00", L"予約受付.dll 2026/11/29 09:30:15"}));

  // The bar: the total of the rows installed, reached, shown.
  kv::frmSplash& splash = road.run.Splash();
  const auto total = static_cast<std::int32_t>(kMain.bytes.size() + kLibrary.bytes.size());
  EXPECT_EQ(splash.ProgressBar.Max(), total);
  EXPECT_EQ(splash.ProgressBar.Value(), total);
  EXPECT_TRUE(splash.ProgressBar.Visible());
  EXPECT_EQ(splash.lblHospital.Text(), L"");

  // Both version controls list every row, current or not, with no cabinets and no history.
  for (const std::wstring& file : {road.Install() + L"Version.xml", road.Install() + L"Update\\Version.xml"}) {
    SCOPED_TRACE(kv::ToUtf8(file));
    kv::clsVersionControl written(road.starter);
    ASSERT_EQ(written.ReadControl(file, L"", L"", false), 0);
    EXPECT_EQ(written.UseInfoTable(), 0);
    ASSERT_EQ(written.UseVersionTable(), 3);
    const kv::clsDataBaseUpdate& db = road.run.objDataBaseUpdate();
    for (std::int16_t i = 1; i <= 3; ++i) {
      EXPECT_EQ(written.ProgramName(i), db.ProgramName(i));
      EXPECT_EQ(written.VersionText(i), db.VersionText(i));
      EXPECT_EQ(written.FileSize(i), db.FileSize(i));
      EXPECT_EQ(written.RegistType(i), db.RegistType(i));
      EXPECT_EQ(written.FolderName(i), db.FolderName(i));
      EXPECT_EQ(written.MD5(i), db.MD5(i));
      EXPECT_EQ(written.CabFileName(i), L"");
      EXPECT_EQ(written.CabFileSize(i), 0);
    }
  }
}

TEST(ServerApplication, EveryRowCurrentWritesNothingAndNoRowsOpenNoConnection) {
  struct Case {
    const char* what;
    std::vector<ServerFile> published;
    Lines steps;
    int connections;
  } cases[] = {
      {"every row current", {kMain, kLibrary}, {L"Connect DB"}, 1},
      {"no rows", {}, {}, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ServerRoad road;
    road.UsePostgres();
    road.Publish(c.published);
    road.WriteInstalled(c.published);
    road.ReadRows();
    kvtest::TcpRelay relay(static_cast<unsigned short>(std::stoi(kvtest::TestPostgres().port)), 0);
    road.UsePostgres(L"127.0.0.1", std::to_wstring(relay.port()));
    const std::string installed = kvtest::ReadBytes(road.Install() + L"Version.xml");
    road.host.keysDown = std::vector<int>{};
    const auto outcome = road.Application();
    ASSERT_TRUE(outcome.returned);
    EXPECT_EQ(relay.connections(), c.connections);
    EXPECT_EQ(StepLines(road), c.steps);
    EXPECT_EQ(kvtest::ReadBytes(road.Install() + L"Version.xml"), installed);
    EXPECT_FALSE(kv::FileExist(road.Install() + L"Update\\Version.xml"));
    EXPECT_EQ(kvtest::ReadBytes(road.Install() + L"Kanvolo.exe"), "MZ main");
    EXPECT_EQ(road.UpdateLog(), Lines{});
    EXPECT_TRUE(road.starter.shellRuns.empty());
  }
}

TEST(ServerApplication, CtrlAndAltHeldWhenNothingWasInstalledRestartWithAll) {
  struct Case {
    const char* what;
    std::vector<int> keys;
    const wchar_t* commandLine;
    bool restart;
    const wchar_t* parameters;
  } cases[] = {
      {"both, empty command line", {VK_CONTROL, VK_MENU}, L"", true, L" /ALL --elevated-restart"},
      {"both, /2", {VK_CONTROL, VK_MENU}, L"/2", true, L"/2 /ALL --elevated-restart"},
      {"Ctrl only", {VK_CONTROL}, L"", false, L""},
      {"Alt only", {VK_MENU}, L"", false, L""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ServerRoad road;
    road.UsePostgres();
    road.host.keysDown = c.keys;
    road.host.commandLine = c.commandLine;
    const auto outcome = road.Application();  // no rows
    EXPECT_EQ(outcome.returned, !c.restart);
    if (c.restart) {
      EXPECT_EQ(StepLines(road).at(0), L"Ctrl+Alt Reboot");
      ASSERT_EQ(road.starter.shellRuns.size(), 1u);
      EXPECT_EQ(road.starter.shellRuns[0].parameters, c.parameters);
      EXPECT_EQ(road.starter.shellRuns[0].verb, L"runas");
      EXPECT_TRUE(road.run.Splash().Loaded());  // not unloaded first
    } else {
      EXPECT_EQ(StepLines(road), Lines{});
      EXPECT_TRUE(road.starter.shellRuns.empty());
    }
  }

  // With a file installed the keys are not read.
  ServerRoad road;
  road.UsePostgres();
  road.Publish({kMain});
  road.ReadRows();
  road.host.keysDown = std::vector<int>{VK_CONTROL, VK_MENU};
  EXPECT_TRUE(road.Application().returned);
  EXPECT_EQ(road.run.installedCount, 1);
  EXPECT_TRUE(road.starter.shellRuns.empty());
}

TEST(ServerApplication, WithoutAdministratorRightsNothingIsWrittenBeforeTheElevation) {
  struct Case {
    kv::WindowsVersion version;
    int icon;
    bool restart;
  } cases[] = {
      {{5, 1}, 2, false},
      {{6, 1}, 3, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.version.major);
    ServerRoad road;
    road.UsePostgres();
    road.Publish({kMain, kLibrary});
    road.ReadRows();
    road.host.commandLine = L"/2";
    road.host.version = c.version;
    road.host.admin = false;
    road.run.version = c.version;
    road.run.flgAdministrator = false;
    {
      kvtest::ScriptedUser user;
      user.Expect(L"frmMsgBox")
          .Check([&c](DialogView& d) {
            EXPECT_TRUE(d.Visible(L"picIcon", c.icon));
            EXPECT_EQ(d.Text(L"txtMsg"),
                      c.restart ? L"新しいプログラムの更新が見つかりました。プログラム更新を行います。\r\n"
                                  L"ユーザーアカウント制御画面が表示されたら更新を許可してください。"
                                : L"新しいプログラムの更新が見つかりました。アイコンまたはメニューを右クリックして"
                                  L"「別のユーザーとして実行」から管理者権限のあるユーザーで起動してください。");
          })
          .Click(L"cmdButton", 1);
      EXPECT_FALSE(road.Application().returned);
    }
    // Unloaded first in both; the restart asks for it as its owner, which loads it hidden.
    EXPECT_EQ(road.run.Splash().Loaded(), c.restart);
    EXPECT_FALSE(road.run.Splash().Loaded() && IsWindowVisible(road.run.Splash().hwnd()));
    EXPECT_EQ(kvtest::ReadBytes(road.Install() + L"Kanvolo.exe"), "MZ main");
    EXPECT_FALSE(kv::FileExist(road.Install() + L"Version.xml"));
    const Lines steps = StepLines(road);
    EXPECT_EQ(std::count_if(steps.begin(), steps.end(),
                            [](const std::wstring& l) { return l.starts_with(L"Read & Regist File "); }),
              0);
    if (c.restart) {
      ASSERT_EQ(road.starter.shellRuns.size(), 1u);
      EXPECT_EQ(road.starter.shellRuns[0].parameters, L"/2 --elevated-restart");
      EXPECT_EQ(road.starter.shellRuns[0].verb, L"runas");
    } else {
      EXPECT_TRUE(road.starter.shellRuns.empty());
    }
  }
}

TEST(ServerApplication, FailingSecondRowEndsWithTheFirstInstalledAndNothingWritten) {
  struct Case {
    const char* what;
    std::string sql;  // spoils the second row (in name order) of "MOSURI"
    std::wstring failing;
    std::wstring error;  // the start of LastErrorMessage
  } cases[] = {
      {"a damaged image", kv::ToAnsi(L"UPDATE version SET ver_md5=repeat('0',32) WHERE ver_name='予約受付.dll'"),
       L"予約受付.dll", L"ファイルが破損しています。データベースの初期化を行ってください。予約受付.dll"},
      {"a name that leaves the install folder",
       "INSERT INTO version VALUES ('z\\..\\..\\escape.dll','','2026/11/29 09:30:15',1,0,'','x'::bytea)",
       L"z\\..\\..\\escape.dll", L""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ServerRoad road;
    road.UsePostgres();
    road.Publish({kMain, kLibrary});
    kvtest::OdbcExecute(kvtest::PostgresOdbc("MOSURI"), c.sql);
    road.ReadRows();
    ASSERT_EQ(road.run.objDataBaseUpdate().ProgramName(2), c.failing);
    std::wstring shown;
    {
      kvtest::ScriptedUser user;
      kvtest::AnswerCriticalMessage(user, shown);
      EXPECT_FALSE(road.Application().returned);
    }
    const std::wstring error = road.run.objDataBaseUpdate().LastErrorMessage();
    if (c.error.empty()) {
      EXPECT_NE(error.find(L"(4B)"), std::wstring::npos) << kv::ToUtf8(error);  // 75, naming the row
      EXPECT_NE(error.find(c.failing), std::wstring::npos) << kv::ToUtf8(error);
    } else {
      EXPECT_EQ(error, c.error);
    }
    EXPECT_EQ(shown, L"更新に失敗しました。" + error + c.failing);
    EXPECT_FALSE(road.run.Splash().Loaded());
    // The first row's file stays installed; the failing one is not there; nothing is recorded.
    EXPECT_EQ(kvtest::ReadBytes(PathOf(road, kMain)), kMain.bytes);
    EXPECT_FALSE(kv::FileExist(PathOf(road, kLibrary)));
    EXPECT_FALSE(kv::FileExist(road.dir / L"escape.dll"));
    EXPECT_FALSE(kv::FileExist(road.Install() + L"Version.xml"));
    EXPECT_EQ(Joined(StepLines(road)), L"Connect DB\r\nRead & Regist File Kanvolo.exe\r\nRead & Regist File " +
                                           c.failing + L"\r\nError Read & Regist File " + c.failing + error);
    EXPECT_EQ(Joined(road.UpdateLog()), L"Kanvolo.exe 2026/11/30 10:00:00\r\n" + shown);
  }
}

TEST(ServerApplication, FailedConnectionEndsWithItsMessage) {
  ServerRoad road;
  road.UsePostgres();
  road.Publish({kMain});
  road.ReadRows();
  road.UsePostgres(L"127.0.0.1", kvtest::StoppedPort());
  std::wstring shown;
  {
    kvtest::ScriptedUser user;
    kvtest::AnswerCriticalMessage(user, shown);
    EXPECT_FALSE(road.Application().returned);
  }
  const std::wstring error = road.run.objDataBaseUpdate().LastErrorMessage();
  EXPECT_EQ(shown, L"更新に失敗しました。" + error);
  EXPECT_EQ(Joined(StepLines(road)), L"Connect DB\r\nError Connect DB" + error);
  EXPECT_EQ(kvtest::ReadBytes(road.Install() + L"Kanvolo.exe"), "MZ main");
  EXPECT_FALSE(road.run.Splash().Loaded());
}

TEST(ServerApplication, ProgressBarValueStaysWhenARowWouldCarryItPastItsMaximum) {
  ServerRoad road;
  road.UsePostgres();
  road.Publish({kMain, kLibrary});
  road.ReadRows();
  // Sizes whose total overflows: the second addition is skipped, so the bar's maximum is the
  // first row's size and the second row would carry the value past it.
  kv::clsDataBaseUpdate& db = road.run.objDataBaseUpdate();
  db.SetFileSize(1, 2000000000);
  db.SetFileSize(2, 2000000000);
  ASSERT_TRUE(road.Application().returned);
  EXPECT_EQ(road.run.installedCount, 2);
  EXPECT_EQ(road.run.Splash().ProgressBar.Max(), 2000000000);
  EXPECT_EQ(road.run.Splash().ProgressBar.Value(), 2000000000);
}

}  // namespace
