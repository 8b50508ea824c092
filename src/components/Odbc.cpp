#include "components/Odbc.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <utility>

#include "base/Text.h"

namespace kv::odbc {
namespace {

bool Succeeded(SQLRETURN rc) { return rc == SQL_SUCCESS || rc == SQL_SUCCESS_WITH_INFO; }

SQLHANDLE Allocate(SQLSMALLINT type, SQLHANDLE parent) {
  SQLHANDLE handle = SQL_NULL_HANDLE;
  const SQLRETURN rc = SQLAllocHandle(type, parent, &handle);
  if (!Succeeded(rc)) {
    if (parent != SQL_NULL_HANDLE) {
      throw Failure(type == SQL_HANDLE_DBC ? SQL_HANDLE_ENV : SQL_HANDLE_DBC, parent, rc);
    }
    throw RuntimeError(static_cast<std::int32_t>(0x80004005u), L"ODBC のドライバー マネージャーを使用できません。");
  }
  return handle;
}

constexpr std::int32_t Hresult(std::uint32_t value) { return static_cast<std::int32_t>(value); }

}  // namespace

std::int32_t ErrorNumberFromSqlState(const std::string& sqlState) {
  const auto starts = [&](const char* prefix) { return sqlState.rfind(prefix, 0) == 0; };
  if (starts("28")) return Hresult(0x80040E4D);
  if (sqlState == "42S02" || sqlState == "42P01") return Hresult(0x80040E37);
  if (starts("42")) return Hresult(0x80040E14);
  if (sqlState == "HYT00" || sqlState == "HYT01") return Hresult(0x80040E31);
  if (starts("23")) return Hresult(0x80040E2F);
  return Hresult(0x80004005);
}

std::wstring DiagnosticText(std::string_view bytes) {
  const bool beyondAscii = std::any_of(bytes.begin(), bytes.end(), [](char c) { return (c & 0x80) != 0; });
  const bool utf8 = beyondAscii && MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes.data(),
                                                       static_cast<int>(bytes.size()), nullptr, 0) > 0;
  return utf8 ? FromUtf8(bytes) : FromAnsi(bytes);
}

RuntimeError Failure(SQLSMALLINT handleType, SQLHANDLE handle, SQLRETURN rc) {
  SQLCHAR state[6] = {};
  SQLINTEGER native = 0;
  SQLSMALLINT length = 0;
  std::string message(SQL_MAX_MESSAGE_LENGTH, '\0');
  SQLRETURN got = SQLGetDiagRec(handleType, handle, 1, state, &native, reinterpret_cast<SQLCHAR*>(message.data()),
                                static_cast<SQLSMALLINT>(message.size()), &length);
  if (got == SQL_SUCCESS_WITH_INFO && length >= static_cast<SQLSMALLINT>(message.size())) {
    message.assign(static_cast<std::size_t>(length) + 1, '\0');
    got = SQLGetDiagRec(handleType, handle, 1, state, &native, reinterpret_cast<SQLCHAR*>(message.data()),
                        static_cast<SQLSMALLINT>(message.size()), &length);
  }
  if (!Succeeded(got)) {
    return RuntimeError(Hresult(0x80004005), L"ODBC の呼び出しが失敗しました。(" + std::to_wstring(rc) + L")");
  }
  message.resize(std::min<std::size_t>(static_cast<std::size_t>(length), message.size()));
  message.resize(message.find('\0') == std::string::npos ? message.size() : message.find('\0'));
  return RuntimeError(ErrorNumberFromSqlState(reinterpret_cast<const char*>(state)), DiagnosticText(message));
}

Handle::Handle(Handle&& other) noexcept
    : type_(other.type_), handle_(std::exchange(other.handle_, nullptr)) {}

Handle& Handle::operator=(Handle&& other) noexcept {
  if (this != &other) {
    reset();
    type_ = other.type_;
    handle_ = std::exchange(other.handle_, nullptr);
  }
  return *this;
}

