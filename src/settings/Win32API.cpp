#include "settings/Win32API.h"

#include <lm.h>
#include <shellapi.h>
#include <shlobj.h>

#include <map>
#include <mutex>

#include "base/Handles.h"
#include "base/Host.h"
#include "base/ProcessStarter.h"
#include "base/Text.h"

namespace kv {
namespace {

std::wstring UpToNul(const char* buffer) { return FromAnsi(std::string(buffer)); }

}  // namespace

std::wstring BrowseForFolder(HWND hwndOwner, const std::wstring& initialFolder) {
  std::string start = ToAnsi(initialFolder);
  if (start.empty()) {
    char current[MAX_PATH] = "";
    GetCurrentDirectoryA(MAX_PATH, current);
    start = current;
  }
  std::string title = ToAnsi(L"フォルダを選択してください。");

  BROWSEINFOA info{};
  info.hwndOwner = hwndOwner;
  info.lpszTitle = title.c_str();
  info.ulFlags = BIF_RETURNONLYFSDIRS;
  info.lpfn = BrowseCallbackProc;
  info.lParam = reinterpret_cast<LPARAM>(start.c_str());

  UniqueCoTaskMem item(SHBrowseForFolderA(&info));
  if (!item) return {};
  char path[MAX_PATH + 1] = "";
  SHGetPathFromIDListA(static_cast<PCIDLIST_ABSOLUTE>(item.get()), path);
  return UpToNul(path);
}

int CALLBACK BrowseCallbackProc(HWND hwnd, UINT uMsg, LPARAM, LPARAM lpData) {
  if (uMsg == BFFM_INITIALIZED) SendMessageA(hwnd, BFFM_SETSELECTIONA, 1, lpData);
  return 0;
}

std::int32_t GetUserLocalGroups(const std::wstring& server, const std::wstring& user, std::int32_t flags,
                                std::int32_t& count, std::vector<std::wstring>& names) {
  count = 0;
  std::vector<std::wstring> found;
  const std::int32_t status = CurrentHost().UserLocalGroups(server, user, flags, found);
  if (status != 0) return status;
  for (const auto& name : found) {
    if (names.size() < static_cast<std::size_t>(count) + 1) names.resize(static_cast<std::size_t>(count) + 1);
    names[static_cast<std::size_t>(count)] = name;
    ++count;
  }
  return 0;
}

// Group names are copied whole, whatever their length.
std::wstring WidePtrToString(const wchar_t* ptr) { return ptr ? std::wstring(ptr) : std::wstring(); }

std::wstring GetSpecialFolderPath(std::int32_t csidl) {
  // Under Wine the shell takes about 0.6 ms to answer, and every log line asks for the user's data
  // folder: a place the shell has named is kept for the rest of the process.
  static std::mutex mutex;
  static std::map<std::int32_t, std::wstring> known;
  {
    std::lock_guard<std::mutex> lock(mutex);
    const auto found = known.find(csidl);
    if (found != known.end()) return found->second;
  }
  char buffer[MAX_PATH + 1] = "";
  SHGetSpecialFolderPathA(nullptr, buffer, csidl, FALSE);
  std::wstring path = UpToNul(buffer);
  if (path.empty()) return path;
  std::lock_guard<std::mutex> lock(mutex);
  known.emplace(csidl, path);
  return path;
}

std::int32_t ExecProgramEx(HWND hwndOwner, const std::wstring& file, const std::wstring& parameters,
                           const std::wstring& folder, const std::wstring& verb) {
  return ShellStart(hwndOwner, file, parameters, folder, verb) ? 1 : 0;
}

std::wstring GetLocalTimeText() {
  const SYSTEMTIME t = CurrentHost().LocalTime();
  wchar_t text[32];
  swprintf(text, 32, L"%04u-%02u-%02u %02u:%02u:%02u.%03u", t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute,
           t.wSecond, t.wMilliseconds);
  return text;
}

std::wstring RegReadAnsiText(HKEY root, const std::wstring& keyPath, REGSAM access, const std::wstring& valueName,
                             const std::wstring& defaultValue) {
  UniqueRegKey opened;
  if (RegOpenKeyExA(root, ToAnsi(keyPath).c_str(), 0, access, opened.put()) != ERROR_SUCCESS) return defaultValue;
  // Longer data fails the query and gives the default.
  char data[256] = {};
  DWORD size = sizeof(data);
  DWORD type = REG_SZ;
  if (RegQueryValueExA(opened.get(), ToAnsi(valueName).c_str(), nullptr, &type, reinterpret_cast<BYTE*>(data),
                       &size) != ERROR_SUCCESS) {
    return defaultValue;
  }
  const std::string_view bytes(data, size);
  return FromAnsi(bytes.substr(0, bytes.find('\0')));
}

std::wstring GetWindowCaption(HWND hwnd) {
  char buffer[256] = "";
  if (GetWindowTextA(hwnd, buffer, 255) <= 0) return {};
  return UpToNul(buffer);
}

std::wstring GetWindowClass(HWND hwnd) {
  char buffer[256] = "";
  if (GetClassNameA(hwnd, buffer, 255) <= 0) return {};
  return UpToNul(buffer);
}

}  // namespace kv
