// The bulk registration beside the update program, with a process starter that only records the
// registration tools' command lines.
#include <gtest/gtest.h>
#include <windows.h>

#include "base/RuntimeError.h"
#include "base/Text.h"
#include "maintenance/RegistAllFiles.h"
#include "support/ScriptedUser.h"
#include "MaintenanceFixture.h"

namespace {

using kvtest::ListedFile;
using kvtest::MaintenanceRun;
using Lines = std::vector<std::wstring>;

std::wstring Quoted(const std::wstring& text) { return L"\"" + text + L"\""; }
std::wstring Regsvr32() { return Quoted(kv::CurrentHost().SystemFolder() + L"\\regsvr32"); }

// a.dll through regsvr32, b.exe by its own switches, c.txt registers nothing.
const std::vector<ListedFile> kThree = {{L"a.dll", 2}, {L"b.exe", 3}, {L"c.txt", 0}};

void PutFiles(const MaintenanceRun& run, const std::vector<std::wstring>& names) {
  for (const auto& name : names) kvtest::WriteBytes(run.folder() + name, "file");
}

TEST(RegistAllFiles, EachModeActsOnEveryListedFileInOrder) {
  struct Case {
    const wchar_t* mode;
    bool regist, remove;
    Lines commands;  // {folder} stands for the program folder
    bool deleted;
  };
  const Case cases[] = {
      {L"/UNREG", false, false, {L"{regsvr32} /u /s \"{folder}a.dll\"", L"\"{folder}b.exe\" /UnregServer"}, false},
      {L"/REMOVE", false, true, {L"{regsvr32} /u /s \"{folder}a.dll\"", L"\"{folder}b.exe\" /UnregServer"}, true},
      {L"/REG", true, false, {L"{regsvr32} /s \"{folder}a.dll\"", L"\"{folder}b.exe\" /RegServer"}, false},
  };
  for (const Case& c : cases) {
    MaintenanceRun run;
    kvtest::WriteListing(run.folder() + L"Version.xml", kThree);
    PutFiles(run, {L"a.dll", L"b.exe", L"c.txt"});

    EXPECT_EQ(kv::RegistAllFiles(c.regist, c.remove), 0) << kv::ToUtf8(c.mode);

    Lines expected;
    for (std::wstring line : c.commands) {
      for (const auto& [key, value] : {std::pair<std::wstring, std::wstring>{L"{regsvr32}", Regsvr32()},
                                       std::pair<std::wstring, std::wstring>{L"{folder}", run.folder()}}) {
        if (const auto at = line.find(key); at != std::wstring::npos) line.replace(at, key.size(), value);
      }
      expected.push_back(line);
    }
    EXPECT_EQ(run.starter().CommandLines(), expected) << kv::ToUtf8(c.mode);
    // A type that registers nothing is deleted like the others.
    for (const wchar_t* name : {L"a.dll", L"b.exe", L"c.txt"}) {
      EXPECT_EQ(kv::FileExist(run.folder() + name), !c.deleted) << kv::ToUtf8(c.mode) << " " << kv::ToUtf8(name);
    }
    EXPECT_EQ(run.UpdateLog(), Lines{}) << kv::ToUtf8(c.mode);
  }
}

TEST(RegistAllFiles, RemoveStopsSilentlyAtAnEntryItCannotDelete) {
  struct Case {
    const wchar_t* what;
    std::wstring second;  // the name listed second
    std::int32_t number;
  };
  const Case cases[] = {
      {L"listed file missing", L"missing.dll", kv::err::FileNotFound},
      {L"a name that leaves the folder", L"m\\..\\..\\outside.dll", kv::err::PathFileAccess},
  };
  for (const Case& c : cases) {
    MaintenanceRun run;
    kvtest::WriteListing(run.folder() + L"Version.xml", {{L"a.dll", 2}, {c.second, 2}, {L"z.dll", 2}});
    PutFiles(run, {L"a.dll", L"z.dll"});
    kvtest::WriteBytes(run.dir().path() + L"\\..\\outside.dll", "keep");
    try {
      kv::RegistAllFiles(false, true);
      ADD_FAILURE() << kv::ToUtf8(c.what);
    } catch (const kv::RuntimeError& e) {
      EXPECT_EQ(e.Number(), c.number) << kv::ToUtf8(c.what);
    }
    EXPECT_FALSE(kv::FileExist(run.folder() + L"a.dll")) << kv::ToUtf8(c.what);
    // The writer sorts by name, so the entries keep this order. The later file is neither
    // unregistered nor deleted, and nothing is shown or logged.
    EXPECT_TRUE(kv::FileExist(run.folder() + L"z.dll")) << kv::ToUtf8(c.what);
    EXPECT_EQ(run.starter().CommandLines(), (Lines{Regsvr32() + L" /u /s " + Quoted(run.folder() + L"a.dll")}))
        << kv::ToUtf8(c.what);
    EXPECT_TRUE(kv::FileExist(run.dir().path() + L"\\..\\outside.dll")) << kv::ToUtf8(c.what);
    DeleteFileW((run.dir().path() + L"\\..\\outside.dll").c_str());
    EXPECT_EQ(run.UpdateLog(), Lines{}) << kv::ToUtf8(c.what);
  }
}

TEST(RegistAllFiles, RemoveKeepsTheRunningProgramAndGoesOn) {
  MaintenanceRun run;
  run.host().programName = L"KanvoloUpdate2";
  kvtest::WriteListing(run.folder() + L"Version.xml", {{L"KANVOLOUPDATE2.EXE", 3}, {L"z.dll", 0}});
  PutFiles(run, {L"KANVOLOUPDATE2.EXE", L"z.dll"});
  EXPECT_EQ(kv::RegistAllFiles(false, true), 0);
  EXPECT_EQ(run.starter().CommandLines(), (Lines{Quoted(run.folder() + L"KANVOLOUPDATE2.EXE") + L" /UnregServer"}));
  EXPECT_TRUE(kv::FileExist(run.folder() + L"KANVOLOUPDATE2.EXE"));
  EXPECT_FALSE(kv::FileExist(run.folder() + L"z.dll"));
}

TEST(RegistAllFiles, AVersionControlNotReadWithZeroIsReportedAndNothingIsTouched) {
  struct Case {
    const wchar_t* what;
    bool tamper;  // a listed name changed after the check value was written
  };
  for (const Case c : {Case{L"no version control", false}, Case{L"check value wrong", true}}) {
    MaintenanceRun run;
    PutFiles(run, {L"a.dll", L"b.exe", L"c.txt"});
    const std::wstring path = run.folder() + L"Version.xml";
    if (c.tamper) {
      kvtest::WriteListing(path, kThree);
      std::string bytes = kvtest::ReadBytes(path);
      bytes.replace(bytes.find("c.txt"), 5, "d.txt");
      kvtest::WriteBytes(path, bytes);
    }
    // The reason as the reader gives it.
    kv::clsVersionControl probe;
    const std::int32_t read = probe.ReadControl(path, L"", L"", false);
    ASSERT_NE(read, 0) << kv::ToUtf8(c.what);
    if (c.tamper) {
      EXPECT_EQ(read, -1);
    }
    const std::wstring text = L"バージョンコントロールファイルが読み込めません。" + probe.LastErrorDescription();

    kvtest::ScriptedUser user;
    user.Expect(L"frmMsgBox")
        .Check([&](kvtest::DialogView& d) {
          EXPECT_EQ(d.Caption(), run.title());
          EXPECT_EQ(d.Text(L"txtMsg"), text);
          EXPECT_TRUE(d.Visible(L"picIcon", 0));
        })
        .PressEnter();
    EXPECT_EQ(kv::RegistAllFiles(false, true), 0) << kv::ToUtf8(c.what);
    EXPECT_EQ(run.starter().CommandLines(), Lines{}) << kv::ToUtf8(c.what);
    for (const wchar_t* name : {L"a.dll", L"b.exe", L"c.txt"}) EXPECT_TRUE(kv::FileExist(run.folder() + name));
    EXPECT_EQ(run.UpdateLog(), Lines{text}) << kv::ToUtf8(c.what);
  }
}

}  // namespace
