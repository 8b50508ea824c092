#include "driver/submain.h"

#include <initializer_list>
#include <optional>

#include "base/Handles.h"
#include "base/ProcessExit.h"
#include "base/SkipOnError.h"
#include "base/Text.h"
#include "database/clsDataBaseUpdate.h"
#include "dialogs/UpdateLogs.h"
#include "dialogs/frmSplash.h"
#include "dialogs/frmStartUpdate.h"
#include "settings/Common.h"
#include "settings/clsIniFile.h"
#include "settings/clsInstallIniFile.h"
#include "settings/clsParamUpdate.h"
#include "versioncontrol/clsVersionControl.h"

namespace kv {
namespace {

UpdateRun* g_run = nullptr;

// One statement of the run: a failure skips it and the run goes on.
template <class Statement>
void Do(Statement&& statement) {
  SkipOnError(std::forward<Statement>(statement));
}

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
clsDataBaseUpdate& UpdateRun::objDataBaseUpdate() { return OnFirstUse(dataBaseUpdate_, starter_); }
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
clsDataBaseUpdate& objDataBaseUpdate() { return CurrentRun().objDataBaseUpdate(); }
frmSplash& Splash() { return CurrentRun().Splash(); }

std::wstring RunCommandLine() {
  std::wstring line = CurrentHost().CommandLine();
  const std::wstring_view marker = kElevatedRestartMarker;
  const auto at = line.find(marker);
  if (at == std::wstring::npos) return line;
  const std::size_t from = at > 0 && line[at - 1] == L' ' ? at - 1 : at;
  line.erase(from, at + marker.size() - from);
  return line;
}

bool SwitchFound(const std::wstring& text) { return UCase(Trim(RunCommandLine())).find(text) != std::wstring::npos; }

bool FontFaceInstalled(const std::wstring& face) {
  LOGFONTW wanted{};
  wanted.lfHeight = -12;
  wanted.lfCharSet = DEFAULT_CHARSET;
  face.copy(wanted.lfFaceName, LF_FACESIZE - 1);
  UniqueFont font(CreateFontIndirectW(&wanted));
  if (!font) return false;
  const HDC screen = GetDC(nullptr);
  if (!screen) return false;
  const HGDIOBJ previous = SelectObject(screen, font.get());
  wchar_t readBack[LF_FACESIZE] = L"";
  const int n = GetTextFaceW(screen, LF_FACESIZE, readBack);
  SelectObject(screen, previous);
  ReleaseDC(nullptr, screen);
  return n > 0 && face == readBack;
}

void UnloadSplashAndEnd() {
  UpdateRun& run = CurrentRun();
  if (run.SplashCreated()) Do([&] { run.Splash().Unload(); });
  EndProcess(0);
}

namespace {

constexpr wchar_t kVersionCheck[] = L"バージョンチェック中です...";
constexpr wchar_t kAllUpdateMessage[] =
    L"バロネルのプログラムを全て更新します。\r\n正常に起動しなくなった場合に実行してください。";
constexpr wchar_t kAllUpdateTitle[] = L"全てのプログラム更新";

void StartUp(UpdateRun& run) {
  const Host& host = CurrentHost();
  Do([&] {
    run.flgCdUpdate = false;
    run.flgInetUpdate = false;
  });
  Do([&] { WriteBootLog(L""); });

  Do([&] { run.flgAdministrator = true; });
  std::optional<WindowsVersion> version;
  Do([&] { version = host.Version(); });
  if (version) {
    run.version = *version;
    if (version->major >= 6) {
      Do([&] { run.flgAdministrator = host.IsUserAnAdmin(); });
    } else if (version->major == 5 && version->minor == 1) {
      Do([&] { run.flgAdministrator = IsAdministratorsMember(); });
    }
  }
  Do([&] { WriteBootLog(std::wstring(L"Administrator ") + (run.flgAdministrator ? L"True" : L"False")); });
  Do([&] {
    WriteBootLog(L"OS Version " + std::to_wstring(run.version.major) + L"." + std::to_wstring(run.version.minor));
  });

  Do([&] { flgMeiryoFont = FontFaceInstalled(L"Meiryo UI"); });

  Do([&] { WriteBootLog(L"Read INI file"); });
  Do([&] { run.objIniFile().ReadBuffer(); });
  Do([&] { run.objInstallIniFile().ReadBuffer(); });
  Do([&] { run.objParamUpdate().GetValue(); });
  Do([&] { WriteBootLog(L"Command=" + host.CommandLine()); });
}

void TakeNumberSwitch(UpdateRun& run) {
  run.strNumberSwitch.clear();
  for (const wchar_t* number : {L"1", L"2", L"3"}) {
    bool found = false;
    Do([&] { found = SwitchFound(std::wstring(L"/") + number); });
    if (found) {
      run.strNumberSwitch = number;
      return;
    }
  }
}

// "/ALL" without the switches before it: every file of the source counts as not installed.
void ForcedReinstall(UpdateRun& run) {
  frmStartUpdate form;
  Do([&] { form.lblMsg.SetText(kAllUpdateMessage); });
  Do([&] { form.lblTitle[1].SetText(kAllUpdateTitle); });
  Do([&] { form.chkOption.SetVisible(false); });
  Do([&] { form.chkOption.SetValue(1); });
  Do([&] { form.ShowModal(); });
  if (form.intInputkey == 2) {
    Do([&] { form.Unload(); });
    UnloadSplashAndEnd();
  }
  Do([&] { WriteBootLog(L"All Update "); });
  // Closed from its title bar, the form is already unloaded and its box counts as unchecked;
  // reading it would only load the form again.
  bool checked = false;
  Do([&] { checked = form.Loaded() && form.chkOption.Value() == 1; });
  if (checked) {
    Do([&] { run.objVersionControlLocal().SetIgnoreCheck(true); });
    Do([&] { run.objVersionControl().SetIgnoreCheck(true); });
  }
  Do([&] { form.Unload(); });
}

// The first switch of the chain found decides; the maintenance modes and the background check end
// the process, "/SERVER" and "/ALL" go on with the run.
void SwitchChain(UpdateRun& run) {
  const UpdateSteps& steps = run.Steps();
  const auto found = [](const wchar_t* text) {
    bool yes = false;
    Do([&] { yes = SwitchFound(text); });
    return yes;
  };
  const auto maintenance = [&](const wchar_t* line, const std::function<void()>& mode) {
    Do([&] { WriteBootLog(line); });
    Do(mode);
    UnloadSplashAndEnd();
  };
  if (found(L"/MAKE")) maintenance(L"/MAKE", [&] { steps.MakeVersionControl(true); });
  if (found(L"/XML")) maintenance(L"/XML", [&] { steps.MakeVersionControl(false); });
  if (found(L"/UNREG")) maintenance(L"/UNREG", [&] { steps.RegistAllFiles(false, false); });
  if (found(L"/REMOVE")) maintenance(L"/REMOVE", [&] { steps.RegistAllFiles(false, true); });
  if (found(L"/REG")) maintenance(L"/REG", [&] { steps.RegistAllFiles(true, false); });
  if (found(L"/SERVER")) {
    Do([&] { WriteBootLog(L"/SERVER"); });
    Do([&] { steps.CdStart(); });
    return;
  }
  if (found(L"/INETCHECK")) {
    Do([&] { WriteBootLog(found(L"/INETCHECK2") ? L"/INETCHECK2" : L"/INETCHECK"); });
    Do([&] { steps.BackgroundCheck(); });
    UnloadSplashAndEnd();
  }
  if (found(L"/ALL")) ForcedReinstall(run);
}

void ShowSplashAndReadSource(UpdateRun& run) {
  const UpdateSteps& steps = run.Steps();
  Do([&] { run.Splash().Show(); });
  Do([&] { run.Splash().lblVersion.SetText(kVersionCheck); });
  Do([&] { run.Splash().Refresh(); });

  bool internet = false;
  Do([&] { internet = SwitchFound(L"/INET"); });
  if (internet) {
    Do([&] { steps.InternetSource(); });
  } else if (run.flgCdUpdate) {
    Do([&] { steps.CdSource(); });
  } else {
    Do([&] { steps.ServerSource(); });
  }

  Do([&] { run.Splash().Refresh(); });
  Do([&] { CurrentHost().Sleep(500); });
  Do([&] {
    WriteBootLog(L"Read XML " + run.objInstallIniFile().InstallFolder() + run.objIniFile().VersionFileName());
  });
  // Not examined: what could not be read counts as not installed.
  Do([&] {
    run.objVersionControlLocal().ReadControl(
        run.objInstallIniFile().InstallFolder() + run.objIniFile().VersionFileName(), run.objIniFile().User(),
        run.objIniFile().Password(), false);
  });
}

void ApplyUpdate(UpdateRun& run) {
  const UpdateSteps& steps = run.Steps();
  if (run.flgCdUpdate || run.flgInetUpdate) {
    Do([&] { WriteBootLog(L"Check Version"); });
    bool listsFiles = false;
    Do([&] { listsFiles = run.objVersionControl().UseVersionTable() > 0; });
    if (listsFiles) {
      if (run.flgInetUpdate) {
        Do([&] { steps.InternetApplication(); });
      } else {
        Do([&] { steps.CdApplication(); });
      }
      Do([&] { steps.RecordUpdate(); });
    }
  } else {
    Do([&] { steps.ServerApplication(); });
  }
  if (run.flgCdUpdate) Do([&] { steps.VoiceDataCopy(); });
  if (run.flgInetUpdate) Do([&] { steps.WebToolUpdate(); });
}

// The program named on the command line, or the main program when one of these is given.
std::wstring ProgramToStart(std::initializer_list<const wchar_t*> notNames) {
  const std::wstring trimmed = Trim(RunCommandLine());
  bool named = !trimmed.empty();
  for (const wchar_t* text : notNames) {
    if (named && SwitchFound(text)) named = false;
  }
  return named ? trimmed : objIniFile().ExecFileName();
}

void EndOfRun(UpdateRun& run) {
  bool check = false;
  Do([&] { check = SwitchFound(L"/CHECK"); });
  if (!check) {
    std::wstring program;
    Do([&] { program = ProgramToStart({L"/SERVER", L"/INET", L"/ALL", L"/1", L"/2", L"/3", L"/SETUP"}); });
    Do([&] { WriteBootLog(L"Exec File " + run.objInstallIniFile().InstallFolder() + program); });
    bool exists = false;
    Do([&] { exists = FileExist(run.objInstallIniFile().InstallFolder() + program); });
    if (exists) Do([&] { StartInstalledProgram(program); });
  }
  UnloadSplashAndEnd();
}

}  // namespace

std::wstring ProgramNamedOnCommandLine(bool endOfRun) {
  if (endOfRun) return ProgramToStart({L"/SERVER", L"/INET", L"/ALL", L"/1", L"/2", L"/3", L"/SETUP"});
  return ProgramToStart({L"/SERVER", L"/INET", L"/1", L"/2", L"/3"});
}

void StartInstalledProgram(const std::wstring& program) {
  UpdateRun& run = CurrentRun();
  const std::wstring path = run.objInstallIniFile().InstallFolder() + program;
  const std::wstring number = run.strNumberSwitch.empty() ? std::wstring() : L" /" + run.strNumberSwitch;
  WriteBootLog(L"Exec Program " + path + number);
  // The path is quoted: an install folder with a blank must not start another program.
  run.Starter().Start(L"\"" + path + L"\"" + number, StartWindow::NormalFocused);
}

void Main(UpdateSteps steps) {
  UpdateRun run(RealProcessStarter(), std::move(steps));
  Main(run);
}

void Main(UpdateRun& run) {
  ScopedRun scoped(run);
  StartUp(run);
  TakeNumberSwitch(run);
  SwitchChain(run);
  ShowSplashAndReadSource(run);
  ApplyUpdate(run);
  EndOfRun(run);
  EndProcess(0);  // not reached: the end of the run ends the process
}

}  // namespace kv
