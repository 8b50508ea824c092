#include "driver/GetCdDrive.h"

#include <windows.h>

#include "base/Host.h"

namespace kv {

std::wstring GetCdDrive() {
  std::wstring drive;
  for (wchar_t letter = L'A'; letter <= L'Z'; ++letter) {
    const std::wstring root = std::wstring(1, letter) + L":\\";
    const UINT type = CurrentHost().DriveType(root);
    // 0 and 1: no such drive.
    if (type > DRIVE_NO_ROOT_DIR) {
      drive = root;
      if (type == DRIVE_CDROM) break;
    }
  }
  return drive;
}

}  // namespace kv
