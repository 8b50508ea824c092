#include "dialogs/LogFile.h"

#include <windows.h>

#include "base/Handles.h"
#include "base/RuntimeError.h"
#include "base/Text.h"

namespace kv {

void AppendAnsiLine(const std::wstring& path, const std::wstring& line) {
  UniqueFile file(CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) RaiseLastWin32();
  const std::string bytes = ToAnsi(line + L"\r\n");
  DWORD written = 0;
  if (!WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
      written != bytes.size()) {
    RaiseLastWin32();
  }
}

}  // namespace kv
