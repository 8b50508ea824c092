// The internet road's fault cases: "/INET" against the local update host serving the fault
// releases (tests/e2e/fixtures/make_fault_releases.py), the install folder holding the release
// before the update, the host's faults chosen by the URLs' path prefixes.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <array>

#include "Dialogs.h"
#include "FaultChecks.h"
#include "FaultSuite.h"
#include "base/Handles.h"
#include "base/Text.h"
#include "driver/UpdateHostProcess.h"
#include "settings/Common.h"
#include "support/HostProcessPaths.h"
#include "support/TempDir.h"

namespace kvtest {
namespace {

using Script = std::vector<std::wstring>;

using namespace dialogs;

const std::wstring kFaults = L"faults";
const std::wstring kBefore = L"faults\\before";

std::vector<ReleasedFile> ReleaseOf(const std::wstring& release) {
  std::vector<ReleasedFile> files;
  for (const auto& f : UpdateHostProcess::Release(release)) files.push_back({f.name, f.folder, f.size, kv::ToUtf8(f.md5)});
  return files;
}

class InternetFaultGround : public FaultGround {
 public:
  InternetFaultGround() {
    EXPECT_TRUE(host_.Running());
    run_.CopyProgram(L"KanvoloUpdate2.exe");
    UseInstallFolder(run_.InstallFolder());
  }

  // Lays the release before the update and the main program into folder (trailing "\") and makes
  // it the install folder.
  void UseInstallFolder(const std::wstring& folder) {
    install_ = folder;
    run_.WriteInstallIni(L"[Install]\r\nInstallFolder=" + install_ + L"\r\n");
    CreateDirectoryW(install_.c_str(), nullptr);
    CreateDirectoryW((install_ + L"Update").c_str(), nullptr);
    const std::wstring before = UpdateHostProcess::FixtureFolder() + L"\\" + kBefore;
    for (const auto& f : UpdateHostProcess::Release(kBefore)) {
      const std::wstring folder = install_ + (f.folder.empty() ? L"" : f.folder + L"\\");
      CreateDirectoryW(folder.c_str(), nullptr);
      EXPECT_TRUE(CopyFileW((before + L"\\files\\" + f.name).c_str(), (folder + f.name).c_str(), FALSE));
    }
    for (const wchar_t* vc : {L"Version.xml", L"Update\\Version.xml"}) {
      EXPECT_TRUE(CopyFileW((before + L"\\release\\Version.xml").c_str(), (install_ + vc).c_str(), FALSE));
    }
    EXPECT_TRUE(CopyFileW((TestProgramFolder() + L"\\kv_mainstandin.exe").c_str(), (install_ + L"Kanvolo.exe").c_str(),
                          FALSE));
    const std::wstring parent = install_.substr(0, install_.find_last_of(L'\\', install_.size() - 2) + 1);
    WriteBytes(parent + L"canary.txt", "a file beside the install folder\r\n");
    outside_ = {parent, run_.ScratchFolder() + L"\\sub", L"C:\\", L"C:\\kvfault"};
  }

  ~InternetFaultGround() override {
    if (mounted_.empty()) return;
    RunHostScript("rm -f " + ShellQuoted(drive_) + "; umount " + ShellQuoted(mounted_));
  }