Handle::~Handle() { reset(); }

void Handle::reset() noexcept {
  if (handle_ != SQL_NULL_HANDLE) SQLFreeHandle(type_, handle_);
  handle_ = SQL_NULL_HANDLE;
}

void Handle::Check(SQLRETURN rc) const {
  if (!Succeeded(rc)) throw Failure(type_, handle_, rc);
}

Connection::Connection() {
  env_ = Handle(SQL_HANDLE_ENV, Allocate(SQL_HANDLE_ENV, SQL_NULL_HANDLE));
  env_.Check(SQLSetEnvAttr(env_.get(), SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0));
  dbc_ = Handle(SQL_HANDLE_DBC, Allocate(SQL_HANDLE_DBC, env_.get()));
}

Connection::~Connection() {
  if (connected_ && dbc_) SQLDisconnect(dbc_.get());
}

void Connection::Connect(const std::wstring& connectionString, std::uint32_t loginTimeout) {
  dbc_.Check(SQLSetConnectAttr(dbc_.get(), SQL_ATTR_LOGIN_TIMEOUT,
                               reinterpret_cast<SQLPOINTER>(static_cast<ULONG_PTR>(loginTimeout)), 0));
  std::string text = ToAnsi(connectionString);
  SQLCHAR out[1024];
  SQLSMALLINT outLength = 0;
  dbc_.Check(SQLDriverConnect(dbc_.get(), nullptr, reinterpret_cast<SQLCHAR*>(text.data()), SQL_NTS, out,
                              sizeof(out), &outLength, SQL_DRIVER_NOPROMPT));
  connected_ = true;
}

void Connection::Disconnect() {
  if (!connected_) return;
  connected_ = false;
  dbc_.Check(SQLDisconnect(dbc_.get()));
}

bool ColumnInfo::IsBinary() const noexcept {
  return sqlType == SQL_BINARY || sqlType == SQL_VARBINARY || sqlType == SQL_LONGVARBINARY;
}

Statement::Statement(const Connection& connection)
    : stmt_(SQL_HANDLE_STMT, Allocate(SQL_HANDLE_STMT, connection.handle())) {}

void Statement::SetQueryTimeout(std::uint32_t seconds) {
  stmt_.Check(SQLSetStmtAttr(stmt_.get(), SQL_ATTR_QUERY_TIMEOUT,
                             reinterpret_cast<SQLPOINTER>(static_cast<ULONG_PTR>(seconds)), 0));
}

