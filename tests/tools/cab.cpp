// Test helper: runs our archiver library's Cab on the command line held by the environment
// variable KV_CAB_COMMAND (so that no shell or Wine quoting rules touch it) and exits with its
// result.
#include <windows.h>

#include <string>

#include "base/Text.h"
#include "components/Cab32.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  wchar_t command[4096] = L"";
  if (GetEnvironmentVariableW(L"KV_CAB_COMMAND", command, 4096) == 0) return -1;
  return kv::Cab(nullptr, kv::ToAnsi(command).c_str(), nullptr, 0);
}
