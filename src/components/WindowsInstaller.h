#pragma once
// Our stand-in for the installer automation object ("WindowsInstaller.Installer"), on the
// installer's C API: Wine's automation object fails at Commit. It offers what the launcher reads:
// a database, its views and their records. A failure raises the installer's error code with the
// system's text for it.
#include <string>

#include "base/Handles.h"

namespace kv::WindowsInstaller {

class Record {
 public:
  explicit Record(UniqueMsiHandle handle) : handle_(std::move(handle)) {}

  // Text of field (from 1), whatever its length.
  std::wstring StringData(unsigned field) const;

 private:
  UniqueMsiHandle handle_;
};

class View {
 public:
  explicit View(UniqueMsiHandle handle) : handle_(std::move(handle)) {}

  void Execute();
  // The next record of the executed view; none left is a failure (ERROR_NO_MORE_ITEMS).
  Record Fetch();

 private:
  UniqueMsiHandle handle_;
};

class Database {
 public:
  explicit Database(UniqueMsiHandle handle) : handle_(std::move(handle)) {}

  View OpenView(const std::wstring& query);
  // Succeeds on a read-only database, which has nothing to write.
  void Commit();

 private:
  UniqueMsiHandle handle_;
};

class Installer {
 public:
  // openMode as the automation object numbers it: 0 read-only, 1 transact, 2 direct, 3 create,
  // 4 create direct.
  Database OpenDatabase(const std::wstring& path, int openMode) const;
};

}  // namespace kv::WindowsInstaller
