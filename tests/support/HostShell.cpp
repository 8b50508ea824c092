#include "support/HostShell.h"

#include <windows.h>

#include "base/Handles.h"
#include "base/Text.h"

namespace kvtest {

bool StartHostShell(const std::string& script) {
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
