// Test helper: appends its command line (after the program name) as one UTF-8 line to the file
// named by the environment variable KV_RECORD_FILE, or to "recordargs.log" beside itself.
#include <windows.h>

#include <string>

#include "base/Handles.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR commandLine, int) {
  wchar_t target[MAX_PATH] = L"";
  if (GetEnvironmentVariableW(L"KV_RECORD_FILE", target, MAX_PATH) == 0) {
    GetModuleFileNameW(nullptr, target, MAX_PATH);
    std::wstring path(target);
    path = path.substr(0, path.find_last_of(L'\\') + 1) + L"recordargs.log";
    lstrcpynW(target, path.c_str(), MAX_PATH);
  }
  const std::wstring line = std::wstring(commandLine) + L"\r\n";
  const int n = WideCharToMultiByte(CP_UTF8, 0, line.c_str(), static_cast<int>(line.size()), nullptr, 0, nullptr, nullptr);
  std::string bytes(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, line.c_str(), static_cast<int>(line.size()), bytes.data(), n, nullptr, nullptr);
  kv::UniqueFile file(CreateFileW(target, FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS, 0, nullptr));
  if (!file) return 1;
  DWORD written = 0;
  WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  return 0;
}
