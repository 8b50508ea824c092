#pragma once
// What the tests of the CD/DVD road share: a run with a fake host and process starter, an end of
// process that throws, a copy of the update medium with a blank in its path, an install folder,
// and the per-user logs and INI read back.
#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "base/Handles.h"
#include "base/ProcessExit.h"
#include "base/Text.h"
#include "dialogs/UpdateLogs.h"
#include "dialogs/frmSplash.h"
#include "driver/submain.h"
#include "settings/Common.h"
#include "settings/clsIniFile.h"
#include "settings/clsInstallIniFile.h"
#include "support/ExclusiveLock.h"
#include "support/FakeHost.h"
#include "support/FakeProcessStarter.h"
#include "support/OperationLogCapture.h"
#include "support/TempDir.h"
#include "versioncontrol/clsVersionControl.h"

namespace kvtest {

using Lines = std::vector<std::wstring>;

// Thrown by the end of the process, back into the test.
struct ProcessEnded {};

// The medium made at build time: its Update folder.
inline std::wstring MediaFixture() { return std::wstring(KV_FIXTURE_DIR) + L"\\media\\Update"; }

// Copies a folder with everything in it.
inline void CopyTree(const std::wstring& from, const std::wstring& to) {
  CreateDirectoryW(to.c_str(), nullptr);
  WIN32_FIND_DATAW data{};
  kv::UniqueFind find(FindFirstFileW((from + L"\\*").c_str(), &data));
  ASSERT_TRUE(find) << kv::ToUtf8(from);
  do {
    const std::wstring name = data.cFileName;
    if (name == L"." || name == L"..") continue;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      CopyTree(from + L"\\" + name, to + L"\\" + name);
    } else {
      ASSERT_TRUE(CopyFileW((from + L"\\" + name).c_str(), (to + L"\\" + name).c_str(), FALSE)) << kv::ToUtf8(name);
    }
  } while (FindNextFileW(find.get(), &data));
}

// Lines of a log in the per-user data folder without their time stamps; none when it is missing.
inline Lines UserLogLines(const std::wstring& name, bool dropHeader) {
  const std::wstring path = kv::GetUserDataFolder() + L"\\" + name;
  Lines lines;
  if (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) return lines;
  for (const auto& line : ReadAnsiLines(path)) lines.push_back(line.substr(std::min<std::size_t>(24, line.size())));
  if (dropHeader && !lines.empty()) lines.erase(lines.begin());
  return lines;
}

class CdRoad : public ::testing::Test {
 protected:
  CdRoad() {
    host.programName = L"KanvoloUpdate2";
    host.programFolder = dir.path();
    host.localTime = SYSTEMTIME{2026, 12, 4, 10, 9, 8, 7, 654};
    host.version = kv::WindowsVersion{6, 1};
    host.admin = true;
    host.commandLine = L"/SERVER";
    host.driveTypes = std::vector<std::pair<std::wstring, UINT>>{{L"C:\\", DRIVE_FIXED}};
    RemoveUserFiles();
    CopyTree(MediaFixture(), dir / L"CD 1");
    CreateDirectoryW(install.c_str(), nullptr);
    run.objIniFile().SetCommonFolder(medium);
    run.objIniFile().SetVersionFileName(L"Version.xml");
    run.objIniFile().SetVoiceUpdateFile(L"VoiceUpdate.xml");
    run.objInstallIniFile().SetInstallFolder(install);
    kv::WriteBootLog(L"");
  }
  ~CdRoad() override {
    if (run.SplashCreated() && run.Splash().Loaded()) run.Splash().Unload();
    RemoveUserFiles();
  }

  static void RemoveUserFiles() {
    const std::wstring folder = kv::GetUserDataFolder() + L"\\";
    for (const wchar_t* name : {L"KanvoloUpdate.ini", L"Update.log", L"UpdateBoot.log", L"UpdateBoot.log1"}) {
      DeleteFileW((folder + name).c_str());
    }
  }

  // The splash window as the run shows it before its sources.
  void ShowSplash() {
    if (!run.Splash().Loaded()) run.Splash().Load();
    run.Splash().Show();
  }

  // Reads the medium's version control as the source would.
  void ReadSource(const wchar_t* file = L"Version.xml") {
    run.objIniFile().SetVersionFileName(file);
    ASSERT_EQ(run.objVersionControl().ReadControl(medium + file, L"", L""), 0) << kv::ToUtf8(file);
  }

  // True when the call ended the process.
  static bool Ends(const std::function<void()>& step) {
    try {
      step();
    } catch (const ProcessEnded&) {
      return true;
    }
    return false;
  }

  Lines BootLines() const { return UserLogLines(L"UpdateBoot.log", true); }
  Lines UpdateLines() const { return UserLogLines(L"Update.log", false); }
  const std::wstring& Title() const { return log.ProductTitle(); }

  ExclusiveLock data_{kUserDataLock};
  ExclusiveLock screen_{kScreenLock};
  OperationLogCapture log;  // installs the host
  FakeHost& host = log.host;
  FakeProcessStarter starter{log.host};
  kv::UpdateRun run{starter};
  kv::ScopedRun scopedRun{run};
  kv::ScopedEndProcessHandler ending{[](unsigned) { throw ProcessEnded{}; }};
  TempDir dir;
  const std::wstring medium = dir / L"CD 1\\";
  const std::wstring install = dir / L"インストール 先\\";
};

}  // namespace kvtest
