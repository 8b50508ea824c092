#include "settings/Common.h"

#include <windows.h>

#include "base/Handles.h"
#include "base/Host.h"
#include "base/RuntimeError.h"
#include "base/Text.h"
#include "settings/Win32API.h"

namespace kv {
namespace {

constexpr wchar_t kDataSubPath[] = L"Kestrova\\バロネル";

std::wstring FailureText(const RuntimeError& e, const std::wstring& path) {
  return HexUpper(e.Number()) + L":" + e.Description() + L"(" + path + L")";
}

// An entry that a listing of path would find, answered from its attributes: under Wine a
// listing reads the whole folder first (0.5 ms for 600 files) or opens it (0.2 ms), while the
// attributes take microseconds. Only for "X:\..." paths without wildcards; a folder's contents
// ("X:\...\name\") always list the folder's "." entry.
bool AttributesShowAnEntry(const std::wstring& path) {
  if (path.size() < 4 || path[1] != L':' || path[2] != L'\\' || path.find_first_of(L"*?") != std::wstring::npos) {
    return false;
  }
  std::wstring entry = path;
  if (entry.back() == L'\\') entry.pop_back();
  const std::wstring last = entry.substr(entry.find_last_of(L'\\') + 1);
  if (last.empty() || last == L"." || last == L"..") return false;
  const DWORD attributes = GetFileAttributesW(entry.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return false;
  return entry.size() == path.size() || (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

}  // namespace

bool FileExist(const std::wstring& path) {
  if (path.empty()) return false;
  UniqueFile file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  return static_cast<bool>(file);
}

bool IsAllDigits(const std::wstring& text) {
  if (text.empty()) return false;
  for (wchar_t c : text) {
    if (c < L'0' || c > L'9') return false;
  }
  return true;
}

bool DirectoryListingFinds(const std::wstring& path) {
  if (AttributesShowAnEntry(path)) return true;
  std::wstring pattern = path;
  if (pattern.empty() || pattern.back() == L'\\') pattern += L'*';
  WIN32_FIND_DATAW data;
  UniqueFind find(FindFirstFileW(pattern.c_str(), &data));
  return static_cast<bool>(find);
}

bool NormalFileListingFinds(const std::wstring& path) { return !FirstNormalFileName(path).empty(); }

std::wstring FirstNormalFileName(const std::wstring& pattern) {
  constexpr DWORD kNotNormal = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
  WIN32_FIND_DATAW data;
  UniqueFind find(FindFirstFileW(pattern.c_str(), &data));
  if (!find) return {};
  do {
    if ((data.dwFileAttributes & kNotNormal) == 0) return data.cFileName;
  } while (FindNextFileW(find.get(), &data));
  return {};
}

std::wstring EnvironmentValue(const wchar_t* name) {
  const DWORD size = GetEnvironmentVariableW(name, nullptr, 0);
  if (size == 0) return {};
  std::wstring value(size, L'\0');
  const DWORD n = GetEnvironmentVariableW(name, value.data(), size);
  value.resize(n < size ? n : 0);
  return value;
}

std::wstring EnsureFolderPath(const std::wstring& path) {
  std::wstring s = path;
  if (!EndsWith(s, L"\\")) s += L'\\';

  std::size_t start = 0;
  if (StartsWith(s, L"\\\\")) {
    while (s.size() > 2 && s[2] == L'\\') s.erase(2, 1);
    const auto b = s.find(L'\\', 2);
    const auto a = b == std::wstring::npos ? std::wstring::npos : s.find(L'\\', b + 1);
    if (a == std::wstring::npos) return L"FFFF:ﾌｫﾙﾀﾞ名が正しくありません。(" + s + L")";
    if (!DirectoryListingFinds(s.substr(0, a + 1))) return L"FFFF:共有ﾌｫﾙﾀﾞが見つかりません。(" + s + L")";
    start = a;
  }

  for (auto slash = s.find(L'\\', start); slash != std::wstring::npos; slash = s.find(L'\\', slash + 1)) {
    const std::wstring level = s.substr(0, slash + 1);
    if (DirectoryListingFinds(level)) continue;
    if (!CreateDirectoryW(level.c_str(), nullptr)) {
      return FailureText(RuntimeError::FromWin32(GetLastError()), s);
    }
  }
  return {};
}

void MakeFolderPath(const std::wstring& path) {
  for (auto slash = path.find(L'\\', 3); slash != std::wstring::npos; slash = path.find(L'\\', slash + 1)) {
    const std::wstring level = path.substr(0, slash);
    if (!DirectoryListingFinds(level)) CreateDirectoryW(level.c_str(), nullptr);
  }
}

std::wstring GetSpecialSubFolder(std::int32_t csidl, const std::wstring& subPath) {
  std::wstring folder = GetSpecialFolderPath(csidl);
  if (!EndsWith(folder, L"\\")) folder += L'\\';
  folder += subPath;
  if (!DirectoryListingFinds(folder)) EnsureFolderPath(folder);
  return folder;
}

std::wstring GetUserDataFolder() { return GetSpecialSubFolder(26, kDataSubPath); }

std::wstring GetAllUserDataFolder() { return GetSpecialSubFolder(35, kDataSubPath); }

std::wstring GetRegasmPath() {
  wchar_t root[MAX_PATH] = L"";
  const DWORD n = GetEnvironmentVariableW(L"SystemRoot", root, MAX_PATH);
  const std::wstring candidate =
      std::wstring(root, n < MAX_PATH ? n : 0) + L"\\Microsoft.NET\\Framework\\v2.0.50727\\regasm.exe";
  if (FileExist(candidate)) return candidate;
  return CurrentHost().ProgramFolder() + L"\\regasm.exe";
}

}  // namespace kv