void Statement::Execute(const std::wstring& sql, const std::vector<Parameter>& parameters) {
  std::string text = ToAnsi(sql);
  if (parameters.empty()) {
    // Directly: some drivers prepare only the first of several statements.
    const SQLRETURN rc = SQLExecDirect(stmt_.get(), reinterpret_cast<SQLCHAR*>(text.data()), SQL_NTS);
    if (rc != SQL_NO_DATA) stmt_.Check(rc);
    return;
  }
  // The bound buffers must stay put until SQLExecDirect has sent them.
  std::vector<std::string> texts(parameters.size());
  std::vector<SQLINTEGER> longs(parameters.size());
  std::vector<SQLSMALLINT> shorts(parameters.size());
  std::vector<SQLLEN> lengths(parameters.size());
  static unsigned char empty = 0;
  for (std::size_t i = 0; i < parameters.size(); ++i) {
    const Parameter& p = parameters[i];
    const auto number = static_cast<SQLUSMALLINT>(i + 1);
    SQLRETURN rc = SQL_SUCCESS;
    switch (p.kind) {
      case Parameter::Kind::Null:
        lengths[i] = SQL_NULL_DATA;
        rc = SQLBindParameter(stmt_.get(), number, SQL_PARAM_INPUT, SQL_C_CHAR, SQL_VARCHAR, 1, 0, &empty, 0,
                              &lengths[i]);
        break;
      case Parameter::Kind::Text:
        texts[i] = ToAnsi(p.text);
        lengths[i] = static_cast<SQLLEN>(texts[i].size());
        rc = SQLBindParameter(stmt_.get(), number, SQL_PARAM_INPUT, SQL_C_CHAR, SQL_VARCHAR,
                              std::max<SQLULEN>(1, texts[i].size()), 0, texts[i].data(), lengths[i], &lengths[i]);
        break;
      case Parameter::Kind::Int32:
        longs[i] = p.number;
        rc = SQLBindParameter(stmt_.get(), number, SQL_PARAM_INPUT, SQL_C_SLONG, SQL_INTEGER, 0, 0, &longs[i], 0,
                              nullptr);
        break;
      case Parameter::Kind::Int16:
        shorts[i] = static_cast<SQLSMALLINT>(p.number);
        rc = SQLBindParameter(stmt_.get(), number, SQL_PARAM_INPUT, SQL_C_SSHORT, SQL_SMALLINT, 0, 0, &shorts[i],
                              0, nullptr);
        break;
      case Parameter::Kind::Binary:
        // In one piece as VARBINARY: the PostgreSQL driver may take LONGVARBINARY for a large object.
        lengths[i] = static_cast<SQLLEN>(p.bytes.size());
        rc = SQLBindParameter(stmt_.get(), number, SQL_PARAM_INPUT, SQL_C_BINARY, SQL_VARBINARY,
                              std::max<SQLULEN>(1, p.bytes.size()), 0,
                              p.bytes.empty() ? static_cast<SQLPOINTER>(&empty)
                                              : const_cast<unsigned char*>(p.bytes.data()),
                              lengths[i], &lengths[i]);
        break;
    }
    stmt_.Check(rc);
  }
  // Directly as well: a prepared statement costs the server a round trip more when it is dropped.
  const SQLRETURN rc = SQLExecDirect(stmt_.get(), reinterpret_cast<SQLCHAR*>(text.data()), SQL_NTS);
  if (rc != SQL_NO_DATA) stmt_.Check(rc);
}

std::vector<ColumnInfo> Statement::Columns() const {
  SQLSMALLINT count = 0;
  stmt_.Check(SQLNumResultCols(stmt_.get(), &count));
  std::vector<ColumnInfo> columns;
  for (SQLSMALLINT i = 1; i <= count; ++i) {
    SQLCHAR name[256] = {};
    SQLSMALLINT nameLength = 0, type = 0, digits = 0, nullable = 0;
    SQLULEN size = 0;
    stmt_.Check(SQLDescribeCol(stmt_.get(), static_cast<SQLUSMALLINT>(i), name, sizeof(name), &nameLength, &type,
                               &size, &digits, &nullable));
    SQLCHAR typeName[128] = {};
    SQLSMALLINT typeLength = 0;
    // Not every driver names its types: then the name stays empty.
    if (!Succeeded(SQLColAttribute(stmt_.get(), static_cast<SQLUSMALLINT>(i), SQL_DESC_TYPE_NAME, typeName,
                                   sizeof(typeName), &typeLength, nullptr))) {
      typeName[0] = 0;
    }
    columns.push_back({FromAnsi(reinterpret_cast<const char*>(name)), type,
                       FromAnsi(reinterpret_cast<const char*>(typeName))});
  }
  return columns;
}

bool Statement::Fetch() {
  const SQLRETURN rc = SQLFetch(stmt_.get());
  if (rc == SQL_NO_DATA) return false;
  stmt_.Check(rc);
  return true;
}

