#pragma once
// The boot log "UpdateBoot.log" (this run, the five before it as "UpdateBoot.log1" to "5") and the
// update log "Update.log" (across runs), in the per-user data folder: a line is the log time
// stamp, a blank and the text, in the ANSI code page. Each call opens, writes and closes its file.
#include <cstdint>
#include <string>

namespace kv {

// An empty text starts a new boot log (older copies shifted, header written); any other text
// appends a line. Any failure ends the call silently.
void WriteBootLog(const std::wstring& text);

// Appends a line, also for an empty text; a line that cannot be written is lost silently.
void WriteUpdateLog(const std::wstring& text);

// The text into the update log, then into the message box; answers the message box's code.
std::int16_t LogMessageBox(const std::wstring& text, std::int32_t style, const std::wstring& title);

}  // namespace kv
