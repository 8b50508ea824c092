#pragma once
// Our ADO stand-in's Connection: an ADO connection string opened through the ODBC driver of its
// provider. The connection time-out bounds the login, the command time-out each statement.
#include <cstdint>
#include <memory>
#include <string>

#include "components/Odbc.h"

namespace kv::ado {

enum CursorTypeEnum { adOpenForwardOnly = 0, adOpenKeyset = 1, adOpenDynamic = 2, adOpenStatic = 3 };
enum LockTypeEnum { adLockReadOnly = 1, adLockPessimistic = 2, adLockOptimistic = 3 };
enum CursorLocationEnum { adUseServer = 2, adUseClient = 3 };

// ADO's number for a call on a closed object.
inline constexpr std::int32_t kObjectClosed = 3704;

class Connection {
 public:
  std::wstring ConnectionString;
  std::int32_t ConnectionTimeout = 15;
  std::int32_t CommandTimeout = 30;
  std::int32_t CursorLocation = adUseServer;

  // Raises the first diagnostic of a failed open (3705 when already open).
  void Open();
  // Raises 3704 when not open.
  void Close();
  bool IsOpen() const noexcept { return odbc_ && odbc_->Connected(); }
  // Runs a statement that gives no rows.
  void Execute(const std::wstring& sql);

  // For the recordsets: raises 3704 when not open.
  odbc::Connection& Odbc();

 private:
  std::unique_ptr<odbc::Connection> odbc_;
};

// The text of the ADO number for a closed object.
std::wstring ObjectClosedText();

}  // namespace kv::ado
