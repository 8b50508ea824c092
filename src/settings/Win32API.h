#pragma once
// Thin wrappers of the Windows services the update program needs, in plain texts.
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace kv {

// The shell's folder dialog, opened on initialFolder (the current directory when empty).
// Answers the chosen folder, or the empty text when cancelled.
std::wstring BrowseForFolder(HWND hwndOwner, const std::wstring& initialFolder);
int CALLBACK BrowseCallbackProc(HWND hwnd, UINT uMsg, LPARAM lParam, LPARAM lpData);

// Local groups of user on server (level 0). Sets count to the number of names appended to names
// (at indexes 0 to count-1); answers the network status, 0 for success.
std::int32_t GetUserLocalGroups(const std::wstring& server, const std::wstring& user, std::int32_t flags,
                                std::int32_t& count, std::vector<std::wstring>& names);
std::wstring WidePtrToString(const wchar_t* ptr);

// The shell special folder csidl, not created; the empty text when the shell does not know it.
std::wstring GetSpecialFolderPath(std::int32_t csidl);

// Starts file through the shell with verb ("open", "runas"); not waited for. Nonzero when started.
std::int32_t ExecProgramEx(HWND hwndOwner, const std::wstring& file, const std::wstring& parameters,
                           const std::wstring& folder, const std::wstring& verb);

// "yyyy-mm-dd hh:nn:ss.fff" of the local time.
std::wstring GetLocalTimeText();

// The text of valueName under root\keyPath, the key opened with access, the value read into 256 bytes
// of the ANSI code page and cut at its first NUL. defaultValue when the key cannot be opened, the
// value is missing or its data does not fit (more than 255 bytes with the NUL); its type is not
// looked at.
std::wstring RegReadAnsiText(HKEY root, const std::wstring& keyPath, REGSAM access, const std::wstring& valueName,
                             const std::wstring& defaultValue);

std::wstring GetWindowCaption(HWND hwnd);
std::wstring GetWindowClass(HWND hwnd);

}  // namespace kv
