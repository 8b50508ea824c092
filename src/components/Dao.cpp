#include "components/Dao.h"

#include <cwchar>
#include <cwctype>
#include <optional>

#include "base/RuntimeError.h"
#include "base/Text.h"
#include "components/Odbc.h"

namespace kv::dao {
namespace {

// The ODBC layer's failure as DAO reports it: its text, DAO's number.
template <class Call>
auto OdbcCall(Call&& call) -> decltype(call()) {
  try {
    return call();
  } catch (const RuntimeError& e) {
    throw RuntimeError(kOdbcCallFailed, e.Description());
  }
}

std::wstring EnvironmentText(const wchar_t* name) {
  const DWORD size = GetEnvironmentVariableW(name, nullptr, 0);
  if (size == 0) return {};
  std::wstring value(size, L'\0');
  value.resize(GetEnvironmentVariableW(name, value.data(), size));
  return value;
}

// A host path as Wine shows it (its Z: drive); a Windows path as it is.
std::wstring WindowsPathOf(const std::wstring& path) {
  if (path.empty() || path.front() != L'/') return path;
  std::wstring windows = L"Z:" + path;
  for (wchar_t& c : windows) {
    if (c == L'/') c = L'\\';
  }
  return windows;
}

bool SameName(const std::wstring& a, const std::wstring& b) { return UCase(a) == UCase(b); }

// "yyyy-mm-dd", "yyyy-mm-dd hh:mm:ss[.fff]" or "hh:mm:ss" as the drivers give dates and times.
std::optional<double> ParseDateTime(const std::wstring& text) {
  SYSTEMTIME t{};
  t.wYear = 1899;
  t.wMonth = 12;
  t.wDay = 30;
  unsigned y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0;
  if (std::swscanf(text.c_str(), L"%u-%u-%u %u:%u:%u", &y, &mo, &d, &h, &mi, &s) >= 3) {
    t.wYear = static_cast<WORD>(y);
    t.wMonth = static_cast<WORD>(mo);
    t.wDay = static_cast<WORD>(d);
  } else if (std::swscanf(text.c_str(), L"%u:%u:%u", &h, &mi, &s) != 3) {
    return std::nullopt;
  }
  t.wHour = static_cast<WORD>(h);
  t.wMinute = static_cast<WORD>(mi);
  t.wSecond = static_cast<WORD>(s);
  double when = 0;
  if (!SystemTimeToVariantTime(&t, &when)) return std::nullopt;
  return when;
}

// The driver's text of a value as a variant of the column's type.
void AssignValue(VARIANT* target, short sqlType, const std::optional<std::wstring>& text) {
  if (!text) {
    target->vt = VT_NULL;
    return;
  }
  const wchar_t* s = text->c_str();
  switch (sqlType) {
    case SQL_SMALLINT:
      target->vt = VT_I2;
      target->iVal = static_cast<SHORT>(std::wcstol(s, nullptr, 10));
      return;
    case SQL_TINYINT:
      target->vt = VT_UI1;
      target->bVal = static_cast<BYTE>(std::wcstol(s, nullptr, 10));
      return;
    case SQL_INTEGER:
    case SQL_BIGINT:
      target->vt = VT_I4;
      target->lVal = static_cast<LONG>(std::wcstoll(s, nullptr, 10));
      return;
    case SQL_BIT:
      target->vt = VT_BOOL;
      target->boolVal = std::wcstol(s, nullptr, 10) != 0 ? VARIANT_TRUE : VARIANT_FALSE;
      return;
    case SQL_REAL:
    case SQL_FLOAT:
    case SQL_DOUBLE:
    case SQL_NUMERIC:
    case SQL_DECIMAL:
      // The drivers write numbers with a full stop; the programs keep the C library's "C" locale.
      target->vt = VT_R8;
      target->dblVal = std::wcstod(s, nullptr);
      return;
    case SQL_TYPE_DATE:
    case SQL_TYPE_TIME:
    case SQL_TYPE_TIMESTAMP:
    case SQL_DATE:
    case SQL_TIME:
    case SQL_TIMESTAMP:
      if (const auto when = ParseDateTime(*text)) {
        target->vt = VT_DATE;
        target->date = *when;
        return;
      }
      break;  // not a date after all: kept as the text the driver gave
    default:
      break;
  }
  target->vt = VT_BSTR;
  target->bstrVal = SysAllocStringLen(text->data(), static_cast<UINT>(text->size()));
}

}  // namespace

std::wstring ConnectionStringFor(const std::wstring& path) {
  const std::wstring sqlite = EnvironmentText(L"KV_RELEASE_HISTORY");
  if (!sqlite.empty()) return L"DRIVER=SQLite3;Database=" + sqlite + L";NoCreat=1";
  return L"DRIVER={Microsoft Access Driver (*.mdb)};DBQ=" + path;
}

Recordset::Recordset(std::shared_ptr<odbc::Connection> connection, const std::wstring& query)
    : connection_(std::move(connection)) {
  OdbcCall([&] {
    statement_ = std::make_unique<odbc::Statement>(*connection_);
    statement_->Execute(query);
    for (const auto& column : statement_->Columns()) {
      names_.push_back(column.name);
      types_.push_back(column.sqlType);
    }
  });
  ReadRecord();
}

Recordset::~Recordset() = default;

void Recordset::ReadRecord() {
  values_.clear();
  eof_ = !OdbcCall([&] { return statement_->Fetch(); });
  if (eof_) return;
  // In column order: the drivers hand columns over only forwards.
  for (std::size_t k = 0; k < names_.size(); ++k) {
    const auto text = OdbcCall([&] { return statement_->GetText(static_cast<SQLUSMALLINT>(k + 1)); });
    AssignValue(values_.emplace_back().get(), types_[k], text);
  }
}

bool Recordset::Eof() const {
  if (!statement_) throw RuntimeError(kObjectClosed, L"オブジェクトが無効か、設定されていません。");
  return eof_;
}

Field Recordset::Fields(const std::wstring& name) const {
  if (Eof()) throw RuntimeError(kNoCurrentRecord, L"カレント レコードがありません。");
  for (std::size_t k = 0; k < names_.size(); ++k) {
    if (SameName(names_[k], name)) return Field(*values_[k].get());
  }
  throw RuntimeError(kItemNotFound, L"このコレクションには項目がありません。(" + name + L")");
}

void Recordset::MoveNext() {
  if (Eof()) throw RuntimeError(kNoCurrentRecord, L"カレント レコードがありません。");
  ReadRecord();
}

void Recordset::Close() {
  values_.clear();
  statement_.reset();
  connection_.reset();
}

Database::Database(const std::wstring& path) {
  auto connection = OdbcCall([] { return std::make_shared<odbc::Connection>(); });
  try {
    connection->Connect(ConnectionStringFor(path), 0);
  } catch (const RuntimeError& e) {
    // Which file was meant decides the number; the driver's words stay.
    const std::wstring sqlite = EnvironmentText(L"KV_RELEASE_HISTORY");
    const std::wstring file = WindowsPathOf(sqlite.empty() ? path : sqlite);
    const bool missing = GetFileAttributesW(file.c_str()) == INVALID_FILE_ATTRIBUTES;
    throw RuntimeError(missing ? kFileNotFound : kOdbcCallFailed, e.Description());
  }
  connection_ = std::move(connection);
}

Database::~Database() = default;

std::unique_ptr<Recordset> Database::OpenRecordset(const std::wstring& query) {
  if (!connection_) throw RuntimeError(kObjectClosed, L"オブジェクトが無効か、設定されていません。");
  return std::make_unique<Recordset>(connection_, query);
}

void Database::Close() {
  if (!connection_) return;
  auto connection = std::move(connection_);
  OdbcCall([&] { connection->Disconnect(); });
}

std::unique_ptr<Database> Workspace::OpenDatabase(const std::wstring& path) {
  return std::make_unique<Database>(path);
}

Workspace& Engine::Workspaces(std::int32_t index) {
  if (index != 0) throw RuntimeError(kItemNotFound, L"このコレクションには項目がありません。");
  return default_;
}

Engine& DBEngine() {
  static Engine engine;
  return engine;
}

}  // namespace kv::dao
