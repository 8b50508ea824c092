#pragma once
// The file steps that put a listed program file into place, shared by both version control
// classes. Names come from a version control file, whose check key is public, so they are not
// trusted: each is tested before it becomes part of a path.
#include <cstdint>
#include <string>
#include <vector>

namespace kv {

// Raises 75, with the name in the text, unless the name is a plain file name: not empty, not "."
// or "..", none of \ / : * ? " < > |.
void RequirePlainFileName(const std::wstring& name);
// Raises 75 unless the sub-folder is empty or a relative path below the install folder: no drive,
// no leading "\", no empty, "." or ".." level (one trailing "\" is allowed).
void RequireSubFolderName(const std::wstring& folderName, const std::wstring& programName);

// The command lines of one registration of file, in the order they run (the first is paused
// around): type 2 regsvr32 from systemFolder ("" or ending with "\"), 3 the file's own switches,
// 4 RegAsm and its time marker; none for any other type. Program paths are quoted, so a blank in
// a folder cannot start another program.
std::vector<std::wstring> RegistrationCommands(std::int16_t registType, bool flgRegist,
                                               const std::wstring& systemFolder, const std::wstring& file);

// True when the name is the update program's own executable, in any letter case.
bool IsOwnExecutable(const std::wstring& programName);

// strDestFolder, the sub-folder and "\": with an empty sub-folder the install folder with a
// doubled "\", which Windows accepts.
std::wstring DestinationFolder(const std::wstring& strDestFolder, const std::wstring& folderName);
// Unless programName is the update program's own executable: copies the file into
// strDestFolder + folderName, replacing the file there; that folder is created when a listing
// finds nothing (one level: 76 when its parent is missing). True when the file was copied.
bool CopyIntoPlace(const std::wstring& source, const std::wstring& strDestFolder, const std::wstring& folderName,
                   const std::wstring& programName);
// Copies the file over target (through a new file beside it, so that a failed copy leaves the
// target as it was), then clears the target's read-only, hidden and system attributes.
void CopyReplacing(const std::wstring& source, const std::wstring& target);
void SetNormalAttributes(const std::wstring& path);
void DeleteListedFile(const std::wstring& path);

// The texts of a cabinet that an install operation cannot use.
std::wstring CabinetMissingText(const std::wstring& cabinetName);
std::wstring CabinetNotExtractedText(const std::wstring& cabinetName);

}  // namespace kv
