// Two update runs at once on one PC: nothing keeps a second run from going ahead while the first
// is still waiting at its start confirmation.
#include <gtest/gtest.h>

#include <windows.h>

#include <chrono>
#include <thread>

#include "Dialogs.h"
#include "WholeRun.h"
#include "base/Handles.h"
#include "base/Text.h"
#include "driver/UpdateHostProcess.h"

namespace {

using kvtest::UpdateHostProcess;

const std::wstring kConfirmationCaption = L"バロネル アップデート";
constexpr int kCancel = 405;  // frmStartUpdate.rh

struct Search {
  DWORD pid;
  HWND found = nullptr;
};

BOOL CALLBACK FindConfirmation(HWND window, LPARAM param) {
  auto& s = *reinterpret_cast<Search*>(param);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  wchar_t caption[64] = {};
  GetWindowTextW(window, caption, 64);
  if (owner == s.pid && IsWindowVisible(window) && IsWindowEnabled(window) && caption == kConfirmationCaption) {
    s.found = window;
    return FALSE;
  }
  return TRUE;
}

// The visible start confirmation of the process, or null.
HWND ConfirmationOf(DWORD pid) {
  Search search{pid};
  EnumWindows(FindConfirmation, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

HWND WaitForConfirmation(DWORD pid, std::chrono::seconds timeout) {
  const auto end = std::chrono::steady_clock::now() + timeout;
  while (std::chrono::steady_clock::now() < end) {
    if (HWND window = ConfirmationOf(pid)) return window;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  return nullptr;
}

TEST(ConcurrentRuns, ASecondRunInstallsWhileTheFirstIsAtItsConfirmation) {
  kvtest::WholeRun run;
  UpdateHostProcess host;
  ASSERT_TRUE(host.Running());
  run.CopyProgram(L"KanvoloUpdate2.exe");
  run.CopyIntoInstallFolder(L"kv_mainstandin.exe", L"Kanvolo.exe");
  run.WriteUpdaterIni(L"[VersionControl]\r\nUpdateURL=" + host.Url(L"/ok/") +
                      L"\r\nTimeOut=30\r\nWebUpdate=C:\\none\\Sornet.exe\r\n");

  // The first run, left waiting at its start confirmation.
  const std::wstring program = run.ProgramFolder() + L"\\KanvoloUpdate2.exe";
  std::wstring commandLine = kvtest::QuoteArgument(program) + L" /INET";
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION started{};
  ASSERT_TRUE(CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                             run.ProgramFolder().c_str(), &startup, &started));
  kv::UniqueHandle first(started.hProcess), firstThread(started.hThread);
  struct EndFirst {
    HANDLE process;
    ~EndFirst() {
      if (WaitForSingleObject(process, 0) == WAIT_TIMEOUT) TerminateProcess(process, 99);
    }
  } endFirst{first.get()};
  const HWND firstConfirmation = WaitForConfirmation(started.dwProcessId, std::chrono::seconds(60));
  ASSERT_NE(firstConfirmation, nullptr) << "the first run did not reach its confirmation";

  // A second run meanwhile goes the whole way: it installs the release and starts the main program.
  const auto result = run.Run(
      L"KanvoloUpdate2.exe", L"/INET",
      {kvtest::dialogs::kConfirmation, L"screenshot e2e-two-runs-second", kvtest::dialogs::kConfirmOk,
       kvtest::dialogs::kContents, kvtest::dialogs::kContentsOk});
  ASSERT_TRUE(result.Ok()) << result.transcript;
  EXPECT_TRUE(run.WaitForRecord(1));
  for (const auto& f : UpdateHostProcess::Release()) {
    const std::wstring path = run.InstallFolder() + (f.folder.empty() ? L"" : f.folder + L"\\") + f.name;
    EXPECT_NE(GetFileAttributesW(path.c_str()), INVALID_FILE_ATTRIBUTES) << kv::ToUtf8(path);
  }
  EXPECT_TRUE(IsWindowVisible(firstConfirmation)) << "the first run's question is still open";

  PostMessageW(GetDlgItem(firstConfirmation, kCancel), BM_CLICK, 0, 0);
  EXPECT_EQ(WaitForSingleObject(first.get(), 30000), WAIT_OBJECT_0);
}

}  // namespace
