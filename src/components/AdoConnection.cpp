#include "components/AdoConnection.h"

#include "components/AdoConnectionString.h"

namespace kv::ado {

std::wstring ObjectClosedText() { return L"オブジェクトが閉じている場合は、操作は許可されません。"; }

void Connection::Open() {
  if (IsOpen()) throw RuntimeError(3705, L"オブジェクトが開いている場合は、操作は許可されません。");
  const std::wstring odbcString = OdbcConnectionString(ConnectionString);
  auto connection = std::make_unique<odbc::Connection>();
  connection->Connect(odbcString, static_cast<std::uint32_t>(ConnectionTimeout < 0 ? 0 : ConnectionTimeout));
  odbc_ = std::move(connection);
}

void Connection::Close() {
  if (!IsOpen()) throw RuntimeError(kObjectClosed, ObjectClosedText());
  auto connection = std::move(odbc_);
  connection->Disconnect();
}

void Connection::Execute(const std::wstring& sql) {
  odbc::Statement statement(Odbc());
  statement.SetQueryTimeout(static_cast<std::uint32_t>(CommandTimeout < 0 ? 0 : CommandTimeout));
  statement.Execute(sql);
}

odbc::Connection& Connection::Odbc() {
  if (!IsOpen()) throw RuntimeError(kObjectClosed, ObjectClosedText());
  return *odbc_;
}

}  // namespace kv::ado
