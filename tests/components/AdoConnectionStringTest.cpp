#include <gtest/gtest.h>

#include "base/Text.h"
#include "components/AdoConnectionString.h"
#include "components/Odbc.h"

namespace kv {
namespace {

TEST(AdoConnectionStringTest, EachProviderGivesItsDriversKeys) {
  const std::pair<const wchar_t*, const wchar_t*> cases[] = {
      {L"Provider=SQLOLEDB;Data Source=S\\I,1433;Initial Catalog=MOSURI_UPDATE;User ID=u;Password=p;Port=5432",
       L"DRIVER={SQL Server};SERVER=S\\I,1433;DATABASE=MOSURI_UPDATE;UID=u;PWD=p;Port=5432"},
      {L"Provider=SQLOLEDB;Data Source=S;Initial Catalog=D;Integrated Security=SSPI",
       L"DRIVER={SQL Server};SERVER=S;DATABASE=D;Trusted_Connection=Yes"},
      // Keys in any case.
      {L"provider=sqloledb;DATA SOURCE=S;initial catalog=D;user id=u;PASSWORD=p",
       L"DRIVER={SQL Server};SERVER=S;DATABASE=D;UID=u;PWD=p"},
      {L"Provider=Microsoft.Jet.OLEDB.4.0;Data Source=C:\\db\\MOSURI.MDB",
       L"DRIVER={Microsoft Access Driver (*.mdb)};DBQ=C:\\db\\MOSURI.MDB"},
      {L"Provider=MSDAORA;Data Source=ORA;Initial Catalog=D;User ID=u;Password=p",
       L"DRIVER={Microsoft ODBC for Oracle};SERVER=ORA;UID=u;PWD=p"},
      {L"Provider=MSDASQL.1;Data Source=MOSURI", L"DSN=MOSURI"},
      {L"Provider=MSDASQL;DRIVER=PostgreSQL ANSI;DATABASE=D;SERVER=S;UID=;PWD=;Port=5433;SSLmode=disable",
       L"DRIVER={PostgreSQL ANSI};DATABASE=D;SERVER=S;UID=;PWD=;Port=5433;SSLmode=disable"},
      {L"Provider=MSDASQL;DRIVER=MySQL ODBC 5.1 Driver;DATABASE=D;SERVER=S;UID=u;PWD=p",
       L"DRIVER={MySQL ODBC 5.1 Driver};DATABASE=D;SERVER=S;UID=u;PWD=p"},
      // No provider: ODBC.
      {L"Data Source=MOSURI", L"DSN=MOSURI"},
      {L"DRIVER={SQLite3};Database=/tmp/x.db", L"DRIVER={SQLite3};Database=/tmp/x.db"},
  };
  for (const auto& [ado, odbc] : cases) EXPECT_EQ(ado::OdbcConnectionString(ado), odbc) << ToUtf8(ado);
}

TEST(AdoConnectionStringTest, UnknownProviderIsRefused) {
  try {
    ado::OdbcConnectionString(L"Provider=NoSuch.1;Data Source=x");
    FAIL() << "no failure";
  } catch (const RuntimeError& e) {
    EXPECT_EQ(e.Number(), 3706);
  }
}

TEST(OdbcErrorNumberTest, NumberBySqlState) {
  const std::pair<const char*, std::uint32_t> cases[] = {
      {"28000", 0x80040E4D}, {"28P01", 0x80040E4D}, {"42S02", 0x80040E37}, {"42P01", 0x80040E37},
      {"42601", 0x80040E14}, {"42S22", 0x80040E14}, {"HYT00", 0x80040E31}, {"HYT01", 0x80040E31},
      {"23505", 0x80040E2F}, {"23000", 0x80040E2F}, {"08001", 0x80004005}, {"IM002", 0x80004005},
      {"", 0x80004005},
  };
  for (const auto& [state, number] : cases) {
    EXPECT_EQ(static_cast<std::uint32_t>(odbc::ErrorNumberFromSqlState(state)), number) << state;
  }
}

}  // namespace
}  // namespace kv
