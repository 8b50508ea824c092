#pragma once
// Pieces of the internet road that more than one step uses, and that tests reach directly.
#include <cstdint>
#include <string>

namespace kv {

class clsIniFileWeb;
class frmDispUpdate;

// The product title of every message box of the run.
std::wstring ProductTitle();

// True when Windows reported its version and it is older than 6 (stored in the run's record):
// the internet road then shows its logged refusal, unloads the splash window and ends.
void RefuseWindowsXp();

// A cabinet size in whole kilobytes, halves away from zero, plain digits.
std::wstring KilobyteText(std::int64_t bytes);

// Fills the update contents dialog from the run's two version controls: the history newer than
// the installed version, the files to download with their sizes, and the total line.
void FillUpdateContents(frmDispUpdate& form, std::int32_t count);

// True when the history entry's date falls on a later calendar day than the installed version, or
// either text is not a date in the user's locale.
bool ListHistoryEntry(const std::wstring& installedVersion, const std::wstring& entryDate);

// The notice that no program file needed an update (the recording of the update owns it).
void ShowNoUpdateNotice();

// The web tool's comparison: reads its published version control from the web INI's three URLs
// and its installed one, and answers how many published files are not installed. A web INI that
// names no URL that delivers ends the process at once, silently.
std::int16_t CountWebToolUpdates(const clsIniFileWeb& web);

}  // namespace kv
