#pragma once
// The ADO connection string of the update database for a driver code and its settings.
#include <cstdint>
#include <string>

namespace kv {

// Driver codes: 0 Jet file, 1 SQL Server, 2 Oracle, 3 ODBC data source, 4 PostgreSQL, 5 MySQL
// (both through ODBC). Any other code gives "". Values are inserted unchanged.
std::wstring MakeConnectionString(std::int16_t intDriver, const std::wstring& strUser, const std::wstring& strPassword,
                                  const std::wstring& strServer, const std::wstring& strDataBase,
                                  const std::wstring& strPath, const std::wstring& strInstance,
                                  const std::wstring& strPort, const std::wstring& strOption);

}  // namespace kv
