#pragma once
// Extraction of cabinets through the Windows setup functions.
#include <windows.h>
#include <setupapi.h>

#include <string>

namespace kv {

// Extracts every file of the cabinet into destFolder (the cabinet's own folder when empty).
// A name flagged as UTF-8 is read as UTF-8, any other in the ANSI code page. False when the
// cabinet cannot be read, a file's extraction reports an error, a name in the cabinet would land
// outside the destination folder, or the cabinet path or a file's whole target has a character
// that the ANSI code page lacks. A failure of the handler (a target path over 259 bytes: 9) is
// raised after the iteration.
bool CabExtract(const std::wstring& cabinetPath, const std::wstring& destFolder);

UINT CALLBACK CabExtractCallback(PVOID context, UINT notification, UINT_PTR param1, UINT_PTR param2);
UINT OnFileInCabinet(FILE_IN_CABINET_INFO_A& info);

// Destination folder (or the cabinet's folder) with "\" and the name in the cabinet.
std::wstring GetCabTargetPath(const std::wstring& nameInCabinet);
// Creates a folder with every missing level.
bool CreateFolderTree(const std::wstring& folder);

std::wstring AnsiPtrToString(const char* ptr);
// A text's bytes in the ANSI code page (converted by the caller) and a zero byte; raises 9 when
// they do not fit.
void CopyToAnsiBuffer(const std::string& bytes, char (&buffer)[MAX_PATH]);
// Folder (with its "\") and file name, split at the last "\".
void SplitPath(const std::wstring& path, std::wstring& folder, std::wstring& fileName);
std::wstring GetFolderPart(const std::wstring& path);
std::wstring AddBackslash(const std::wstring& text);

// True when a name from a cabinet is a relative path that stays below its folder: no drive, no
// leading "\" or "/", no empty, "." or ".." level.
bool IsContainedRelativePath(const std::wstring& name);

}  // namespace kv
