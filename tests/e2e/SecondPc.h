#pragma once
// A second PC for whole runs: a Wine prefix of its own on the same display, made fresh for the
// test (without settings), sharing the host's files (through Z:), the ODBC files and the
// PostgreSQL server with the test's PC. Programs are started there through the host's shell, with
// the answering program beside them; the test waits for a file the shell writes at the end.
//
//   kvtest::SecondPc pc;                       // starts making the prefix
//   pc.WaitUntilReady();                       // once the test needs it
//   const auto r = pc.Run(program, {L"dialog #32770 ...", L"click 1516"}, L"shots-prefix");
//   pc.There(kv::GetUserDataFolder())          // that PC's folder, seen from the test
#include <chrono>
#include <map>
#include <string>
#include <vector>

#include "WholeRun.h"
#include "support/TempDir.h"

namespace kvtest {

class SecondPc {
 public:
  // Registry values preset in the current user's "Software\Kestrova\Varonel\PARAM"; name: the
  // prefix's suffix, one of its own for each test that may run beside another's second PC.
  explicit SecondPc(const std::map<std::wstring, std::wstring>& settings, const std::string& name = "pc-b");
  ~SecondPc();  // ends what still runs there and removes the prefix
  SecondPc(const SecondPc&) = delete;
  SecondPc& operator=(const SecondPc&) = delete;

  bool WaitUntilReady(std::chrono::seconds timeout = std::chrono::seconds(150));

  // A path of the test's PC as that PC sees it (its Z: drive).
  std::wstring Here(const std::wstring& path) const;
  // A path on that PC's C: drive as the test sees it.
  std::wstring There(const std::wstring& path) const;
  // The registry value as that PC's hive files hold it after the last run; machine: HKLM.
  std::wstring RegistryValue(bool machine, const std::wstring& name) const;

  // Starts the program (a path of the test's PC) without arguments there, with KV_RECORD_FILE set
  // to recordFile, answers its dialogs by script and waits for both.
  WholeRunResult Run(const std::wstring& program, const std::vector<std::wstring>& script,
                     const std::wstring& recordFile, const std::wstring& shots,
                     std::chrono::seconds timeout = std::chrono::seconds(90));

 private:
  // Runs the shell script on the host; true once it wrote its end mark within the time-out.
  bool RunOnHost(const std::string& script, const std::wstring& mark, std::chrono::seconds timeout) const;

  TempDir state_;
  std::string prefix_;  // host path
  std::string fixtures_;
  bool started_ = false;
  bool ready_ = false;
};

}  // namespace kvtest
