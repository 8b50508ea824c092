// Whole CD/DVD runs of KanvoloUpdate2.exe "/SERVER" under Wine, with D: a CD-ROM drive (see
// scripts/wine-env.sh). The three runs share D:, so they are one test: the medium on D: installs
// and registers its programs; the same medium again has nothing to install; with D: empty the user
// chooses a folder holding a newer medium. Only the start confirmation is pictured: under Wine the
// later dialogs stay below the splash window on the X screen (tests/driver pictures them).
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "base/Text.h"
#include "support/TempDir.h"
#include "WholeRun.h"

namespace {

using Lines = std::vector<std::wstring>;

const wchar_t kTitle[] = L"バロネル アップデート2";
const wchar_t kCdUpdate[] = L"D:\\Update";

std::wstring Fixture(const wchar_t* medium) { return std::wstring(KV_FIXTURE_DIR) + L"\\media\\" + medium + L"\\Update"; }
std::wstring Built(const wchar_t* name) { return kvtest::TestProgramFolder() + L"\\" + name; }

void Copy(const std::wstring& from, const std::wstring& to) {
  ASSERT_TRUE(CopyFileW(from.c_str(), to.c_str(), FALSE)) << kv::ToUtf8(from) << " -> " << kv::ToUtf8(to);
}

// A medium made at build time into folder, with the main program (the stand-in) and the COM
// library from the build; one voice file read-only, one hidden.
void MakeMedium(const wchar_t* medium, const std::wstring& folder) {
  CreateDirectoryW(folder.c_str(), nullptr);
  for (const wchar_t* name : {L"Version.xml", L"帳票.dat", L"VoiceUpdate.xml", L"a.wav", L"hidden.wav"}) {
    Copy(Fixture(medium) + L"\\" + name, folder + L"\\" + name);
  }
  Copy(Built(L"kv_mainstandin.exe"), folder + L"\\Kanvolo.exe");
  Copy(Built(L"kv_comdll.dll"), folder + L"\\comlib.dll");
  SetFileAttributesW((folder + L"\\a.wav").c_str(), FILE_ATTRIBUTE_READONLY);
  SetFileAttributesW((folder + L"\\hidden.wav").c_str(), FILE_ATTRIBUTE_HIDDEN);
}

void RemoveMedium(const std::wstring& folder) {
  for (const wchar_t* name : {L"a.wav", L"hidden.wav"}) {
    SetFileAttributesW((folder + L"\\" + name).c_str(), FILE_ATTRIBUTE_NORMAL);
  }
  kvtest::RemoveTree(folder);
}

bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }
std::string Contents(const std::wstring& path) { return Exists(path) ? kvtest::ReadBytes(path) : "(missing)"; }


// The start confirmation of "/SERVER" (its caption as designed), answered OK.
Lines ConfirmStart(const wchar_t* screenshot) {
  Lines script{L"dialog #32770 バロネル アップデート", L"contains 402 アップデートCD/DVDをドライブにセットしてください。"};
  if (*screenshot) script.push_back(std::wstring(L"screenshot ") + screenshot);
  script.push_back(L"click 404");
  return script;
}

