// The install operations of the product's version control with a process starter that only
// records: the exact command lines, the pauses around them and the files put into place.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "base/Host.h"
#include "base/RuntimeError.h"
#include "base/Text.h"
#include "settings/Common.h"
#include "support/ExclusiveLock.h"
#include "support/FakeHost.h"
#include "support/FakeProcessStarter.h"
#include "support/TempDir.h"
#include "versioncontrol/clsVersionControl.h"
#include "InstallFixtures.h"

namespace {

using kvtest::CabinetFixture;
using kvtest::CopyAs;
using kvtest::CreatedFolder;
using kvtest::ReadBytes;
using kvtest::WriteBytes;
using Lines = std::vector<std::wstring>;

constexpr wchar_t kAlphaDigest[] = L"36c299926dedd08c3f48d5f546a683e6";  // "alpha\r\n"

std::wstring Q(const std::wstring& text) { return L"\"" + text + L"\""; }

class Install : public kvtest::InstallFolders {
 protected:
  Install() {
    // A system folder of our own, with a blank, holding a "regsvr32.exe".
    system = CreatedFolder(dir / L"sys tem");
    WriteBytes(system + L"regsvr32.exe", "");
    host.systemFolder = system.substr(0, system.size() - 1);
  }

  // Entry 1 of the table.
  void List(const std::wstring& name, std::int16_t type, const std::wstring& folder = L"",
            const std::wstring& cabinet = L"") {
    vc.SetUseVersionTable(1);
    vc.SetProgramName(1, name);
    vc.SetRegistType(1, type);
    vc.SetFolderName(1, folder);
    vc.SetCabFileName(1, cabinet);
  }

  Lines Register(const std::wstring& file) const { return {Q(system + L"regsvr32") + L" /s " + Q(file)}; }
  Lines Unregister(const std::wstring& file) const { return {Q(system + L"regsvr32") + L" /u /s " + Q(file)}; }

