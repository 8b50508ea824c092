#pragma once
// What the test databases hold, read through plain ODBC calls beside the code under test, and the
// settings of the test run's databases (set up by scripts/db-env.sh; a test without them fails).
#include <optional>
#include <string>
#include <vector>

namespace kvtest {

// One row: each column as its bytes (text in the connection's encoding), NULL as nullopt.
using ProbeRow = std::vector<std::optional<std::string>>;

// ODBC connection strings are ASCII here; sql may hold CP932 bytes.
std::vector<ProbeRow> OdbcQuery(const std::string& connectionString, const std::string& sql);
void OdbcExecute(const std::string& connectionString, const std::string& sql);
// The text of the first diagnostic of a connection that fails; empty when it opens.
std::string OdbcConnectFailure(const std::string& connectionString);

// The PostgreSQL cluster of the test run.
struct PostgresSettings {
  std::wstring port, user, password;
};
// Fails the current test (and answers empty texts) when the test run set up no databases.
PostgresSettings TestPostgres();
// ODBC strings of the databases: PostgreSQL by name, the SQLite file behind the DSN "MOSURI".
std::string PostgresOdbc(const std::string& database);
std::string SqliteMosuriOdbc();

}  // namespace kvtest
