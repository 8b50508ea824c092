#pragma once
// The Linux host beneath Wine: path conversions and shell commands started on it. A host process
// cannot be waited for through its handle under Wine: callers wait for a file it writes. Outside
// Wine every answer is empty or false.
#include <optional>
#include <string>

namespace kvtest {

std::optional<std::string> UnixPath(const std::wstring& path);
std::optional<std::wstring> DosPath(const char* unixPath);
// text between single quotes for /bin/sh
std::string ShellQuoted(const std::string& text);
// Starts /bin/sh -c script (UTF-8) and returns at once; false when it could not be started.
bool StartHostShell(const std::string& script);

}  // namespace kvtest
