// Test helper standing in for the main program.
//
// Always: appends its command line (after the program name) as one UTF-8 line to the file named
// by KV_RECORD_FILE, or to "mainstandin.log" beside itself. With "/RegServer" or "/UnregServer"
// in the command line it then ends at once (registration type 3 waits for it without time-out).
//
// Otherwise, only when KV_STANDIN_CLOSE is set, it shows one top-level window of class
// "ThunderRT6FormDC" and stays until that window closes:
//   KV_STANDIN_CLOSE     "1024": closes on message 1024 (the close request);
//                        "WM_CLOSE": closes on WM_CLOSE only;
//                        "never": closes on neither.
//   KV_STANDIN_CAPTION   the window's caption; unset: an untitled window.
//   KV_STANDIN_MESSAGES  file that gets one UTF-8 line "<message> <wParam> <lParam>" (decimal) for
//                        each message 1024 or WM_CLOSE the window receives, before it acts on it;
//                        default "mainstandin.messages" beside itself.
// Whatever the setting, the window closes after two minutes, so that no stand-in outlives a test.
// Exit code 0, or 1 when the window cannot be made.
#include <windows.h>

#include <string>

#include "base/Handles.h"

namespace {

constexpr wchar_t kClass[] = L"ThunderRT6FormDC";
constexpr UINT kCloseRequest = WM_USER;  // 1024
constexpr UINT_PTR kLifetimeTimer = 1;
constexpr UINT kLifetimeMs = 120000;

enum class CloseOn { Request, Close, Never };
CloseOn g_closeOn = CloseOn::Never;
std::wstring g_messagesFile;

std::wstring Environment(const wchar_t* name, bool* present = nullptr) {
  wchar_t value[1024] = L"";
  SetLastError(0);
  const DWORD n = GetEnvironmentVariableW(name, value, 1024);
  const bool found = n > 0 || GetLastError() != ERROR_ENVVAR_NOT_FOUND;
  if (present) *present = found;
  return n > 0 && n < 1024 ? std::wstring(value, n) : std::wstring();
}

std::wstring BesideMe(const wchar_t* name) {
  wchar_t self[MAX_PATH] = L"";
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring path(self);
  return path.substr(0, path.find_last_of(L'\\') + 1) + name;
}

void AppendUtf8Line(const std::wstring& file, const std::wstring& text) {
  const std::wstring line = text + L"\r\n";
  const int n = WideCharToMultiByte(CP_UTF8, 0, line.c_str(), static_cast<int>(line.size()), nullptr, 0, nullptr, nullptr);
  std::string bytes(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, line.c_str(), static_cast<int>(line.size()), bytes.data(), n, nullptr, nullptr);
  kv::UniqueFile out(CreateFileW(file.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                 OPEN_ALWAYS, 0, nullptr));
  if (!out) return;
  DWORD written = 0;
  WriteFile(out.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case kCloseRequest:
    case WM_CLOSE:
      AppendUtf8Line(g_messagesFile, std::to_wstring(message) + L" " + std::to_wstring(wParam) + L" " +
                                         std::to_wstring(lParam));
      if ((message == kCloseRequest && g_closeOn == CloseOn::Request) ||
          (message == WM_CLOSE && g_closeOn == CloseOn::Close)) {
        DestroyWindow(hwnd);
      }
      return 0;
    case WM_TIMER:
      if (wParam == kLifetimeTimer) DestroyWindow(hwnd);
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcW(hwnd, message, wParam, lParam);
  }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR commandLine, int) {
  const std::wstring arguments(commandLine);
  const std::wstring record = Environment(L"KV_RECORD_FILE");
  AppendUtf8Line(record.empty() ? BesideMe(L"mainstandin.log") : record, arguments);
  if (arguments.find(L"/RegServer") != std::wstring::npos || arguments.find(L"/UnregServer") != std::wstring::npos) {
    return 0;
  }

  bool windowWanted = false;
  const std::wstring closeOn = Environment(L"KV_STANDIN_CLOSE", &windowWanted);
  if (!windowWanted) return 0;
  g_closeOn = closeOn == L"1024" ? CloseOn::Request : closeOn == L"WM_CLOSE" ? CloseOn::Close : CloseOn::Never;
  g_messagesFile = Environment(L"KV_STANDIN_MESSAGES");
  if (g_messagesFile.empty()) g_messagesFile = BesideMe(L"mainstandin.messages");
  bool titled = false;
  const std::wstring caption = Environment(L"KV_STANDIN_CAPTION", &titled);

  WNDCLASSEXW cls{};
  cls.cbSize = sizeof(cls);
  cls.lpfnWndProc = WindowProc;
  cls.hInstance = instance;
  cls.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  cls.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  cls.lpszClassName = kClass;
  if (!RegisterClassExW(&cls)) return 1;
  const HWND window = CreateWindowExW(0, kClass, titled ? caption.c_str() : nullptr, WS_OVERLAPPEDWINDOW, 40, 40, 320,
                                      160, nullptr, nullptr, instance, nullptr);
  if (!window) return 1;
  SetTimer(window, kLifetimeTimer, kLifetimeMs, nullptr);
  ShowWindow(window, SW_SHOWNOACTIVATE);

  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return 0;
}
