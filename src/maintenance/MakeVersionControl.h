#pragma once
// The release build of "/MAKE" and "/XML": in the update program's own folder, the product's
// version control ("バロネル\") is refreshed from the program files themselves, changed files are
// compressed into "Update\" (with "/MAKE"), the update history is filled from the release-history
// database, and the installer's version control ("Installer\") is refreshed the same way.
#include <windows.h>
#include <oleauto.h>

#include <cstdint>
#include <memory>
#include <string>

#include "components/Dao.h"

namespace kv {

class frmPassword;

// -1 when the build's failure handling ran; otherwise 0, also when the password was refused or a
// version control could not be read or written (each reported by its message).
std::int16_t MakeVersionControl(bool makeCab);

// The release-history database, on the current drive.
inline constexpr wchar_t kReleaseHistoryPath[] = L"\\Work\\Kanvolo\\仕様\\varonel_net.mdb";
inline constexpr wchar_t kReleaseHistoryQuery[] =
    L"SELECT * FROM RELEASE_HISTRY WHERE SYSTEM=1 AND VER_GROUP>='0500' ORDER BY HIDUKE,TYPE,ID";

// The DAO objects while the history is read.
extern dao::Workspace* objReleaseWorkspace;
extern std::unique_ptr<dao::Database> objReleaseDatabase;
extern std::unique_ptr<dao::Recordset> objReleaseRecordset;

// The program-wide maintenance password form: made on first use, never unloaded by the build.
frmPassword& PasswordForm();
// A test's form in its place for the life of the object.
class ScopedPasswordForm {
 public:
  explicit ScopedPasswordForm(frmPassword& form);
  ~ScopedPasswordForm();
  ScopedPasswordForm(const ScopedPasswordForm&) = delete;
  ScopedPasswordForm& operator=(const ScopedPasswordForm&) = delete;

 private:
  frmPassword* previous_;
};

// A history field as text, by the system's conversion in the user's locale (a date as the short
// date, with the time unless it is midnight). Null raises 94.
std::wstring HistoryText(const VARIANT& value);
// A history field as a 16-bit integer, by the system's conversion (halves to even). Null raises
// 94, a value out of range 6, one that is no number 13.
std::int16_t HistoryType(const VARIANT& value);

// A file's last-write time in local time as "yyyy/mm/dd hh:nn:ss" and its length; a file that
// cannot be read raises.
struct FileStamp {
  std::wstring versionText;
  std::int32_t size = 0;
};
FileStamp ReadFileStamp(const std::wstring& path);

}  // namespace kv
