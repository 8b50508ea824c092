#pragma once
// Compression of one program file into a cabinet of its own, for the release build with "/MAKE".
#include <string>

namespace kv {

// dstFolder and the cabinet name in lower case, or the file name in lower case and ".cab" when the
// cabinet name is empty.
std::wstring CabinetPath(const std::wstring& fileName, const std::wstring& cabName, const std::wstring& dstFolder);
// The archiver's command line: -a -r, two blanks, then the quoted cabinet path, source folder (as
// given, with its trailing "\") and file name (its case kept).
std::wstring CabCommandLine(const std::wstring& cabPath, const std::wstring& srcFolder, const std::wstring& fileName);

// Makes dstFolder's cabinet of srcFolder + fileName. Returns only when the cabinet was made: a
// source file that an ordinary-file listing does not find, or a failing archiver, ends the
// process after its message. Names that are not plain file names raise 75.
void CabCompress(const std::wstring& fileName, const std::wstring& cabName, const std::wstring& srcFolder,
                 const std::wstring& dstFolder);
// Deletes the cabinet at cabPath, then runs the archiver with the splash window as its owner.
// Returns only on success; an old cabinet that cannot be deleted raises.
void ExecCabCommand(const std::wstring& commandLine, const std::wstring& cabPath);

}  // namespace kv