std::optional<std::wstring> Statement::GetText(SQLUSMALLINT column) {
  std::string value;
  char buffer[4096];
  for (;;) {
    SQLLEN indicator = 0;
    const SQLRETURN rc = SQLGetData(stmt_.get(), column, SQL_C_CHAR, buffer, sizeof(buffer), &indicator);
    if (rc == SQL_NO_DATA) break;
    stmt_.Check(rc);
    if (indicator == SQL_NULL_DATA) return std::nullopt;
    if (rc == SQL_SUCCESS) {
      value.append(buffer, static_cast<std::size_t>(indicator));
      break;
    }
    // Truncated: the buffer is full but for its terminating NUL.
    value.append(buffer, sizeof(buffer) - 1);
  }
  return FromAnsi(value);
}

std::vector<unsigned char> Statement::GetBytes(SQLUSMALLINT column, std::size_t size) {
  std::vector<unsigned char> piece(size);
  if (size == 0) return piece;
  SQLLEN indicator = 0;
  const SQLRETURN rc = SQLGetData(stmt_.get(), column, SQL_C_BINARY, piece.data(), static_cast<SQLLEN>(size),
                                  &indicator);
  if (rc == SQL_NO_DATA) return {};
  stmt_.Check(rc);
  if (indicator == SQL_NULL_DATA) return {};
  if (rc == SQL_SUCCESS && indicator >= 0 && static_cast<std::size_t>(indicator) < size) {
    piece.resize(static_cast<std::size_t>(indicator));
  }
  return piece;
}

std::vector<unsigned char> Statement::GetBytesFromHex(SQLUSMALLINT column, std::size_t size) {
  if (size == 0) return {};
  // Two characters a byte and the terminating NUL, in a buffer kept for the next value: its pages
  // are not mapped and cleared again for every image.
  thread_local std::vector<char> text;
  if (text.size() < 2 * size + 1) text.resize(2 * size + 1);
  SQLLEN indicator = 0;
  const SQLRETURN rc = SQLGetData(stmt_.get(), column, SQL_C_CHAR, text.data(), static_cast<SQLLEN>(2 * size + 1),
                                  &indicator);
  if (rc == SQL_NO_DATA) return {};
  stmt_.Check(rc);
  if (indicator == SQL_NULL_DATA) return {};
  std::size_t count = 2 * size;
  if (rc == SQL_SUCCESS && indicator >= 0 && static_cast<std::size_t>(indicator) < count) {
    count = static_cast<std::size_t>(indicator);
  }
  // The byte of each pair of characters as it lies in memory; -1 for a pair that is not hexadecimal.
  static const std::vector<std::int16_t> pairs = [] {
    std::array<int, 256> digit{};
    digit.fill(-1);
    for (int i = 0; i < 10; ++i) digit['0' + i] = i;
    for (int i = 0; i < 6; ++i) digit['a' + i] = digit['A' + i] = 10 + i;
    std::vector<std::int16_t> table(1 << 16);
    for (int first = 0; first < 256; ++first) {
      for (int second = 0; second < 256; ++second) {
        const bool valid = digit[first] >= 0 && digit[second] >= 0;
        const unsigned char pair[2] = {static_cast<unsigned char>(first), static_cast<unsigned char>(second)};
        std::uint16_t key = 0;
        std::memcpy(&key, pair, 2);
        table[key] = static_cast<std::int16_t>(valid ? digit[first] * 16 + digit[second] : -1);
      }
    }
    return table;
  }();
  std::vector<unsigned char> piece(count / 2);
  const char* in = text.data();
  int invalid = count % 2 == 0 ? 0 : -1;
  for (std::size_t i = 0; i < piece.size(); ++i, in += 2) {
    std::uint16_t key = 0;
    std::memcpy(&key, in, 2);
    const int value = pairs[key];
    invalid |= value;
    piece[i] = static_cast<unsigned char>(value);
  }
  if (invalid < 0) throw RuntimeError(Hresult(0x80004005), L"ODBC のドライバーが 16 進数でない値を返しました。");
  return piece;
}

void Statement::CloseCursor() { stmt_.Check(SQLFreeStmt(stmt_.get(), SQL_CLOSE)); }

}  // namespace kv::odbc
