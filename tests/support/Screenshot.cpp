#include "support/Screenshot.h"

#include <cstdint>
#include <optional>
#include <string>

#include "base/Handles.h"
#include "base/Text.h"
#include "support/TempDir.h"

namespace kvtest {
namespace {

// Wine's own path conversions; absent on Windows.
std::optional<std::string> UnixPath(const std::wstring& path) {
  using ToUnix = char*(CDECL*)(LPCWSTR);
  const auto toUnix = reinterpret_cast<ToUnix>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
  if (!toUnix) return std::nullopt;
  char* unix = toUnix(path.c_str());
  if (!unix) return std::nullopt;
  std::string result(unix);
  HeapFree(GetProcessHeap(), 0, unix);
  return result;
}

std::optional<std::wstring> DosPath(const char* unixPath) {
  using ToDos = WCHAR*(CDECL*)(LPCSTR);
  const auto toDos = reinterpret_cast<ToDos>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_dos_file_name")));
  if (!toDos) return std::nullopt;
  WCHAR* dos = toDos(unixPath);
  if (!dos) return std::nullopt;
  std::wstring result(dos);
  HeapFree(GetProcessHeap(), 0, dos);
  return result;
}

std::string Quoted(const std::string& text) {
  std::string q = "'";
  for (char c : text) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

// Wine copies a window's drawing to the X server when the thread waits for messages.
void LetTheWindowReachTheScreen(HWND window) {
  if (window) RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_UPDATENOW | RDW_ALLCHILDREN);
  GdiFlush();
  for (int i = 0; i < 10; ++i) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    MSG peek;
    PeekMessageW(&peek, nullptr, 0, 0, PM_NOREMOVE | PM_NOYIELD);
  }
}

}  // namespace

std::wstring ScreenshotFolder() {
  wchar_t full[MAX_PATH] = L"";
  GetFullPathNameW((TestProgramFolder() + L"\\..\\screenshots").c_str(), MAX_PATH, full, nullptr);
  CreateDirectoryW(full, nullptr);
  return full;
}

bool TakeScreenshot(const std::wstring& name, HWND window) {
  const std::wstring picture = ScreenshotFolder() + L"\\" + name + L".png";
  const auto unixPicture = UnixPath(picture);
  const auto shell = DosPath("/bin/sh");
  if (!unixPicture || !shell) return false;
  DeleteFileW(picture.c_str());

  LetTheWindowReachTheScreen(window);
  // The window's own X window when Wine names it: Xvfb's picture of the root leaves a window that
  // lies over another of the program black.
  std::string source = "-root";
  const auto xWindow = window ? reinterpret_cast<std::uintptr_t>(GetPropW(window, L"__wine_x11_whole_window")) : 0;
  if (xWindow) source = "-id " + std::to_string(xWindow);
  std::string crop;
  RECT r{};
  if (!xWindow && window && GetWindowRect(window, &r)) {
    crop = " -crop " + std::to_string(r.right - r.left) + "x" + std::to_string(r.bottom - r.top) + "+" +
           std::to_string(r.left) + "+" + std::to_string(r.top) + " +repage";
  }
  char display[64] = "";
  const std::string displayOption =
      GetEnvironmentVariableA("DISPLAY", display, sizeof(display)) ? std::string(" -display ") + display : "";
  // Written under another name and renamed, so that a picture that exists is complete.
  const std::string partial = *unixPicture + ".part";
  const std::string script = "xwd " + source + " -silent" + displayOption + " | /usr/bin/convert xwd:-" + crop + " png:" +
                             Quoted(partial) + " && mv " + Quoted(partial) + " " + Quoted(*unixPicture);
  std::wstring commandLine = L"/bin/sh -c \"" + kv::FromUtf8(script) + L"\"";

  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(shell->c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &process)) {
    return false;
  }
  kv::UniqueHandle processHandle(process.hProcess), threadHandle(process.hThread);
  // A host process cannot be waited for through its handle under Wine: wait for the picture.
  for (int i = 0; i < 300; ++i) {
    if (GetFileAttributesW(picture.c_str()) != INVALID_FILE_ATTRIBUTES) return true;
    Sleep(50);
  }
  return false;
}

}  // namespace kvtest
