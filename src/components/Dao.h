#pragma once
// Our DAO: the little of its object model that reads a Jet database, on the ODBC layer.
//
//   dao::Workspace& ws = dao::DBEngine().Workspaces(0);
//   auto db = ws.OpenDatabase(L"C:\\x.mdb");            // the Jet file through the Access driver
//   auto rs = db->OpenRecordset(L"SELECT * FROM T");
//   while (!rs->Eof()) { const VARIANT& v = rs->Fields(L"ID").Value(); ...; rs->MoveNext(); }
//   rs->Close(); db->Close(); ws.Close();
//
// Field values carry the column's type: text VT_BSTR, whole numbers VT_I2/VT_I4/VT_UI1, other
// numbers VT_R8, dates and times VT_DATE, yes/no VT_BOOL, and VT_NULL for NULL. Field names are
// found in any letter case.
//
// When the environment variable KV_RELEASE_HISTORY names a SQLite file (a host path, for the
// tests), OpenDatabase opens that file through the SQLite3 driver instead of the path it is given.
// Its text columns hold text in the ANSI code page, as the Access driver hands it over.
//
// Failures raise DAO's numbers with the driver's text: 3024 when the database file is missing,
// 3146 for any other failure of an ODBC call, 3265 for a field or workspace that does not exist,
// 3021 for a record read at the end, 3420 for an object used after its Close.
#include <windows.h>
#include <oleauto.h>

#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "base/Handles.h"

namespace kv::odbc {
class Connection;
class Statement;
}  // namespace kv::odbc

namespace kv::dao {

inline constexpr std::int32_t kNoCurrentRecord = 3021;
inline constexpr std::int32_t kFileNotFound = 3024;
inline constexpr std::int32_t kOdbcCallFailed = 3146;
inline constexpr std::int32_t kItemNotFound = 3265;
inline constexpr std::int32_t kObjectClosed = 3420;

// The connection string for a database path: the Access driver, or the SQLite file that
// KV_RELEASE_HISTORY names (NoCreat: a missing file is not created empty).
std::wstring ConnectionStringFor(const std::wstring& path);

class Field {
 public:
  explicit Field(const VARIANT& value) : value_(value) {}
  const VARIANT& Value() const { return value_; }

 private:
  const VARIANT& value_;
};

class Recordset {
 public:
  Recordset(std::shared_ptr<odbc::Connection> connection, const std::wstring& query);
  ~Recordset();

  // "EOF": the C library owns that name as a macro.
  bool Eof() const;
  // The current record's field; valid until MoveNext or Close.
  Field Fields(const std::wstring& name) const;
  void MoveNext();
  void Close();

 private:
  void ReadRecord();

  std::shared_ptr<odbc::Connection> connection_;
  std::unique_ptr<odbc::Statement> statement_;
  std::vector<std::wstring> names_;
  std::vector<short> types_;
  std::deque<UniqueVariant> values_;
  bool eof_ = true;
};

class Database {
 public:
  explicit Database(const std::wstring& path);
  ~Database();

  std::unique_ptr<Recordset> OpenRecordset(const std::wstring& query);
  void Close();

 private:
  std::shared_ptr<odbc::Connection> connection_;
};

class Workspace {
 public:
  std::unique_ptr<Database> OpenDatabase(const std::wstring& path);
  // Nothing is held by the workspace itself.
  void Close() {}
};

class Engine {
 public:
  // Only the default workspace 0 exists.
  Workspace& Workspaces(std::int32_t index);

 private:
  Workspace default_;
};

// The engine of the process.
Engine& DBEngine();

}  // namespace kv::dao