Lines Join(Lines a, const Lines& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

// The lines of the boot log from the first that begins with from.
Lines From(const Lines& lines, const std::wstring& from) {
  const auto at = std::find_if(lines.begin(), lines.end(), [&](const auto& line) { return line.starts_with(from); });
  return Lines(at, lines.end());
}

TEST(CdUpdateRun, FromTheCdRomThenNothingNewThenFromAChosenFolder) {
  kvtest::WholeRun run;
  run.CopyProgram(L"KanvoloUpdate2.exe");
  const std::wstring install = run.InstallFolder();
  // The recorded update also goes into the install folder's download folder.
  CreateDirectoryW((install + L"Update").c_str(), nullptr);
  RemoveMedium(kCdUpdate);
  MakeMedium(L"whole", kCdUpdate);

  // 1. The medium on D: is installed and registered, the voice data copied, the main program
  // started.
  auto result = run.Run(L"KanvoloUpdate2.exe", L"/SERVER", ConfirmStart(L"cd-run-start-confirmation"));
  EXPECT_TRUE(result.Ok()) << result.transcript;
  ASSERT_TRUE(run.WaitForRecord(3));
  EXPECT_EQ(run.Recorded(), (Lines{L"/RegServer", L"register " + install + L"comlib.dll", L""}));
  EXPECT_EQ(Contents(install + L"Kanvolo.exe"), kvtest::ReadBytes(Built(L"kv_mainstandin.exe")));
  EXPECT_EQ(Contents(install + L"帳票\\帳票.dat"), kvtest::ReadBytes(Fixture(L"whole") + L"\\帳票.dat"));
  EXPECT_TRUE(Exists(install + L"VoiceUpdate.xml"));
  EXPECT_EQ(GetFileAttributesW((install + L"a.wav").c_str()) & FILE_ATTRIBUTE_READONLY, 0u);
  EXPECT_FALSE(Exists(install + L"hidden.wav"));
  // Both version controls list what was installed.
  EXPECT_TRUE(Exists(install + L"Version.xml"));
  EXPECT_EQ(Contents(install + L"Version.xml"), Contents(install + L"Update\\Version.xml"));
  const Lines first = run.BootLog();
  EXPECT_EQ(From(first, L"Read XML D:"),
            (Lines{L"Read XML D:\\Update\\Version.xml", L"Read XML " + install + L"Version.xml", L"Check Version",
                   L"Exist Update 3", L"Check MD5", L"Update File Kanvolo.exe", L"Regist File Kanvolo.exe",
                   L"Update File comlib.dll", L"Regist File comlib.dll", L"Update File 帳票.dat",
                   L"Regist File 帳票.dat", L"End Update ", L"Copy Voice Control D:\\Update\\VoiceUpdate.xml",
                   L"Copy Voice File " + install + L"a.wav", L"Exec File " + install + L"Kanvolo.exe",
                   L"Exec Program " + install + L"Kanvolo.exe"}));

  // 2. The same medium again: nothing to install, the notice, then the main program.
  result = run.Run(L"KanvoloUpdate2.exe", L"/SERVER",
                   Join(ConfirmStart(L""), {std::wstring(L"dialog #32770 ") + kTitle,
                                            L"contains 101 更新するプログラムはありませんでした。", L"click 131"}));
  EXPECT_TRUE(result.Ok()) << result.transcript;
  ASSERT_TRUE(run.WaitForRecord(4));
  EXPECT_EQ(run.Recorded().back(), L"");
  EXPECT_EQ(From(run.BootLog(), L"Check Version"),
            (Lines{L"Check Version", L"Not Exist Update", L"Copy Voice Control D:\\Update\\VoiceUpdate.xml",
                   L"Copy Voice File " + install + L"a.wav", L"Exec File " + install + L"Kanvolo.exe",
                   L"Exec Program " + install + L"Kanvolo.exe"}));

  // 3. D: empty: the user is asked, chooses a folder with a newer main program, and it is updated.
  RemoveMedium(kCdUpdate);
  const std::wstring chosen = run.ScratchFolder() + L"\\新しい 媒体";
  MakeMedium(L"whole-newer", chosen);
  result = run.Run(
      L"KanvoloUpdate2.exe", L"/SERVER",
      Join(ConfirmStart(L""),
           {std::wstring(L"dialog #32770 ") + kTitle, L"contains 101 バロネルアップデートCD/DVDが見つかりません。",
            L"click 131",
            L"dialog #32770 バロネルバージョンコントロール - アップデートCD/DVD指定", L"contains 601 D:\\Update\\",
            L"type 601 " + chosen, L"click 603"}));
  EXPECT_TRUE(result.Ok()) << result.transcript;
  ASSERT_TRUE(run.WaitForRecord(7));
  const Lines recorded = run.Recorded();
  EXPECT_EQ(Lines(recorded.begin() + 4, recorded.end()), (Lines{L"/UnregServer", L"/RegServer", L""}));
  EXPECT_EQ(From(run.BootLog(), L"Read XML D:"),
            (Lines{L"Read XML D:\\Update\\Version.xml", L"Not Exist CD", L"CD Settings",
                   L"Read XML " + chosen + L"\\Version.xml", L"Read XML " + install + L"Version.xml", L"Check Version",
                   L"Exist Update 1", L"Check MD5", L"Update File Kanvolo.exe", L"Regist File Kanvolo.exe",
                   L"End Update ", L"Copy Voice Control " + chosen + L"\\VoiceUpdate.xml",
                   L"Copy Voice File " + install + L"a.wav", L"Exec File " + install + L"Kanvolo.exe",
                   L"Exec Program " + install + L"Kanvolo.exe"}));
  RemoveMedium(chosen);
}

}  // namespace
