// Registrations that really run: Wine's regsvr32 with a COM library of ours, a self-registering
// program and a stand-in RegAsm (copies of the recording helper), and the command interpreter.
#include <gtest/gtest.h>
#include <windows.h>

#include <regex>
#include <string>
#include <vector>

#include "base/Host.h"
#include "base/RuntimeError.h"
#include "base/Text.h"
#include "settings/Common.h"
#include "support/ExclusiveLock.h"
#include "support/FakeHost.h"
#include "support/TempDir.h"
#include "versioncontrol/clsVersionControl.h"
#include "InstallFixtures.h"

namespace {

using kvtest::CopyAs;
using kvtest::CreatedFolder;
using kvtest::ReadBytes;
using kvtest::WriteBytes;
using Lines = std::vector<std::wstring>;

std::wstring Tool(const wchar_t* name) { return kvtest::TestProgramFolder() + L"\\" + name; }

class UnderWine : public kvtest::InstallFolders {
 protected:
  void List(const std::wstring& name, std::int16_t type, const std::wstring& folder = L"") {
    vc.SetUseVersionTable(1);
    vc.SetProgramName(1, name);
    vc.SetRegistType(1, type);
    vc.SetFolderName(1, folder);
  }

  kv::clsVersionControl vc;
  kvtest::RecordFile record{dir};
};

TEST_F(UnderWine, Type2LibraryIsRegisteredByRegsvr32AroundTheCopy) {
  CopyAs(Tool(L"kv_comdll.dll"), source + L"kv_comdll.dll");
  List(L"kv_comdll.dll", 2, L"サブ");
  const std::wstring installed = install + L"サブ\\kv_comdll.dll";

  EXPECT_EQ(vc.CopyAndRegist(1, source, install), 0);
  EXPECT_EQ(record.Take(), Lines{L"register " + installed});

  EXPECT_EQ(vc.CopyAndRegist(1, source, install), 0);
  EXPECT_EQ(record.Take(), (Lines{L"unregister " + installed, L"register " + installed}));

  EXPECT_EQ(vc.RegistFile(1, install + L"サブ\\", false), 0);
  EXPECT_EQ(record.Take(), Lines{L"unregister " + installed});
}

TEST_F(UnderWine, Type3ProgramGetsItsSwitchesThroughAQuotedPath) {
  // Unquoted, "<dir>\x y\Server.exe /RegServer" would start <dir>\x.exe.
  CopyAs(Tool(L"kv_recordargs.exe"), dir / L"x.exe");
  const std::wstring folder = CreatedFolder(dir / L"x y");
  CopyAs(Tool(L"kv_recordargs.exe"), folder + L"Server.exe");
  List(L"Server.exe", 3);
  EXPECT_EQ(vc.RegistFile(1, folder, true), 0);
  EXPECT_EQ(vc.RegistFile(1, folder, false), 0);
  EXPECT_EQ(record.Take(), (Lines{L"/RegServer", L"/UnregServer"}));
}

TEST_F(UnderWine, OwnExecutableIsRegisteredInPlaceButNeverReplaced) {
  CopyAs(Tool(L"kv_recordargs.exe"), install + L"KanvoloUpdate2.exe");
  WriteBytes(source + L"KANVOLOUPDATE2.EXE", "not the running program");
  List(L"kanvoloupdate2.exe", 3);
  EXPECT_EQ(vc.CopyAndRegist(1, source, install), 0);
  EXPECT_EQ(record.Take(), (Lines{L"/UnregServer", L"/RegServer"}));
  EXPECT_EQ(ReadBytes(install + L"KanvoloUpdate2.exe"), ReadBytes(Tool(L"kv_recordargs.exe")));
}

TEST_F(UnderWine, RegAsmRegistrationWritesTheMarker) {
  const kvtest::ExclusiveLock data(kvtest::kUserDataLock);  // "RegAsm.dat" is a per-user file
  const std::wstring programFolder = CreatedFolder(dir / L"pro gram");
  host.programFolder = programFolder.substr(0, programFolder.size() - 1);
  CopyAs(Tool(L"kv_recordargs.exe"), programFolder + L"regasm.exe");
  WriteBytes(install + L"asm.dll", "assembly");
  List(L"asm.dll", 4);
  const std::wstring marker = kv::GetUserDataFolder() + L"\\RegAsm.dat";
  DeleteFileW(marker.c_str());

  EXPECT_EQ(vc.RegistFile(1, install, true), 0);
  EXPECT_EQ(record.Take(), Lines{L"\"" + install + L"asm.dll\""});
  ASSERT_TRUE(kv::FileExist(marker));
  // "echo %date% %time%": a date and a time, whatever their format.
  const std::string text = ReadBytes(marker);
  EXPECT_TRUE(std::regex_search(text, std::regex(R"(\d.*\d+:\d+)"))) << text;

  DeleteFileW(marker.c_str());
  EXPECT_EQ(vc.RegistFile(1, install, false), 0);
  EXPECT_EQ(record.Take(), Lines{L"\"" + install + L"asm.dll\" /unregist"});
  EXPECT_FALSE(kv::FileExist(marker));
}

TEST_F(UnderWine, AToolThatCannotBeStartedFailsTheRegistrationButNotTheInstall) {
  // No regasm.exe in the program folder, and no .NET folder under Wine.
  WriteBytes(source + L"asm.dll", "assembly");
  List(L"asm.dll", 4);
  EXPECT_EQ(vc.CopyAndRegist(1, source, install), 0);
  EXPECT_EQ(ReadBytes(install + L"asm.dll"), "assembly");
  EXPECT_EQ(vc.LastErrorNumber(), 53);

  EXPECT_EQ(vc.RegistFile(1, install, true), 53);
  EXPECT_EQ(vc.LastErrorDescription(), kv::ErrorText(53));
}

}  // namespace
