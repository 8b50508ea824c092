#pragma once
// Gives a file written from the update database the last-write time that its row records.
#include <windows.h>
#include <oleauto.h>

#include <string>

namespace kv {

// Sets the last-write time of the file at path to when (a date, local time); the creation and
// last-access times stay. A file that cannot be opened (missing, denied, a name outside the ANSI
// code page) keeps its times: nothing is reported.
void SetLastWriteTime(const std::wstring& path, DATE when);
// The date as a file time in UTC.
FILETIME DateToFileTime(DATE when);
// CreateFileA for reading and writing, shared for reading; INVALID_HANDLE_VALUE when it fails.
HANDLE OpenFileForTimeStamp(const std::wstring& path);

}  // namespace kv
