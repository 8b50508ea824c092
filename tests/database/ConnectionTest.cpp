// Opening the update database: the second attempt, the message of a failure, the existence test.
#include <gtest/gtest.h>

#include "DatabaseFixtures.h"
#include "base/Text.h"
#include "components/AdoConnectionString.h"
#include "components/Odbc.h"
#include "database/CreateDataBaseSql.h"
#include "database/DataBaseConst.h"
#include "support/LocalHttpServer.h"
#include "support/TcpRelay.h"
#include "support/TempDir.h"

namespace kvtest {
namespace {

constexpr int kDropAll = 1000;

class ConnectionTest : public testing::Test {
 protected:
  std::wstring Port(const TcpRelay& relay) const { return std::to_wstring(relay.port()); }
  // The connection string code 4 opens on that port.
  std::wstring ConnectionString(const std::wstring& port) const {
    return kv::MakeConnectionString(4, kPostgres.User(), kPostgres.Password(), kPostgres.Server(), L"MOSURI", L"", L"",
                                    L"", kPostgres.Option(port));
  }
  // The whole message of a failed open: the driver's text, the number, the step and the string.
  void ExpectOpenMessage(const kv::clsDataBaseUpdate& db, std::int32_t number, const std::wstring& port) const {
    const std::wstring cs = ConnectionString(port);
    const std::wstring tail = L"(" + kv::HexUpper(number) + L")[DB.OpenConnect:cn.open(" + cs + L")]\r\n" + cs;
    const std::wstring& message = db.LastErrorMessage();
    ASSERT_GT(message.size(), tail.size()) << kv::ToUtf8(message);
    EXPECT_TRUE(kv::EndsWith(message, tail)) << kv::ToUtf8(message);
  }

