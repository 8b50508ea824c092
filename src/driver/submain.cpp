#include "driver/submain.h"

#include "base/ProcessExit.h"
#include "base/Text.h"
#include "dialogs/frmSplash.h"
#include "settings/clsIniFile.h"
#include "settings/clsInstallIniFile.h"
#include "settings/clsParamUpdate.h"
#include "versioncontrol/clsVersionControl.h"

namespace kv {
namespace {

UpdateRun* g_run = nullptr;

template <class T, class... Args>
T& OnFirstUse(std::unique_ptr<T>& object, Args&&... args) {
  if (!object) object = std::make_unique<T>(std::forward<Args>(args)...);
  return *object;
}

}  // namespace

UpdateSteps RealUpdateSteps() {
  UpdateSteps steps;
  steps.MakeVersionControl = [](bool) {};
  steps.RegistAllFiles = [](bool, bool) {};
  steps.CdStart = CdStart;
  steps.BackgroundCheck = BackgroundCheck;
  steps.InternetSource = InternetSource;
  steps.CdSource = CdSource;
  steps.ServerSource = ServerSource;
  steps.InternetApplication = InternetApplication;
  steps.CdApplication = CdApplication;
  steps.RecordUpdate = RecordUpdate;
  steps.ServerApplication = ServerApplication;
  steps.VoiceDataCopy = VoiceDataCopy;
  steps.WebToolUpdate = WebToolUpdate;
  return steps;
}

UpdateRun::UpdateRun(const ProcessStarter& starter, UpdateSteps steps) : starter_(starter), steps_(std::move(steps)) {}
UpdateRun::~UpdateRun() = default;

clsIniFile& UpdateRun::objIniFile() { return OnFirstUse(iniFile_); }
clsInstallIniFile& UpdateRun::objInstallIniFile() { return OnFirstUse(installIniFile_); }
clsParamUpdate& UpdateRun::objParamUpdate() { return OnFirstUse(paramUpdate_); }
clsVersionControl& UpdateRun::objVersionControl() { return OnFirstUse(versionControl_, starter_); }
clsVersionControl& UpdateRun::objVersionControlLocal() { return OnFirstUse(versionControlLocal_, starter_); }
frmSplash& UpdateRun::Splash() { return OnFirstUse(splash_); }

UpdateRun& CurrentRun() {
  static UpdateRun real;
  return g_run ? *g_run : real;
}

ScopedRun::ScopedRun(UpdateRun& run) : previous_(g_run) { g_run = &run; }
ScopedRun::~ScopedRun() { g_run = previous_; }

clsIniFile& objIniFile() { return CurrentRun().objIniFile(); }
clsInstallIniFile& objInstallIniFile() { return CurrentRun().objInstallIniFile(); }
clsParamUpdate& objParamUpdate() { return CurrentRun().objParamUpdate(); }
clsVersionControl& objVersionControl() { return CurrentRun().objVersionControl(); }
clsVersionControl& objVersionControlLocal() { return CurrentRun().objVersionControlLocal(); }
frmSplash& Splash() { return CurrentRun().Splash(); }

bool SwitchFound(const std::wstring& text) {
  return UCase(Trim(CurrentHost().CommandLine())).find(text) != std::wstring::npos;
}

void UnloadSplashAndEnd() {
  UpdateRun& run = CurrentRun();
  if (run.SplashCreated()) run.Splash().Unload();
  EndProcess(0);
}

void Main(UpdateSteps steps) {
  UpdateRun run(RealProcessStarter(), std::move(steps));
  Main(run);
}

void Main(UpdateRun& run) {
  ScopedRun scoped(run);
  UnloadSplashAndEnd();
}

}  // namespace kv
