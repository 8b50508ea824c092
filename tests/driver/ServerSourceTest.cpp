// The server database source in-process against the test run's databases, the settings dialog and
// the messages answered by the scripted user.
#include <gtest/gtest.h>

#include <algorithm>

#include "ServerRoad.h"
#include "base/Text.h"
#include "dialogs/frmSplash.h"
#include "settings/clsParamUpdate.h"
#include "support/OdbcProbe.h"
#include "support/ScriptedUser.h"

namespace {

using kvtest::DialogView;
using kvtest::Lines;
using kvtest::ServerRoad;

const wchar_t kNoData[] =
    L"データベースにプログラム更新情報がありません。バロネルサーバーでデータベースの初期化からプログラム情報の更新を行ってください。";
const wchar_t kStartWithoutCheck[] =
    L"バージョンチェックなしでバロネルを起動します。正常に動作しない場合はバージョンアップを行ってください。";

// The boot log from "Server Download" on.
Lines SourceLines(const ServerRoad& road) {
  const Lines boot = road.BootLog();
  const auto from = std::find(boot.begin(), boot.end(), L"Server Download");
  return Lines(from, boot.end());
}

std::wstring SettingsLine(ServerRoad& road) {
  const kv::clsParamUpdate& p = road.run.objParamUpdate();
  return std::to_wstring(p.DBDriver()) + L"," + p.DBUser() + L"," + p.DBPassword() + L"," + p.DBServer() + L"," +
         p.DBInstance() + L"," + p.DBPort() + L"," + p.DBOption();
}

const std::vector<kvtest::ServerFile> kTwoFiles = {
    {L"Kanvolo.exe", L"", L"2026/11/30 10:00:00", 0, "MZ new main"},
    {L"予約受付.dll", L"bin", L"2026/11/29 09:30:15", 0, "library"},
};

TEST(ServerSource, ServerWithUpdateDatabaseReadsTheRowsWithoutADialog) {
  ServerRoad road;
  road.UsePostgres();
  road.Publish(kTwoFiles);
  const std::wstring settings = SettingsLine(road);
  const auto outcome = road.Source();
  ASSERT_TRUE(outcome.returned);
  // The password stands in clear in both lines.
  EXPECT_NE(settings.find(kvtest::TestPostgres().password), std::wstring::npos);
  EXPECT_EQ(SourceLines(road),
            (Lines{L"Server Download", L"DB.ExistDatabase " + settings, L"DB.ReadControl " + settings}));
  const kv::clsDataBaseUpdate& db = road.run.objDataBaseUpdate();
  ASSERT_EQ(db.UseVersionTable(), 2);
  EXPECT_EQ(db.ProgramName(1), L"Kanvolo.exe");
  EXPECT_EQ(db.ProgramName(2), L"予約受付.dll");
  EXPECT_EQ(db.FolderName(2), L"bin");
  EXPECT_EQ(road.UpdateLog(), (Lines{L"サーバーアップデート"}));

  // A second read finds the update log there: it gets no line.
  EXPECT_TRUE(road.Source().returned);
  EXPECT_EQ(road.UpdateLog(), (Lines{L"サーバーアップデート"}));
}

TEST(ServerSource, WithoutAdministratorRightsTheSettingsRestartAddsSetupOnce) {
  struct Case {
    const wchar_t* commandLine;
    const wchar_t* server;
    const wchar_t* parameters;
  } cases[] = {
      {L"", L"", L" /SETUP --elevated-restart"},
      {L"/2", L"", L"/2 /SETUP --elevated-restart"},
      {L"/setup", L"SV", L"/setup --elevated-restart"},
      {L" /SETUP /2 ", L"SV", L" /SETUP /2  --elevated-restart"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(kv::ToUtf8(c.commandLine));
    ServerRoad road;
    road.UsePostgres(c.server);
    road.host.commandLine = c.commandLine;
    road.host.admin = false;
    road.run.flgAdministrator = false;
    const auto outcome = road.Source();
    EXPECT_FALSE(outcome.returned);
    ASSERT_EQ(road.starter.shellRuns.size(), 1u);
    const auto& shell = road.starter.shellRuns[0];
    EXPECT_EQ(shell.file, road.host.ProgramFolder() + L"\\KanvoloUpdate2");
    EXPECT_EQ(shell.parameters, c.parameters);
    EXPECT_EQ(shell.verb, L"runas");
    const Lines lines = SourceLines(road);
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[1], std::wstring(L"Init Server") + c.server);
    // The splash window stays: the elevation prompt of the new process is what the user sees.
    EXPECT_TRUE(road.run.Splash().Loaded());
  }
}

TEST(ServerSource, SetupShowsTheDialogOnceAndSavesTheSettings) {
  ServerRoad road;
  road.UsePostgres(L"");
  road.Publish(kTwoFiles);
  road.host.commandLine = L"/SETUP";
  kvtest::ScriptedUser user;
  user.Expect(L"frmInitDBServer")
      .Check([](DialogView& d) { EXPECT_EQ(d.Text(L"txtDBServer"), L"VARONELSV"); })
      .Type(L"txtDBServer", -1, L"127.0.0.1")
      .Click(L"cmdOk");
  const auto outcome = road.Source();
  ASSERT_TRUE(outcome.returned);
  EXPECT_EQ(road.run.objDataBaseUpdate().UseVersionTable(), 2);
  const Lines lines = SourceLines(road);
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(lines[1], L"Init Server");  // the server was empty
  // Saved: a new settings object reads the server back from the registry.
  kv::clsParamUpdate saved;
  EXPECT_EQ(saved.DBServer(), L"127.0.0.1");
  EXPECT_EQ(saved.DBOption(), road.run.objParamUpdate().DBOption());
}

TEST(ServerSource, FailedConnectionAskedYesShowsTheAcceptedValuesAgainAndReadsOnceCorrected) {
  ServerRoad road;
  road.UsePostgres(L"");
  road.Publish(kTwoFiles);
  road.host.commandLine = L"/SETUP";
  kvtest::ScriptedUser user;
  // PostgreSQL listens on 127.0.0.1 only: 127.0.0.2 refuses at once.
  user.Expect(L"frmInitDBServer").Type(L"txtDBServer", -1, L"127.0.0.2").Click(L"cmdOk");
  user.Expect(L"frmMsgBox")
      .Check([&road](DialogView& d) {
        EXPECT_EQ(d.Caption(), kvtest::kTitle);
        const std::wstring text = d.Text(L"txtMsg");
        const std::wstring head = L"バロネルサーバーに接続できません。 設定を変更しますか？\r\n\r\n[";
        EXPECT_EQ(text.substr(0, head.size()), head);
        EXPECT_EQ(text, head + road.run.objDataBaseUpdate().LastErrorMessage() + L"]");
        EXPECT_NE(text.find(L"DB.OpenConnect:cn.open("), std::wstring::npos);
        EXPECT_TRUE(d.Visible(L"picIcon", 2));
        EXPECT_EQ(d.Text(L"cmdButton", 1), L"はい(&Y)");
      })
      .Screenshot(L"ServerSource-connection-question")
      .Click(L"cmdButton", 1);
  user.Expect(L"frmInitDBServer")
      .Check([](DialogView& d) { EXPECT_EQ(d.Text(L"txtDBServer"), L"127.0.0.2"); })
      .Type(L"txtDBServer", -1, L"127.0.0.1")
      .Click(L"cmdOk");
  const auto outcome = road.Source();
  ASSERT_TRUE(outcome.returned);
  EXPECT_EQ(road.run.objDataBaseUpdate().UseVersionTable(), 2);
  const Lines lines = SourceLines(road);
  ASSERT_EQ(lines.size(), 7u);
  EXPECT_EQ(lines[1], L"Init Server");
  EXPECT_TRUE(lines[2].starts_with(L"DB.ExistDatabase 4,") && lines[2].find(L",127.0.0.2,") != std::wstring::npos);
  EXPECT_TRUE(lines[3].starts_with(L"Not Connect DB "));
  EXPECT_NE(lines[3], L"Not Connect DB 0");
  EXPECT_NE(lines[3], L"Not Connect DB -1");
  EXPECT_EQ(lines[4], L"Init Server127.0.0.2");
  EXPECT_EQ(lines[5], L"DB.ExistDatabase " + SettingsLine(road));
  EXPECT_EQ(lines[6], L"DB.ReadControl " + SettingsLine(road));
  // The question is no notice: the update log holds only the road's first line.
  EXPECT_EQ(road.UpdateLog(), (Lines{L"サーバーアップデート"}));
}

TEST(ServerSource, UnusableDatabaseOffersTheMainProgramAndEnds) {
  struct Case {
    const char* what;
    std::function<void(ServerRoad&)> settings;
    std::function<void(kvtest::ScriptedUser&)> messages;
    bool started;
    std::wstring failureLine;
  } cases[] = {
      {"connection failed, No",
       [](ServerRoad& r) { r.UsePostgres(L"127.0.0.1", kvtest::StoppedPort()); },
       [](kvtest::ScriptedUser& u) { u.Expect(L"frmMsgBox").Click(L"cmdButton", 2); },
       true, L"Not Connect DB "},
      {"no update database (the data source \"master\" without its row)",
       [](ServerRoad& r) {
         kv::clsParamUpdate& p = r.run.objParamUpdate();
         p.SetDBDriver(3);
         p.SetDBServer(L"SV");
         p.SetDBOption(L"");
       },
       [](kvtest::ScriptedUser& u) {
         u.Expect(L"frmMsgBox")
             .Check([](DialogView& d) {
               EXPECT_EQ(d.Text(L"txtMsg"), kNoData);
               EXPECT_TRUE(d.Visible(L"picIcon", 0));
             })
             .Click(L"cmdButton", 1);
       },
       false, L"No Data in DB -1"},
      {"rows that cannot be read (the table is gone)",
       [](ServerRoad& r) {
         r.UsePostgres();
         kvtest::OdbcExecute(kvtest::PostgresOdbc("MOSURI"), "ALTER TABLE version RENAME TO version_hidden");
       },
       [](kvtest::ScriptedUser& u) {
         u.Expect(L"frmMsgBox")
             .Check([](DialogView& d) {
               const std::wstring text = d.Text(L"txtMsg");
               EXPECT_TRUE(text.starts_with(L"プログラムをダウンロードできませんでした。")) << kv::ToUtf8(text);
               EXPECT_NE(text.find(L"[DB.ReadControl:rsVersion.Open("), std::wstring::npos) << kv::ToUtf8(text);
               EXPECT_TRUE(d.Visible(L"picIcon", 0));
             })
             .Click(L"cmdButton", 1);
       },
       false, L"Not Read DB -2147217865"},  // 80040E37: no such table
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ServerRoad road;
    c.settings(road);
    struct TableBack {
      ~TableBack() {
        for (const auto& row : kvtest::OdbcQuery(kvtest::PostgresOdbc("MOSURI"),
                                                 "SELECT 1 FROM pg_tables WHERE tablename='version_hidden'")) {
          (void)row;
          kvtest::OdbcExecute(kvtest::PostgresOdbc("MOSURI"), "ALTER TABLE version_hidden RENAME TO version");
        }
      }
    } tableBack;
    {
      kvtest::ScriptedUser user;
      c.messages(user);
      user.Expect(L"frmMsgBox")
          .Check([](DialogView& d) {
            EXPECT_EQ(d.Text(L"txtMsg"), kStartWithoutCheck);
            EXPECT_TRUE(d.Visible(L"picIcon", 3));
          })
          .Click(L"cmdButton", c.started ? 1 : 2);
      EXPECT_FALSE(road.Source().returned);
    }
    EXPECT_FALSE(road.run.Splash().Loaded());
    const Lines lines = SourceLines(road);
    EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [&c](const std::wstring& l) {
      return l.starts_with(c.failureLine);
    })) << kv::ToUtf8(c.failureLine);
    EXPECT_EQ(road.starter.CommandLines(), c.started ? Lines{L"\"" + road.Install() + L"Kanvolo.exe\""} : Lines{});
    // Only the notices reach the update log; the connection question does not.
    const Lines update = road.UpdateLog();
    EXPECT_EQ(std::count(update.begin(), update.end(), std::wstring(kNoData)),
              c.failureLine == L"No Data in DB -1" ? 1 : 0);
  }
}

TEST(ServerSource, CancelledSettingsOfferTheMainProgramWithTheSplashKept) {
  struct Case {
    const wchar_t* commandLine;
    bool offered;
  } cases[] = {
      {L"", true},
      // The restart's command line names no program, as "/SETUP" is no switch of the offer.
      {L"/SETUP", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(kv::ToUtf8(c.commandLine));
    ServerRoad road;
    road.UsePostgres(L"");
    road.host.commandLine = c.commandLine;
    {
      kvtest::ScriptedUser user;
      user.Expect(L"frmInitDBServer").Type(L"txtDBServer", -1, L"changed").Click(L"cmdCancel");
      if (c.offered) user.Expect(L"frmMsgBox").Click(L"cmdButton", 2);
      EXPECT_FALSE(road.Source().returned);
    }
    EXPECT_TRUE(road.run.Splash().Loaded());
    EXPECT_EQ(road.run.objParamUpdate().DBServer(), L"");
    EXPECT_EQ(SourceLines(road), (Lines{L"Server Download", L"Init Server"}));
    EXPECT_TRUE(road.starter.runs.empty());
  }
}

}  // namespace
