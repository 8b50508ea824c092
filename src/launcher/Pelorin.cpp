#include "launcher/Pelorin.h"

#include "base/Handles.h"
#include "base/Host.h"
#include "base/ProcessExit.h"
#include "base/RuntimeError.h"
#include "base/Text.h"
#include "settings/Common.h"

namespace kv::launcher {
namespace {

[[noreturn]] void EndWithMessage(const wchar_t* text) {
  MessageBoxW(nullptr, text, kMessageTitle, MB_OK | MB_ICONHAND);
  EndProcess();
}

// The marker counts only as the last argument, where the restart puts it.
bool CarriesRestartMarker(const std::wstring& commandLine) {
  std::wstring_view line = commandLine;
  while (!line.empty() && (line.back() == L' ' || line.back() == L'\t')) line.remove_suffix(1);
  const std::wstring_view marker = kRestartMarker;
  if (!line.ends_with(marker)) return false;
  line.remove_suffix(marker.size());
  return line.empty() || line.back() == L' ' || line.back() == L'\t';
}

}  // namespace

void Main(const ProcessStarter& starter) {
  const Host& host = CurrentHost();
  if (!host.IsUserAnAdmin()) {
    if (CarriesRestartMarker(host.CommandLine())) EndWithMessage(L"管理者権限で起動できませんでした。");
    RestartAsAdmin(starter);
  }

  const std::wstring folder = host.ProgramFolder();
  const std::wstring package = FirstNormalFileName(folder + L"\\*.msi");
  if (package.empty()) EndWithMessage(L"インストーラーが見つかりません。");
  const std::wstring packagePath = folder + L"\\" + package;

  const std::wstring productCode = GetMsiProductCode(packagePath);
  if (productCode.empty()) EndWithMessage(L"プロダクトコードの取得に失敗しました。");

  if (!SetRegistryValue(HKEY_LOCAL_MACHINE, kPolicyKey, L"SecureRepairPolicy", REG_DWORD, 2)) {
    EndWithMessage(L"インストーラーの登録に失敗しました。[SecureRepairPolicy]");
  }
  if (!SetRegistryValue(HKEY_LOCAL_MACHINE, kWhitelistKey, productCode, REG_SZ, std::wstring())) {
    EndWithMessage(L"インストーラーの登録に失敗しました。[SecureRepairWhitelist]");
  }

  if (NormalFileListingFinds(folder + L"\\Setup.exe")) {
    starter.ShellStart(nullptr, folder + L"\\Setup.exe", L"", L"", L"runas");
    EndProcess();
  }
  OpenMsiPackage(starter, packagePath);
}

bool SetRegistryValue(HKEY root, const std::wstring& subKey, const std::wstring& valueName, DWORD valueType,
                      const RegistryData& value) {
  UniqueRegKey key;
  if (RegCreateKeyExA(root, ToAnsi(subKey).c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, 0x3F, nullptr, key.put(),
                      nullptr) != ERROR_SUCCESS) {
    return false;
  }
  const std::string name = ToAnsi(valueName);
  LONG written = ERROR_INVALID_DATA;
  if (valueType == REG_SZ && std::holds_alternative<std::wstring>(value)) {
    const std::string text = ToAnsi(std::get<std::wstring>(value));
    written = RegSetValueExA(key.get(), name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                             static_cast<DWORD>(text.size() + 1));
  } else if (valueType == REG_DWORD && std::holds_alternative<std::int32_t>(value)) {
    const std::int32_t number = std::get<std::int32_t>(value);
    written = RegSetValueExA(key.get(), name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number),
                             sizeof(number));
  }
  return written == ERROR_SUCCESS;
}

void RestartAsAdmin(const ProcessStarter& starter) {
  const Host& host = CurrentHost();
  const std::wstring arguments = host.CommandLine();
  const std::wstring parameters = arguments.empty() ? kRestartMarker : arguments + L" " + kRestartMarker;
  starter.ShellStart(nullptr, host.ProgramFolder() + L"\\" + host.ProgramName(), parameters, L"", L"runas");
  EndProcess();
}

void OpenMsiPackage(const ProcessStarter& starter, const std::wstring& msiPath) {
  starter.ShellStart(nullptr, msiPath, L"", EnvironmentValue(L"windir"), L"open");
  EndProcess();
}

std::wstring GetMsiProductCode(const std::wstring& msiPath) {
  try {
    const WindowsInstaller::Installer installer;
    auto database = installer.OpenDatabase(msiPath, 0);
    std::wstring productCode = GetMsiProperty(database, L"ProductCode");
    database.Commit();
    return productCode;
  } catch (const RuntimeError&) {
    // The caller tells the user; which step the installer refused does not matter to them.
    return {};
  }
}

std::wstring GetMsiProperty(WindowsInstaller::Database& database, const std::wstring& propertyName) {
  try {
    auto view = database.OpenView(L"SELECT Value FROM Property WHERE Property='" + propertyName + L"'");
    view.Execute();
    return view.Fetch().StringData(1);
  } catch (const RuntimeError&) {
    // A missing property (no record) is one of these failures.
    return {};
  }
}

}  // namespace kv::launcher