  ExclusiveLock lock_{kDatabaseLock};
};

TEST_F(ConnectionTest, FailedOpenTriesTwiceThenOnceUntilAnOpenSucceeds) {
  kv::clsDataBaseUpdate db;
  TcpRelay refusing(static_cast<unsigned short>(std::stoi(TestPostgres().port)), kDropAll);
  const std::int32_t first = kPostgres.Open(db, Port(refusing));
  EXPECT_NE(first, 0);
  EXPECT_NE(first, -1);
  EXPECT_EQ(refusing.connections(), 2);
  ExpectOpenMessage(db, first, Port(refusing));
  EXPECT_FALSE(db.CheckDBOpend());

  // The counter stays raised: the next call reports its first failure.
  EXPECT_EQ(kPostgres.Open(db, Port(refusing)), first);
  EXPECT_EQ(refusing.connections(), 3);

  // A success keeps the old message and lets the next failing call try twice again.
  const std::wstring oldMessage = db.LastErrorMessage();
  EXPECT_EQ(kPostgres.Open(db), 0) << kv::ToUtf8(db.LastErrorMessage());
  EXPECT_TRUE(db.CheckDBOpend());
  EXPECT_EQ(db.LastErrorMessage(), oldMessage);
  db.CloseConnect();
  EXPECT_FALSE(db.CheckDBOpend());
  TcpRelay refusingAgain(static_cast<unsigned short>(std::stoi(TestPostgres().port)), kDropAll);
  EXPECT_NE(kPostgres.Open(db, Port(refusingAgain)), 0);
  EXPECT_EQ(refusingAgain.connections(), 2);
}

TEST_F(ConnectionTest, DroppedFirstAttemptOpensOnTheSecond) {
  kv::clsDataBaseUpdate db;
  TcpRelay dropFirst(static_cast<unsigned short>(std::stoi(TestPostgres().port)), 1);
  EXPECT_EQ(kPostgres.Open(db, Port(dropFirst)), 0) << kv::ToUtf8(db.LastErrorMessage());
  EXPECT_EQ(dropFirst.connections(), 2);
  EXPECT_TRUE(db.CheckDBOpend());
  EXPECT_EQ(db.LastErrorMessage(), L"");
  db.CloseConnect();

  // The counter went back to 0 with the open.
  TcpRelay refusing(static_cast<unsigned short>(std::stoi(TestPostgres().port)), kDropAll);
  EXPECT_NE(kPostgres.Open(db, Port(refusing)), 0);
  EXPECT_EQ(refusing.connections(), 2);
}

TEST_F(ConnectionTest, StoppedServerReportsTheDriversFailure) {
  kv::clsDataBaseUpdate db;
  const std::wstring port = std::to_wstring(LocalHttpServer::UnusedPort());
  const std::int32_t r = kPostgres.Open(db, port);
  EXPECT_EQ(static_cast<std::uint32_t>(r), 0x80004005u);
  // The whole message: the driver's own text as a plain connection gets it, then ours.
  const std::wstring cs = ConnectionString(port);
  const std::string driverText = OdbcConnectFailure(kv::ToAnsi(kv::ado::OdbcConnectionString(cs)));
  ASSERT_FALSE(driverText.empty());
  EXPECT_EQ(db.LastErrorMessage(),
            kv::odbc::DiagnosticText(driverText) + L"(80004005)[DB.OpenConnect:cn.open(" + cs + L")]\r\n" + cs);
  // ReadControl reports the open's failure and holds no rows.
  db.SetUseVersionTable(5);
  EXPECT_EQ(db.ReadControl(4, kPostgres.User(), kPostgres.Password(), L"127.0.0.1", L"", L"", kPostgres.Option(port)), r);
  EXPECT_EQ(db.UseVersionTable(), 0);
}

TEST_F(ConnectionTest, ExistDatabaseAsksTheCatalogueAndClosesAfterItsAnswer) {
  kv::clsDataBaseUpdate db;
  // PostgreSQL's "master" lists the database; the SQLite data source "master" lists none.
  EXPECT_EQ(db.ExistDatabase(4, kPostgres.User(), kPostgres.Password(), L"127.0.0.1", L"", L"", kPostgres.Option()), 0)
      << kv::ToUtf8(db.LastErrorMessage());
  EXPECT_FALSE(db.CheckDBOpend());
  EXPECT_EQ(db.ExistDatabase(1, kPostgres.User(), kPostgres.Password(), L"127.0.0.1", L"", L"", kPostgres.Option()), 0)
      << kv::ToUtf8(db.LastErrorMessage());
  EXPECT_EQ(db.ExistDatabase(3, L"", L"", L"", L"", L"", L""), -1) << kv::ToUtf8(db.LastErrorMessage());
  EXPECT_FALSE(db.CheckDBOpend());
  EXPECT_EQ(db.LastErrorMessage(), L"");
}

TEST_F(ConnectionTest, ExistDatabaseWhoseQueryFailsLeavesTheConnectionOpen) {
  kv::clsDataBaseUpdate db;
  // A database key in the option tail wins over "master": the catalogue is not there.
  const std::int32_t r = db.ExistDatabase(4, kPostgres.User(), kPostgres.Password(), L"127.0.0.1", L"", L"",
                                          kPostgres.Option() + L";DATABASE=MOSURI");
  EXPECT_EQ(static_cast<std::uint32_t>(r), 0x80040E37u) << kv::ToUtf8(db.LastErrorMessage());
  const std::wstring sql = L"SELECT name FROM sysdatabases WHERE name='MOSURI_UPDATE'";
  EXPECT_TRUE(kv::EndsWith(db.LastErrorMessage(), L"(80040E37)[DB.ExistDatabase:rsMaster.Open(" + sql + L")]\r\n" + sql))
      << kv::ToUtf8(db.LastErrorMessage());
  EXPECT_TRUE(db.CheckDBOpend());
  db.CloseConnect();
  EXPECT_FALSE(db.CheckDBOpend());
}

TEST_F(ConnectionTest, CreateDataBaseMakesTheTableWithItsKey) {
  kv::clsDataBaseUpdate db;
  EXPECT_EQ(db.CreateDataBase(L"", 4, kPostgres.User(), kPostgres.Password(), L"127.0.0.1", L"", L"",
                              kPostgres.Option()),
            0)
      << kv::ToUtf8(db.LastErrorMessage());
  const auto constraints = OdbcQuery(PostgresOdbc("MOSURI"),
                                     "SELECT conname,contype FROM pg_constraint WHERE conrelid='version'::regclass");
  ASSERT_EQ(constraints.size(), 1u);
  EXPECT_EQ(constraints[0][0], "pk_version");
  EXPECT_EQ(constraints[0][1], "p");
  const auto columns = OdbcQuery(PostgresOdbc("MOSURI"),
                                 "SELECT column_name,data_type FROM information_schema.columns WHERE table_name='version' "
                                 "ORDER BY ordinal_position");
  ASSERT_EQ(columns.size(), 7u);
  EXPECT_EQ(columns[6][0], "ver_image");
  EXPECT_EQ(columns[6][1], "bytea");
  EXPECT_FALSE(db.CheckDBOpend());
}

TEST_F(ConnectionTest, CreateDataBaseRefusesAFolderWithAnApostropheBeforeConnecting) {
  kv::clsDataBaseUpdate db;
  TcpRelay counting(static_cast<unsigned short>(std::stoi(TestPostgres().port)), 0);
  const std::wstring folder = L"C:\\O'Brien\\";
  EXPECT_EQ(db.CreateDataBase(folder, 1, L"", L"", L"127.0.0.1", L"", L"", L"Port=" + Port(counting)), 5);
  EXPECT_EQ(counting.connections(), 0);
  EXPECT_TRUE(kv::EndsWith(db.LastErrorMessage(), L"(5)[DB.CreateDataBase:cn.Execute(" + kv::CreateDatabaseSql(folder) +
                                                      L")]\r\n" + kv::CreateDatabaseSql(folder)))
      << kv::ToUtf8(db.LastErrorMessage());
}

}  // namespace
}  // namespace kvtest

