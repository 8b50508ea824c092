#include <gtest/gtest.h>

#include <string>

#include "base/RuntimeError.h"
#include "base/Text.h"
#include "support/TempDir.h"
#include "versioncontrol/clsVersionControl.h"
#include "VersionFixtures.h"

namespace {

using kv::clsVersionControl;
using kvtest::TempDir;

void SetEntry(clsVersionControl& vc, std::int16_t i, const wchar_t* name, const wchar_t* version) {
  vc.SetProgramName(i, name);
  vc.SetVersionText(i, version);
}

// The value of the Check element's MD5 attribute in a saved file.
std::string CheckDigest(const std::string& bytes) {
  const std::string marker = "<Check MD5=\"";
  const auto at = bytes.find(marker);
  if (at == std::string::npos) return {};
  return bytes.substr(at + marker.size(), 32);
}

TEST(WriteControl, RoundTripSortedByNameIgnoringCase) {
  TempDir dir;
  clsVersionControl vc;
  SetEntry(vc, 1, L"zeta.dll", L"2011/01/01 00:00:01");
  SetEntry(vc, 2, L"帳票出力.dll", L"2011/01/01 00:00:02");
  SetEntry(vc, 3, L"Beta.exe", L"2011/01/01 00:00:03");
  SetEntry(vc, 4, L"alpha.ocx", L"2011/01/01 00:00:04");
  vc.SetFileSize(2, -5);
  vc.SetRegistType(2, 2);
  vc.SetFolderName(2, L"帳票");
  vc.SetCabFileName(2, L"帳票.cab");
  vc.SetCabFileSize(2, 2147483647);
  vc.SetMD5(2, L"0123456789abcdef0123456789abcdef");
  vc.SetFileChange(3, true);
  vc.SetUseVersionTable(4);
  vc.SetInfoID(1, L"7");
  vc.SetInfoType(1, -2);
  vc.SetInfoHiduke(1, L"2011/01/01");
  vc.SetInfoVersion(1, L"1.0");
  vc.SetInfoVerGroup(1, L"1");
  vc.SetInfoTitle(1, L"初版 <&\">");
  vc.SetUseInfoTable(1);

  const auto path = dir / L"バージョン.xml";
  ASSERT_EQ(vc.WriteControl(path), 0);
  // The writer sorted its own table; FileChange moved with its file.
  const wchar_t* sorted[] = {L"alpha.ocx", L"Beta.exe", L"zeta.dll", L"帳票出力.dll"};
  for (std::int16_t i = 1; i <= 4; ++i) EXPECT_EQ(vc.ProgramName(i), sorted[i - 1]) << i;
  EXPECT_TRUE(vc.FileChange(2));
  EXPECT_FALSE(vc.FileChange(3));

  clsVersionControl back;
  ASSERT_EQ(back.ReadControl(path, L"", L""), 0);
  ASSERT_EQ(back.UseVersionTable(), 4);
  for (std::int16_t i = 1; i <= 4; ++i) {
    EXPECT_EQ(back.ProgramName(i), vc.ProgramName(i)) << i;
    EXPECT_EQ(back.VersionText(i), vc.VersionText(i)) << i;
    EXPECT_EQ(back.FileSize(i), vc.FileSize(i)) << i;
    EXPECT_EQ(back.RegistType(i), vc.RegistType(i)) << i;
    EXPECT_EQ(back.FolderName(i), vc.FolderName(i)) << i;
    EXPECT_EQ(back.CabFileName(i), vc.CabFileName(i)) << i;
    EXPECT_EQ(back.CabFileSize(i), vc.CabFileSize(i)) << i;
    EXPECT_EQ(back.MD5(i), vc.MD5(i)) << i;
    EXPECT_FALSE(back.FileChange(i)) << i;
  }
  EXPECT_EQ(back.UseInfoTable(), 1);
  EXPECT_EQ(back.InfoType(1), -2);
  EXPECT_EQ(back.InfoTitle(1), L"初版 <&\">");
  EXPECT_EQ(back.InfoID(0), L"7");
}

TEST(WriteControl, SavesUtf8WithADeclarationAndOnlyTheNonEmptyOptionalAttributes) {
  TempDir dir;
  clsVersionControl vc;
  SetEntry(vc, 1, L"帳票.dll", L"2011/01/01 00:00:00");
  vc.SetUseVersionTable(1);
  ASSERT_EQ(vc.WriteControl(dir / L"v.xml"), 0);
  const std::string bytes = kvtest::ReadBytes(dir / L"v.xml");
  EXPECT_EQ(bytes.rfind("<?xml version=\"1.0\"", 0), 0u) << bytes;
  EXPECT_NE(bytes.find(kv::ToUtf8(L"Name=\"帳票.dll\"")), std::string::npos) << bytes;
  EXPECT_NE(bytes.find("MD5=\"\""), std::string::npos) << bytes;
  EXPECT_EQ(bytes.find("Folder="), std::string::npos) << bytes;
  EXPECT_EQ(bytes.find("CabFile="), std::string::npos) << bytes;
  EXPECT_NE(bytes.find("CabSize=\"0\""), std::string::npos) << bytes;
}

TEST(WriteControl, TiedNamesLandWhereTheQuicksortPutsThem) {
  TempDir dir;
  clsVersionControl vc;
  const wchar_t* names[] = {L"x.dll", L"X.DLL", L"a.dll", L"X.dll", L"A.DLL"};
  for (std::int16_t i = 1; i <= 5; ++i) SetEntry(vc, i, names[i - 1], std::to_wstring(i).c_str());
  vc.SetUseVersionTable(5);
  ASSERT_EQ(vc.WriteControl(dir / L"v.xml"), 0);
  // Traced by hand through the partition steps; a stable sort would give 3 5 1 2 4.
  const wchar_t* order[] = {L"3", L"5", L"1", L"4", L"2"};
  for (std::int16_t i = 1; i <= 5; ++i) EXPECT_EQ(vc.VersionText(i), order[i - 1]) << i;
}

TEST(WriteControl, DigestAgreesWithTheOneMadeOutsideTheProgram) {
  TempDir dir;
  clsVersionControl vc;
  ASSERT_EQ(vc.ReadControl(kvtest::VersionFixture(L"sorted.xml"), L"", L""), 0);
  ASSERT_EQ(vc.WriteControl(dir / L"v.xml"), 0);
  const std::string digest = CheckDigest(kvtest::ReadBytes(dir / L"v.xml"));
  EXPECT_EQ(digest.size(), 32u);
  EXPECT_EQ(digest, CheckDigest(kvtest::ReadBytes(kvtest::VersionFixture(L"sorted.xml"))));
}

TEST(WriteControl, NoFilesGiveTheDigestOfTheKeyAlone) {
  for (const std::int16_t count : {0, -5}) {
    TempDir dir;
    clsVersionControl vc;
    SetEntry(vc, 1, L"unused.dll", L"2011/01/01 00:00:00");
    vc.SetUseVersionTable(count);
    vc.SetInfoID(1, L"1");
    vc.SetUseInfoTable(1);
    ASSERT_EQ(vc.WriteControl(dir / L"v.xml"), 0) << count;
    const std::string bytes = kvtest::ReadBytes(dir / L"v.xml");
    // hashlib.md5(b"KQV@7215")
    EXPECT_EQ(CheckDigest(bytes), "57ac1082fc230f1a1f805e47e468c112") << count;
    EXPECT_EQ(bytes.find("<File"), std::string::npos) << bytes;
    EXPECT_NE(bytes.find("<Info ID=\"1\""), std::string::npos) << bytes;

    clsVersionControl back;
    EXPECT_EQ(back.ReadControl(dir / L"v.xml", L"", L""), 0);
    EXPECT_EQ(back.UseVersionTable(), 0);
    EXPECT_EQ(back.UseInfoTable(), 1);
  }
}

TEST(WriteControl, ASaveThatFailsGivesTheComponentsNumber) {
  TempDir dir;
  clsVersionControl vc;
  const std::int32_t result = vc.WriteControl(dir / L"no\\such\\v.xml");
  EXPECT_NE(result, 0);
  EXPECT_NE(result, -1);
  EXPECT_EQ(vc.LastErrorNumber(), result);
  EXPECT_NE(vc.LastErrorDescription(), L"");
}

}  // namespace
