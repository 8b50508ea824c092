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

}  // namespace kvtest
