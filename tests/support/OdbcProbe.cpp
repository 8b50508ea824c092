#include "support/OdbcProbe.h"

#define SQL_NOUNICODEMAP
#include <windows.h>
#include <sql.h>
#include <sqlext.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <stdexcept>

namespace kvtest {
namespace {

std::string Diagnostic(SQLSMALLINT type, SQLHANDLE handle) {
  SQLCHAR state[6] = {}, text[1024] = {};
  SQLINTEGER native = 0;
  SQLSMALLINT length = 0;
  SQLGetDiagRec(type, handle, 1, state, &native, text, sizeof(text), &length);
  return std::string(reinterpret_cast<char*>(state)) + " " + reinterpret_cast<char*>(text);
}

void Ok(SQLRETURN rc, SQLSMALLINT type, SQLHANDLE handle, const std::string& what) {
  if (rc != SQL_SUCCESS && rc != SQL_SUCCESS_WITH_INFO && rc != SQL_NO_DATA) {
    throw std::runtime_error(what + ": " + Diagnostic(type, handle));
  }
}

// One connection for one call, freed on every way out.
struct Session {
  SQLHENV env = SQL_NULL_HENV;
  SQLHDBC dbc = SQL_NULL_HDBC;
  SQLHSTMT stmt = SQL_NULL_HSTMT;

  explicit Session(const std::string& connectionString) {
    SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env);
    SQLSetEnvAttr(env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
    SQLAllocHandle(SQL_HANDLE_DBC, env, &dbc);
    std::string text = connectionString;
    Ok(SQLDriverConnect(dbc, nullptr, reinterpret_cast<SQLCHAR*>(text.data()), SQL_NTS, nullptr, 0, nullptr,
                        SQL_DRIVER_NOPROMPT),
       SQL_HANDLE_DBC, dbc, "connect " + connectionString);
    connected = true;
    SQLAllocHandle(SQL_HANDLE_STMT, dbc, &stmt);
  }
  ~Session() {
    if (stmt) SQLFreeHandle(SQL_HANDLE_STMT, stmt);
    if (connected) SQLDisconnect(dbc);
    if (dbc) SQLFreeHandle(SQL_HANDLE_DBC, dbc);
    if (env) SQLFreeHandle(SQL_HANDLE_ENV, env);
  }
  void Run(const std::string& sql) {
    std::string text = sql;
    Ok(SQLExecDirect(stmt, reinterpret_cast<SQLCHAR*>(text.data()), SQL_NTS), SQL_HANDLE_STMT, stmt, sql);
  }
  bool connected = false;
};

std::wstring Env(const wchar_t* name) {
  const wchar_t* value = _wgetenv(name);
  return value ? value : L"";
}

std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

}  // namespace

std::vector<ProbeRow> OdbcQuery(const std::string& connectionString, const std::string& sql) {
  Session session(connectionString);
  session.Run(sql);
  SQLSMALLINT columns = 0;
  SQLNumResultCols(session.stmt, &columns);
  std::vector<ProbeRow> rows;
  while (SQLFetch(session.stmt) == SQL_SUCCESS) {
    ProbeRow row;
    for (SQLUSMALLINT c = 1; c <= static_cast<SQLUSMALLINT>(columns); ++c) {
      std::string value;
      bool isNull = false;
      char buffer[8192];
      for (;;) {
        SQLLEN indicator = 0;
        const SQLRETURN rc = SQLGetData(session.stmt, c, SQL_C_CHAR, buffer, sizeof(buffer), &indicator);
        if (rc == SQL_NO_DATA) break;
        Ok(rc, SQL_HANDLE_STMT, session.stmt, "read " + sql);
        if (indicator == SQL_NULL_DATA) {
          isNull = true;
          break;
        }
        if (rc == SQL_SUCCESS) {
          value.append(buffer, static_cast<std::size_t>(indicator));
          break;
        }
        value.append(buffer, sizeof(buffer) - 1);
      }
      row.push_back(isNull ? std::nullopt : std::optional<std::string>(value));
    }
    rows.push_back(std::move(row));
  }
  return rows;
}

void OdbcExecute(const std::string& connectionString, const std::string& sql) {
  Session session(connectionString);
  session.Run(sql);
}

std::string OdbcConnectFailure(const std::string& connectionString) {
  SQLHENV env = SQL_NULL_HENV;
  SQLHDBC dbc = SQL_NULL_HDBC;
  SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env);
  SQLSetEnvAttr(env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
  SQLAllocHandle(SQL_HANDLE_DBC, env, &dbc);
  std::string text = connectionString;
  const SQLRETURN rc = SQLDriverConnect(dbc, nullptr, reinterpret_cast<SQLCHAR*>(text.data()), SQL_NTS, nullptr, 0,
                                        nullptr, SQL_DRIVER_NOPROMPT);
  std::string message;
  if (rc == SQL_SUCCESS || rc == SQL_SUCCESS_WITH_INFO) {
    SQLDisconnect(dbc);
  } else {
    SQLCHAR state[6] = {}, buffer[2048] = {};
    SQLINTEGER native = 0;
    SQLSMALLINT length = 0;
    SQLGetDiagRec(SQL_HANDLE_DBC, dbc, 1, state, &native, buffer, sizeof(buffer), &length);
    message = reinterpret_cast<char*>(buffer);
  }
  SQLFreeHandle(SQL_HANDLE_DBC, dbc);
  SQLFreeHandle(SQL_HANDLE_ENV, env);
  return message;
}

PostgresSettings TestPostgres() {
  PostgresSettings s{Env(L"KV_PG_PORT"), Env(L"KV_PG_USER"), Env(L"KV_PG_PASSWORD")};
  if (s.port.empty() || s.user.empty()) ADD_FAILURE() << "no test databases: run the tests through scripts/test.sh";
  return s;
}

std::string PostgresOdbc(const std::string& database) {
  const PostgresSettings s = TestPostgres();
  return "DRIVER={PostgreSQL ANSI};SERVER=127.0.0.1;PORT=" + Narrow(s.port) + ";DATABASE=" + database +
         ";UID=" + Narrow(s.user) + ";PWD=" + Narrow(s.password) + ";SSLmode=disable";
}

std::string SqliteMosuriOdbc() {
  const std::wstring path = Env(L"KV_SQLITE_MOSURI");
  if (path.empty()) ADD_FAILURE() << "no test databases: run the tests through scripts/test.sh";
  return "DRIVER={SQLite3};Database=" + Narrow(path);
}

}  // namespace kvtest
