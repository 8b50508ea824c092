#include "dialogs/CommandStarter.h"

#include <windows.h>

#include "base/Handles.h"

namespace kv {
namespace {

class ProcessStarter : public CommandStarter {
 public:
  bool Start(const std::wstring& commandLine) override {
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWMINNOACTIVE;
    PROCESS_INFORMATION started{};
    std::wstring line = commandLine;  // CreateProcessW may write into its command line
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &started)) {
      return false;
    }
    UniqueHandle process(started.hProcess);
    UniqueHandle thread(started.hThread);
    return true;
  }
};

}  // namespace

CommandStarter& SystemCommandStarter() {
  static ProcessStarter starter;
  return starter;
}

}  // namespace kv
