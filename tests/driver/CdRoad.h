#pragma once
// What the tests of the CD/DVD road share, on the run fixture: a run with the real steps, the
// fake host and process starter, an end of process that throws, a copy of the update medium made
// at build time (in a folder with a blank), the install folder and the logs read back. Holds the
// screen lock after the fixture's user-data lock.
#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <string>

#include "base/Handles.h"
#include "base/ProcessExit.h"
#include "base/Text.h"
#include "dialogs/UpdateLogs.h"
#include "dialogs/frmSplash.h"
#include "driver/RunFixture.h"
#include "driver/submain.h"
#include "settings/Common.h"
#include "settings/clsIniFile.h"
#include "settings/clsInstallIniFile.h"
#include "support/ExclusiveLock.h"
#include "support/TempDir.h"
#include "versioncontrol/clsVersionControl.h"

namespace kvtest {

// A medium made at build time: its Update folder.
inline std::wstring MediaFixture(const wchar_t* medium = L"") {
  return std::wstring(KV_FIXTURE_DIR) + L"\\media\\" + (*medium ? std::wstring(medium) + L"\\" : L"") + L"Update";
}

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

class CdRoad : public ::testing::Test {
 protected:
  CdRoad() {
    host.localTime = SYSTEMTIME{2026, 12, 4, 10, 9, 8, 7, 654};
    host.commandLine = L"/SERVER";
    host.driveTypes = std::vector<std::pair<std::wstring, UINT>>{{L"C:\\", DRIVE_FIXED}};
    CopyTree(MediaFixture(), fixture.program / L"CD 1");
    run.objIniFile().SetCommonFolder(medium);
    run.objIniFile().SetVersionFileName(L"Version.xml");
    run.objIniFile().SetVoiceUpdateFile(L"VoiceUpdate.xml");
    run.objInstallIniFile().SetInstallFolder(install);
    kv::WriteBootLog(L"");
  }
  ~CdRoad() override {
    if (run.SplashCreated() && run.Splash().Loaded()) run.Splash().Unload();
  }

  // The splash window as the run shows it before its sources.
  void ShowSplash() {
    if (!run.Splash().Loaded()) run.Splash().Load();
    run.Splash().Show();
  }

  // Reads a version control of the medium as the source would.
  void ReadSource(const wchar_t* file = L"Version.xml") {
    run.objIniFile().SetVersionFileName(file);
    ASSERT_EQ(run.objVersionControl().ReadControl(medium + file, L"", L""), 0) << kv::ToUtf8(file);
  }

  // True when the call ended the process.
  static bool Ends(const std::function<void()>& step) {
    kv::ScopedEndProcessHandler end([](unsigned code) { throw ProcessEnded{code}; });
    try {
      step();
    } catch (const ProcessEnded&) {
      return true;
    }
    return false;
  }

  // The boot log after its header, the update log; without time stamps.
  Lines BootLines() const {
    Lines lines = fixture.BootLog();
    if (!lines.empty()) lines.erase(lines.begin());
    return lines;
  }
  Lines UpdateLines() const { return fixture.UpdateLog(); }
  const std::wstring& Title() const { return fixture.ProductTitle(); }

  RunFixture fixture;
  ExclusiveLock screen_{kScreenLock};
  FakeHost& host = fixture.host;
  FakeProcessStarter& starter = fixture.starter;
  kv::UpdateRun run{fixture.starter};
  kv::ScopedRun scopedRun{run};
  const std::wstring medium = fixture.program / L"CD 1\\";
  const std::wstring install = fixture.Install();
  const TempDir& dir = fixture.program;
};

}  // namespace kvtest
