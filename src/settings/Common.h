#pragma once
// File and folder services of the update program.
#include <cstdint>
#include <string>

namespace kv {

// True when the file can be opened for reading; every failure answers False.
bool FileExist(const std::wstring& path);

// True when the text is not empty and every character is "0" to "9".
bool IsAllDigits(const std::wstring& text);

// Creates every missing level of the path. Answers the empty text on success, otherwise
// "<hex number>:<text>(<path with trailing \>)".
std::wstring EnsureFolderPath(const std::wstring& path);

// Creates each missing folder before a "\" of the path, from the fourth character on (a drive
// root's "\" is not one). The part after the last "\" is not created, so a file's path creates
// its folders. Failures are skipped: nothing is reported.
void MakeFolderPath(const std::wstring& path);

// The shell's special folder csidl, "\" and subPath; created when missing. No trailing "\".
std::wstring GetSpecialSubFolder(std::int32_t csidl, const std::wstring& subPath);

// "<application data>\Kestrova\バロネル" of the current user, created when missing.
std::wstring GetUserDataFolder();
// The same below the all-users application data folder.
std::wstring GetAllUserDataFolder();

// The RegAsm of .NET Framework 2.0, else "regasm.exe" in the program folder.
std::wstring GetRegasmPath();

// True when a listing of the path (FindFirstFile, folders included) finds an entry. A path ending
// in "\" lists the folder's contents.
bool DirectoryListingFinds(const std::wstring& path);
// The same listing of ordinary files only: folders, hidden and system files are not found.
bool NormalFileListingFinds(const std::wstring& path);
// Name of the first ordinary file that the listing of the pattern returns; empty when none.
std::wstring FirstNormalFileName(const std::wstring& pattern);

// Value of the environment variable; empty when it is not set.
std::wstring EnvironmentValue(const wchar_t* name);

}  // namespace kv
