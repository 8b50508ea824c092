#pragma once
// The statements and the server-level connection string of the update database's creation.
#include <cstdint>
#include <string>

namespace kv {

// SQL Server without a catalog, always with Windows authentication; "\" instance and "," port
// when not empty, then the option tail.
std::wstring ServerConnectionString(const std::wstring& strServer, const std::wstring& strInstance,
                                    const std::wstring& strPort, const std::wstring& strOption);
std::wstring DropDatabaseSql();
// strFolderName must end with "\": the file names are appended to it.
std::wstring CreateDatabaseSql(const std::wstring& strFolderName);
std::wstring DatabaseDataFile(const std::wstring& strFolderName);
std::wstring DatabaseLogFile(const std::wstring& strFolderName);
// The table VERSION: SQL Server's types for driver code 1, the other servers' otherwise.
std::wstring CreateTableSql(std::int16_t intDriver);
std::wstring AddPrimaryKeySql();

}  // namespace kv
