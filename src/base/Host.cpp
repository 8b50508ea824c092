#include "base/Host.h"

#include <lm.h>
#include <shlobj.h>

#include <vector>

#include "base/Handles.h"
#include "base/Text.h"

namespace kv {
namespace {

const Host* g_host = nullptr;

std::wstring ModulePath() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (n < path.size()) {
      path.resize(n);
      return path;
    }
    path.resize(path.size() * 2);
  }
}

// A text of the program's version information in its first language; empty when missing.
std::wstring VersionString(const wchar_t* name) {
  const std::wstring path = ModulePath();
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
  if (size == 0) return {};
  std::vector<BYTE> block(size);
  if (!GetFileVersionInfoW(path.c_str(), 0, size, block.data())) return {};
  struct Translation {
    WORD language;
    WORD codePage;
  }* translations = nullptr;
  UINT bytes = 0;
  if (!VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translations),
                      &bytes) ||
      bytes < sizeof(Translation)) {
    return {};
  }
  wchar_t key[96];
  swprintf(key, 96, L"\\StringFileInfo\\%04x%04x\\%ls", translations->language, translations->codePage, name);
  wchar_t* value = nullptr;
  UINT length = 0;
  if (!VerQueryValueW(block.data(), key, reinterpret_cast<void**>(&value), &length) || !value) return {};
  return std::wstring(value);
}

}  // namespace

std::wstring Host::ProgramFolder() const {
  std::wstring path = ModulePath();
  const auto slash = path.find_last_of(L'\\');
  return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

std::wstring Host::ProgramName() const {
  std::wstring path = ModulePath();
  const auto slash = path.find_last_of(L'\\');
  std::wstring name = slash == std::wstring::npos ? path : path.substr(slash + 1);
  const auto dot = name.find_last_of(L'.');
  return dot == std::wstring::npos ? name : name.substr(0, dot);
}

std::wstring Host::ProductName() const { return VersionString(L"ProductName"); }

std::wstring Host::LegalCopyright() const { return VersionString(L"LegalCopyright"); }

std::wstring Host::SystemFolder() const {
  // The ANSI call into a 255-byte buffer: a folder that does not fit leaves it empty.
  char buffer[255];
  const UINT n = GetSystemDirectoryA(buffer, sizeof(buffer));
  if (n == 0 || n >= sizeof(buffer)) return {};
  return FromAnsi(std::string_view(buffer, n));
}

SYSTEMTIME Host::LocalTime() const {
  SYSTEMTIME now{};
  GetLocalTime(&now);
  return now;
}

std::optional<WindowsVersion> Host::Version() const {
  OSVERSIONINFOA info{};
  info.dwOSVersionInfoSize = sizeof(info);
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#elif defined(_MSC_VER)
#pragma warning(suppress : 4996)
#endif
  if (!GetVersionExA(&info)) return std::nullopt;
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif
  return WindowsVersion{info.dwMajorVersion, info.dwMinorVersion};
}

bool Host::IsUserAnAdmin() const { return ::IsUserAnAdmin() != FALSE; }

void Host::Sleep(DWORD milliseconds) const { ::Sleep(milliseconds); }

std::wstring Host::CommandLine() const { return CommandLineArguments(GetCommandLineW()); }

std::int32_t Host::UserLocalGroups(const std::wstring& server, const std::wstring& user, std::int32_t flags,
                                   std::vector<std::wstring>& names) const {
  names.clear();
  LPBYTE raw = nullptr;
  DWORD read = 0;
  DWORD total = 0;
  const NET_API_STATUS status =
      NetUserGetLocalGroups(server.empty() ? nullptr : server.c_str(), user.c_str(), 0, static_cast<DWORD>(flags),
                            &raw, MAX_PREFERRED_LENGTH, &read, &total);
  UniqueNetBuffer buffer(raw);
  if (status != NERR_Success) return static_cast<std::int32_t>(status);
  const auto* entries = reinterpret_cast<const LOCALGROUP_USERS_INFO_0*>(raw);
  for (DWORD i = 0; i < read; ++i) names.emplace_back(entries[i].lgrui0_name ? entries[i].lgrui0_name : L"");
  return 0;
}

UINT Host::DriveType(const std::wstring& root) const { return GetDriveTypeA(ToAnsi(root).c_str()); }

std::int16_t Host::AsyncKeyState(int virtualKey) const { return GetAsyncKeyState(virtualKey); }

std::wstring CommandLineArguments(std::wstring_view commandLine) {
  std::size_t i = 0;
  if (!commandLine.empty() && commandLine[0] == L'"') {
    const auto close = commandLine.find(L'"', 1);
    i = close == std::wstring_view::npos ? commandLine.size() : close + 1;
  } else {
    while (i < commandLine.size() && commandLine[i] != L' ' && commandLine[i] != L'\t') ++i;
  }
  while (i < commandLine.size() && (commandLine[i] == L' ' || commandLine[i] == L'\t')) ++i;
  return std::wstring(commandLine.substr(i));
}

const Host& CurrentHost() {
  static const Host real;
  return g_host ? *g_host : real;
}

ScopedHost::ScopedHost(const Host& host) : previous_(g_host) { g_host = &host; }
ScopedHost::~ScopedHost() { g_host = previous_; }

}  // namespace kv