namespace kvtest {
namespace {

TEST_F(ConnectionTest, FailingStatementsNameTheirStepAndSql) {
  kv::clsDataBaseUpdate db;
  // The table is not in "master": the query fails with the connection left open.
  const std::wstring read = L"SELECT VER_NAME,VER_FOLDER,VER_UPDATE,VER_REGIST,VER_FILE_SIZE,VER_MD5 FROM VERSION ORDER BY VER_NAME";
  EXPECT_EQ(static_cast<std::uint32_t>(db.ReadControl(4, kPostgres.User(), kPostgres.Password(), L"127.0.0.1", L"", L"",
                                                      kPostgres.Option() + L";DATABASE=master")),
            0x80040E37u);
  EXPECT_TRUE(kv::EndsWith(db.LastErrorMessage(), L"(80040E37)[DB.ReadControl:rsVersion.Open(" + read + L")]\r\n" + read))
      << kv::ToUtf8(db.LastErrorMessage());
  EXPECT_TRUE(db.CheckDBOpend());
  db.CloseConnect();

  // A name longer than the column: the row is not saved.
  OdbcExecute(kPostgres.Probe(), "DELETE FROM VERSION");
  TempDir app;
  const std::wstring name = std::wstring(70, L'n') + L".exe";
  WriteBytes(app / name, "x");
  ASSERT_EQ(kPostgres.Open(db), 0);
  const std::int32_t r = db.UploadData(name, L"", L"2020/04/01 09:30:00", 1, app.path());
  EXPECT_NE(r, 0);
  EXPECT_TRUE(kv::EndsWith(db.LastErrorMessage(), L"[DB.UploadData:rsVersion.Update]\r\nSELECT * FROM VERSION WHERE VER_NAME='" +
                                                      name + L"'"))
      << kv::ToUtf8(db.LastErrorMessage());
  db.CloseConnect();
  EXPECT_TRUE(OdbcQuery(kPostgres.Probe(), "SELECT ver_name FROM version").empty());

  // Without an open connection.
  EXPECT_EQ(db.DownloadData(L"a.exe", L"", 1, app.path()), 3704);
  EXPECT_TRUE(kv::EndsWith(db.LastErrorMessage(), L"(E78)[DB.DownloadData:rsVersion.Open(SELECT * FROM VERSION WHERE "
                                                  L"VER_NAME='a.exe')]\r\nSELECT * FROM VERSION WHERE VER_NAME='a.exe'"))
      << kv::ToUtf8(db.LastErrorMessage());
}

}  // namespace
}  // namespace kvtest

namespace kvtest {
namespace {

TEST_F(ConnectionTest, ReConnectDbOnErrorAlternatesWithItsCounter) {
  kv::clsDataBaseUpdate db;
  // Another failure: the first call asks for a retry, the next resets the counter.
  EXPECT_TRUE(db.ReConnectDbOnError(L"other failure"));
  EXPECT_FALSE(db.ReConnectDbOnError(L"other failure"));
  EXPECT_TRUE(db.ReConnectDbOnError(L"other failure"));
  EXPECT_FALSE(db.ReConnectDbOnError(L"サーバーに接続できません"));

  // A lost connection with the counter at 0: reopened with the last settings.
  ASSERT_EQ(kPostgres.Open(db), 0) << kv::ToUtf8(db.LastErrorMessage());
  EXPECT_FALSE(db.ReConnectDbOnError(L"サーバーに接続できません"));
  EXPECT_TRUE(db.CheckDBOpend());
  EXPECT_FALSE(db.ReConnectDbOnError(L"サーバーに接続できません"));  // counter reset
  // A reopen that fails answers True.
  TcpRelay refusing(static_cast<unsigned short>(std::stoi(TestPostgres().port)), kDropAll);
  ASSERT_NE(kPostgres.Open(db, Port(refusing)), 0);
  EXPECT_FALSE(db.ReConnectDbOnError(L"other failure"));  // counter reset
  db.CloseConnect();
  const int before = refusing.connections();
  EXPECT_TRUE(db.ReConnectDbOnError(L"サーバーに接続できません"));
  EXPECT_EQ(refusing.connections(), before + 2);
}

}  // namespace
}  // namespace kvtest
