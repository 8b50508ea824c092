#include <gtest/gtest.h>
#include <windows.h>

#include "base/RuntimeError.h"
#include "base/Text.h"
#include "support/TempDir.h"
#include "versioncontrol/clsVersionControl.h"

namespace {

using kv::clsVersionControl;

TEST(clsVersionControl, NewObjectIsEmpty) {
  const clsVersionControl vc;
  EXPECT_EQ(vc.UseVersionTable(), 0);
  EXPECT_EQ(vc.UseInfoTable(), 0);
  EXPECT_EQ(vc.MaxVersionTable(), 3000);
  EXPECT_EQ(vc.MaxInfoTable(), 5000);
  EXPECT_EQ(vc.TotalFileSize(), 0);
  EXPECT_EQ(vc.LastErrorNumber(), 0);
  EXPECT_EQ(vc.LastErrorDescription(), L"");
  EXPECT_EQ(vc.ProgramName(1), L"");
  EXPECT_FALSE(vc.FileChange(1));
}

TEST(clsVersionControl, CountSettersKeepTheOldValueAboveTheTable) {
  struct Case {
    std::int16_t value;
    std::int16_t versions;  // UseVersionTable afterwards, starting from 7
    std::int16_t infos;     // UseInfoTable afterwards, starting from 7
  } cases[] = {{3000, 3000, 3000}, {3001, 7, 3001}, {-5, -5, -5}, {5000, 7, 5000}, {5001, 7, 7}, {32767, 7, 7}};
  for (const auto& c : cases) {
    clsVersionControl vc;
    vc.SetUseVersionTable(7);
    vc.SetUseInfoTable(7);
    vc.SetUseVersionTable(c.value);
    vc.SetUseInfoTable(c.value);
    EXPECT_EQ(vc.UseVersionTable(), c.versions) << c.value;
    EXPECT_EQ(vc.UseInfoTable(), c.infos) << c.value;
  }
}

TEST(clsVersionControl, IndexGuardOfTheFileTable) {
  struct Case {
    std::int16_t index;
    bool inTable;
  } cases[] = {{-1, false}, {0, true}, {1, true}, {3000, true}, {3001, false}, {32767, false}};
  for (const auto& c : cases) {
    clsVersionControl vc;
    vc.SetProgramName(c.index, L"名前.dll");
    vc.SetVersionText(c.index, L"2011/01/02 03:04:05");
    vc.SetFileSize(c.index, 11);
    vc.SetRegistType(c.index, 2);
    vc.SetFolderName(c.index, L"sub");
    vc.SetCabFileName(c.index, L"n.cab");
    vc.SetCabFileSize(c.index, 12);
    vc.SetMD5(c.index, L"d41d8cd98f00b204e9800998ecf8427e");
    vc.SetFileChange(c.index, true);
    const auto& [index, in] = c;
    EXPECT_EQ(vc.ProgramName(index), in ? L"名前.dll" : L"") << index;
    EXPECT_EQ(vc.VersionText(index), in ? L"2011/01/02 03:04:05" : L"") << index;
    EXPECT_EQ(vc.FileSize(index), in ? 11 : 0) << index;
    EXPECT_EQ(vc.RegistType(index), in ? 2 : 0) << index;
    EXPECT_EQ(vc.FolderName(index), in ? L"sub" : L"") << index;
    EXPECT_EQ(vc.CabFileName(index), in ? L"n.cab" : L"") << index;
    EXPECT_EQ(vc.CabFileSize(index), in ? 12 : 0) << index;
    EXPECT_EQ(vc.MD5(index), in ? L"d41d8cd98f00b204e9800998ecf8427e" : L"") << index;
    EXPECT_EQ(vc.FileChange(index), in) << index;
  }
}

TEST(clsVersionControl, IndexGuardOfTheHistoryTable) {
  struct Case {
    std::int16_t index;
    bool inTable;
  } cases[] = {{-1, false}, {0, true}, {5000, true}, {5001, false}};
  for (const auto& c : cases) {
    clsVersionControl vc;
    vc.SetInfoID(c.index, L"ID1");
    vc.SetInfoType(c.index, 3);
    vc.SetInfoHiduke(c.index, L"2011/01/02");
    vc.SetInfoVersion(c.index, L"3.1");
    vc.SetInfoVerGroup(c.index, L"3");
    vc.SetInfoTitle(c.index, L"修正");
    const auto& [index, in] = c;
    EXPECT_EQ(vc.InfoID(index), in ? L"ID1" : L"") << index;
    EXPECT_EQ(vc.InfoType(index), in ? 3 : 0) << index;
    EXPECT_EQ(vc.InfoHiduke(index), in ? L"2011/01/02" : L"") << index;
    EXPECT_EQ(vc.InfoVersion(index), in ? L"3.1" : L"") << index;
    EXPECT_EQ(vc.InfoVerGroup(index), in ? L"3" : L"") << index;
    EXPECT_EQ(vc.InfoTitle(index), in ? L"修正" : L"") << index;
  }
}

// An installed list: one name twice (older first), versions with and without leading zeros.
clsVersionControl InstalledList() {
  clsVersionControl vc;
  const struct {
    const wchar_t* name;
    const wchar_t* version;
    const wchar_t* cab;
  } entries[] = {{L"A.dll", L"2010/01/01 00:00:00", L"a.cab"},
                 {L"A.dll", L"2011/06/01 00:00:00", L"a.cab"},
                 {L"B.dll", L"2010/01/02 03:04:05", L""},
                 {L"C.dll", L"2010/1/2 3:04:05", L""}};
  std::int16_t i = 0;
  for (const auto& e : entries) {
    ++i;
    vc.SetProgramName(i, e.name);
    vc.SetVersionText(i, e.version);
    vc.SetCabFileName(i, e.cab);
  }
  vc.SetUseVersionTable(i);
  return vc;
}

TEST(CheckVersionTable, FirstEntryWithTheExactNameDecides) {
  const clsVersionControl vc = InstalledList();
  struct Case {
    const wchar_t* name;
    const wchar_t* version;
    const wchar_t* cab;
    bool installed;
  } cases[] = {
      {L"A.dll", L"2010/01/01 00:00:00", L"", true},
      {L"A.dll", L"2011/06/01 00:00:00", L"", false},  // the second entry is never looked at
      {L"a.dll", L"2010/01/01 00:00:00", L"", false},
      {L"A.dll", L"2010/01/01 00:00:00", L"a.cab", true},
      {L"A.dll", L"2010/01/01 00:00:00", L"A.CAB", false},
      {L"A.dll", L"2010/01/01 00:00:00", L"other.cab", false},
      {L"B.dll", L"2010/01/02 03:04:05", L"", true},
      {L"B.dll", L"2010/01/02 03:04:05", L"B.dll.cab", false},
      {L"C.dll", L"2010/01/02 03:04:05", L"", false},
      {L"Z.dll", L"2010/01/01 00:00:00", L"", false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(vc.CheckVersionTable(c.name, c.version, c.cab), c.installed)
        << kv::ToUtf8(c.name) << " " << kv::ToUtf8(c.version) << " " << kv::ToUtf8(c.cab);
  }
}

TEST(CheckVersionDown, TrueWhenTheFirstEntryListsAGreaterText) {
  const clsVersionControl vc = InstalledList();
  struct Case {
    const wchar_t* name;
    const wchar_t* version;
    bool down;
  } cases[] = {
      {L"A.dll", L"2009/12/31 23:59:59", true},
      {L"A.dll", L"2010/01/01 00:00:00", false},
      {L"A.dll", L"2010/06/01 00:00:00", false},  // only the first, older entry counts
      {L"a.dll", L"2000/01/01 00:00:00", false},
      {L"C.dll", L"2010/01/02 03:04:05", true},   // "1" follows "0": the unpadded text is greater
      {L"B.dll", L"2010/1/2 3:04:05", false},
      {L"Z.dll", L"", false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(vc.CheckVersionDown(c.name, c.version, L"ignored.cab"), c.down)
        << kv::ToUtf8(c.name) << " " << kv::ToUtf8(c.version);
  }
}

TEST(CheckVersionTable, IgnoreCheckCountsEveryFileAsNotInstalledButNotTheVersionDown) {
  clsVersionControl vc = InstalledList();
  vc.SetIgnoreCheck(true);
  EXPECT_FALSE(vc.CheckVersionTable(L"A.dll", L"2010/01/01 00:00:00", L""));
  EXPECT_TRUE(vc.CheckVersionDown(L"A.dll", L"2009/12/31 23:59:59", L""));
  vc.SetIgnoreCheck(false);
  EXPECT_TRUE(vc.CheckVersionTable(L"A.dll", L"2010/01/01 00:00:00", L""));
}

TEST(CheckVersionTable, NoCountMeansNoEntry) {
  for (const std::int16_t count : {0, -5}) {
    clsVersionControl vc = InstalledList();
    vc.SetUseVersionTable(count);
    EXPECT_FALSE(vc.CheckVersionTable(L"A.dll", L"2010/01/01 00:00:00", L"")) << count;
    EXPECT_FALSE(vc.CheckVersionDown(L"A.dll", L"2000/01/01 00:00:00", L"")) << count;
  }
}

TEST(CopyControl, CopiesOntoTheTargetPath) {
  kvtest::TempDir dir;
  kvtest::WriteBytes(dir / L"Version.xml", "new");
  kvtest::WriteBytes(dir / L"コピー.xml", "old");
  clsVersionControl vc;
  EXPECT_EQ(vc.CopyControl(dir / L"Version.xml", dir / L"コピー.xml"), 0);
  EXPECT_EQ(kvtest::ReadBytes(dir / L"コピー.xml"), "new");
}

TEST(CopyControl, FailuresGoIntoTheErrorFields) {
  kvtest::TempDir dir;
  kvtest::WriteBytes(dir / L"Version.xml", "x");
  struct Case {
    std::wstring from;
    std::wstring to;
    std::int32_t number;
  } cases[] = {{dir / L"missing.xml", dir / L"copy.xml", 53}, {dir / L"Version.xml", dir / L"no\\copy.xml", 76}};
  for (const auto& c : cases) {
    clsVersionControl vc;
    EXPECT_EQ(vc.CopyControl(c.from, c.to), c.number) << kv::ToUtf8(c.to);
    EXPECT_EQ(vc.LastErrorNumber(), c.number);
    EXPECT_EQ(vc.LastErrorDescription(), kv::ErrorText(c.number));
  }
}

}  // namespace
