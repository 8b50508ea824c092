#pragma once
// The test run's PostgreSQL for whole runs that pass the server database source.
#include <cstdint>
#include <string>
#include <vector>

#include "support/ExclusiveLock.h"

namespace kvtest {

// Holds the database lock; the tables VERSION of "MOSURI_UPDATE" and "MOSURI" start empty.
class EmptyUpdateDatabase {
 public:
  EmptyUpdateDatabase();

 private:
  ExclusiveLock lock_{kDatabaseLock};
};

// "Port=<the cluster's port>", the option tail that reaches the test cluster.
std::wstring TestPortOption();

// What psql on the host prints for the query on the test cluster's database, one row a line,
// columns joined by "|" (UTF-8); empty when psql could not be run.
std::vector<std::wstring> Psql(const std::string& database, const std::string& sql);

// Saves the settings as the run saves them after the settings dialog (both hives), with the test
// cluster's user and password; the whole run's clean-up removes them again.
void SaveServerSettings(std::int16_t driver, const std::wstring& server);
// The same with the user, password and port given (the port as "Port=<port>" in the option).
void SaveServerSettings(std::int16_t driver, const std::wstring& server, const std::wstring& user,
                        const std::wstring& password, const std::wstring& port);

// Stores a row in the table VERSION of "MOSURI_UPDATE" (replacing one of the same name), as an
// upload stores it: the file's bytes and their digest.
void StoreRow(const std::wstring& name, const std::wstring& folder, const std::wstring& version, int regist,
              const std::string& bytes);
void DeleteRow(const std::wstring& name);

// The test cluster stopped at once as a crashed server stops ("pg_ctl stop -m immediate"), and
// started again with its settings; true once done. Only with the database lock held.
bool StopTestClusterImmediately();
bool RestartTestCluster();

}  // namespace kvtest
