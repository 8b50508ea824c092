#include "base/ProcessStarter.h"

#include "base/RuntimeError.h"

namespace kv {

UniqueHandle ProcessStarter::Start(const std::wstring& commandLine) const {
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_SHOWMINNOACTIVE;
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

const ProcessStarter& RealProcessStarter() {
  static const ProcessStarter real;
  return real;
}

}  // namespace kv
