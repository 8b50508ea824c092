#pragma once
// The server road in-process: a fake host (version 6.1, administrator, empty command line), a
// recording process starter, a scratch install folder with its "Update" folder and the main
// program, the run's settings on the test PostgreSQL cluster (code 4, its port in the option
// tail), and an end of process that unwinds back into the test. Holds the user-data, database and
// screen locks (the splash window is shown) and empties the table "VERSION" of "MOSURI".
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "InternetRoad.h"
#include "database/clsDataBaseUpdate.h"
#include "support/ScriptedUser.h"

namespace kvtest {

// A port on 127.0.0.1 where nothing listens.
std::wstring StoppedPort();

// One file for the update database: its name, sub-folder, version text, registration type.
struct ServerFile {
  std::wstring name, folder, version;
  std::int16_t regist = 0;
  std::string bytes;
};

// The next dialog is a critical message (stop icon), answered OK; its text goes into shown.
void AnswerCriticalMessage(ScriptedUser& user, std::wstring& shown);

class ServerRoad {
 public:
  ServerRoad();
  ~ServerRoad();

  // The run's settings: code 4 on the test cluster; port "" is the cluster's own.
  void UsePostgres(const std::wstring& server = L"127.0.0.1", const std::wstring& port = L"");
  // Puts the files into "MOSURI" with the database layer's own upload (from a scratch folder).
  void Publish(const std::vector<ServerFile>& files);
  // Reads the rows into the run's objDataBaseUpdate, as the source leaves them.
  void ReadRows();
  // Lists a file in the installed version control file of the install folder.
  void WriteInstalled(const std::vector<ServerFile>& files);

  struct Outcome {
    unsigned code = 0;
    bool returned = false;  // the step returned to the run (else it ended the process)
  };
  Outcome Source();
  // The installed version control read and the application, with the splash shown.
  Outcome Application();

  Lines BootLog() const;
  Lines UpdateLog() const;
  std::wstring Install() const { return install_; }
  std::wstring UserDataFile(const std::wstring& name) const;

  ExclusiveLock dataLock{kUserDataLock};
  ExclusiveLock databaseLock{kDatabaseLock};
  ExclusiveLock screenLock{kScreenLock};
  TempDir dir;
  FakeHost host;
  kv::ScopedHost scopedHost{host};
  FakeProcessStarter starter{host};
  kv::UpdateRun run{starter};
  kv::ScopedRun scopedRun{run};
  kv::ScopedEndProcessHandler end{[](unsigned code) { throw EndOfProcess{code}; }};

 private:
  void RemoveUserFiles() const;
  std::wstring install_;
};

}  // namespace kvtest
