// The web tool's versions of the install operations: copies without registration, cabinets
// always named after the file.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "base/Host.h"
#include "base/RuntimeError.h"
#include "settings/Common.h"
#include "support/FakeHost.h"
#include "support/TempDir.h"
#include "versioncontrol/clsVersionControlWeb.h"
#include "InstallFixtures.h"

namespace {

using kvtest::CabinetFixture;
using kvtest::CopyAs;
using kvtest::CreatedFolder;
using kvtest::ReadBytes;
using kvtest::WriteBytes;

class WebInstall : public kvtest::InstallFolders {
 protected:
  void List(const std::wstring& name, const std::wstring& folder = L"") {
    vc.SetUseVersionTable(1);
    vc.SetProgramName(1, name);
    vc.SetFolderName(1, folder);
    vc.SetCabFileName(1, L"listed.cab");  // never used by the web tool's operations
  }

  kv::clsVersionControlWeb vc;
};

TEST_F(WebInstall, CopyAndRegistCopiesIntoTheSubFolder) {
  WriteBytes(source + L"a.dll", "new");
  SetFileAttributesW((source + L"a.dll").c_str(), FILE_ATTRIBUTE_READONLY);
  List(L"a.dll", L"サブ");
  EXPECT_EQ(vc.CopyAndRegist(1, source, install), 0);
  EXPECT_EQ(ReadBytes(install + L"サブ\\a.dll"), "new");
  EXPECT_TRUE(kvtest::IsNormal(install + L"サブ\\a.dll"));

  List(L"a.dll", L"一\\二");
  EXPECT_EQ(vc.CopyAndRegist(1, source, install), 76);
}

TEST_F(WebInstall, CopyAndRegistTakesOnlyANormalFileAsTheSource) {
  struct Case {
    DWORD attributes;  // of the source file; 0: no file
    std::int32_t result;
  } cases[] = {{FILE_ATTRIBUTE_ARCHIVE, 0}, {FILE_ATTRIBUTE_READONLY, 0}, {FILE_ATTRIBUTE_HIDDEN, 53},
               {FILE_ATTRIBUTE_SYSTEM, 53}, {0, 53}};
  for (const auto& c : cases) {
    kvtest::TempDir folder;
    if (c.attributes != 0) {
      WriteBytes(folder / L"a.dll", "new");
      SetFileAttributesW((folder / L"a.dll").c_str(), c.attributes);
    }
    List(L"a.dll");
    DeleteFileW((install + L"a.dll").c_str());
    EXPECT_EQ(vc.CopyAndRegist(1, folder.path() + L"\\", install), c.result) << c.attributes;
    EXPECT_EQ(kv::FileExist(install + L"a.dll"), c.result == 0) << c.attributes;
  }
  // A folder of the name is not a file either.
  CreateDirectoryW((source + L"folder.dll").c_str(), nullptr);
  List(L"folder.dll");
  EXPECT_EQ(vc.CopyAndRegist(1, source, install), 53);
}

TEST_F(WebInstall, CopyAndRegistNeverReplacesTheOwnExecutable) {
  WriteBytes(source + L"KanvoloUpdate2.exe", "new");
  WriteBytes(install + L"KanvoloUpdate2.exe", "running");
  List(L"KANVOLOUPDATE2.exe");
  EXPECT_EQ(vc.CopyAndRegist(1, source, install), 0);
  EXPECT_EQ(ReadBytes(install + L"KanvoloUpdate2.exe"), "running");
}

TEST_F(WebInstall, ExpandFileUsesTheFileNameAndGivesTheFileNormalAttributes) {
  struct Case {
    const wchar_t* fixture;  // saved as ro.txt.cab; none: no cabinet
    std::int32_t result;
  } cases[] = {{L"readonly.cab", 0}, {nullptr, 0}, {L"notcab.cab", -1}};
  for (const auto& c : cases) {
    kvtest::TempDir folder;
    if (c.fixture) CopyAs(CabinetFixture(c.fixture), folder / L"ro.txt.cab");
    CopyAs(CabinetFixture(L"one.cab"), folder / L"listed.cab");
    List(L"ro.txt");
    EXPECT_EQ(vc.ExpandFile(1, folder.path() + L"\\"), c.result) << (c.fixture ? kv::ToUtf8(c.fixture) : "none");
    if (c.fixture && c.result == 0) {
      EXPECT_EQ(ReadBytes(folder / L"ro.txt"), "read only\r\n");
      EXPECT_TRUE(kvtest::IsNormal(folder / L"ro.txt"));
    }
    EXPECT_FALSE(kv::FileExist(folder / L"a.txt"));
  }
}

TEST_F(WebInstall, CabExtractAndCopyMovesTheFileIntoTheCreatedDestination) {
  CopyAs(CabinetFixture(L"one.cab"), source + L"a.txt.cab");
  List(L"a.txt", L"ignored");
  const std::wstring dest = dir / L"一\\二\\";  // both levels missing
  EXPECT_EQ(vc.CabExtractAndCopy(1, source, dest), 0);
  EXPECT_EQ(ReadBytes(dest + L"a.txt"), "alpha\r\n");
  EXPECT_TRUE(kvtest::IsNormal(dest + L"a.txt"));
  EXPECT_FALSE(kv::FileExist(source + L"a.txt"));
  EXPECT_FALSE(kv::DirectoryListingFinds(dest + L"ignored"));
}

TEST_F(WebInstall, CabExtractAndCopyRefusesACabinetItCannotUse) {
  CopyAs(CabinetFixture(L"notcab.cab"), source + L"bad.txt.cab");
  struct Case {
    const wchar_t* name;
    std::wstring text;
  } cases[] = {{L"a.txt", L"ファイルが見つかりません。(a.txt.cab)"},
               {L"bad.txt", L"ファイルを解凍できませんでした。(bad.txt.cab)"}};
  for (const auto& c : cases) {
    List(c.name);
    EXPECT_EQ(vc.CabExtractAndCopy(1, source, install), -1) << kv::ToUtf8(c.name);
    EXPECT_EQ(vc.LastErrorDescription(), c.text);
  }
  EXPECT_EQ(vc.CabExtractAndCopy(0, source, install), -1);
  EXPECT_EQ(vc.CabExtractAndCopy(3001, source, install), -1);
}

TEST_F(WebInstall, CabExtractAndCopyNeverReplacesTheOwnExecutable) {
  CopyAs(CabinetFixture(L"own.cab"), source + L"KanvoloUpdate2.exe.cab");
  WriteBytes(install + L"KanvoloUpdate2.exe", "running");
  List(L"KanvoloUpdate2.exe");
  EXPECT_EQ(vc.CabExtractAndCopy(1, source, install), 0);
  EXPECT_EQ(ReadBytes(install + L"KanvoloUpdate2.exe"), "running");
}

TEST_F(WebInstall, NamesThatLeaveTheirFolderFailWith75) {
  WriteBytes(dir / L"outside.txt", "x");
  CopyAs(CabinetFixture(L"one.cab"), dir / L"outside.txt.cab");
  List(L"..\\outside.txt");
  vc.SetMD5(1, L"36c299926dedd08c3f48d5f546a683e6");
  EXPECT_EQ(vc.CopyAndRegist(1, source, install), 75);
  EXPECT_EQ(vc.ExpandFile(1, source), 75);
  EXPECT_EQ(vc.CabExtractAndCopy(1, source, install), 75);
  EXPECT_EQ(vc.CheckFileMD5(1, source), 75);
  EXPECT_EQ(vc.LastErrorDescription(), kv::ErrorText(75) + L"(..\\outside.txt)");

  List(L"a.txt", L"..\\outside");
  WriteBytes(source + L"a.txt", "x");
  EXPECT_EQ(vc.CopyAndRegist(1, source, install), 75);
  EXPECT_FALSE(kv::DirectoryListingFinds(dir / L"outside"));
}

TEST_F(WebInstall, CheckFileMD5IsTheProductsCheck) {
  WriteBytes(source + L"a.txt", "alpha\r\n");
  List(L"a.txt");
  vc.SetMD5(1, L"36C299926DEDD08C3F48D5F546A683E6");
  EXPECT_EQ(vc.CheckFileMD5(1, source), -1);
  EXPECT_EQ(vc.LastErrorDescription(), L"a.txt 36c299926dedd08c3f48d5f546a683e6");
}

}  // namespace
