#pragma once
// Our ADO stand-in's Recordset on a Connection. Reading: the current row's columns are read at
// each fetch, but for trailing binary columns (the images), which GetChunk reads in pieces.
// Writing: for a source "SELECT * FROM table [WHERE condition]" opened with a lock other than
// read-only, AddNew or the current row plus the values set become one INSERT, or one UPDATE with
// the source's condition, when Update is called; every value is bound, none is put in the text.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "components/AdoConnection.h"
#include "components/Odbc.h"

namespace kv::ado {

class Recordset;

class Field {
 public:
  const std::wstring& Name() const noexcept { return info_.name; }
  // NULL, as distinct from "". A binary column read in pieces answers False.
  bool IsNull() const noexcept { return !deferred_ && !isBinary() && !text_; }
  // The value as text; "" for NULL.
  std::wstring Text() const { return text_ ? *text_ : std::wstring(); }
  // The next piece of at most size bytes of a binary value; empty at its end or for NULL.
  std::vector<unsigned char> GetChunk(std::int32_t size);

  // Values to write at the next Update.
  void SetValue(odbc::Parameter value) { pending_ = std::move(value); }
  void AppendChunk(const std::vector<unsigned char>& bytes);

 private:
  friend class Recordset;
  bool isBinary() const noexcept { return info_.IsBinary(); }
  static constexpr std::size_t kHexBlock = 2 << 20;  // bytes of a hexadecimal value read at once

  Recordset* owner_ = nullptr;
  SQLUSMALLINT column_ = 0;
  odbc::ColumnInfo info_;
  bool deferred_ = false;  // read by GetChunk from the driver
  bool hexText_ = false;   // and as hexadecimal text (see Open)
  std::optional<std::wstring> text_;
  std::vector<unsigned char> bytes_;  // a binary value read at the fetch, or a block of one
  std::size_t offset_ = 0;
  std::optional<odbc::Parameter> pending_;
};

class Recordset {
 public:
  Recordset() = default;
  Recordset(const Recordset&) = delete;
  Recordset& operator=(const Recordset&) = delete;

  // Runs source with the parameters bound to its "?" in order and moves to the first row.
  void Open(const std::wstring& source, Connection& connection, CursorTypeEnum cursorType, LockTypeEnum lockType,
            std::vector<odbc::Parameter> parameters = {});
  bool IsOpen() const noexcept { return statement_ != nullptr; }
  // True after the last row (ADO's EOF).
  bool Eof() const;
  // By name, case-insensitively (some servers answer lower case); raises 3265 when not there.
  Field& Fields(const std::wstring& name);
  void MoveNext();

  void AddNew();
  void Update();
  void Close();

 private:
  friend class Field;
  void Advance();
  void ReadRow();
  void RequireOpen() const;

  Connection* connection_ = nullptr;
  std::unique_ptr<odbc::Statement> statement_;
  std::vector<Field> fields_;
  bool eof_ = true;
  bool updatable_ = false;
  bool adding_ = false;
  std::wstring table_;
  std::wstring condition_;
  std::vector<odbc::Parameter> parameters_;
};

}  // namespace kv::ado
