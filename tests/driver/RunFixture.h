#pragma once
// What an in-process run of the update driver needs: a fake host (product title of the test's
// own, Windows 6.1, administrator, the command line), a program folder whose Install.ini names a
// scratch install folder with a blank, no updater INI and no product keys, a fresh boot log, the
// fake process starter, a steps table that records each step, and an end of process that throws.
// Holds the user-data lock; window tests take the screen lock themselves (ScriptedUser does).
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "base/ProcessExit.h"
#include "base/Text.h"
#include "driver/submain.h"
#include "settings/clsIniFile.h"
#include "settings/clsInstallIniFile.h"
#include "versioncontrol/clsVersionControl.h"
#include "settings/SettingsFixtures.h"
#include "support/FakeProcessStarter.h"
#include "support/OperationLogCapture.h"
#include "support/ScriptedUser.h"
#include "support/TempDir.h"

namespace kvtest {

using Lines = std::vector<std::wstring>;

// Thrown by the fixture's end-of-process handler.
struct ProcessEnded {
  unsigned code;
};

// Both locks in the order every test takes them (user data first, then the screen), for a test
// that shows windows across several fixtures.
struct BothLocks {
  ExclusiveLock data{kUserDataLock};
  ExclusiveLock screen{kScreenLock};
};

// Runs what inside run with the end of process intercepted; true when the process was ended.
template <class What>
bool EndsInRun(kv::UpdateRun& run, What what) {
  kv::ScopedRun scoped(run);
  kv::ScopedEndProcessHandler end([](unsigned code) { throw ProcessEnded{code}; });
  try {
    what();
    return false;
  } catch (const ProcessEnded&) {
    return true;
  }
}

// Checks a message box: its title, its text and its icon (picIcon element: 0 critical,
// 1 question, 2 exclamation, 3 information).
ExpectedDialog& CheckMessage(ExpectedDialog& dialog, const std::wstring& title, const std::wstring& text, int icon);

// The lines with each "<I>" replaced by the install folder.
Lines InFolder(const Lines& lines, const std::wstring& install);

// A version control that lists one program file.
void ListOneFile(kv::clsVersionControl& control);

class RunFixture {
 public:
  RunFixture();
  ~RunFixture();
  RunFixture(const RunFixture&) = delete;
  RunFixture& operator=(const RunFixture&) = delete;

  // The steps table that records each call into calls. The CD/DVD start sets flgCdUpdate, the
  // internet source sets flgInetUpdate, and both sources fill objVersionControl with one file;
  // every other step only records.
  kv::UpdateSteps RecordingSteps();

  // Runs Main on run with the end-of-process handler in force; true when it ended the process.
  bool RunMain(kv::UpdateRun& run);
  // Main on a fresh run with the fake starter and steps.
  bool RunMain(const kv::UpdateSteps& steps);

  // The boot log without its time stamps; the lines after "Command=".
  Lines BootLog() const;
  Lines BootLogAfterCommand() const;
  // The update log without its time stamps.
  Lines UpdateLog() const;

  // The install folder, ending with "\".
  const std::wstring& Install() const { return install_; }
  const std::wstring& ProductTitle() const { return log.ProductTitle(); }
  // A file of the install folder (its contents do not matter).
  void PutInstalled(const std::wstring& name) const;

 private:
  ScopedIniFiles ini_{L"KanvoloUpdate.ini"};
  ScopedProductKeys keys_;

 public:
  OperationLogCapture log;
  FakeHost& host = log.host;
  FakeProcessStarter starter{host};
  Lines calls;
  TempDir program;

 private:
  std::wstring install_;
};

}  // namespace kvtest
