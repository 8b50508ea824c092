#include "driver/RunFixture.h"

#include <gtest/gtest.h>
#include <windows.h>

#include "base/ProcessExit.h"
#include "base/Text.h"
#include "settings/Common.h"
#include "versioncontrol/clsVersionControl.h"

namespace kvtest {
namespace {

constexpr std::size_t kStampLength = 24;  // "yyyy-mm-dd hh:nn:ss.fff "

std::wstring LogPath(const wchar_t* name) { return kv::GetUserDataFolder() + L"\\" + name; }

void RemoveLogs() {
  DeleteFileW(LogPath(L"UpdateBoot.log").c_str());
  for (int k = 1; k <= 6; ++k) DeleteFileW((LogPath(L"UpdateBoot.log") + std::to_wstring(k)).c_str());
  DeleteFileW(LogPath(L"Update.log").c_str());
}

Lines ReadLog(const std::wstring& path) {
  if (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) return {};
  return ReadAnsiLines(path);
}

Lines WithoutStamps(const Lines& lines) {
  Lines texts;
  for (const auto& line : lines) texts.push_back(line.size() >= kStampLength ? line.substr(kStampLength) : line);
  return texts;
}

}  // namespace

ExpectedDialog& CheckMessage(ExpectedDialog& dialog, const std::wstring& title, const std::wstring& text, int icon) {
  return dialog.Check([title, text, icon](DialogView& d) {
    EXPECT_EQ(d.Caption(), title);
    EXPECT_EQ(d.Text(L"txtMsg"), text);
    EXPECT_TRUE(d.Visible(L"picIcon", icon)) << "icon " << icon;
  });
}

Lines InFolder(const Lines& lines, const std::wstring& install) {
  Lines out;
  for (auto line : lines) {
    for (auto at = line.find(L"<I>"); at != std::wstring::npos; at = line.find(L"<I>")) line.replace(at, 3, install);
    out.push_back(line);
  }
  return out;
}

void ListOneFile(kv::clsVersionControl& control) {
  control.SetUseVersionTable(1);
  control.SetProgramName(1, L"Kanvolo.exe");
  control.SetVersionText(1, L"2024/01/02 03:04:05");
}

RunFixture::RunFixture() {
  RemoveLogs();
  host.programName = L"KanvoloUpdate2";
  host.programFolder = program.path();
  host.version = kv::WindowsVersion{6, 1};
  host.admin = true;
  host.commandLine = L"";
  host.legalCopyright = L"(C) test";
  install_ = program / L"install dir\\";
  CreateDirectoryW(install_.c_str(), nullptr);
  WriteBytes(program / L"Install.ini", kv::ToAnsi(L"[Install]\r\nInstallFolder=" + install_ + L"\r\n"));
}

RunFixture::~RunFixture() { RemoveLogs(); }

kv::UpdateSteps RunFixture::RecordingSteps() {
  const auto record = [this](const wchar_t* name) { return [this, name] { calls.push_back(name); }; };
  const auto tf = [](bool value) { return std::wstring(value ? L"True" : L"False"); };
  kv::UpdateSteps steps;
  steps.MakeVersionControl = [this, tf](bool makeCab) { calls.push_back(L"MakeVersionControl(" + tf(makeCab) + L")"); };
  steps.RegistAllFiles = [this, tf](bool regist, bool remove) {
    calls.push_back(L"RegistAllFiles(" + tf(regist) + L"," + tf(remove) + L")");
  };
  steps.CdStart = [this] {
    calls.push_back(L"CdStart");
    kv::CurrentRun().flgCdUpdate = true;
  };
  steps.BackgroundCheck = record(L"BackgroundCheck");
  steps.InternetSource = [this] {
    calls.push_back(L"InternetSource");
    ListOneFile(kv::objVersionControl());
    kv::CurrentRun().flgInetUpdate = true;
  };
  steps.CdSource = [this] {
    calls.push_back(L"CdSource");
    ListOneFile(kv::objVersionControl());
  };
  steps.ServerSource = record(L"ServerSource");
  steps.InternetApplication = record(L"InternetApplication");
  steps.CdApplication = record(L"CdApplication");
  steps.RecordUpdate = record(L"RecordUpdate");
  steps.ServerApplication = record(L"ServerApplication");
  steps.VoiceDataCopy = record(L"VoiceDataCopy");
  steps.WebToolUpdate = record(L"WebToolUpdate");
  return steps;
}

bool RunFixture::RunMain(kv::UpdateRun& run) {
  return EndsInRun(run, [&] { kv::Main(run); });
}

bool RunFixture::RunMain(const kv::UpdateSteps& steps) {
  kv::UpdateRun run(starter, steps);
  return RunMain(run);
}

Lines RunFixture::BootLog() const { return WithoutStamps(ReadLog(LogPath(L"UpdateBoot.log"))); }

Lines RunFixture::BootLogAfterCommand() const {
  const Lines all = BootLog();
  for (std::size_t i = 0; i < all.size(); ++i) {
    if (all[i].starts_with(L"Command=")) return Lines(all.begin() + static_cast<std::ptrdiff_t>(i) + 1, all.end());
  }
  return {};
}

Lines RunFixture::UpdateLog() const { return WithoutStamps(ReadLog(LogPath(L"Update.log"))); }

void RunFixture::PutInstalled(const std::wstring& name) const { WriteBytes(install_ + name, "MZ"); }

}  // namespace kvtest
