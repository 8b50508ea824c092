#include "components/WindowsInstaller.h"

#include <msiquery.h>

#include "base/RuntimeError.h"

namespace kv::WindowsInstaller {
namespace {

// The installer answers Windows error codes; the system holds their texts.
[[noreturn]] void RaiseInstallerError(UINT code) { throw RuntimeError::FromHresult(static_cast<HRESULT>(code)); }

void Check(UINT code) {
  if (code != ERROR_SUCCESS) RaiseInstallerError(code);
}

}  // namespace

std::wstring Record::StringData(unsigned field) const {
  std::wstring value(64, L'\0');
  for (;;) {
    DWORD size = static_cast<DWORD>(value.size());
    const UINT code = MsiRecordGetStringW(handle_.get(), field, value.data(), &size);
    if (code == ERROR_SUCCESS) {
      value.resize(size);
      return value;
    }
    if (code != ERROR_MORE_DATA) RaiseInstallerError(code);
    value.resize(static_cast<std::size_t>(size) + 1);  // size left out the terminating NUL
  }
}

void View::Execute() { Check(MsiViewExecute(handle_.get(), 0)); }

Record View::Fetch() {
  UniqueMsiHandle record;
  Check(MsiViewFetch(handle_.get(), record.put()));
  return Record(std::move(record));
}

View Database::OpenView(const std::wstring& query) {
  UniqueMsiHandle view;
  Check(MsiDatabaseOpenViewW(handle_.get(), query.c_str(), view.put()));
  return View(std::move(view));
}

void Database::Commit() { Check(MsiDatabaseCommit(handle_.get())); }

Database Installer::OpenDatabase(const std::wstring& path, int openMode) const {
  if (openMode < 0 || openMode > 4) RaiseInstallerError(ERROR_INVALID_PARAMETER);
  // The C API takes the mode in place of the output path (MSIDBOPEN_READONLY is 0, and so on).
  const auto persist = reinterpret_cast<LPCWSTR>(static_cast<INT_PTR>(openMode));
  UniqueMsiHandle database;
  Check(MsiOpenDatabaseW(path.c_str(), persist, database.put()));
  return Database(std::move(database));
}

}  // namespace kv::WindowsInstaller
