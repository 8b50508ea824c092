// The drive of the update medium, from the drive types the host answers.
#include <gtest/gtest.h>

#include "base/Text.h"
#include "driver/GetCdDrive.h"
#include "support/FakeHost.h"

namespace {

TEST(GetCdDrive, FirstCdRomElseLastDriveElseNothing) {
  using Drives = std::vector<std::pair<std::wstring, UINT>>;
  struct Case {
    const char* what;
    Drives drives;
    const wchar_t* root;
  } cases[] = {
      {"C fixed, D CD-ROM, E network", {{L"C:\\", DRIVE_FIXED}, {L"D:\\", DRIVE_CDROM}, {L"E:\\", DRIVE_REMOTE}}, L"D:\\"},
      {"no CD-ROM: the last drive", {{L"C:\\", DRIVE_FIXED}, {L"Z:\\", DRIVE_REMOTE}}, L"Z:\\"},
      {"two CD-ROMs: the first", {{L"C:\\", DRIVE_FIXED}, {L"F:\\", DRIVE_CDROM}, {L"Q:\\", DRIVE_CDROM}}, L"F:\\"},
      {"removable and RAM disk count", {{L"A:\\", DRIVE_REMOVABLE}, {L"R:\\", DRIVE_RAMDISK}}, L"R:\\"},
      {"unknown type 0 and no root 1 do not", {{L"C:\\", DRIVE_FIXED}, {L"X:\\", DRIVE_UNKNOWN}, {L"Y:\\", DRIVE_NO_ROOT_DIR}},
       L"C:\\"},
      {"no drive at all", {}, L""},
  };
  for (const auto& c : cases) {
    kvtest::FakeHost host;
    host.driveTypes = c.drives;
    kv::ScopedHost scoped(host);
    EXPECT_EQ(kv::GetCdDrive(), c.root) << c.what;
  }
}

TEST(GetCdDrive, TheTestPrefixHasItsCdRomOnD) {
  // The test environment maps D: as a CD-ROM drive (scripts/wine-env.sh).
  EXPECT_EQ(kv::CurrentHost().DriveType(L"D:\\"), static_cast<UINT>(DRIVE_CDROM));
  EXPECT_EQ(kv::GetCdDrive(), L"D:\\");
}

}  // namespace
