#pragma once
// Module submain: the update run from start to end. Main holds the program-wide objects, the run
// flags and the values that cross the steps in one UpdateRun; each step is a procedure of its own
// that reads and changes the run in force (CurrentRun) and either returns or ends the process.
#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/Host.h"
#include "base/ProcessStarter.h"

namespace kv {

class clsIniFile;
class clsInstallIniFile;
class clsParamUpdate;
class clsVersionControl;
class clsDataBaseUpdate;
class frmSplash;

// The steps Main calls at their places. Tests replace entries; the real ones are below.
struct UpdateSteps {
  std::function<void(bool makeCab)> MakeVersionControl;
  std::function<void(bool regist, bool remove)> RegistAllFiles;
  std::function<void()> CdStart;
  std::function<void()> BackgroundCheck;
  std::function<void()> InternetSource;
  std::function<void()> CdSource;
  std::function<void()> ServerSource;
  std::function<void()> InternetApplication;
  std::function<void()> CdApplication;
  std::function<void()> RecordUpdate;
  std::function<void()> ServerApplication;
  std::function<void()> VoiceDataCopy;
  std::function<void()> WebToolUpdate;
};

// The driver's own steps; the two maintenance entries do nothing (the programs supply theirs).
UpdateSteps RealUpdateSteps();

// One update run: the program-wide objects (each created on first use and kept), the splash
// window, the run flags and the values that cross the steps.
class UpdateRun {
 public:
  explicit UpdateRun(const ProcessStarter& starter = RealProcessStarter(), UpdateSteps steps = RealUpdateSteps());
  ~UpdateRun();
  UpdateRun(const UpdateRun&) = delete;
  UpdateRun& operator=(const UpdateRun&) = delete;

  clsIniFile& objIniFile();
  clsInstallIniFile& objInstallIniFile();
  clsParamUpdate& objParamUpdate();
  clsVersionControl& objVersionControl();
  clsVersionControl& objVersionControlLocal();
  clsDataBaseUpdate& objDataBaseUpdate();
  frmSplash& Splash();
  bool SplashCreated() const { return splash_ != nullptr; }

  const ProcessStarter& Starter() const { return starter_; }
  const UpdateSteps& Steps() const { return steps_; }

  // Run flags.
  bool flgCdUpdate = false;
  bool flgInetUpdate = false;
  std::wstring strNumberSwitch;
  bool flgAdministrator = true;

  // Values that cross the steps.
  WindowsVersion version;      // 0.0 until a version call succeeds
  bool declined = false;       // the user declined the update list or the version-down question
  std::int32_t installedCount = 0;  // files installed in this run
  std::wstring hospitalQuery;  // the internet source's query, kept for the cabinet URLs

 private:
  const ProcessStarter& starter_;
  UpdateSteps steps_;
  std::unique_ptr<clsIniFile> iniFile_;
  std::unique_ptr<clsInstallIniFile> installIniFile_;
  std::unique_ptr<clsParamUpdate> paramUpdate_;
  std::unique_ptr<clsVersionControl> versionControl_;
  std::unique_ptr<clsVersionControl> versionControlLocal_;
  std::unique_ptr<clsDataBaseUpdate> dataBaseUpdate_;
  std::unique_ptr<frmSplash> splash_;
};

// The run in force; Main installs its own, tests install theirs with ScopedRun.
UpdateRun& CurrentRun();

class ScopedRun {
 public:
  explicit ScopedRun(UpdateRun& run);
  ~ScopedRun();
  ScopedRun(const ScopedRun&) = delete;
  ScopedRun& operator=(const ScopedRun&) = delete;

 private:
  UpdateRun* previous_;
};

// Shorthands for the objects of the run in force.
clsIniFile& objIniFile();
clsInstallIniFile& objInstallIniFile();
clsParamUpdate& objParamUpdate();
clsVersionControl& objVersionControl();
clsVersionControl& objVersionControlLocal();
clsDataBaseUpdate& objDataBaseUpdate();
frmSplash& Splash();

// The whole run with the real objects and the given steps; never returns.
[[noreturn]] void Main(UpdateSteps steps = RealUpdateSteps());
// The whole run on run (made by the caller with its fakes); never returns.
[[noreturn]] void Main(UpdateRun& run);

// Whether text occurs in the trimmed, upper-cased command line, read afresh from the host.
bool SwitchFound(const std::wstring& text);

// The argument a restart for administrator rights appends (once). A run that carries it and still
// lacks the rights restarts nothing, so that a "runas" that brings no rights cannot loop. It holds
// no switch text.
inline constexpr wchar_t kElevatedRestartMarker[] = L"--elevated-restart";
// The host's command line without that marker (and the blank before it): what the switch tests,
// the choice of the program to start and the restarts' arguments are made of. Not trimmed.
std::wstring RunCommandLine();

// The program the command line names in the install folder, or objIniFile().ExecFileName() when
// the trimmed command line is empty or holds a switch that names no program: for the end of the
// run "/SERVER", "/INET", "/ALL", "/1", "/2", "/3", "/SETUP"; otherwise (the start without version
// check) only "/SERVER", "/INET", "/1", "/2", "/3".
std::wstring ProgramNamedOnCommandLine(bool endOfRun);
// Starts InstallFolder + program, quoted, with " /" and the number switch when there is one, in
// a normal focused window, not waited for; boot log "Exec Program ". A failed start raises.
void StartInstalledProgram(const std::wstring& program);

// True when a font made with this face name reads the same face back (the font is installed).
bool FontFaceInstalled(const std::wstring& face);

// Unloads the splash window (nothing when it was never loaded) and ends the process.
[[noreturn]] void UnloadSplashAndEnd();

// Closing the main program.
std::wstring FindMainWindow();
void StopMainProgram();   // the stop block: returns when no main program runs any more
void PostCloseRequest();  // the close request posted after every stop block

// Program starts, restarts and elevation.
[[noreturn]] void RestartSelf(const std::wstring& arguments, bool administrator);
[[noreturn]] void RunAsAdmin(const std::wstring& file, const std::wstring& parameters, bool administrator);
std::int16_t ShellAndWait(const std::wstring& commandLine);
void ExecProgramNoCheck();
bool IsAdministratorsMember();
std::wstring GetLogonUserName();
std::wstring GetLocalComputerName();

// Hospital query.
std::wstring GetHospitalQuery();
std::wstring GetUserRegString(const std::wstring& keyPath, const std::wstring& section, const std::wstring& valueName,
                              const std::wstring& defaultValue);

// The steps.
void CdStart();
void BackgroundCheck();
void InternetSource();
void CdSource();
void ServerSource();
void InternetApplication();
void CdApplication();
void RecordUpdate();
void ServerApplication();
void VoiceDataCopy();
void WebToolUpdate();

}  // namespace kv
