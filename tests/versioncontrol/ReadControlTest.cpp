#include <gtest/gtest.h>

#include "base/RuntimeError.h"
#include "base/Text.h"
#include "versioncontrol/clsVersionControl.h"
#include "VersionFixtures.h"

namespace {

using kv::clsVersionControl;
using kvtest::VersionFixture;

TEST(ReadControl, ResultsAndTextsOfEachFixture) {
  const std::wstring load = kvtest::kCannotLoad;
  const kvtest::ReadCase cases[] = {
      {L"valid.xml", 0, load, 3},
      {L"edited_info.xml", 0, load, 3},
      {L"no_filesize.xml", 0, load, 1},
      {L"leading_zeros.xml", 0, load, 1},
      {L"empty_folder.xml", 0, load, 1},
      {L"declaration_utf8.xml", 0, load, 3},
      {L"others_ignored.xml", 0, load, 2},
      {L"with_ppk.xml", 0, load, 3},
      {L"no_cab_size.xml", 0, load, 3},
      // Refusals keep the complete, unverified lists.
      {L"edited_file.xml", -1, kvtest::kDamaged, 3},
      {L"reordered_file.xml", -1, kvtest::kDamaged, 3},
      {L"added_file.xml", -1, kvtest::kDamaged, 4},
      {L"removed_file.xml", -1, kvtest::kDamaged, 2},
      {L"upper_digest.xml", -1, kvtest::kDamaged, 3},
      {L"no_check.xml", -1, kvtest::kNoCheck, 3},
      {L"empty_check.xml", -1, kvtest::kNoCheck, 3},
      {L"no_data.xml", -1, kvtest::kNoCheck, 0},
      // Failures while parsing keep what was read before them.
      {L"not_a_number.xml", 13, kv::ErrorText(13), 1},
      {L"regist_overflow.xml", 6, kv::ErrorText(6), 1},
      {L"total_overflow.xml", 6, kv::ErrorText(6), 1},
      {L"too_many_files.xml", 9, kv::ErrorText(9), 3000},
      // Not loaded at all.
      {L"not_xml.xml", 91, kv::ErrorText(91), 0},
      // A document has one root: the component refuses a second DATA element.
      {L"two_data.xml", 91, kv::ErrorText(91), 0},
      {L"missing.xml", 91, kv::ErrorText(91), 0},
  };
  for (const auto& c : cases) kvtest::ExpectRead<clsVersionControl>(c);
}

TEST(ReadControl, FillsEveryFieldAndTheSummaries) {
  clsVersionControl vc;
  vc.SetFileChange(1, true);
  ASSERT_EQ(vc.ReadControl(VersionFixture(L"valid.xml"), L"", L""), 0);

  EXPECT_EQ(vc.ProgramName(1), L"Kanvolo.exe");
  EXPECT_EQ(vc.VersionText(1), L"2011/04/05 10:20:30");
  EXPECT_EQ(vc.FileSize(1), 1234567);
  EXPECT_EQ(vc.RegistType(1), 3);
  EXPECT_EQ(vc.FolderName(1), L"");
  EXPECT_EQ(vc.CabFileName(1), L"");
  EXPECT_EQ(vc.CabFileSize(1), 456789);
  EXPECT_EQ(vc.MD5(1), L"0123456789abcdef0123456789abcdef");
  EXPECT_FALSE(vc.FileChange(1));  // reset before the entry is filled
  EXPECT_EQ(vc.ProgramName(2), L"帳票出力.dll");
  EXPECT_EQ(vc.FolderName(2), L"Report");
  EXPECT_EQ(vc.CabFileName(3), L"voice01.cab");
  EXPECT_EQ(vc.MD5(3), L"");
  EXPECT_EQ(vc.TotalFileSize(), 456789 + 8000 + 50);

  EXPECT_EQ(vc.UseInfoTable(), 2);
  EXPECT_EQ(vc.InfoID(1), L"101");
  EXPECT_EQ(vc.InfoType(1), 1);
  EXPECT_EQ(vc.InfoHiduke(1), L"2011/03/01");
  EXPECT_EQ(vc.InfoVersion(1), L"3.1.0");
  EXPECT_EQ(vc.InfoVerGroup(1), L"3");
  EXPECT_EQ(vc.InfoTitle(1), L"予約画面の修正");

  // Entry 0: the greatest version read, and four fields of the last history entry.
  EXPECT_EQ(vc.VersionText(0), L"2011/04/05 10:20:30");
  EXPECT_EQ(vc.InfoID(0), L"102");
  EXPECT_EQ(vc.InfoHiduke(0), L"2011/04/05");
  EXPECT_EQ(vc.InfoVersion(0), L"3.2.0");
  EXPECT_EQ(vc.InfoVerGroup(0), L"3");
  EXPECT_EQ(vc.InfoType(0), 0);
  EXPECT_EQ(vc.InfoTitle(0), L"");
}

TEST(ReadControl, NumbersAndDefaultsAsHeld) {
  struct Case {
    const wchar_t* file;
    std::int32_t fileSize;
    std::int32_t cabFileSize;
    std::int32_t total;
  } cases[] = {
      {L"no_filesize.xml", 1, 456789, 456789},
      {L"leading_zeros.xml", 7, -12, -1},
      {L"no_cab_size.xml", 1234567, 456789, -1},  // the second file has no cabinet size
  };
  for (const auto& c : cases) {
    clsVersionControl vc;
    ASSERT_EQ(vc.ReadControl(VersionFixture(c.file), L"", L""), 0) << kv::ToUtf8(c.file);
    EXPECT_EQ(vc.FileSize(1), c.fileSize) << kv::ToUtf8(c.file);
    EXPECT_EQ(vc.CabFileSize(1), c.cabFileSize) << kv::ToUtf8(c.file);
    EXPECT_EQ(vc.TotalFileSize(), c.total) << kv::ToUtf8(c.file);
  }
}

TEST(ReadControl, OnlyTheNamedElementsAndAttributesCount) {
  clsVersionControl vc;
  ASSERT_EQ(vc.ReadControl(VersionFixture(L"others_ignored.xml"), L"", L""), 0);
  EXPECT_EQ(vc.ProgramName(1), L"Kanvolo.exe");
  EXPECT_EQ(vc.ProgramName(2), L"帳票出力.dll");
  EXPECT_EQ(vc.UseInfoTable(), 1);
}

TEST(ReadControl, HistoryIsAppendedAndTheGreatestVersionNeverLowered) {
  clsVersionControl vc;
  ASSERT_EQ(vc.ReadControl(VersionFixture(L"with_ppk.xml"), L"", L""), 0);
  EXPECT_EQ(vc.VersionText(0), L"2011/05/01 00:00:00");
  vc.SetUseInfoTable(10);
  ASSERT_EQ(vc.ReadControl(VersionFixture(L"valid.xml"), L"", L""), 0);
  ASSERT_EQ(vc.ReadControl(VersionFixture(L"edited_info.xml"), L"", L""), 0);
  EXPECT_EQ(vc.UseVersionTable(), 3);
  EXPECT_EQ(vc.UseInfoTable(), 14);
  EXPECT_EQ(vc.InfoID(11), L"101");
  EXPECT_EQ(vc.InfoTitle(12), L"帳票の追加");
  EXPECT_EQ(vc.InfoTitle(13), L"履歴だけ書き換え");
  EXPECT_EQ(vc.VersionText(0), L"2011/05/01 00:00:00");
}

TEST(ReadControl, RemovePpkDropsThatEntryOnly) {
  for (const bool remove : {false, true}) {
    clsVersionControl vc;
    ASSERT_EQ(vc.ReadControl(VersionFixture(L"with_ppk.xml"), L"", L"", remove), 0) << remove;
    EXPECT_EQ(vc.UseVersionTable(), remove ? 2 : 3);
    EXPECT_EQ(vc.ProgramName(2), remove ? L"帳票出力.dll" : L"kanvolo.PPK");
    // The dropped entry still counts in the total and the greatest version.
    EXPECT_EQ(vc.TotalFileSize(), 456789 + 10 + 8000);
    EXPECT_EQ(vc.VersionText(0), L"2011/05/01 00:00:00");
  }
}

TEST(ReadControl, StartsFromNoFilesAndNoTotal) {
  clsVersionControl vc;
  ASSERT_EQ(vc.ReadControl(VersionFixture(L"valid.xml"), L"", L""), 0);
  vc.SetUseInfoTable(2);
  ASSERT_EQ(vc.ReadControl(VersionFixture(L"missing.xml"), L"", L""), 91);
  EXPECT_EQ(vc.UseVersionTable(), 0);
  EXPECT_EQ(vc.TotalFileSize(), 0);
  EXPECT_EQ(vc.UseInfoTable(), 2);
  EXPECT_EQ(vc.VersionText(0), L"2011/04/05 10:20:30");
}

}  // namespace
