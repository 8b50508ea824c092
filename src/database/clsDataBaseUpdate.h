#pragma once
// The update database on the hospital's database server: its connection, the table VERSION with
// one row per program file and its contents, and the files written from it.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "base/ProcessStarter.h"
#include "base/RuntimeError.h"
#include "components/AdoConnection.h"
#include "components/MD5Component.h"

namespace kv {

struct DataBaseVersionTableEntry {
  std::wstring ProgramName;
  std::wstring VersionText;
  std::int32_t FileSize = 0;
  std::int16_t RegistType = 0;
  std::wstring FolderName;
  std::wstring MD5;
};

// Results: 0 success, -1 the operation's own refusal, otherwise the failure number (text in
// LastErrorMessage).
class clsDataBaseUpdate {
 public:
  static constexpr std::int16_t kMaxVersionTable = 3000;

  clsDataBaseUpdate();
  // Registration tools are started through processes (tests pass one that only records).
  explicit clsDataBaseUpdate(const ProcessStarter& processes);
  ~clsDataBaseUpdate();
  clsDataBaseUpdate(const clsDataBaseUpdate&) = delete;
  clsDataBaseUpdate& operator=(const clsDataBaseUpdate&) = delete;

  std::int16_t UseVersionTable() const noexcept { return useVersionTable_; }
  // A value above 3000 is ignored.
  void SetUseVersionTable(std::int16_t Value);

  // Rows 1 to UseVersionTable; outside 0 to 3000 a read gives "" or 0 and a write is ignored.
  std::wstring ProgramName(std::int16_t Index) const { return Get(Index, &DataBaseVersionTableEntry::ProgramName); }
  void SetProgramName(std::int16_t Index, std::wstring v) { Set(Index, &DataBaseVersionTableEntry::ProgramName, v); }
  std::wstring VersionText(std::int16_t Index) const { return Get(Index, &DataBaseVersionTableEntry::VersionText); }
  void SetVersionText(std::int16_t Index, std::wstring v) { Set(Index, &DataBaseVersionTableEntry::VersionText, v); }
  std::int32_t FileSize(std::int16_t Index) const { return Get(Index, &DataBaseVersionTableEntry::FileSize); }
  void SetFileSize(std::int16_t Index, std::int32_t v) { Set(Index, &DataBaseVersionTableEntry::FileSize, v); }
  std::int16_t RegistType(std::int16_t Index) const { return Get(Index, &DataBaseVersionTableEntry::RegistType); }
  void SetRegistType(std::int16_t Index, std::int16_t v) { Set(Index, &DataBaseVersionTableEntry::RegistType, v); }
  std::wstring FolderName(std::int16_t Index) const { return Get(Index, &DataBaseVersionTableEntry::FolderName); }
  void SetFolderName(std::int16_t Index, std::wstring v) { Set(Index, &DataBaseVersionTableEntry::FolderName, v); }
  std::wstring MD5(std::int16_t Index) const { return Get(Index, &DataBaseVersionTableEntry::MD5); }
  void SetMD5(std::int16_t Index, std::wstring v) { Set(Index, &DataBaseVersionTableEntry::MD5, v); }

  void SetIgnoreCheck(bool Value) noexcept { ignoreCheck_ = Value; }
  // The message of the last failure; a later success leaves it.
  const std::wstring& LastErrorMessage() const noexcept { return lastErrorMessage_; }

  // The first row of that name decides: the same version (False while IgnoreCheck is set); a
  // greater version.
  bool CheckVersionTable(const std::wstring& strProgramName, const std::wstring& strVersion) const;
  bool CheckVersionDown(const std::wstring& strProgramName, const std::wstring& strVersion) const;

