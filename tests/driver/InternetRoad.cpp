#include "InternetRoad.h"

#include <algorithm>

#include "base/Handles.h"
#include "base/SkipOnError.h"
#include "base/Text.h"
#include "dialogs/UpdateLogs.h"
#include "dialogs/frmSplash.h"
#include "settings/Common.h"
#include "settings/clsIniFile.h"
#include "settings/clsInstallIniFile.h"
#include "support/OperationLogCapture.h"
#include "versioncontrol/clsVersionControl.h"

namespace kvtest {

Lines LogWithoutStamps(const std::wstring& path) {
  Lines lines;
  if (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) return lines;
  const std::wstring prefix = std::wstring(kStamp) + L" ";
  for (auto& line : ReadAnsiLines(path)) lines.push_back(line.starts_with(prefix) ? line.substr(prefix.size()) : line);
  return lines;
}

namespace {

void WriteProfile(const std::wstring& path, const std::vector<std::pair<std::wstring, std::wstring>>& keys) {
  std::wstring text = L"[VersionControl]\r\n";
  for (const auto& [key, value] : keys) text += key + L"=" + value + L"\r\n";
  WriteBytes(path, kv::ToAnsi(text));
}

}  // namespace

std::wstring Query() { return kv::GetHospitalQuery(); }

InternetRoad::InternetRoad() {
  host.programName = L"KanvoloUpdate2";
  host.productName = kTitle;
  host.localTime = SYSTEMTIME{2026, 12, 4, 10, 9, 8, 7, 6};
  host.version = kv::WindowsVersion{6, 1};
  host.admin = true;
  host.commandLine = L"/INET";
  RemoveUserFiles();
  install_ = dir / L"my install\\";
  CreateDirectoryW(install_.c_str(), nullptr);
  run.objInstallIniFile().SetInstallFolder(install_);
}

InternetRoad::~InternetRoad() {
  if (run.SplashCreated()) kv::SkipOnError([&] { run.Splash().Unload(); });
  RemoveUserFiles();
}

std::wstring InternetRoad::IniPath() const { return kv::GetUserDataFolder() + L"\\KanvoloUpdate.ini"; }

void InternetRoad::RemoveUserFiles() const {
  const std::wstring folder = kv::GetUserDataFolder();
  for (const wchar_t* name : {L"UpdateBoot.log", L"Update.log", L"KanvoloUpdate.ini", L"Sornet.ini"}) {
    DeleteFileW((folder + L"\\" + name).c_str());
  }
}

void InternetRoad::WriteIni(const std::vector<std::pair<std::wstring, std::wstring>>& keys) {
  WriteProfile(IniPath(), keys);
  run.objIniFile().ReadBuffer();
}

void InternetRoad::WriteUsualIni(const std::wstring& firstFault, const std::wstring& secondBase) {
  WriteIni({{L"UpdateURL", server.Url(firstFault)},
            {L"UpdateURL2", server.Url(secondBase)},
            {L"UpdateURL3", server.Url(L"/404/third/")},
            {L"VersionFileName", L"Version.xml"},
            {L"TimeOut", L"30"},
            {L"WebUpdate", dir / L"no web tool\\Sornet.exe"}});
}

void InternetRoad::WriteWebIni(const std::vector<std::pair<std::wstring, std::wstring>>& keys) {
  WriteProfile(kv::GetUserDataFolder() + L"\\Sornet.ini", keys);
}

InternetRoad::Outcome InternetRoad::Run() {
  return RunSteps([this] {
    run.Splash().Load();
    run.Splash().Show();
    kv::InternetSource();
    // What the run does between the source and the application.
    const kv::clsIniFile& ini = run.objIniFile();
    run.objVersionControlLocal().ReadControl(install_ + ini.VersionFileName(), ini.User(), ini.Password(), false);
    kv::WriteBootLog(L"Check Version");
    if (run.objVersionControl().UseVersionTable() > 0) {
      run.installedCount = 0;
      kv::InternetApplication();
      kv::RecordUpdate();
    }
    kv::WebToolUpdate();
  });
}

InternetRoad::Outcome InternetRoad::RunMain() {
  host.programFolder = dir.path();
  WriteBytes(dir / L"Install.ini", kv::ToAnsi(L"[Install]\r\nInstallFolder=" + install_ + L"\r\n"));
  Outcome outcome;
  try {
    kv::Main(run);
  } catch (const EndOfProcess& e) {
    outcome.code = e.code;
  }
  return outcome;
}

InternetRoad::Outcome InternetRoad::RunSteps(const std::function<void()>& steps) {
  Outcome outcome;
  try {
    kv::WriteBootLog(L"");
    steps();
    outcome.reachedEnd = true;
    kv::EndProcess(0);
  } catch (const EndOfProcess& e) {
    outcome.code = e.code;
  }
  return outcome;
}

InternetRoad::Outcome InternetRoad::RunApplication() {
  return RunSteps([this] {
    run.Splash().Load();
    run.Splash().Show();
    run.installedCount = 0;
    kv::InternetApplication();
    kv::RecordUpdate();
  });
}

Lines InternetRoad::BootLog() const { return LogWithoutStamps(kv::GetUserDataFolder() + L"\\UpdateBoot.log"); }
Lines InternetRoad::UpdateLog() const { return LogWithoutStamps(kv::GetUserDataFolder() + L"\\Update.log"); }

Lines InternetRoad::FilesIn(const std::wstring& folder) {
  Lines names;
  WIN32_FIND_DATAW data;
  kv::UniqueFind find(FindFirstFileW((folder + L"\\*").c_str(), &data));
  if (!find) return names;
  do {
    if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(data.cFileName);
  } while (FindNextFileW(find.get(), &data));
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace kvtest
