// The internet road's fault cases: "/INET" against the local update host serving the fault
// releases (tests/e2e/fixtures/make_fault_releases.py), the install folder holding the release
// before the update, the host's faults chosen by the URLs' path prefixes.
#include <windows.h>

#include <gtest/gtest.h>

#include <array>

#include "FaultChecks.h"
#include "FaultSuite.h"
#include "base/Handles.h"
#include "base/Text.h"
#include "driver/UpdateHostProcess.h"
#include "support/TempDir.h"

namespace kvtest {
namespace {

using Script = std::vector<std::wstring>;

// Dialogs and their ids (src/dialogs/*.rh).
const std::wstring kConfirmation = L"dialog #32770 バロネル アップデート";
const std::wstring kConfirmOk = L"click 404";
const std::wstring kContents = L"dialog #32770 バロネル アップデート - 更新内容";
const std::wstring kContentsOk = L"click 507";
const std::wstring kMessage = L"dialog #32770 バロネル アップデート2";
const std::wstring kMessageOk = L"press OK";

const std::wstring kFaults = L"faults";
const std::wstring kBefore = L"faults\\before";

std::vector<ReleasedFile> Released(const std::wstring& release) {
  std::vector<ReleasedFile> files;
  for (const auto& f : UpdateHostProcess::Release(release)) files.push_back({f.name, f.folder, f.size, kv::ToUtf8(f.md5)});
  return files;
}

bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

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
    const std::wstring parent = install_.substr(0, install_.find_last_of(L'\\', install_.size() - 2));
    WriteBytes(parent + L"\\canary.txt", "a file beside the install folder\r\n");
    outside_ = {parent, run_.ScratchFolder() + L"\\sub", L"C:\\", L"C:\\kvfault"};
  }

  WholeRunResult RunUpdate(const Script& script) override {
    WriteIni();
    before_ = ReadInstallState(install_, L"Version.xml", outside_);
    return run_.Run(L"KanvoloUpdate2.exe", L"/INET", script);
  }

  void ExpectNothingHalfDone() override {
    ExpectInstallConsistent(before_, ReadInstallState(install_, L"Version.xml", outside_), Released(kFaults));
    EXPECT_TRUE(run_.Recorded().empty()) << "the main program was started after the failure";
    ExpectMainProgramStarts(install_ + L"Kanvolo.exe", run_.ScratchFolder());
  }

  void ExpectCleanRunCompletes() override {
    urls = {L"/ok/", L"/ok/", L"/ok/"};
    timeOut = 30;
    const std::size_t recorded = run_.Recorded().size();
    const auto result = RunUpdate({kConfirmation, kConfirmOk, kContents, kContentsOk});
    EXPECT_TRUE(result.Ok()) << result.transcript;
    ExpectReleaseInstalled(ReadInstallState(install_, L"Version.xml", outside_), Released(kFaults));
    EXPECT_TRUE(run_.WaitForRecord(recorded + 1)) << "the main program was not started";
  }

  // The three update URLs' paths on the host (fault prefixes, release folders) and the time-out.
  std::array<std::wstring, 3> urls{L"/ok/", L"/ok/", L"/ok/"};
  int timeOut = 30;
  // A handle the fault holds (a target held open).
  kv::UniqueHandle held;

  const std::wstring& Install() const { return install_; }
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
const std::wstring kNotDownloaded = L"ファイルをダウンロードできませんでした。";
const std::wstring kNoVersionControl = L"バージョンコントロールファイルをダウンロードできませんでした。";

}  // namespace

std::vector<FaultCase> InternetFaultCases() {
  std::vector<FaultCase> cases;
  // The cabinets.
  cases.push_back(Case("Internet_DownloadCutMidBody", Urls(L"/drop@prog04.dll.cab/"),
                       AfterContents(L"inet-drop", kDownloadFailed)));
  cases.push_back(Case("Internet_CabinetTruncated", Urls(L"/short@prog04.dll.cab/"),
                       AfterContents(L"inet-short", {kSizeWrong})));
  cases.push_back(Case("Internet_CabinetCorruptAtItsSize", Urls(L"/nocab@prog04.dll.cab/"),
                       AfterContents(L"inet-nocab", {L"ファイルを解凍できませんでした。Prog04.dll.cab"})));
  cases.push_back(Case("Internet_FileDoesNotMatchItsDigest", Urls(L"/md5/"),
                       AfterContents(L"inet-md5", {L"ダウンロードに失敗しました。", L"Prog04.dll "})));
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
                       BeforeContents(L"inet-404-vc", {kNoVersionControl})));
  return cases;
}

}  // namespace kvtest
