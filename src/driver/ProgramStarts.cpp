#include "driver/submain.h"

#include "base/ProcessExit.h"

namespace kv {

void RestartSelf(const std::wstring& arguments, bool administrator) { EndProcess(0); }
void RunAsAdmin(const std::wstring& file, const std::wstring& parameters, bool administrator) { EndProcess(0); }
std::int16_t ShellAndWait(const std::wstring& commandLine) { return -1; }
void ExecProgramNoCheck() {}
bool IsAdministratorsMember() { return false; }
std::wstring GetLogonUserName() { return L"UNKNOWN"; }
std::wstring GetLocalComputerName() { return L"UNKNOWN"; }

}  // namespace kv