  kvtest::FakeProcessStarter processes{host};
  kv::clsVersionControl vc{processes};
  std::wstring system;
};

TEST_F(Install, EachRegistrationTypeRunsItsCommandLinesBetweenPauses) {
  const std::wstring file = install + L"部品 1.dll";
  WriteBytes(file, "library");
  const std::wstring regasm = Q(dir / L"regasm.exe");
  const std::wstring marker = L"cmd.exe /c echo %date% %time% > " + Q(kv::GetUserDataFolder() + L"\\RegAsm.dat");
  struct Case {
    std::int16_t type;
    bool flgRegist;
    Lines commands;
    std::vector<DWORD> sleptBefore;  // at each start
    DWORD slept;                     // in all
  } cases[] = {
      {2, true, Register(file), {500}, 1000},
      {2, false, Unregister(file), {500}, 1000},
      {3, true, {Q(file) + L" /RegServer"}, {500}, 1000},
      {3, false, {Q(file) + L" /UnregServer"}, {500}, 1000},
      {4, true, {regasm + L" " + Q(file), marker}, {500, 1000}, 1000},
      {4, false, {regasm + L" " + Q(file) + L" /unregist"}, {500}, 1000},
      {0, true, {}, {}, 0},
      {1, true, {}, {}, 0},
      {5, false, {}, {}, 0},
      {-1, true, {}, {}, 0},
  };
  for (const auto& c : cases) {
    List(L"部品 1.dll", c.type);
    processes.runs.clear();
    host.slept = 0;
    EXPECT_EQ(vc.RegistFile(1, install, c.flgRegist), 0);
    EXPECT_EQ(processes.CommandLines(), c.commands) << c.type << " " << c.flgRegist;
    std::vector<DWORD> sleptBefore;
    for (const auto& run : processes.runs) sleptBefore.push_back(run.sleptBefore);
    EXPECT_EQ(sleptBefore, c.sleptBefore) << c.type << " " << c.flgRegist;
    EXPECT_EQ(host.slept, c.slept) << c.type << " " << c.flgRegist;
  }
}

TEST_F(Install, WithoutRegsvr32InTheSystemFolderTheDestinationFolderNamesIt) {
  WriteBytes(install + L"a.dll", "library");
  List(L"a.dll", 2);
  for (const std::wstring& folder : {dir / L"ソース", std::wstring()}) {
    host.systemFolder = folder;
    processes.runs.clear();
    EXPECT_EQ(vc.RegistFile(1, install, true), 0);
    EXPECT_EQ(processes.CommandLines(), Lines{Q(install + L"regsvr32") + L" /s " + Q(install + L"a.dll")});
  }
}

TEST_F(Install, RegistFileStartsNothingForAMissingFileOrAnIndexOutsideTheTable) {
  List(L"a.dll", 2);
  EXPECT_EQ(vc.RegistFile(1, install, true), 0);
  for (std::int16_t index : {0, 3001, -1}) EXPECT_EQ(vc.RegistFile(index, install, true), -1) << index;
  EXPECT_TRUE(processes.runs.empty());
  EXPECT_EQ(host.slept, 0u);
  EXPECT_EQ(vc.LastErrorNumber(), 0);
}

TEST_F(Install, CopyAndRegistFillsAOneLevelSubFolderAndRegistersAroundTheCopy) {
  WriteBytes(source + L"a.dll", "new");
  SetFileAttributesW((source + L"a.dll").c_str(), FILE_ATTRIBUTE_READONLY);
  List(L"a.dll", 2, L"サブ");
  const std::wstring installed = install + L"サブ\\a.dll";

  // Nothing in place yet: the folder is created, and only the new file is registered.
  EXPECT_EQ(vc.CopyAndRegist(1, source, install), 0);
  EXPECT_EQ(ReadBytes(installed), "new");
  EXPECT_TRUE(kvtest::IsNormal(installed));
  // The destination folder is the sub-folder with "\", as the registration gets it.
  EXPECT_EQ(processes.CommandLines(), Register(install + L"サブ\\a.dll"));

  processes.runs.clear();
  WriteBytes(installed, "old");
  EXPECT_EQ(vc.CopyAndRegist(1, source, install), 0);
  EXPECT_EQ(ReadBytes(installed), "new");
  Lines both = Unregister(installed);
  both.push_back(Register(installed).front());
  EXPECT_EQ(processes.CommandLines(), both);
}

TEST_F(Install, CopyAndRegistWithoutSubFolderUsesTheInstallFolderWithADoubledBackslash) {
  WriteBytes(source + L"a.dll", "new");
  List(L"a.dll", 2);
  EXPECT_EQ(vc.CopyAndRegist(1, source, install), 0);
  EXPECT_EQ(ReadBytes(install + L"a.dll"), "new");
  EXPECT_EQ(processes.CommandLines(), Register(install + L"\\a.dll"));
}

TEST_F(Install, CopyAndRegistFailsWith76WhenTwoSubFolderLevelsAreMissing) {
  WriteBytes(source + L"a.dll", "new");
  List(L"a.dll", 2, L"一\\二");
  EXPECT_EQ(vc.CopyAndRegist(1, source, install), 76);
  EXPECT_EQ(vc.LastErrorNumber(), 76);
  EXPECT_EQ(vc.LastErrorDescription(), kv::ErrorText(76));
  EXPECT_FALSE(kvtest::FolderExists(install + L"一"));
}

TEST_F(Install, CopyAndRegistNeverReplacesTheOwnExecutableButRegistersIt) {
  for (const wchar_t* name : {L"KanvoloUpdate2.exe", L"kanvoloupdate2.EXE"}) {
    WriteBytes(source + name, "new");
    WriteBytes(install + name, "running");
    List(name, 3);
    processes.runs.clear();
    EXPECT_EQ(vc.CopyAndRegist(1, source, install), 0);
    EXPECT_EQ(ReadBytes(install + name), "running");
    const std::wstring installed = install + L"\\" + name;
    EXPECT_EQ(processes.CommandLines(), (Lines{Q(installed) + L" /UnregServer", Q(installed) + L" /RegServer"}));
  }
}

TEST_F(Install, CopyAndRegistFailsWith53WhenTheSourceLacksTheFile) {
  WriteBytes(install + L"a.dll", "old");
  List(L"a.dll", 2);
  EXPECT_EQ(vc.CopyAndRegist(1, source, install), 53);
  EXPECT_EQ(vc.LastErrorNumber(), 53);
  EXPECT_EQ(vc.LastErrorDescription(), kv::ErrorText(53));
  EXPECT_TRUE(processes.runs.empty());  // the file in place stays registered
  EXPECT_EQ(ReadBytes(install + L"a.dll"), "old");
}

TEST_F(Install, ALockedDestinationStopsTheCopyAfterTheUnregistration) {
  WriteBytes(source + L"a.dll", "new");
  WriteBytes(install + L"a.dll", "old");
  // Readable, so the file counts as there and is unregistered, but not writable.
  kv::UniqueFile held(
      CreateFileW((install + L"a.dll").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
  ASSERT_TRUE(held);
  List(L"a.dll", 2);
  EXPECT_EQ(vc.CopyAndRegist(1, source, install), 75);
  EXPECT_EQ(vc.LastErrorNumber(), 75);
  EXPECT_EQ(processes.CommandLines(), Unregister(install + L"\\a.dll"));
}

TEST_F(Install, OperationsRefuseAnIndexOutsideOneTo3000WithoutTouchingTheErrorFields) {
  WriteBytes(source + L"a.dll", "new");
  List(L"a.dll", 2);
  vc.SetProgramName(0, L"a.dll");
  for (std::int16_t index : {0, 3001}) {
    EXPECT_EQ(vc.CopyAndRegist(index, source, install), -1) << index;
    EXPECT_EQ(vc.CabExtractAndRegist(index, source, install), -1) << index;
    EXPECT_EQ(vc.ExpandFile(index, source), -1) << index;
    EXPECT_EQ(vc.CheckFileMD5(index, source), 0) << index;
  }
  EXPECT_EQ(vc.LastErrorNumber(), 0);
  EXPECT_EQ(vc.LastErrorDescription(), L"");
  EXPECT_FALSE(kv::FileExist(install + L"a.dll"));
}

// Names from a version control file must not lead out of the folders they belong to.
TEST_F(Install, NamesThatLeaveTheirFolderFailWith75) {
  // Everything an unchecked operation would use is there.
  WriteBytes(source + L"a.dll", "new");
  WriteBytes(install + L"a.dll", "old");
  WriteBytes(dir / L"outside.dll", "new");
  CopyAs(CabinetFixture(L"one.cab"), dir / L"one.cab");
  struct Case {
    std::wstring program, folder, cabinet;
    std::wstring shown;                       // in the text
    bool copy, extract, regist, md5, expand;  // the operations that must refuse
  } cases[] = {
      {L"..\\outside.dll", L"", L"x.cab", L"..\\outside.dll", true, true, true, true, false},
      {L"sub\\a.dll", L"", L"x.cab", L"sub\\a.dll", true, true, true, true, false},
      {L"C:a.dll", L"", L"x.cab", L"C:a.dll", true, true, true, true, false},
      {L"a/b.dll", L"", L"x.cab", L"a/b.dll", true, true, true, true, false},
      {L"a?.dll", L"", L"x.cab", L"a?.dll", true, true, true, true, false},
      {L"..", L"", L"x.cab", L"..", true, true, true, true, false},
      {L"", L"", L"x.cab", L"", true, true, true, true, false},
      {L"a.dll", L"..\\outside", L"", L"..\\outside\\a.dll", true, true, false, false, false},
      {L"a.dll", L"サブ\\..\\..\\outside", L"", L"サブ\\..\\..\\outside\\a.dll", true, true, false, false, false},
      {L"a.dll", L"\\outside", L"", L"\\outside\\a.dll", true, true, false, false, false},
      {L"a.dll", L"C:\\outside", L"", L"C:\\outside\\a.dll", true, true, false, false, false},
      {L"a.dll", L".", L"", L".\\a.dll", true, true, false, false, false},
      {L"a.dll", L"", L"..\\one.cab", L"..\\one.cab", false, true, false, false, true},
  };
  for (const auto& c : cases) {
    List(c.program, 2, c.folder, c.cabinet);
    vc.SetMD5(1, kAlphaDigest);
    const std::string label = kv::ToUtf8(c.program + L"|" + c.folder + L"|" + c.cabinet);
    const std::wstring text = kv::ErrorText(75) + L"(" + c.shown + L")";
    const auto expectRefused = [&](bool refuses, const char* operation, auto&& run) {
      if (!refuses) return;
      EXPECT_EQ(run(), 75) << operation << " " << label;
      EXPECT_EQ(vc.LastErrorDescription(), text) << operation << " " << label;
    };
    expectRefused(c.copy, "CopyAndRegist", [&] { return vc.CopyAndRegist(1, source, install); });
    expectRefused(c.extract, "CabExtractAndRegist", [&] { return vc.CabExtractAndRegist(1, source, install); });
    expectRefused(c.regist, "RegistFile", [&] { return vc.RegistFile(1, install, true); });
    expectRefused(c.md5, "CheckFileMD5", [&] { return vc.CheckFileMD5(1, source); });
    expectRefused(c.expand, "ExpandFile", [&] { return vc.ExpandFile(1, source); });
    EXPECT_TRUE(processes.runs.empty()) << label;
    EXPECT_FALSE(kv::DirectoryListingFinds(dir / L"outside")) << label;
    EXPECT_FALSE(kv::FileExist(source + L"a.txt")) << label;
  }
  EXPECT_EQ(ReadBytes(install + L"a.dll"), "old");
}

TEST_F(Install, CheckFileMD5ComparesTheDigestExactlyAndRefusesAMissingFile) {
  struct Case {
    std::wstring md5;
    bool present;
    std::int32_t result;
    std::wstring text;  // empty: the text of the failure before is kept
  } cases[] = {
      // A missing file is a damaged source whether or not a digest is listed.
      {L"", false, -1, L"a.txt missing"},
      {L"", true, 0, L""},
      {kAlphaDigest, true, 0, L""},
      {kv::UCase(kAlphaDigest), true, -1, std::wstring(L"a.txt ") + kAlphaDigest},
      {L"00000000000000000000000000000000", true, -1, std::wstring(L"a.txt ") + kAlphaDigest},
      {kAlphaDigest, false, -1, L"a.txt missing"},
  };
  for (const auto& c : cases) {
    kv::clsVersionControl fresh{processes};
    fresh.SetProgramName(1, L"a.txt");
    fresh.SetMD5(1, c.md5);
    // A failure before: the check changes only the text, never the number.
    fresh.SetProgramName(2, L"missing.txt");
    ASSERT_EQ(fresh.CopyAndRegist(2, source, install), 53);
    if (c.present) {
      WriteBytes(source + L"a.txt", "alpha\r\n");
    } else {
      DeleteFileW((source + L"a.txt").c_str());
    }
    const std::string label = kv::ToUtf8(c.md5) + (c.present ? " present" : " missing");
    EXPECT_EQ(fresh.CheckFileMD5(1, source), c.result) << label;
    EXPECT_EQ(fresh.LastErrorNumber(), 53) << label;
    EXPECT_EQ(fresh.LastErrorDescription(), c.text.empty() ? kv::ErrorText(53) : c.text) << label;
  }
}

TEST_F(Install, ExpandFileExtractsTheListedCabinetInItsFolder) {
  struct Case {
    const wchar_t* fixture;     // copied into the source folder as
    const wchar_t* savedAs;
    const wchar_t* cabFileName;  // listed
    std::int32_t result;
  } cases[] = {
      {L"one.cab", L"one.cab", L"one.cab", 0},
      {L"one.cab", L"a.txt.cab", L"", 0},  // no cabinet name: the file name and ".cab"
      {L"one.cab", L"other.cab", L"one.cab", -1},
      {L"notcab.cab", L"notcab.cab", L"notcab.cab", -1},
      {L"climb.cab", L"climb.cab", L"climb.cab", -1},
  };
  for (const auto& c : cases) {
    kvtest::TempDir folder;
    CopyAs(CabinetFixture(c.fixture), folder / c.savedAs);
    List(L"a.txt", 2, L"", c.cabFileName);
    EXPECT_EQ(vc.ExpandFile(1, folder.path() + L"\\"), c.result) << kv::ToUtf8(c.savedAs);
    if (c.result == 0) {
      EXPECT_EQ(ReadBytes(folder / L"a.txt"), "alpha\r\n");
    }
  }
  EXPECT_TRUE(processes.runs.empty());
}

TEST_F(Install, CabExtractAndRegistMovesTheFileIntoItsSubFolder) {
  CopyAs(CabinetFixture(L"one.cab"), source + L"one.cab");
  List(L"a.txt", 3, L"サブ", L"one.cab");
  const std::wstring installed = install + L"サブ\\a.txt";

  EXPECT_EQ(vc.CabExtractAndRegist(1, source, install), 0);
  EXPECT_EQ(ReadBytes(installed), "alpha\r\n");
  EXPECT_FALSE(kv::FileExist(source + L"a.txt"));
  EXPECT_TRUE(kv::FileExist(source + L"one.cab"));
  EXPECT_EQ(processes.CommandLines(), Lines{Q(installed) + L" /RegServer"});

  processes.runs.clear();
  WriteBytes(installed, "old");
  EXPECT_EQ(vc.CabExtractAndRegist(1, source, install), 0);
  EXPECT_EQ(ReadBytes(installed), "alpha\r\n");
  EXPECT_EQ(processes.CommandLines(), (Lines{Q(installed) + L" /UnregServer", Q(installed) + L" /RegServer"}));
}

TEST_F(Install, CabExtractAndRegistRefusesAMissingCabinetWithATextAndDoesNothing) {
  WriteBytes(install + L"a.txt", "old");
  List(L"a.txt", 3);
  EXPECT_EQ(vc.CabExtractAndRegist(1, source, install), -1);
  EXPECT_EQ(vc.LastErrorDescription(), L"ファイルが見つかりません。(a.txt.cab)");
  EXPECT_EQ(vc.LastErrorNumber(), 0);
  EXPECT_TRUE(processes.runs.empty());
}

TEST_F(Install, CabExtractAndRegistKeepsTheOldFileRegisteredWhenTheCabinetCannotBeExtracted) {
  CopyAs(CabinetFixture(L"notcab.cab"), source + L"a.txt.cab");
  WriteBytes(install + L"a.txt", "old");
  List(L"a.txt", 3);
  EXPECT_EQ(vc.CabExtractAndRegist(1, source, install), -1);
  EXPECT_EQ(vc.LastErrorDescription(), L"ファイルを解凍できませんでした。(a.txt.cab)");
  EXPECT_EQ(ReadBytes(install + L"a.txt"), "old");
  const std::wstring installed = install + L"\\a.txt";
  EXPECT_EQ(processes.CommandLines(), (Lines{Q(installed) + L" /UnregServer", Q(installed) + L" /RegServer"}));
}

TEST_F(Install, CabExtractAndRegistNeverReplacesTheOwnExecutable) {
  CopyAs(CabinetFixture(L"own.cab"), source + L"own.cab");
  WriteBytes(install + L"KanvoloUpdate2.exe", "running");
  List(L"kanvoloupdate2.EXE", 3, L"", L"own.cab");
  EXPECT_EQ(vc.CabExtractAndRegist(1, source, install), 0);
  EXPECT_EQ(ReadBytes(install + L"KanvoloUpdate2.exe"), "running");
  EXPECT_EQ(processes.runs.size(), 2u);
}

TEST_F(Install, AProgramFileThatIsACabinetIsAlsoPlacedInTheUserDataFolder) {
  const kvtest::ExclusiveLock data(kvtest::kUserDataLock);
  const std::wstring user = kv::GetUserDataFolder() + L"\\KvPayload.CAB";
  WriteBytes(user, "old payload");
  WriteBytes(user + L".up", "");
  CopyAs(CabinetFixture(L"upperpayload.cab"), source + L"upperpayload.cab");
  List(L"KvPayload.CAB", 0, L"", L"upperpayload.cab");

  EXPECT_EQ(vc.CabExtractAndRegist(1, source, install), 0);
  const std::string inner = ReadBytes(CabinetFixture(L"inner.cab"));
  EXPECT_EQ(ReadBytes(user), inner);
  EXPECT_TRUE(kvtest::IsNormal(user));
  EXPECT_FALSE(kv::FileExist(user + L".up"));
  EXPECT_EQ(ReadBytes(install + L"KvPayload.CAB"), inner);
  DeleteFileW(user.c_str());
}

}  // namespace
