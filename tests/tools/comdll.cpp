// Test helper: a COM library whose registration entry points append "register <own path>" or
// "unregister <own path>" to the file named by KV_RECORD_FILE (or "recordargs.log" beside it).
#include <windows.h>

#include <string>

#include "base/Handles.h"

namespace {

HMODULE g_module = nullptr;

HRESULT Record(const wchar_t* what) {
  wchar_t own[MAX_PATH] = L"";
  GetModuleFileNameW(g_module, own, MAX_PATH);
  wchar_t target[MAX_PATH] = L"";
  if (GetEnvironmentVariableW(L"KV_RECORD_FILE", target, MAX_PATH) == 0) {
    std::wstring path(own);
    path = path.substr(0, path.find_last_of(L'\\') + 1) + L"recordargs.log";
    lstrcpynW(target, path.c_str(), MAX_PATH);
  }
  const std::wstring line = std::wstring(what) + L" " + own + L"\r\n";
  const int n = WideCharToMultiByte(CP_UTF8, 0, line.c_str(), static_cast<int>(line.size()), nullptr, 0, nullptr, nullptr);
  std::string bytes(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, line.c_str(), static_cast<int>(line.size()), bytes.data(), n, nullptr, nullptr);
  kv::UniqueFile file(CreateFileW(target, FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS, 0, nullptr));
  if (!file) return E_FAIL;
  DWORD written = 0;
  WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  return S_OK;
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) g_module = instance;
  return TRUE;
}

extern "C" HRESULT WINAPI DllRegisterServer() { return Record(L"register"); }
extern "C" HRESULT WINAPI DllUnregisterServer() { return Record(L"unregister"); }
