#include "dialogs/UpdateLogs.h"

#include <windows.h>

#include "base/Handles.h"
#include "base/Host.h"
#include "base/SkipOnError.h"
#include "dialogs/LocalDialog.h"
#include "dialogs/LogFile.h"
#include "settings/Common.h"
#include "settings/Win32API.h"

namespace kv {
namespace {

std::wstring LogLine(const std::wstring& text) { return GetLocalTimeText() + L" " + text; }

// Shifts the older copies up by one, the sixth falling away. False when a step failed.
bool RotateBootLogs(const std::wstring& current) {
  for (int k = 5; k >= 1; --k) {
    const std::wstring copy = current + std::to_wstring(k);
    if (!FileExist(copy)) continue;
    const bool done = k == 5 ? DeleteFileW(copy.c_str()) != FALSE
                             : MoveFileW(copy.c_str(), (current + std::to_wstring(k + 1)).c_str()) != FALSE;
    if (!done) return false;
  }
  return !FileExist(current) || MoveFileW(current.c_str(), (current + L"1").c_str());
}

void StartBootLog(const std::wstring& current) {
  if (!RotateBootLogs(current)) return;
  UniqueFile emptied(CreateFileW(current.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                                 FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!emptied) return;
  emptied.reset();
  SkipOnError([&] { AppendAnsiLine(current, LogLine(L"*** バロネルアップデート起動ログ " + CurrentHost().ProgramName())); });
}

}  // namespace

void WriteBootLog(const std::wstring& text) {
  const std::wstring current = GetUserDataFolder() + L"\\UpdateBoot.log";
  if (text.empty()) {
    StartBootLog(current);
    return;
  }
  SkipOnError([&] { AppendAnsiLine(current, LogLine(text)); });
}

void WriteUpdateLog(const std::wstring& text) {
  SkipOnError([&] { AppendAnsiLine(GetUserDataFolder() + L"\\Update.log", LogLine(text)); });
}

std::int16_t LogMessageBox(const std::wstring& text, std::int32_t style, const std::wstring& title) {
  WriteUpdateLog(text);
  return ShowMsgBox(text, style, title);
}

}  // namespace kv
