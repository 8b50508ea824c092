#pragma once
// The three roads to a test database: SQLite through the data source "MOSURI" (code 3),
// PostgreSQL (code 4) and PostgreSQL behind the "SQL Server" alias (code 1); the fixture files
// with what the servers must report for them.
#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "database/clsDataBaseUpdate.h"
#include "support/ExclusiveLock.h"
#include "support/OdbcProbe.h"

namespace kvtest {

struct Backend {
  const char* label;
  std::int16_t driver;
  bool postgres;
  const char* database;  // PostgreSQL database that code's connection opens

  std::wstring User() const { return postgres ? TestPostgres().user : L""; }
  std::wstring Password() const { return postgres ? TestPostgres().password : L""; }
  std::wstring Server() const { return postgres ? L"127.0.0.1" : L""; }
  // One open is one connection: no second attempt without SSL.
  std::wstring Option(const std::wstring& port = L"") const {
    return postgres ? L"Port=" + (port.empty() ? TestPostgres().port : port) + L";SSLmode=disable" : L"";
  }
  std::string Probe() const { return postgres ? PostgresOdbc(database) : SqliteMosuriOdbc(); }

  std::int32_t Open(kv::clsDataBaseUpdate& db, const std::wstring& port = L"") const {
    return db.OpenConnect(driver, User(), Password(), Server(), L"", L"", Option(port));
  }
  std::int32_t ReadControl(kv::clsDataBaseUpdate& db) const {
    return db.ReadControl(driver, User(), Password(), Server(), L"", L"", Option());
  }
};

inline const Backend kSqlite{"SQLite", 3, false, ""};
inline const Backend kPostgres{"PostgreSQL", 4, true, "MOSURI"};
inline const Backend kSqlServerAlias{"SqlServerAlias", 1, true, "MOSURI_UPDATE"};

inline void PrintTo(const Backend& backend, std::ostream* os) { *os << backend.label; }

inline std::string BackendName(const testing::TestParamInfo<Backend>& info) { return info.param.label; }

struct FixtureFile {
  std::wstring name;
  std::int32_t size = 0;
  std::string md5, utf8Hex, cp932Hex;
};

// expected.tsv of the fixture folder, by name.
const std::map<std::wstring, FixtureFile>& FixtureFiles();
std::wstring FixturePath(const std::wstring& name);

std::string Hex(const std::string& bytes);
std::string UpperHex(const std::string& bytes);

// One row of VERSION as the server holds it.
struct StoredRow {
  std::string nameHex;  // the name's bytes: UTF-8 on PostgreSQL, CP932 on SQLite
  std::optional<std::string> folder, updated, size, regist, md5;
  std::string imageDigestOrHex;  // PostgreSQL md5(ver_image); SQLite hex(VER_IMAGE)
  std::string imageLength;
};
std::vector<StoredRow> StoredRows(const Backend& backend);

// Takes the database lock and empties the backend's table.
class DatabaseTest : public testing::TestWithParam<Backend> {
 protected:
  void SetUp() override;
  ExclusiveLock lock_{kDatabaseLock};
};

}  // namespace kvtest
