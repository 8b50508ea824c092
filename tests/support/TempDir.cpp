#include "support/TempDir.h"

#include <windows.h>

#include <atomic>
#include <stdexcept>

#include "base/Handles.h"

namespace kvtest {

TempDir::TempDir() {
  static std::atomic<unsigned> counter{0};
  wchar_t base[MAX_PATH] = L"";
  GetTempPathW(MAX_PATH, base);
  wchar_t name[64];
  swprintf(name, 64, L"kvtest-%lu-%u-%lu", GetCurrentProcessId(), counter++, GetTickCount());
  path_ = std::wstring(base) + name;
  if (!CreateDirectoryW(path_.c_str(), nullptr)) throw std::runtime_error("cannot create temp folder");
}

TempDir::~TempDir() { RemoveTree(path_); }

std::wstring TempDir::operator/(std::wstring_view name) const { return path_ + L"\\" + std::wstring(name); }

void WriteBytes(const std::wstring& path, std::string_view bytes) {
  kv::UniqueFile file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
  if (!file) throw std::runtime_error("cannot write fixture file");
  DWORD written = 0;
  // A fixture cut short would let a test pass on the wrong input.
  if (!WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
      written != bytes.size()) {
    throw std::runtime_error("cannot write fixture file");
  }
}

std::string ReadBytes(const std::wstring& path) {
  kv::UniqueFile file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, 0, nullptr));
  if (!file) throw std::runtime_error("cannot read file");
  std::string bytes;
  char buffer[65536];
  DWORD read = 0;
  while (ReadFile(file.get(), buffer, sizeof(buffer), &read, nullptr) && read > 0) bytes.append(buffer, read);
  return bytes;
}

bool FolderExists(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

void RemoveTree(const std::wstring& path) {
  WIN32_FIND_DATAW data;
  kv::UniqueFind find(FindFirstFileW((path + L"\\*").c_str(), &data));
  if (find) {
    do {
      const std::wstring name = data.cFileName;
      if (name == L"." || name == L"..") continue;
      const std::wstring child = path + L"\\" + name;
      if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        RemoveTree(child);
      } else {
        SetFileAttributesW(child.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileW(child.c_str());
      }
    } while (FindNextFileW(find.get(), &data));
  }
  find.reset();
  RemoveDirectoryW(path.c_str());
}

std::wstring TestProgramFolder() {
  wchar_t path[MAX_PATH] = L"";
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring p(path);
  return p.substr(0, p.find_last_of(L'\\'));
}

}  // namespace kvtest
