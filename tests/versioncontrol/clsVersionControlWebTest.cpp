#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "base/Handles.h"
#include "base/RuntimeError.h"
#include "base/Text.h"
#include "settings/Common.h"
#include "support/TempDir.h"
#include "versioncontrol/clsVersionControlWeb.h"
#include "VersionFixtures.h"

namespace {

using kv::clsVersionControlWeb;
using kvtest::VersionFixture;

TEST(clsVersionControlWeb, ReadResultsWithItsOwnRefusalCodes) {
  const std::wstring load = kvtest::kCannotLoad;
  const kvtest::ReadCase cases[] = {
      {L"web_valid.xml", 0, load, 3},
      {L"web_edited_tools.xml", 0, load, 3},  // Tools is not covered by the digest
      {L"web_with_regist.xml", 0, load, 3},   // Regist is neither read nor covered
      {L"web_damaged.xml", -2, kvtest::kDamaged, 3},
      {L"web_product_file.xml", -2, kvtest::kDamaged, 3},
      {L"web_no_check.xml", -3, kvtest::kNoCheck, 3},
      {L"too_many_files.xml", 9, kv::ErrorText(9), 3000},
      {L"not_xml.xml", 91, kv::ErrorText(91), 0},
  };
  for (const auto& c : cases) kvtest::ExpectRead<clsVersionControlWeb>(c);
}

TEST(clsVersionControlWeb, RemovePpkIsIgnored) {
  clsVersionControlWeb vc;
  vc.ReadControl(VersionFixture(L"with_ppk.xml"), L"", L"", true);
  EXPECT_EQ(vc.UseVersionTable(), 3);
  EXPECT_EQ(vc.ProgramName(2), L"kanvolo.PPK");
}

TEST(clsVersionControlWeb, ToolsOfThePublishedEntryMustMatchExactly) {
  clsVersionControlWeb installed;
  ASSERT_EQ(installed.ReadControl(VersionFixture(L"web_valid.xml"), L"", L""), 0);
  EXPECT_EQ(installed.Tools(1), L"1");
  EXPECT_EQ(installed.FolderName(2), L"lib");
  EXPECT_EQ(installed.CabFileName(3), L"help.cab");
  struct Case {
    const wchar_t* name;
    const wchar_t* version;
    const wchar_t* tools;
    bool installed;
  } cases[] = {
      {L"Sornet.exe", L"2012/01/02 03:04:05", L"1", true},
      {L"Sornet.exe", L"2012/01/02 03:04:05", L"2", false},
      {L"Sornet.exe", L"2012/01/02 03:04:05", L"", false},
      {L"Sornet.exe", L"2012/01/02 03:04:06", L"1", false},
      {L"sornet.exe", L"2012/01/02 03:04:05", L"1", false},
      {L"SornetLib.dll", L"2012/01/02 03:04:06", L"", true},  // Tools absent
      {L"help.html", L"2012/01/02 03:04:07", L"", true},      // Tools empty
      {L"help.html", L"2012/01/02 03:04:07", L"1", false},
      {L"missing.dll", L"2012/01/02 03:04:07", L"", false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(installed.CheckVersionTable(c.name, c.version, c.tools), c.installed)
        << kv::ToUtf8(c.name) << " " << kv::ToUtf8(c.tools);
  }
  installed.SetIgnoreCheck(true);
  EXPECT_FALSE(installed.CheckVersionTable(L"Sornet.exe", L"2012/01/02 03:04:05", L"1"));
}

TEST(clsVersionControlWeb, EditedToolsCountAsNotInstalled) {
  clsVersionControlWeb published;
  clsVersionControlWeb installed;
  ASSERT_EQ(published.ReadControl(VersionFixture(L"web_valid.xml"), L"", L""), 0);
  ASSERT_EQ(installed.ReadControl(VersionFixture(L"web_edited_tools.xml"), L"", L""), 0);
  int notInstalled = 0;
  for (std::int16_t i = 1; i <= published.UseVersionTable(); ++i) {
    if (!installed.CheckVersionTable(published.ProgramName(i), published.VersionText(i), published.Tools(i))) {
      ++notInstalled;
    }
  }
  EXPECT_EQ(notInstalled, 1);
}

TEST(clsVersionControlWeb, ACountPastTheTableFailsTheOperationsThatRunIntoIt) {
  clsVersionControlWeb vc;
  ASSERT_EQ(vc.ReadControl(VersionFixture(L"web_valid.xml"), L"", L""), 0);
  vc.SetUseVersionTable(4000);
  EXPECT_EQ(vc.UseVersionTable(), 4000);
  vc.SetUseInfoTable(5001);
  EXPECT_EQ(vc.UseInfoTable(), 2);
  EXPECT_TRUE(vc.CheckVersionTable(L"Sornet.exe", L"2012/01/02 03:04:05", L"1"));
  EXPECT_FALSE(vc.CheckVersionTable(L"missing.dll", L"", L""));
  EXPECT_FALSE(vc.CheckVersionDown(L"missing.dll", L"", L""));

  kvtest::TempDir dir;
  EXPECT_EQ(vc.WriteControl(dir / L"v.xml"), 9);
  EXPECT_EQ(vc.LastErrorNumber(), 9);
  EXPECT_FALSE(kv::FileExist(dir / L"v.xml"));
  // The failed sort moved nothing.
  EXPECT_EQ(vc.ProgramName(1), L"Sornet.exe");
  EXPECT_EQ(vc.ProgramName(2), L"SornetLib.dll");
  EXPECT_EQ(vc.ProgramName(3), L"help.html");
}

TEST(clsVersionControlWeb, WritesToolsInPlaceOfRegist) {
  kvtest::TempDir dir;
  clsVersionControlWeb vc;
  ASSERT_EQ(vc.ReadControl(VersionFixture(L"web_valid.xml"), L"", L""), 0);
  ASSERT_EQ(vc.WriteControl(dir / L"v.xml"), 0);
  const std::string bytes = kvtest::ReadBytes(dir / L"v.xml");
  EXPECT_EQ(bytes.find("Regist"), std::string::npos) << bytes;
  EXPECT_NE(bytes.find("Tools=\"1\""), std::string::npos) << bytes;
  EXPECT_EQ(bytes.find("Tools=\"\""), std::string::npos) << bytes;

  clsVersionControlWeb back;
  ASSERT_EQ(back.ReadControl(dir / L"v.xml", L"", L""), 0);
  // Sorted case-insensitively: help.html, Sornet.exe, SornetLib.dll.
  EXPECT_EQ(back.ProgramName(1), L"help.html");
  EXPECT_EQ(back.Tools(2), L"1");
  EXPECT_EQ(back.FolderName(3), L"lib");
}

void SetLastWrite(const std::wstring& path, ULONGLONG time) {
  kv::UniqueFile file(CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr));
  FILETIME ft;
  ft.dwLowDateTime = static_cast<DWORD>(time);
  ft.dwHighDateTime = static_cast<DWORD>(time >> 32);
  SetFileTime(file.get(), nullptr, nullptr, &ft);
}

TEST(clsVersionControlWeb, CheckVersionComparesLastWriteTimesToTheSecond) {
  kvtest::TempDir dir;
  CreateDirectoryW((dir / L"src").c_str(), nullptr);
  CreateDirectoryW((dir / L"dst").c_str(), nullptr);
  const std::wstring src = dir / L"src\\";
  const std::wstring dst = dir / L"dst\\";
  const ULONGLONG second = 10000000ULL;
  const ULONGLONG base = 129000000000000000ULL;
  for (const wchar_t* name : {L"Sornet.exe", L"SornetLib.dll", L"help.html"}) {
    kvtest::WriteBytes(src + name, "x");
    kvtest::WriteBytes(dst + name, "x");
  }
  SetLastWrite(src + L"Sornet.exe", base);
  SetLastWrite(dst + L"Sornet.exe", base + second / 2);  // same second
  SetLastWrite(src + L"SornetLib.dll", base);
  SetLastWrite(dst + L"SornetLib.dll", base + second);
  kvtest::WriteBytes(src + L"unlisted.dll", "x");
  kvtest::WriteBytes(dst + L"unlisted.dll", "x");
  DeleteFileW((dst + L"help.html").c_str());

  clsVersionControlWeb vc;
  ASSERT_EQ(vc.ReadControl(VersionFixture(L"web_valid.xml"), L"", L""), 0);
  struct Case {
    const wchar_t* name;
    bool same;
  } cases[] = {{L"Sornet.exe", true}, {L"SornetLib.dll", false}, {L"help.html", false}, {L"unlisted.dll", false}};
  for (const auto& c : cases) EXPECT_EQ(vc.CheckVersion(src, dst, c.name, L""), c.same) << kv::ToUtf8(c.name);
  vc.SetIgnoreCheck(true);
  EXPECT_FALSE(vc.CheckVersion(src, dst, L"Sornet.exe", L""));
}

}  // namespace
