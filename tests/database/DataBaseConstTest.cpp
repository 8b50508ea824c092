#include <gtest/gtest.h>

#include "base/Text.h"
#include "database/DataBaseConst.h"

namespace kv {
namespace {

struct Case {
  std::int16_t driver;
  const wchar_t *user, *password, *server, *database, *path, *instance, *port, *option;
  const wchar_t* expected;
};

const Case kCases[] = {
    // Outside 0 to 5: nothing, not even the option.
    {6, L"u", L"p", L"S", L"D", L"", L"", L"", L"Opt=1", L""},
    {-1, L"u", L"p", L"S", L"D", L"", L"", L"", L"Opt=1", L""},
    // 0: the path as given when it names a .mdb in any case, else MOSURI.MDB appended directly.
    {0, L"u", L"p", L"S", L"D", L"C:\\db\\x.mdb", L"", L"", L"", L"Provider=Microsoft.Jet.OLEDB.4.0;Data Source=C:\\db\\x.mdb"},
    {0, L"", L"", L"", L"", L"C:\\db\\", L"", L"", L"", L"Provider=Microsoft.Jet.OLEDB.4.0;Data Source=C:\\db\\MOSURI.MDB"},
    {0, L"", L"", L"", L"", L"", L"", L"", L"Jet OLEDB:Database Password=x",
     L"Provider=Microsoft.Jet.OLEDB.4.0;Data Source=MOSURI.MDB;Jet OLEDB:Database Password=x"},
    // 1: named instance and port; only the exact default names mean none.
    {1, L"", L"", L"S", L"D", L"", L"SQLExpress", L"1433", L"",
     L"Provider=SQLOLEDB;Data Source=S\\SQLExpress,1433;Initial Catalog=D;Integrated Security=SSPI"},
    {1, L"", L"", L"S", L"D", L"", L"MSSQLSERVER", L"", L"",
     L"Provider=SQLOLEDB;Data Source=S;Initial Catalog=D;Integrated Security=SSPI"},
    {1, L"", L"", L"S", L"D", L"", L"mssqlserver", L"(既定のポート)", L"",
     L"Provider=SQLOLEDB;Data Source=S\\mssqlserver;Initial Catalog=D;Integrated Security=SSPI"},
    {1, L"", L"", L"S", L"D", L"", L"(既定のインスタンス)", L"1433", L"",
     L"Provider=SQLOLEDB;Data Source=S,1433;Initial Catalog=D;Integrated Security=SSPI"},
    {1, L"", L"pw", L"S", L"D", L"", L"", L"", L"Port=5432",
     L"Provider=SQLOLEDB;Data Source=S;Initial Catalog=D;User ID=;Password=pw;Port=5432"},
    // 2: instance and port unused.
    {2, L"u", L"", L"ORA", L"D", L"", L"I", L"1521", L"",
     L"Provider=MSDAORA;Data Source=ORA;Initial Catalog=D;User ID=u;Password="},
    {2, L"", L"", L"ORA", L"D", L"", L"", L"", L"X=1", L"Provider=MSDAORA;Data Source=ORA;Initial Catalog=D;Integrated Security=SSPI;X=1"},
    // 3: only the data source name.
    {3, L"u", L"p", L"S", L"MOSURI", L"", L"I", L"1", L"", L"Provider=MSDASQL.1;Data Source=MOSURI"},
    // 4 and 5: every key, even empty; values unchanged.
    {4, L"", L"", L"S", L"D", L"", L"", L"", L"", L"Provider=MSDASQL;DRIVER=PostgreSQL ANSI;DATABASE=D;SERVER=S;UID=;PWD="},
    {4, L"u", L"p;x=y", L"S", L"D", L"", L"", L"", L"Port=5433",
     L"Provider=MSDASQL;DRIVER=PostgreSQL ANSI;DATABASE=D;SERVER=S;UID=u;PWD=p;x=y;Port=5433"},
    {5, L"u", L"p", L"S", L"D", L"", L"", L"", L"",
     L"Provider=MSDASQL;DRIVER=MySQL ODBC 5.1 Driver;DATABASE=D;SERVER=S;UID=u;PWD=p"},
};

TEST(MakeConnectionStringTest, EachDriverCode) {
  for (const Case& c : kCases) {
    EXPECT_EQ(MakeConnectionString(c.driver, c.user, c.password, c.server, c.database, c.path, c.instance, c.port,
                                   c.option),
              c.expected)
        << "code " << c.driver << " expected " << ToUtf8(c.expected);
  }
}

}  // namespace
}  // namespace kv
