#include "driver/StandIn.h"

#include <gtest/gtest.h>

#include "base/Text.h"

namespace kvtest {
namespace {

struct WindowSearch {
  DWORD processId;
  HWND found = nullptr;
};

BOOL CALLBACK FindProcessWindow(HWND hwnd, LPARAM param) {
  auto& search = *reinterpret_cast<WindowSearch*>(param);
  DWORD owner = 0;
  GetWindowThreadProcessId(hwnd, &owner);
  wchar_t cls[32] = L"";
  GetClassNameW(hwnd, cls, 32);
  if (owner != search.processId || wcscmp(cls, L"ThunderRT6FormDC") != 0) return TRUE;
  search.found = hwnd;
  return FALSE;
}

// Sets the variables for the child's life and puts the previous values back.
class ScopedVariables {
 public:
  void Set(const wchar_t* name, const wchar_t* value) {
    wchar_t previous[1024] = L"";
    const DWORD n = GetEnvironmentVariableW(name, previous, 1024);
    saved_.push_back({name, n > 0 ? std::optional<std::wstring>(previous) : std::nullopt});
    SetEnvironmentVariableW(name, value);
  }
  ~ScopedVariables() {
    for (const auto& [name, value] : saved_) SetEnvironmentVariableW(name.c_str(), value ? value->c_str() : nullptr);
  }

 private:
  std::vector<std::pair<std::wstring, std::optional<std::wstring>>> saved_;
};

}  // namespace

std::wstring StandInProgram() { return TestProgramFolder() + L"\\kv_mainstandin.exe"; }

std::vector<std::wstring> ReadUtf8Lines(const std::wstring& path) {
  if (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) return {};
  const std::wstring text = kv::FromUtf8(ReadBytes(path));
  std::vector<std::wstring> lines;
  std::size_t start = 0;
  for (auto end = text.find(L"\r\n"); end != std::wstring::npos; end = text.find(L"\r\n", start)) {
    lines.push_back(text.substr(start, end - start));
    start = end + 2;
  }
  return lines;
}

StandIn::StandIn(CloseOn closeOn, std::optional<std::wstring> caption) {
  {
    ScopedVariables variables;
    variables.Set(L"KV_RECORD_FILE", (folder_ / L"args.log").c_str());
    variables.Set(L"KV_STANDIN_MESSAGES", (folder_ / L"messages.log").c_str());
    variables.Set(L"KV_STANDIN_CLOSE",
                  closeOn == CloseOn::Request ? L"1024" : closeOn == CloseOn::Close ? L"WM_CLOSE" : L"never");
    variables.Set(L"KV_STANDIN_CAPTION", caption ? caption->c_str() : nullptr);
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION started{};
    std::wstring line = L"\"" + StandInProgram() + L"\"";
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &started)) {
      ADD_FAILURE() << "the stand-in did not start: " << GetLastError();
      return;
    }
    process_.reset(started.hProcess);
    CloseHandle(started.hThread);
  }
  WindowSearch search{GetProcessId(process_.get())};
  for (int i = 0; i < 500 && !search.found; ++i) {
    EnumWindows(FindProcessWindow, reinterpret_cast<LPARAM>(&search));
    if (!search.found) Sleep(20);
  }
  window_ = search.found;
  if (!window_) ADD_FAILURE() << "the stand-in's window did not come up";
}

StandIn::~StandIn() {
  if (process_ && Running()) {
    TerminateProcess(process_.get(), 9);
    WaitForSingleObject(process_.get(), 5000);
  }
}

bool StandIn::WaitForEnd(DWORD milliseconds) const {
  return process_ && WaitForSingleObject(process_.get(), milliseconds) == WAIT_OBJECT_0;
}

bool StandIn::Running() const { return process_ && WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT; }

std::vector<std::wstring> StandIn::Messages() const { return ReadUtf8Lines(folder_ / L"messages.log"); }

}  // namespace kvtest