  // The install folder moved onto a small tmpfs mapped as a drive of the prefix, filled up to
  // free bytes; with downloadsElsewhere its Update folder (the download folder) is a link to a
  // folder on another disk, so that the disk fills while the files are installed. False with why
  // when that cannot be done here.
  bool UseSmallDisk(long long free, bool downloadsElsewhere, std::string& why) {
    char prefix[1024] = "";
    const DWORD n = GetEnvironmentVariableA("KV_TEST_PREFIX", prefix, sizeof(prefix));
    if (n == 0 || n >= sizeof(prefix)) return why = "no Wine prefix (KV_TEST_PREFIX) to map a drive in", false;
    wchar_t letter = 0;
    for (wchar_t c = L'K'; c <= L'Y' && !letter; ++c) {
      if (GetDriveTypeW((std::wstring(1, c) + L":\\").c_str()) == DRIVE_NO_ROOT_DIR) letter = c;
    }
    if (!letter) return why = "no free drive letter", false;
    const std::wstring mountPoint = run_.ScratchFolder() + L"\\small";
    CreateDirectoryW(mountPoint.c_str(), nullptr);
    const auto point = UnixPath(mountPoint);
    if (!point) return why = "no host path for the mount point", false;
    const std::string drive = std::string(prefix) + "/dosdevices/" + static_cast<char>(towlower(letter)) + ":";
    const std::wstring mark = run_.ScratchFolder() + L"\\mounted";
    const auto hostMark = UnixPath(mark);
    RunHostScript("mount -t tmpfs -o size=16m kvfault " + ShellQuoted(*point) + " 2>" + ShellQuoted(*hostMark) +
                  ".err && ln -s " + ShellQuoted(*point) + " " + ShellQuoted(drive) + " && touch " +
                  ShellQuoted(*hostMark));
    if (GetFileAttributesW(mark.c_str()) == INVALID_FILE_ATTRIBUTES) {
      const std::wstring err = mark + L".err";
      why = "cannot mount a small tmpfs here: " +
            (GetFileAttributesW(err.c_str()) != INVALID_FILE_ATTRIBUTES ? ReadBytes(err) : std::string("no answer"));
      return false;
    }
    mounted_ = *point;
    drive_ = drive;
    if (downloadsElsewhere) {
      const std::wstring elsewhere = run_.ScratchFolder() + L"\\downloads";
      CreateDirectoryW(elsewhere.c_str(), nullptr);
      RunHostScript("mkdir " + ShellQuoted(*point + "/Kanvolo") + " && ln -s " + ShellQuoted(*UnixPath(elsewhere)) +
                    " " + ShellQuoted(*point + "/Kanvolo/Update"));
    }
    UseInstallFolder(std::wstring(1, letter) + L":\\Kanvolo\\");
    // Filled to the last page, then given back free bytes.
    filler_ = *point + "/filler";
    RunHostScript("dd if=/dev/zero of=" + ShellQuoted(filler_) + " bs=4096 2>/dev/null; truncate -s -" +
                  std::to_string(free) + " " + ShellQuoted(filler_));
    return true;
  }

  void EmptySmallDisk() const {
    if (!filler_.empty()) RunHostScript("rm -f " + ShellQuoted(filler_));
  }

  bool InstallFolderIsCurrent() const {
    const InstallState state = ReadInstallState(install_, L"Version.xml", {});
    const auto control = state.controls.find(L"Version.xml");
    const auto release = ReleaseOf(kFaults);
    if (control == state.controls.end() || control->second.entries.size() != release.size()) return false;
    for (const auto& entry : control->second.entries) {
      const bool isNew = std::ranges::any_of(release, [&](const ReleasedFile& f) {
        return f.name == entry.name && entry.listedMd5 == f.md5 && entry.onDisk == HostFile{f.size, f.md5};
      });
      if (!isNew) return false;
    }
    return true;
  }

  WholeRunResult RunUpdate(const Script& script) override {
    WriteIni();
    before_ = ReadInstallState(install_, L"Version.xml", outside_);
    return run_.Run(L"KanvoloUpdate2.exe", L"/INET", script);
  }

  void ExpectNothingHalfDone() override {
    ExpectInstallConsistent(before_, ReadInstallState(install_, L"Version.xml", outside_), ReleaseOf(kFaults));
    EXPECT_TRUE(run_.Recorded().empty()) << "the main program was started after the failure";
    ExpectMainProgramStarts(install_ + L"Kanvolo.exe", run_.ScratchFolder());
  }

  void ExpectCleanRunCompletes() override {
    urls = {L"/ok/", L"/ok/", L"/ok/"};
    timeOut = 30;
    const std::size_t recorded = run_.Recorded().size();
    // After a run that installed everything, the clean run finds nothing to update.
    const bool current = InstallFolderIsCurrent();
    const auto result = RunUpdate(current ? Script{kConfirmation, kConfirmOk, kMessage,
                                                   L"contains 100 更新するプログラムはありませんでした。", kMessageOk}
                                          : Script{kConfirmation, kConfirmOk, kContents, kContentsOk});
    EXPECT_TRUE(result.Ok()) << result.transcript;
    ExpectReleaseInstalled(ReadInstallState(install_, L"Version.xml", outside_), ReleaseOf(kFaults));
    EXPECT_TRUE(run_.WaitForRecord(recorded + 1)) << "the main program was not started";
  }