  // 0 when the database "MOSURI_UPDATE" is in SQL Server's catalogue (asked in "master" whatever
  // the driver), -1 when not; the connection is then closed.
  std::int32_t ExistDatabase(std::int16_t intDriver, const std::wstring& strUser, const std::wstring& strPassword,
                             const std::wstring& strServer, const std::wstring& strInstance,
                             const std::wstring& strPort, const std::wstring& strOption,
                             std::int16_t intConnectionTimeout = 30);
  // Opens, reads at most 3000 rows in name order, closes.
  std::int32_t ReadControl(std::int16_t intDriver, const std::wstring& strUser, const std::wstring& strPassword,
                           const std::wstring& strServer, const std::wstring& strInstance,
                           const std::wstring& strPort, const std::wstring& strOption,
                           std::int16_t intConnectionTimeout = 30);
  // Stores the file strAppFolder\strFileName (else strAppFolder\strFolder\strFileName) into its
  // row; 0 without storing when neither exists. Needs the connection the caller opened.
  std::int32_t UploadData(const std::wstring& strFileName, const std::wstring& strFolder,
                          const std::wstring& strFileDateTime, std::int16_t intRegist,
                          const std::wstring& strAppFolder);
  // Writes the row's file into strAppFolder\strFolder: unregistered, written beside as a
  // temporary file, stamped and checked there, put in place, registered. -1 when the image is
  // damaged. When it stops before the new file is in place, the installed file is kept and
  // registered again. Needs the caller's connection.
  std::int32_t DownloadData(const std::wstring& strFileName, const std::wstring& strFolder, std::int16_t intRegist,
                            const std::wstring& strAppFolder);
  // Registers (True) or unregisters the file by its type (2 regsvr32, 3 its own switches); 0 also
  // when the file is missing or its type registers nothing.
  std::int32_t RegistFile(const std::wstring& strProgName, std::int16_t intRegistType, bool flgRegist);
  // Creates the update database (SQL Server) and the table VERSION with its key.
  std::int32_t CreateDataBase(const std::wstring& strFolderName, std::int16_t intDriver, const std::wstring& strUser,
                              const std::wstring& strPassword, const std::wstring& strServer,
                              const std::wstring& strInstance, const std::wstring& strPort,
                              const std::wstring& strOption, std::int16_t intConnectionTimeout = 30);

  // strDataBase "" means "MOSURI_UPDATE" for driver 1 and "MOSURI" for the others. A failing
  // statement is tried once more while the retry counter allows it.
  std::int32_t OpenConnect(std::int16_t intDriver, const std::wstring& strUser, const std::wstring& strPassword,
                           const std::wstring& strServer, const std::wstring& strInstance,
                           const std::wstring& strPort, const std::wstring& strOption,
                           const std::wstring& strDataBase = L"", std::int16_t intConnectionTimeout = 30);
  bool CheckDBOpend() const noexcept { return flgOpened_; }
  void CloseConnect();
  bool ReConnectDbOnError(const std::wstring& strErrorDescription);

 private:
  struct Settings {
    std::int16_t driver = 0;
    std::wstring user, password, server, database, instance, port, option;
    std::int16_t timeout = 0;
  };

  std::int16_t ExecWait(const std::wstring& commandLine);
  // Runs statement, once more after a failure while the retry counter is at 1 or less.
  template <class Statement>
  void WithRetry(Statement&& statement);
  // Composes LastErrorMessage and answers the failure's number.
  std::int32_t Fail(const RuntimeError& failure, const std::wstring& statement, bool withStatement = true);
  ado::Connection& Cn();
  const MD5Component& Basp();

  template <class T>
  T Get(std::int16_t index, T DataBaseVersionTableEntry::*field) const {
    if (index < 0 || index > kMaxVersionTable) return T{};
    return versionTable_[static_cast<std::size_t>(index)].*field;
  }
  template <class T>
  void Set(std::int16_t index, T DataBaseVersionTableEntry::*field, T value) {
    if (index < 0 || index > kMaxVersionTable) return;
    versionTable_[static_cast<std::size_t>(index)].*field = std::move(value);
  }

  const ProcessStarter* processes_;
  std::unique_ptr<ado::Connection> cn_;
  std::int16_t useVersionTable_ = 0;
  std::wstring lastErrorMessage_;
  std::wstring strStep_;
  bool flgOpened_ = false;
  std::int16_t intRetryCount_ = 0;
  bool ignoreCheck_ = false;
  std::vector<DataBaseVersionTableEntry> versionTable_;
  Settings last_;
  std::unique_ptr<MD5Component> basp_;
};

}  // namespace kv
