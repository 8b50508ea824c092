#pragma once
// The installer launcher: runs with administrator rights, reads the product code of the setup
// package beside it, puts that product on the installer's secure-repair whitelist and starts the
// setup elevated. Every way out of Main ends the process.
#include <windows.h>

#include <cstdint>
#include <string>
#include <variant>

#include "base/ProcessStarter.h"
#include "components/WindowsInstaller.h"

namespace kv::launcher {

inline constexpr wchar_t kMessageTitle[] = L"バロネルインストール";
// Appended by the restart: a start that carries it and still lacks the rights restarts no more.
inline constexpr wchar_t kRestartMarker[] = L"/PelorinRestarted";

inline constexpr wchar_t kPolicyKey[] = L"Software\\Policies\\Microsoft\\Windows\\Installer";
inline constexpr wchar_t kWhitelistKey[] = L"Software\\Policies\\Microsoft\\Windows\\Installer\\SecureRepairWhitelist";

[[noreturn]] void Main(const ProcessStarter& starter = RealProcessStarter());

// A text for REG_SZ (1), a number for REG_DWORD (4).
using RegistryData = std::variant<std::wstring, std::int32_t>;

// Creates or opens root\subKey and writes the value; any type but 1 and 4, or data of the other
// kind, writes nothing. True only when the value was written.
bool SetRegistryValue(HKEY root, const std::wstring& subKey, const std::wstring& valueName, DWORD valueType,
                      const RegistryData& value);

// The launcher again through "runas", with its own arguments and the restart marker.
[[noreturn]] void RestartAsAdmin(const ProcessStarter& starter);
// The package through "open", in the Windows folder.
[[noreturn]] void OpenMsiPackage(const ProcessStarter& starter, const std::wstring& msiPath);

// The package's ProductCode property; empty on any failure.
std::wstring GetMsiProductCode(const std::wstring& msiPath);
// The property's value; empty on any failure, also when the property is missing.
std::wstring GetMsiProperty(WindowsInstaller::Database& database, const std::wstring& propertyName);

}  // namespace kv::launcher
