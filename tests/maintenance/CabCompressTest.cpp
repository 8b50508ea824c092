// Compression of one program file: the cabinet path and the archiver's command line, the cabinet
// made, and the two ways the process ends (no source file, a failing archiver).
#include <gtest/gtest.h>
#include <windows.h>

#include "base/RuntimeError.h"
#include "base/Text.h"
#include "dialogs/frmSplash.h"
#include "maintenance/CabCompress.h"
#include "support/ScriptedUser.h"
#include "versioncontrol/subCabExtract.h"
#include "MaintenanceFixture.h"

namespace {

using kvtest::MaintenanceRun;
using kvtest::ProcessEnded;
using Lines = std::vector<std::wstring>;

// The failing archiver's message, answered: titled "Failed", with the archiver's error code.
void ExpectFailureMessage(kvtest::ScriptedUser& user, const std::wstring& text) {
  user.Expect(L"frmMsgBox")
      .Check([text](kvtest::DialogView& d) {
        EXPECT_EQ(d.Caption(), L"Failed");
        EXPECT_EQ(d.Text(L"txtMsg"), text);
      })
      .PressEnter();
}

TEST(CabCompress, CabinetPathAndCommandLine) {
  struct Case {
    const wchar_t* fileName;
    const wchar_t* cabName;
    const wchar_t* cabPath;
    const wchar_t* commandLine;
  };
  const wchar_t* src = L"C:\\Work\\バロネル\\";
  const wchar_t* dst = L"C:\\Work\\Update\\";
  const Case cases[] = {
      {L"Kanvolo.EXE", L"", L"C:\\Work\\Update\\kanvolo.exe.cab",
       L"-a -r  \"C:\\Work\\Update\\kanvolo.exe.cab\" \"C:\\Work\\バロネル\\\" \"Kanvolo.EXE\""},
      {L"sub.dll", L"SUB_DLL.CAB", L"C:\\Work\\Update\\sub_dll.cab",
       L"-a -r  \"C:\\Work\\Update\\sub_dll.cab\" \"C:\\Work\\バロネル\\\" \"sub.dll\""},
      {L"予約表示.OCX", L"", L"C:\\Work\\Update\\予約表示.ocx.cab",
       L"-a -r  \"C:\\Work\\Update\\予約表示.ocx.cab\" \"C:\\Work\\バロネル\\\" \"予約表示.OCX\""},
      {L"a.dll", L"音声ソ.CAB", L"C:\\Work\\Update\\音声ソ.cab",
       L"-a -r  \"C:\\Work\\Update\\音声ソ.cab\" \"C:\\Work\\バロネル\\\" \"a.dll\""},
  };
  for (const Case& c : cases) {
    const std::wstring cabPath = kv::CabinetPath(c.fileName, c.cabName, dst);
    EXPECT_EQ(cabPath, c.cabPath) << kv::ToUtf8(c.fileName);
    EXPECT_EQ(kv::CabCommandLine(cabPath, src, c.fileName), c.commandLine) << kv::ToUtf8(c.fileName);
  }
}

// A product folder and a cabinet folder below the scratch program folder.
struct Folders {
  explicit Folders(const MaintenanceRun& run)
      : src(run.folder() + L"バロネル\\"), dst(run.folder() + L"Update\\") {
    CreateDirectoryW(src.c_str(), nullptr);
    CreateDirectoryW(dst.c_str(), nullptr);
  }
  std::wstring src, dst;
};

TEST(CabCompress, ReplacesTheOldCabinetWithOneHoldingTheFile) {
  MaintenanceRun run;
  Folders f(run);
  const std::string contents(100000, 'k');
  kvtest::WriteBytes(f.src + L"予約.DLL", contents);
  kvtest::WriteBytes(f.dst + L"yoyaku.cab", "an old cabinet");

  kv::CabCompress(L"予約.DLL", L"YOYAKU.CAB", f.src, f.dst);

  // The splash window owns the archiver's work, loaded for it but not shown.
  ASSERT_TRUE(run.run().SplashCreated());
  EXPECT_TRUE(kv::Splash().Loaded());
  EXPECT_FALSE(IsWindowVisible(kv::Splash().hwnd()));
  ASSERT_TRUE(kv::CabExtract(f.dst + L"yoyaku.cab", run.folder() + L"x"));
  EXPECT_EQ(kvtest::ReadBytes(run.folder() + L"x\\予約.DLL"), contents);
  EXPECT_EQ(run.UpdateLog(), Lines{});
}

TEST(CabCompress, SourceNotListedShowsItsOwnBoxAndEndsTheProcess) {
  struct Case {
    const wchar_t* what;
    DWORD attributes;  // of the file that is there; 0: no file
  };
  for (const Case c : {Case{L"missing", 0}, Case{L"hidden", FILE_ATTRIBUTE_HIDDEN}, Case{L"system", FILE_ATTRIBUTE_SYSTEM}}) {
    MaintenanceRun run;
    Folders f(run);
    kvtest::WriteBytes(f.dst + L"a.dll.cab", "an old cabinet");
    if (c.attributes) {
      kvtest::WriteBytes(f.src + L"a.dll", "x");
      SetFileAttributesW((f.src + L"a.dll").c_str(), c.attributes);
    }
    kvtest::ScriptedUser user;
    user.Expect(L"frmMsgBox")
        .Check([&](kvtest::DialogView& d) {
          EXPECT_EQ(d.Caption(), L"エラー");
          EXPECT_EQ(d.Text(L"txtMsg"), L"圧縮するファイルがありません。" + f.src + L"a.dll");
          EXPECT_TRUE(d.Visible(L"picIcon", 0));
        })
        .PressEnter();
    EXPECT_THROW(kv::CabCompress(L"a.dll", L"", f.src, f.dst), ProcessEnded) << kv::ToUtf8(c.what);
    // Not logged; the old cabinet is not touched before the source is found.
    EXPECT_EQ(run.UpdateLog(), Lines{}) << kv::ToUtf8(c.what);
    EXPECT_EQ(kvtest::ReadBytes(f.dst + L"a.dll.cab"), "an old cabinet") << kv::ToUtf8(c.what);
    SetFileAttributesW((f.src + L"a.dll").c_str(), FILE_ATTRIBUTE_NORMAL);
  }
}

TEST(CabCompress, FailingArchiverIsLoggedAndEndsTheProcessWithoutACabinet) {
  struct Case {
    const wchar_t* what;
    bool cabinetFolder;
    bool sourceLocked;
  };
  for (const Case c : {Case{L"no cabinet folder", false, false}, Case{L"source held open", true, true}}) {
    MaintenanceRun run;
    const std::wstring src = run.folder() + L"バロネル\\";
    const std::wstring dst = run.folder() + L"Update\\";
    CreateDirectoryW(src.c_str(), nullptr);
    if (c.cabinetFolder) CreateDirectoryW(dst.c_str(), nullptr);
    kvtest::WriteBytes(src + L"a.dll", "payload");
    if (c.cabinetFolder) kvtest::WriteBytes(dst + L"a.dll.cab", "an old cabinet");
    kv::UniqueFile held;
    if (c.sourceLocked) {
      held.reset(CreateFileW((src + L"a.dll").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    }
    kvtest::ScriptedUser user;
    ExpectFailureMessage(user, L"圧縮に失敗しました。Error Code:0x8004");
    EXPECT_THROW(kv::CabCompress(L"a.dll", L"", src, dst), ProcessEnded) << kv::ToUtf8(c.what);
    EXPECT_EQ(run.UpdateLog(), Lines{L"圧縮に失敗しました。Error Code:0x8004"}) << kv::ToUtf8(c.what);
    EXPECT_FALSE(kv::FileExist(dst + L"a.dll.cab")) << kv::ToUtf8(c.what);
  }
}

// The archiver clears its own cabinet path, so the old cabinet's deletion shows only with an
// archiver that fails without touching it: here one refusing its command line.
TEST(CabCompress, OldCabinetIsDeletedBeforeTheArchiverRunsEvenWhenItFailsElsewhere) {
  MaintenanceRun run;
  Folders f(run);
  const std::wstring cabPath = f.dst + L"a.dll.cab";
  kvtest::WriteBytes(cabPath, "an old cabinet");
  kvtest::ScriptedUser user;
  ExpectFailureMessage(user, L"圧縮に失敗しました。Error Code:0x8001");
  EXPECT_THROW(kv::ExecCabCommand(L"-a", cabPath), ProcessEnded);
  EXPECT_EQ(run.UpdateLog(), Lines{L"圧縮に失敗しました。Error Code:0x8001"});
  EXPECT_FALSE(kv::FileExist(cabPath));
}

TEST(CabCompress, NamesThatAreNotPlainFileNamesRaise75BeforeAnyPath) {
  MaintenanceRun run;
  Folders f(run);
  kvtest::WriteBytes(run.folder() + L"outside.dll", "x");
  for (const auto& [file, cab] : {std::pair{L"..\\outside.dll", L""}, std::pair{L"a.dll", L"..\\a.cab"},
                                  std::pair{L"a.dll", L"C:x.cab"}}) {
    try {
      kv::CabCompress(file, cab, f.src, f.dst);
      ADD_FAILURE() << kv::ToUtf8(file) << " " << kv::ToUtf8(cab);
    } catch (const kv::RuntimeError& e) {
      EXPECT_EQ(e.Number(), kv::err::PathFileAccess);
    }
  }
  EXPECT_FALSE(kv::FileExist(run.folder() + L"outside.dll.cab"));
  EXPECT_FALSE(kv::FileExist(run.folder() + L"a.cab"));
}

}  // namespace
