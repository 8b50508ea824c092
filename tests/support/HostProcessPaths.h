#pragma once
// What a test needs to start a program of the Linux host from under Wine (through /bin/sh): Wine's
// own path conversions, absent on Windows, and quoting for the shell. Header only, for the helper
// programs that take single support files too.
#include <windows.h>

#include "base/Handles.h"
#include "base/Text.h"

#include <optional>
#include <string>

namespace kvtest {

inline std::optional<std::string> UnixPath(const std::wstring& path) {
  using ToUnix = char*(CDECL*)(LPCWSTR);
  const auto toUnix = reinterpret_cast<ToUnix>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
  if (!toUnix) return std::nullopt;
  char* unix = toUnix(path.c_str());
  if (!unix) return std::nullopt;
  std::string result(unix);
  HeapFree(GetProcessHeap(), 0, unix);
  return result;
}

inline std::optional<std::wstring> DosPath(const char* unixPath) {
  using ToDos = WCHAR*(CDECL*)(LPCSTR);
  const auto toDos = reinterpret_cast<ToDos>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_dos_file_name")));
  if (!toDos) return std::nullopt;
  WCHAR* dos = toDos(unixPath);
  if (!dos) return std::nullopt;
  std::wstring result(dos);
  HeapFree(GetProcessHeap(), 0, dos);
  return result;
}

// The text in single quotes for /bin/sh.
inline std::string ShellQuoted(const std::string& text) {
  std::string q = "'";
  for (char c : text) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

// Starts script (UTF-8) with the host's /bin/sh -c; not waited for (Wine cannot wait on a host
// process: wait for what it writes). False when it cannot be started.
inline bool StartHostShell(const std::string& script) {
  const auto shell = DosPath("/bin/sh");
  if (!shell) return false;
  std::wstring commandLine = L"/bin/sh -c \"" + kv::FromUtf8(script) + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(shell->c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &process)) {
    return false;
  }
  kv::UniqueHandle processHandle(process.hProcess), threadHandle(process.hThread);
  return true;
}

}  // namespace kvtest
