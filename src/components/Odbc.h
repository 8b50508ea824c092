#pragma once
// A small layer over the ODBC driver manager: handles, statements with bound parameters, column
// reads and diagnostics. Text crosses in the ANSI code page through the unsuffixed entry points
// (Wine's odbc32 aborts on the A-suffixed ones); the W ones are kept out by SQL_NOUNICODEMAP.
#ifndef SQL_NOUNICODEMAP
#define SQL_NOUNICODEMAP
#endif
#include <windows.h>
#include <sql.h>
#include <sqlext.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/RuntimeError.h"

namespace kv::odbc {

// The run-time number of a failure by its SQLSTATE (the drivers' native numbers are unusable):
// 28xxx 80040E4D, 42S02/42P01 80040E37, other 42xxx 80040E14, HYT00/HYT01 80040E31, 23xxx 80040E2F,
// anything else 80004005.
std::int32_t ErrorNumberFromSqlState(const std::string& sqlState);

// A diagnostic's text: the ANSI code page, unless the bytes are UTF-8 holding more than ASCII (under
// Wine the PostgreSQL driver hands on its client library's own messages in the host's UTF-8, the
// server's in the client encoding; ANSI Japanese text is never valid UTF-8).
std::wstring DiagnosticText(std::string_view bytes);

// The failure of a call that answered rc on handle: the first diagnostic's text and the number by
// its SQLSTATE.
RuntimeError Failure(SQLSMALLINT handleType, SQLHANDLE handle, SQLRETURN rc);

class Handle {
 public:
  Handle() noexcept = default;
  Handle(SQLSMALLINT type, SQLHANDLE handle) noexcept : type_(type), handle_(handle) {}
  Handle(Handle&& other) noexcept;
  Handle& operator=(Handle&& other) noexcept;
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  ~Handle();

  SQLHANDLE get() const noexcept { return handle_; }
  SQLSMALLINT type() const noexcept { return type_; }
  explicit operator bool() const noexcept { return handle_ != SQL_NULL_HANDLE; }
  void reset() noexcept;

  // Raises the handle's diagnostic unless rc is a success.
  void Check(SQLRETURN rc) const;

 private:
  SQLSMALLINT type_ = 0;
  SQLHANDLE handle_ = SQL_NULL_HANDLE;
};

class Connection {
 public:
  Connection();  // an environment (ODBC 3) and an unconnected connection handle
  Connection(Connection&&) noexcept = default;
  Connection& operator=(Connection&&) noexcept = default;
  ~Connection();

  // SQLDriverConnect without prompting; loginTimeout in seconds (0: the driver's own).
  void Connect(const std::wstring& connectionString, std::uint32_t loginTimeout);
  // Disconnects when connected; a failure to disconnect raises after the state is cleared.
  void Disconnect();
  bool Connected() const noexcept { return connected_; }
  SQLHDBC handle() const noexcept { return dbc_.get(); }

 private:
  Handle env_;
  Handle dbc_;
  bool connected_ = false;
};

// A value bound to a "?" of a statement.
struct Parameter {
  enum class Kind { Null, Text, Int32, Int16, Binary };
  Kind kind = Kind::Null;
  std::wstring text;
  std::int32_t number = 0;
  std::vector<unsigned char> bytes;

  static Parameter Text(std::wstring value) { return {Kind::Text, std::move(value), 0, {}}; }
  static Parameter Int32(std::int32_t value) { return {Kind::Int32, {}, value, {}}; }
  static Parameter Int16(std::int16_t value) { return {Kind::Int16, {}, value, {}}; }
  static Parameter Binary(std::vector<unsigned char> value) { return {Kind::Binary, {}, 0, std::move(value)}; }
};

struct ColumnInfo {
  std::wstring name;
  SQLSMALLINT sqlType = 0;
  std::wstring typeName;  // the server's own name of the type ("" when the driver does not say)
  bool IsBinary() const noexcept;
};

class Statement {
 public:
  explicit Statement(const Connection& connection);
  Statement(Statement&&) noexcept = default;
  Statement& operator=(Statement&&) noexcept = default;

  // Seconds; 0 means none.
  void SetQueryTimeout(std::uint32_t seconds);
  // Executes sql with the parameters bound in order. The parameters must outlive
  // nothing: they are sent during the call.
  void Execute(const std::wstring& sql, const std::vector<Parameter>& parameters = {});

  // The result set's columns (none for a statement without one).
  std::vector<ColumnInfo> Columns() const;
  // Moves to the next row; False at the end.
  bool Fetch();
  // The whole value of column (1-based) as text; empty optional for NULL.
  std::optional<std::wstring> GetText(SQLUSMALLINT column);
  // The next piece of at most size bytes of a binary column; empty at its end or when NULL.
  std::vector<unsigned char> GetBytes(SQLUSMALLINT column, std::size_t size);
  // The same, read as the driver's hexadecimal text of the value (SQL_C_CHAR) and decoded here.
  std::vector<unsigned char> GetBytesFromHex(SQLUSMALLINT column, std::size_t size);
  // Ends the result set so that the handle can run another statement.
  void CloseCursor();

 private:
  Handle stmt_;
};

}  // namespace kv::odbc
