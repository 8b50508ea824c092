#pragma once
// Our archiver library: Cab compresses files into a new cabinet (cabinet.dll's compressor, MSZIP).
//
// Command line (ANSI code page):  -a -r "<cabinet path>" "<base folder>" "<file name>" ...
//   -a  a new cabinet (an existing file at the path is replaced)
//   -r  file names relative to the base folder, stored in the cabinet as given
// Fields are quoted without escapes: everything up to the next double quote belongs to the field,
// so a "\" before the closing quote is part of the folder. Options and fields are separated by
// one or more blanks; both options are required, in either order, before the fields.
//
// Every failure leaves no file at the cabinet path.
#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kv {

// Results of Cab.
inline constexpr std::int32_t kCabOk = 0;
inline constexpr std::int32_t kCabErrorCommandLine = 0x8001;   // not of the shape above
inline constexpr std::int32_t kCabErrorSourceMissing = 0x8002; // a named file is not an existing file
inline constexpr std::int32_t kCabErrorCreate = 0x8003;        // the cabinet cannot be started there
inline constexpr std::int32_t kCabErrorCompress = 0x8004;      // adding a file or finishing failed

struct CabCommand {
  std::wstring cabinetPath;
  std::wstring baseFolder;
  std::vector<std::wstring> fileNames;
};

// The command line's parts, or nothing when its shape is refused.
std::optional<CabCommand> ParseCabCommand(std::string_view commandLine);

// Runs the command line. The window and the output buffer are accepted and not used (the output
// buffer, when it has room, receives an empty text).
std::int32_t Cab(HWND hwnd, const char* szCmdLine, char* szOutput, DWORD dwSize);

}  // namespace kv