  // The three update URLs' paths on the host (fault prefixes, release folders) and the time-out.
  std::array<std::wstring, 3> urls{L"/ok/", L"/ok/", L"/ok/"};
  int timeOut = 30;
  // A handle the fault holds (a target held open).
  kv::UniqueFile held;

  const std::wstring& Install() const { return install_; }
  // The path of a file of the fixture release (files\NAME).
  static std::wstring Released(const std::wstring& name) {
    return UpdateHostProcess::FixtureFolder() + L"\\" + kFaults + L"\\files\\" + name;
  }
  std::wstring Url(const std::wstring& path) const { return host_.Url(path); }
  WholeRun& Run() { return run_; }

 private:
  void WriteIni() const {
    run_.WriteUpdaterIni(L"[VersionControl]\r\nUpdateURL=" + host_.Url(urls[0]) + L"\r\nUpdateURL2=" +
                         host_.Url(urls[1]) + L"\r\nUpdateURL3=" + host_.Url(urls[2]) +
                         L"\r\nTimeOut=" + std::to_wstring(timeOut) + L"\r\nWebUpdate=C:\\none\\Sornet.exe\r\n");
  }

  WholeRun run_;
  UpdateHostProcess host_{kFaults};
  std::wstring install_;
  std::vector<std::wstring> outside_;
  InstallState before_;
  std::string mounted_, drive_, filler_;  // host paths of the small disk
};

InternetFaultGround& Inet(FaultGround& ground) { return static_cast<InternetFaultGround&>(ground); }

std::unique_ptr<FaultGround> MakeGround() { return std::make_unique<InternetFaultGround>(); }

// The whole answer of a run that fails after the update contents dialog.
Script AfterContents(const std::wstring& shot, const std::vector<std::wstring>& message) {
  Script s{kConfirmation, kConfirmOk, kContents, kContentsOk, kMessage};
  for (const auto& part : message) s.push_back(L"contains 100 " + part);
  s.insert(s.end(), {L"pause 500", L"screenshot fault-" + shot, kMessageOk});
  return s;
}

// The same for a run that fails before it (the version control).
Script BeforeContents(const std::wstring& shot, const std::vector<std::wstring>& message) {
  Script s{kConfirmation, kConfirmOk, kMessage};
  for (const auto& part : message) s.push_back(L"contains 100 " + part);
  s.insert(s.end(), {L"pause 500", L"screenshot fault-" + shot, kMessageOk});
  return s;
}

std::function<void(FaultGround&)> Urls(std::wstring path) {
  return [path](FaultGround& g) { Inet(g).urls = {path, path, path}; };
}

FaultCase Case(const std::string& name, std::function<void(FaultGround&)> fault, Script script,
               std::function<void(FaultGround&)> mend = {}) {
  return FaultCase{name, MakeGround, std::move(fault), std::move(mend), std::move(script)};
}

const std::wstring kSizeWrong = L"ダウンロードファイルのサイズが不正です。Prog04.dll.cab";
// The transfer's own failure (a time-out, a cut connection): the splash window's message.
const std::vector<std::wstring> kDownloadFailed{L"ダウンロードに失敗しました。",
                                                L"ウイルス対策ソフトの保護機能を一時停止してから再度実行してください。"};
const std::wstring kInvalidPath = L"パス名が無効です。";
const std::wstring kNotDownloaded = L"ファイルをダウンロードできませんでした。";
const std::wstring kNoVersionControl = L"バージョンコントロールファイルをダウンロードできませんでした。";

}  // namespace

std::vector<FaultCase> InternetFaultCases() {
  std::vector<FaultCase> cases;
  // The cabinets.
  cases.push_back(Case("Internet_DownloadCutMidBody", Urls(L"/drop@prog04.dll.cab/"),
                       AfterContents(L"inet-drop", kDownloadFailed), [](FaultGround& g) {
                         // What came before the cut stays; the next run starts the download again.
                         const std::wstring part = Inet(g).Install() + L"Update\\Prog04.dll.cab";
                         EXPECT_LT(ReadBytes(part).size(), 1079u);
                       }));
  cases.push_back(Case("Internet_CabinetTruncated", Urls(L"/short@prog04.dll.cab/"),
                       AfterContents(L"inet-short", {kSizeWrong})));
  cases.push_back(Case("Internet_CabinetCorruptAtItsSize", Urls(L"/nocab@prog04.dll.cab/"),
                       AfterContents(L"inet-nocab", {L"ファイルを解凍できませんでした。Prog04.dll.cab"})));
  cases.push_back(Case("Internet_FileDoesNotMatchItsDigest", Urls(L"/md5/"),
                       // The digest of the released Prog04.dll (its bytes are fixed by the release script).
                       AfterContents(L"inet-md5", {L"ダウンロードに失敗しました。",
                                                   L"Prog04.dll b4f3745ddbaea16dc858dfdc753136ce"})));
  cases.push_back(Case("Internet_CabinetAnswers404WithABody", Urls(L"/404@prog04.dll.cab/"),
                       AfterContents(L"inet-404-cab", {kSizeWrong})));
  cases.push_back(Case("Internet_CabinetTimesOut",
                       [](FaultGround& g) {
                         Inet(g).urls = {L"/delay6000@prog04.dll.cab/", L"/delay6000@prog04.dll.cab/",
                                         L"/delay6000@prog04.dll.cab/"};
                         Inet(g).timeOut = 2;
                       },
                       AfterContents(L"inet-timeout", kDownloadFailed)));
  // The version control.
  cases.push_back(Case("Internet_VersionControlWithAWrongCheckDigest", Urls(L"/check/"),
                       BeforeContents(L"inet-check", {kNoVersionControl + L"コントロールファイルが破損しています。"})));
  cases.push_back(Case("Internet_VersionControl404WithABodyOnAllThreeUrls", Urls(L"/404@version.xml/"),
                       BeforeContents(L"inet-404-vc",
                                      {kNoVersionControl + L"オブジェクト変数または With ブロック変数が設定されていません。"})));
  // A target file in the way.
  cases.push_back(Case("Internet_TargetHeldOpenWithoutSharing",
                       [](FaultGround& g) {
                         const std::wstring target = Inet(g).Install() + L"Prog04.dll";
                         Inet(g).held.reset(CreateFileW(target.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
                         EXPECT_TRUE(Inet(g).held) << "cannot hold the target open";
                       },
                       AfterContents(L"inet-held", {L"更新に失敗しました。" + kInvalidPath + L"Prog04.dll"}),
                       [](FaultGround& g) {
                         // The files installed before the failure stay installed: nothing is rolled back.
                         EXPECT_EQ(ReadBytes(Inet(g).Install() + L"Prog01.dll"),
                                   ReadBytes(InternetFaultGround::Released(L"Prog01.dll")));
                         Inet(g).held.reset();
                       }));
  cases.push_back(Case("Internet_TargetReadOnly",
                       [](FaultGround& g) {
                         // Where a read-only file is replaced anyway (root under Wine), the fault
                         // cannot be put in place.
                         const std::wstring probe = Inet(g).Run().ScratchFolder() + L"\\read-only-probe";
                         const auto replaces = [&](auto replace) {
                           WriteBytes(probe, "old");
                           WriteBytes(probe + L".new", "new");
                           SetFileAttributesW(probe.c_str(), FILE_ATTRIBUTE_READONLY);
                           const bool replaced = replace((probe + L".new").c_str(), probe.c_str());
                           SetFileAttributesW(probe.c_str(), FILE_ATTRIBUTE_NORMAL);
                           return replaced;
                         };
                         const bool copied = replaces([](const wchar_t* from, const wchar_t* to) {
                           return CopyFileW(from, to, FALSE) != FALSE;
                         });
                         const bool moved = replaces([](const wchar_t* from, const wchar_t* to) {
                           return MoveFileExW(from, to, MOVEFILE_REPLACE_EXISTING) != FALSE;
                         });
                         if (copied || moved) {
                           g.cannotRun = std::string("a read-only file is replaced here (Wine run as root):") +
                                         (copied ? " CopyFile" : "") + (moved ? " MoveFileEx" : "");
                           return;
                         }
                         SetFileAttributesW((Inet(g).Install() + L"Prog04.dll").c_str(), FILE_ATTRIBUTE_READONLY);
                       },
                       AfterContents(L"inet-read-only", {L"更新に失敗しました。" + kInvalidPath + L"Prog04.dll"}),
                       [](FaultGround& g) {
                         SetFileAttributesW((Inet(g).Install() + L"Prog04.dll").c_str(), FILE_ATTRIBUTE_NORMAL);
                       }));
  // Names that lead out of the install folder or its download folder.
  cases.push_back(Case("Internet_ProgramNameWithDots", Urls(L"/name-dots/"),
                       AfterContents(L"inet-name-dots", {L"ダウンロードに失敗しました。",
                                                         kInvalidPath + L"(..\\Prog02.dll)"})));
  cases.push_back(Case("Internet_ProgramNameWithADrive", Urls(L"/name-drive/"),
                       AfterContents(L"inet-name-drive", {L"ダウンロードに失敗しました。",
                                                          kInvalidPath + L"(C:\\Prog02.dll)"})));
  cases.push_back(Case("Internet_FolderNameWithDots", Urls(L"/folder-dots/"),
                       AfterContents(L"inet-folder-dots",
                                     {L"更新に失敗しました。" + kInvalidPath + L"(..\\..\\sub\\Prog03.dll)Prog03.dll"})));
  cases.push_back(Case("Internet_FolderNameWithADrive", Urls(L"/folder-drive/"),
                       AfterContents(L"inet-folder-drive",
                                     {L"更新に失敗しました。" + kInvalidPath + L"(C:\\kvfault\\Prog03.dll)Prog03.dll"})));
  cases.push_back(Case("Internet_CabinetNameWithDots", Urls(L"/cab-dots/"),
                       AfterContents(L"inet-cab-dots", {kNotDownloaded + L"Prog02.dll.cab"})));
  cases.push_back(Case("Internet_CabinetNameWithADrive", Urls(L"/cab-drive/"),
                       AfterContents(L"inet-cab-drive", {kNotDownloaded + L"Prog02.dll.cab"})));
  // The disk.
  cases.push_back(Case("Internet_DiskFull",
                       [](FaultGround& g) {
                         std::string why;
                         if (!Inet(g).UseSmallDisk(8192, false, why)) g.cannotRun = why;
                       },
                       AfterContents(L"inet-disk-full", kDownloadFailed),
                       [](FaultGround& g) { Inet(g).EmptySmallDisk(); }));
  // Downloads fit, the installation does not: the files in place must stay whole.
  cases.push_back(Case("Internet_DiskFullDuringInstallation",
                       [](FaultGround& g) {
                         std::string why;
                         if (!Inet(g).UseSmallDisk(0, true, why)) g.cannotRun = why;
                       },
                       AfterContents(L"inet-disk-full-install",
                                     {L"更新に失敗しました。ディスクの空き容量が不足しています。Prog01.dll"}),
                       [](FaultGround& g) { Inet(g).EmptySmallDisk(); }));
  // The web tool's update URLs all fail after the update: the run ends there, silently, without
  // the main program.
  FaultCase web = Case("Internet_WebToolUrlsFailAfterTheUpdate",
                       [](FaultGround& g) {
                         WriteBytes(kv::GetUserDataFolder() + L"\\Sornet.ini",
                                    kv::ToAnsi(L"[VersionControl]\r\nUpdateURL=" + Inet(g).Url(L"/404/web/") +
                                               L"\r\nUpdateURL2=" + Inet(g).Url(L"/404/web/") + L"\r\nUpdateURL3=" +
                                               Inet(g).Url(L"/404/web/") + L"\r\n"));
                       },
                       {kConfirmation, kConfirmOk, kContents, kContentsOk},
                       [](FaultGround&) { DeleteFileW((kv::GetUserDataFolder() + L"\\Sornet.ini").c_str()); });
  web.endsInSuccess = true;
  cases.push_back(std::move(web));
  return cases;
}

}  // namespace kvtest
