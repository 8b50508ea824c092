#include <gtest/gtest.h>

#include "database/CreateDataBaseSql.h"

namespace kv {
namespace {

TEST(CreateDataBaseSqlTest, StatementsOfEachServerPinned) {
  const std::pair<std::wstring, std::wstring> cases[] = {
      {ServerConnectionString(L"S", L"", L"", L""), L"Provider=SQLOLEDB;Data Source=S;Integrated Security=SSPI"},
      // Unlike the connection string of the database, every instance and port counts here.
      {ServerConnectionString(L"S", L"MSSQLSERVER", L"1433", L"A=1"),
       L"Provider=SQLOLEDB;Data Source=S\\MSSQLSERVER,1433;Integrated Security=SSPI;A=1"},
      {DropDatabaseSql(), L"drop database MOSURI_UPDATE"},
      {CreateDatabaseSql(L"D:\\Data\\"),
       L"CREATE DATABASE [MOSURI_UPDATE] ON (NAME=N'MOSURI_UPDATE', FILENAME=N'D:\\Data\\MOSURI_UPDATE.mdf', "
       L"SIZE=100MB, FILEGROWTH=10% ) LOG ON (NAME=N'MOSURI_UPDATE_log', FILENAME=N'D:\\Data\\MOSURI_UPDATE.ldf', "
       L"SIZE=10MB, FILEGROWTH=10%)"},
      {DatabaseDataFile(L"D:\\Data\\"), L"D:\\Data\\MOSURI_UPDATE.mdf"},
      {DatabaseLogFile(L"D:\\Data\\"), L"D:\\Data\\MOSURI_UPDATE.ldf"},
      {CreateTableSql(1),
       L"CREATE TABLE VERSION (VER_NAME NVARCHAR(64) NOT NULL,VER_FOLDER NVARCHAR(256),VER_UPDATE NVARCHAR(20),"
       L"VER_FILE_SIZE INT,VER_REGIST SMALLINT,VER_MD5 NVARCHAR(32),VER_IMAGE IMAGE)"},
      {CreateTableSql(4),
       L"DROP TABLE IF EXISTS VERSION;CREATE TABLE VERSION (VER_NAME VARCHAR(64) NOT NULL,VER_FOLDER VARCHAR(256),"
       L"VER_UPDATE VARCHAR(20),VER_FILE_SIZE INT,VER_REGIST SMALLINT,VER_MD5 VARCHAR(32),VER_IMAGE BYTEA)"},
      {CreateTableSql(0), CreateTableSql(4)},
      {AddPrimaryKeySql(), L"ALTER TABLE VERSION ADD CONSTRAINT PK_VERSION PRIMARY KEY (VER_NAME)"},
  };
  for (const auto& [built, expected] : cases) EXPECT_EQ(built, expected);
}

}  // namespace
}  // namespace kv
