#include "components/AdoRecordset.h"

#include <algorithm>

#include "base/Text.h"

namespace kv::ado {
namespace {

[[noreturn]] void RaiseNoCurrentRow() {
  throw RuntimeError(3021, L"BOF と EOF のいずれかが True になっているか、または現在のレコードが削除されています。"
                           L"要求された操作には、現在のレコードが必要です。");
}

[[noreturn]] void RaiseNotUpdatable() {
  throw RuntimeError(3251, L"現在の Recordset はこの操作をサポートしていません。");
}

// Position of keyword (blanks around it) in sql, case-insensitively.
std::size_t FindKeyword(const std::wstring& sql, const std::wstring& keyword) {
  return UCase(sql).find(L" " + keyword + L" ");
}

}  // namespace

std::vector<unsigned char> Field::GetChunk(std::int32_t size) {
  if (size <= 0 || !owner_) return {};
  if (deferred_) {
    owner_->RequireOpen();
    if (owner_->eof_) RaiseNoCurrentRow();
    if (!hexText_) return owner_->statement_->GetBytes(column_, static_cast<std::size_t>(size));
    // In large blocks: a value that fits in one crosses the driver in a single copy.
    if (offset_ == bytes_.size()) {
      bytes_ = owner_->statement_->GetBytesFromHex(column_, kHexBlock);
      offset_ = 0;
    }
  }
  const std::size_t count = std::min(bytes_.size() - offset_, static_cast<std::size_t>(size));
  std::vector<unsigned char> piece(bytes_.begin() + static_cast<std::ptrdiff_t>(offset_),
                                   bytes_.begin() + static_cast<std::ptrdiff_t>(offset_ + count));
  offset_ += count;
  return piece;
}

void Field::AppendChunk(const std::vector<unsigned char>& bytes) {
  if (!pending_ || pending_->kind != odbc::Parameter::Kind::Binary) pending_ = odbc::Parameter::Binary({});
  pending_->bytes.insert(pending_->bytes.end(), bytes.begin(), bytes.end());
}

void Recordset::Open(const std::wstring& source, Connection& connection, CursorTypeEnum cursorType,
                     LockTypeEnum lockType, std::vector<odbc::Parameter> parameters) {
  if (IsOpen()) throw RuntimeError(3705, L"オブジェクトが開いている場合は、操作は許可されません。");
  updatable_ = lockType != adLockReadOnly;
  adding_ = false;
  table_.clear();
  condition_.clear();
  if (updatable_) {
    // The one kind of source that can be written back: SELECT * FROM table [WHERE condition].
    const std::size_t from = FindKeyword(source, L"FROM");
    if (!StartsWith(UCase(Trim(source)), L"SELECT * ") || from == std::wstring::npos) RaiseNotUpdatable();
    const std::wstring afterFrom = Trim(source.substr(from + 6));
    table_ = afterFrom.substr(0, afterFrom.find(L' '));
    const std::size_t where = FindKeyword(source, L"WHERE");
    if (where != std::wstring::npos) condition_ = source.substr(where + 7);
  }

  auto statement = std::make_unique<odbc::Statement>(connection.Odbc());
  statement->SetQueryTimeout(static_cast<std::uint32_t>(std::max(0, connection.CommandTimeout)));
  statement->Execute(source, parameters);

  std::vector<odbc::ColumnInfo> columns = statement->Columns();
  fields_.assign(columns.size(), Field());
  // Binary columns after the last other column are left to GetChunk; the driver reads columns
  // in order only.
  std::size_t lastText = 0;
  for (std::size_t i = 0; i < columns.size(); ++i) {
    if (!columns[i].IsBinary()) lastText = i + 1;
  }
  for (std::size_t i = 0; i < columns.size(); ++i) {
    Field& field = fields_[i];
    field.owner_ = this;
    field.column_ = static_cast<SQLUSMALLINT>(i + 1);
    field.info_ = columns[i];
    field.deferred_ = columns[i].IsBinary() && i >= lastText;
    // PostgreSQL's driver turns its bytea text into bytes one character at a time, twice over, at
    // the first piece of a value; its hexadecimal text passes through in plain copies.
    field.hexText_ = field.deferred_ && UCase(columns[i].typeName) == L"BYTEA";
  }
  connection_ = &connection;
  statement_ = std::move(statement);
  parameters_ = std::move(parameters);
  Advance();
}

bool Recordset::Eof() const {
  RequireOpen();
  return eof_;
}

Field& Recordset::Fields(const std::wstring& name) {
  RequireOpen();
  const std::wstring wanted = UCase(name);
  for (Field& field : fields_) {
    if (UCase(field.Name()) == wanted) return field;
  }
  throw RuntimeError(3265, L"要求された名前、または序数に対応する項目がコレクションで見つかりません。(" + name + L")");
}

void Recordset::MoveNext() {
  RequireOpen();
  if (eof_) RaiseNoCurrentRow();
  Advance();
}

void Recordset::Advance() {
  eof_ = false;
  if (!statement_->Fetch()) {
    eof_ = true;
    for (Field& field : fields_) {
      field.text_.reset();
      field.bytes_.clear();
      field.offset_ = 0;
    }
    return;
  }
  ReadRow();
}

void Recordset::ReadRow() {
  for (Field& field : fields_) {
    field.text_.reset();
    field.bytes_.clear();
    field.offset_ = 0;
    field.pending_.reset();
    if (field.deferred_) continue;
    if (field.isBinary()) {
      for (;;) {
        const std::vector<unsigned char> piece = statement_->GetBytes(field.column_, 65536);
        if (piece.empty()) break;
        field.bytes_.insert(field.bytes_.end(), piece.begin(), piece.end());
      }
    } else {
      field.text_ = statement_->GetText(field.column_);
    }
  }
}

void Recordset::AddNew() {
  RequireOpen();
  if (!updatable_) RaiseNotUpdatable();
  adding_ = true;
  for (Field& field : fields_) field.pending_.reset();
}

void Recordset::Update() {
  RequireOpen();
  if (!updatable_) RaiseNotUpdatable();
  if (!adding_ && (eof_ || condition_.empty())) RaiseNoCurrentRow();

  std::wstring names, values, assignments;
  std::vector<odbc::Parameter> bound;
  for (const Field& field : fields_) {
    if (!field.pending_) continue;
    names += (names.empty() ? L"" : L",") + field.Name();
    values += values.empty() ? L"?" : L",?";
    assignments += (assignments.empty() ? L"" : L",") + field.Name() + L"=?";
    bound.push_back(*field.pending_);
  }
  if (bound.empty()) return;

  std::wstring sql;
  if (adding_) {
    sql = L"INSERT INTO " + table_ + L" (" + names + L") VALUES (" + values + L")";
  } else {
    sql = L"UPDATE " + table_ + L" SET " + assignments + L" WHERE " + condition_;
    bound.insert(bound.end(), parameters_.begin(), parameters_.end());
  }
  // The rows of the source are no longer needed once they are written over.
  statement_->CloseCursor();
  eof_ = true;
  odbc::Statement writer(connection_->Odbc());
  writer.SetQueryTimeout(static_cast<std::uint32_t>(std::max(0, connection_->CommandTimeout)));
  writer.Execute(sql, bound);
  adding_ = false;
  for (Field& field : fields_) field.pending_.reset();
}

void Recordset::Close() {
  RequireOpen();
  statement_.reset();
  fields_.clear();
  eof_ = true;
  adding_ = false;
}

void Recordset::RequireOpen() const {
  if (!statement_) throw RuntimeError(kObjectClosed, ObjectClosedText());
}

}  // namespace kv::ado
