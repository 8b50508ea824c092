#include "support/Screenshot.h"

#include <cstdint>
#include <optional>
#include <string>

#include "base/Handles.h"
#include "base/Text.h"
#include "support/HostProcessPaths.h"
#include "support/TempDir.h"

namespace kvtest {
namespace {

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
  if (!unixPicture) return false;
  DeleteFileW(picture.c_str());

  LetTheWindowReachTheScreen(window);
  // The window's own X window when Wine names it: Xvfb's picture of the root leaves a window that
  // lies over another of the program black. Wine may replace that X window while the picture is
  // taken (xwd: BadWindow); the root, cut to the window, is the fallback.
  const auto xWindow = window ? reinterpret_cast<std::uintptr_t>(GetPropW(window, L"__wine_x11_whole_window")) : 0;
  std::string crop;
  RECT r{};
  if (window && GetWindowRect(window, &r)) {
    crop = " -crop " + std::to_string(r.right - r.left) + "x" + std::to_string(r.bottom - r.top) + "+" +
           std::to_string(r.left) + "+" + std::to_string(r.top) + " +repage";
  }
  char display[64] = "";
  const std::string displayOption =
      GetEnvironmentVariableA("DISPLAY", display, sizeof(display)) ? std::string(" -display ") + display : "";
  // Written under another name and renamed, so that a picture that exists is complete.
  const std::string partial = *unixPicture + ".part";
  const auto shot = [&](const std::string& source, const std::string& cut) {
    return "xwd " + source + " -silent" + displayOption + " | /usr/bin/convert xwd:-" + cut + " png:" + ShellQuoted(partial);
  };
  std::string taken = shot("-root", crop);
  if (xWindow) taken = "{ " + shot("-id " + std::to_string(xWindow), "") + " 2>/dev/null || " + taken + "; }";
  const std::string script = taken + " && mv " + ShellQuoted(partial) + " " + ShellQuoted(*unixPicture);
  if (!StartHostShell(script)) return false;
  // A host process cannot be waited for through its handle under Wine: wait for the picture.
  for (int i = 0; i < 300; ++i) {
    if (GetFileAttributesW(picture.c_str()) != INVALID_FILE_ATTRIBUTES) return true;
    Sleep(50);
  }
  return false;
}

}  // namespace kvtest
