#include "database/CreateDataBaseSql.h"

namespace kv {
namespace {

constexpr wchar_t kUpdateDatabase[] = L"MOSURI_UPDATE";

}  // namespace

std::wstring ServerConnectionString(const std::wstring& strServer, const std::wstring& strInstance,
                                    const std::wstring& strPort, const std::wstring& strOption) {
  std::wstring s = L"Provider=SQLOLEDB;Data Source=" + strServer;
  if (!strInstance.empty()) s += L"\\" + strInstance;
  if (!strPort.empty()) s += L"," + strPort;
  s += L";Integrated Security=SSPI";
  if (!strOption.empty()) s += L";" + strOption;
  return s;
}

std::wstring DropDatabaseSql() { return std::wstring(L"drop database ") + kUpdateDatabase; }

std::wstring DatabaseDataFile(const std::wstring& strFolderName) {
  return strFolderName + kUpdateDatabase + L".mdf";
}

std::wstring DatabaseLogFile(const std::wstring& strFolderName) {
  return strFolderName + kUpdateDatabase + L".ldf";
}

std::wstring CreateDatabaseSql(const std::wstring& strFolderName) {
  const std::wstring name = kUpdateDatabase;
  return L"CREATE DATABASE [" + name + L"]" + L" ON (NAME=N'" + name + L"', FILENAME=N'" +
         DatabaseDataFile(strFolderName) + L"', SIZE=100MB, FILEGROWTH=10% )" + L" LOG ON (NAME=N'" + name +
         L"_log', FILENAME=N'" + DatabaseLogFile(strFolderName) + L"', SIZE=10MB, FILEGROWTH=10%)";
}

std::wstring CreateTableSql(std::int16_t intDriver) {
  if (intDriver == 1) {
    return L"CREATE TABLE VERSION ("
           L"VER_NAME NVARCHAR(64) NOT NULL,"
           L"VER_FOLDER NVARCHAR(256),"
           L"VER_UPDATE NVARCHAR(20),"
           L"VER_FILE_SIZE INT,"
           L"VER_REGIST SMALLINT,"
           L"VER_MD5 NVARCHAR(32),"
           L"VER_IMAGE IMAGE)";
  }
  return L"DROP TABLE IF EXISTS VERSION;"
         L"CREATE TABLE VERSION ("
         L"VER_NAME VARCHAR(64) NOT NULL,"
         L"VER_FOLDER VARCHAR(256),"
         L"VER_UPDATE VARCHAR(20),"
         L"VER_FILE_SIZE INT,"
         L"VER_REGIST SMALLINT,"
         L"VER_MD5 VARCHAR(32),"
         L"VER_IMAGE BYTEA)";
}

std::wstring AddPrimaryKeySql() { return L"ALTER TABLE VERSION ADD CONSTRAINT PK_VERSION PRIMARY KEY (VER_NAME)"; }

}  // namespace kv
