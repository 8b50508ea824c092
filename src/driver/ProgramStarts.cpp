#include "base/Host.h"
#include "base/ProcessExit.h"
#include "base/SkipOnError.h"
#include "base/Text.h"
#include "dialogs/UpdateLogs.h"
#include "dialogs/frmSplash.h"
#include "driver/submain.h"
#include "settings/Common.h"
#include "settings/Win32API.h"
#include "settings/clsIniFile.h"
#include "settings/clsInstallIniFile.h"

namespace kv {
namespace {

constexpr wchar_t kStartWithoutCheck[] =
    L"バージョンチェックなしでバロネルを起動します。正常に動作しない場合はバージョンアップを行ってください。";
// The message of Windows before version 6, where no restart can bring the rights either.
constexpr wchar_t kNoRights[] =
    L"新しいプログラムの更新が見つかりました。アイコンまたはメニューを右クリックして「別のユーザーとして実行」から管理者権限のあるユーザーで起動してください。";

template <class Statement>
void Do(Statement&& statement) {
  SkipOnError(std::forward<Statement>(statement));
}

bool HoldsMarker(const std::wstring& text) { return text.find(kElevatedRestartMarker) != std::wstring::npos; }

// The text of a 256-character ANSI name buffer that Windows filled, or "UNKNOWN".
template <class Call>
std::wstring AnsiName(Call call) {
  char buffer[256] = {};
  DWORD length = sizeof(buffer);
  if (!call(buffer, &length)) return L"UNKNOWN";
  const std::string_view bytes(buffer, sizeof(buffer));
  return FromAnsi(bytes.substr(0, bytes.find('\0')));
}

}  // namespace

void RestartSelf(const std::wstring& arguments, bool administrator) {
  if (!administrator) {
    // A run that was already restarted for the rights and still lacks them would restart again
    // for ever: "runas" brings no rights here.
    bool restarted = false;
    Do([&] { restarted = HoldsMarker(CurrentHost().CommandLine()) && !CurrentRun().flgAdministrator; });
    if (restarted) {
      Do([] { LogMessageBox(kNoRights, 48, CurrentHost().ProductName()); });
      UnloadSplashAndEnd();
    }
  }
  std::wstring file;
  Do([&] { file = CurrentHost().ProgramFolder() + L"\\" + CurrentHost().ProgramName(); });
  std::wstring parameters = arguments;
  if (!administrator && !HoldsMarker(parameters)) parameters += std::wstring(L" ") + kElevatedRestartMarker;
  RunAsAdmin(file, parameters, administrator);
}

void RunAsAdmin(const std::wstring& file, const std::wstring& parameters, bool administrator) {
  // The process ends whatever fails here: the run must not go on as if restarted.
  Do([&] { WriteBootLog(L"RunAsAdmin " + file + L"," + parameters); });
  const wchar_t* verb = administrator ? L"open" : L"runas";
  Do([&] { WriteBootLog(L"ExecProgramEx " + file + L"," + parameters + (administrator ? L"" : L",runas")); });
  HWND owner = nullptr;
  Do([&] { owner = Splash().Window(); });
  // Not examined: a refused shell start or a declined elevation prompt ends this run all the same.
  Do([&] { CurrentRun().Starter().ShellStart(owner, file, parameters, std::wstring(), verb); });
  EndProcess(0);
}

std::int16_t ShellAndWait(const std::wstring& commandLine) {
  UniqueHandle process;
  if (SkipOnError([&] { process = CurrentRun().Starter().Start(commandLine, StartWindow::NormalFocused); })) return -1;
  if (!process) return -1;
  WaitForSingleObject(process.get(), INFINITE);
  return 0;
}

void ExecProgramNoCheck() {
  if (SwitchFound(L"/CHECK")) return;
  const std::wstring program = ProgramNamedOnCommandLine(false);
  if (!FileExist(objInstallIniFile().InstallFolder() + program)) return;
  if (LogMessageBox(kStartWithoutCheck, 65, CurrentHost().ProductName()) != 1) return;
  StartInstalledProgram(program);
}

bool IsAdministratorsMember() {
  const std::wstring computer = GetLocalComputerName();
  const std::wstring user = GetLogonUserName();
  std::int32_t count = 0;
  std::vector<std::wstring> names;
  if (GetUserLocalGroups(computer, user, 0, count, names) != 0) return false;
  for (std::int32_t i = 0; i < count; ++i) {
    if (names[static_cast<std::size_t>(i)] == L"Administrators") return true;
  }
  return false;
}

std::wstring GetLogonUserName() {
  return AnsiName([](char* buffer, DWORD* length) { return GetUserNameA(buffer, length) != FALSE; });
}

std::wstring GetLocalComputerName() {
  return AnsiName([](char* buffer, DWORD* length) { return GetComputerNameA(buffer, length) != FALSE; });
}

}  // namespace kv
