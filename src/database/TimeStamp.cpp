#include "database/TimeStamp.h"

#include <oleauto.h>

#include "base/Handles.h"
#include "base/Text.h"

namespace kv {

FILETIME DateToFileTime(DATE when) {
  SYSTEMTIME local{};
  FILETIME localFile{}, utc{};
  if (VariantTimeToSystemTime(when, &local)) {
    local.wMilliseconds = 0;
    SystemTimeToFileTime(&local, &localFile);
    LocalFileTimeToFileTime(&localFile, &utc);
  }
  return utc;
}

HANDLE OpenFileForTimeStamp(const std::wstring& path) {
  // The ANSI call: a name that the code page cannot hold does not reach the file.
  const std::string ansi = ToAnsi(path);
  if (FromAnsi(ansi) != path) return INVALID_HANDLE_VALUE;
  return CreateFileA(ansi.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                     FILE_ATTRIBUTE_NORMAL, nullptr);
}

void SetLastWriteTime(const std::wstring& path, DATE when) {
  const FILETIME lastWrite = DateToFileTime(when);
  const UniqueFile file(OpenFileForTimeStamp(path));
  if (!file) return;
  // All-zero times leave creation and last access as they are.
  const FILETIME unchanged{};
  SetFileTime(file.get(), &unchanged, &unchanged, &lastWrite);
}

}  // namespace kv
