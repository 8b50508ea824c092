#pragma once
// Appending one line to a log file: opened, written in the ANSI code page and closed per line, so
// that several runs can write into the same file.
#include <string>

namespace kv {

// Raises the file failure when the file cannot be opened or written.
void AppendAnsiLine(const std::wstring& path, const std::wstring& line);

}  // namespace kv
