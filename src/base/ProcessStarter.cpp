#include "base/ProcessStarter.h"

#include <shellapi.h>

#include "base/RuntimeError.h"

namespace kv {

namespace {

const wchar_t* OrNull(const std::wstring& text) { return text.empty() ? nullptr : text.c_str(); }

}  // namespace

UniqueHandle ProcessStarter::Start(const std::wstring& commandLine, StartWindow window) const {
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = window == StartWindow::NormalFocused ? SW_SHOWNORMAL : SW_SHOWMINNOACTIVE;
  PROCESS_INFORMATION started{};
  std::wstring line = commandLine;  // CreateProcessW may write into it
  if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &started)) {
    RaiseLastWin32();
  }
  const UniqueHandle process(started.hProcess);
  const UniqueHandle thread(started.hThread);
  // Opened while our own handle still holds the process, so its id cannot name another one yet.
  return UniqueHandle(OpenProcess(SYNCHRONIZE, TRUE, started.dwProcessId));
}

bool ProcessStarter::ShellStart(HWND owner, const std::wstring& file, const std::wstring& parameters,
                                const std::wstring& folder, const std::wstring& verb) const {
  return kv::ShellStart(owner, file, parameters, folder, verb);
}

bool ShellStart(HWND owner, const std::wstring& file, const std::wstring& parameters, const std::wstring& folder,
                const std::wstring& verb) {
  SHELLEXECUTEINFOW info{};
  info.cbSize = sizeof(info);
  info.fMask = SEE_MASK_NOCLOSEPROCESS;
  info.hwnd = owner;
  info.lpVerb = OrNull(verb);
  info.lpFile = file.c_str();
  info.lpParameters = OrNull(parameters);
  info.lpDirectory = OrNull(folder);
  info.nShow = SW_SHOWNORMAL;
  const BOOL started = ShellExecuteExW(&info);
  const UniqueHandle process(info.hProcess);  // not waited for, but not leaked either
  return started != FALSE;
}

const ProcessStarter& RealProcessStarter() {
  static const ProcessStarter real;
  return real;
}

}  // namespace kv
