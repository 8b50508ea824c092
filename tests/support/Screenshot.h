#pragma once
// Screenshots for reviewers, taken from the Xvfb screen of the test run with the host's
// xwd and /usr/bin/convert (started through /bin/sh), into <build>/screenshots/<name>.png:
//   kvtest::TakeScreenshot(L"frmMsgBox-question", dialog);  // just the dialog's rectangle
//   kvtest::TakeScreenshot(L"splash");                       // the whole screen
// The window is repainted first. Outside Wine, or when the tools are missing, nothing is written
// and the answer is false. Hold kScreenLock (ExclusiveLock.h) so no other test's window is in
// the picture; ScriptedUser does.
#include <windows.h>

#include <string>

namespace kvtest {

bool TakeScreenshot(const std::wstring& name, HWND window = nullptr);

// The folder of the pictures (Windows path), created when missing.
std::wstring ScreenshotFolder();

}  // namespace kvtest
