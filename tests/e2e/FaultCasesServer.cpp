// The fault suite's cases of the update database: the server update of a client PC (download),
// the internet update of a server PC that uploads what it installed, and both PCs in turn for a
// file whose name holds an apostrophe.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <optional>

#include "FaultChecks.h"
#include "FaultSuite.h"
#include "SecondPc.h"
#include "UpdateDatabase.h"
#include "WholeRun.h"
#include "base/Text.h"
#include "driver/UpdateHostProcess.h"
#include "settings/Common.h"
#include "settings/clsParamUpdate.h"
#include "support/HostProcessPaths.h"
#include "support/OdbcProbe.h"
#include "support/OperationLogCapture.h"
#include "support/TcpRelay.h"
#include "support/TempDir.h"
#include "versioncontrol/clsVersionControl.h"

namespace kvtest {
namespace {

using Lines = std::vector<std::wstring>;

constexpr wchar_t kRelease[] = L"faultserver";            // fixtures/make_fault_server.py
constexpr wchar_t kOldVersion[] = L"2026/11/01 10:00:00";  // the release before the update
constexpr wchar_t kNewVersion[] = L"2026/12/01 10:00:00";  // the release's files and rows
constexpr wchar_t kBig[] = L"it's.dll";                    // 200000 bytes, after "Base.dll" in name order
// A connection is cut once this much went through it: within the big file, after the small ones.
constexpr std::size_t kCutAfter = 100000;

// Dialogs (src/dialogs/*.rh): the start confirmation, the list of the update, the message box.
const std::wstring kConfirmation = L"dialog #32770 バロネル アップデート";
const std::wstring kContents = L"dialog #32770 バロネル アップデート - 更新内容";
const std::wstring kMessage = L"dialog #32770 バロネル アップデート2";
constexpr wchar_t kFailed[] = L"更新に失敗しました。";
constexpr wchar_t kUploadFailed[] =
    L"プログラム情報の更新に失敗しました。スタートメニューのデータベースの初期化でプログラム情報の更新を行ってください。";
constexpr wchar_t kNotConnected[] = L"バロネルサーバーに接続できません。 設定を変更しますか？";

std::string Show(const Lines& lines) {
  std::string text;
  for (const auto& line : lines) text += "  " + kv::ToUtf8(line) + "\n";
  return text;
}

bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::vector<UpdateHostProcess::File> Release() { return UpdateHostProcess::Release(kRelease); }

std::string ReleaseBytes(const std::wstring& name) {
  return ReadBytes(UpdateHostProcess::FixtureFolder() + L"\\" + kRelease + L"\\files\\" + name);
}

std::string OldBytes(const std::wstring& name) { return "old " + kv::ToUtf8(name) + "\r\n"; }

// The message box of a failure: every line of its text read, a screenshot, OK.
Lines MessageScript(const Lines& lines, const std::wstring& shot) {
  Lines script{kMessage};
  for (const auto& line : lines) script.push_back(L"contains 100 " + line);
  script.push_back(L"screenshot " + shot);
  script.push_back(L"press OK");
  return script;
}

Lines InternetAnswers() { return {kConfirmation, L"click 404", kContents, L"click 507"}; }

// What a host tool computes for a file: its size and MD5 digest ("" when it is missing).
struct HostDigest {
  long long size = -1;
  std::string md5;
};
HostDigest DigestOnHost(const std::wstring& path) {
  HostDigest digest;
  TempDir scratch;
  const auto file = UnixPath(path);
  const auto out = UnixPath(scratch / L"out");
  if (!file || !out || !Exists(path)) return digest;
  if (!RunHostScript("{ stat -c %s " + ShellQuoted(*file) + "; md5sum " + ShellQuoted(*file) + " | cut -c1-32; } >" +
                     ShellQuoted(*out))) {
    return digest;
  }
  const std::string text = ReadBytes(scratch / L"out");
  const auto newline = text.find('\n');
  if (newline == std::string::npos) return digest;
  digest.size = std::stoll(text.substr(0, newline));
  digest.md5 = text.substr(newline + 1, 32);
  return digest;
}

// The host's root has a file system of its own mounted at path.
bool Mounted(const std::string& path) {
  TempDir scratch;
  const auto mark = UnixPath(scratch / L"mounted");
  if (!mark) return false;
  RunHostScript("mountpoint -q " + ShellQuoted(path) + " && touch " + ShellQuoted(*mark));
  return Exists(scratch / L"mounted");
}

// The release as the shared checks take it.
std::vector<ReleasedFile> Released() {
  std::vector<ReleasedFile> files;
  for (const auto& f : Release()) files.push_back({f.name, f.folder, f.size, kv::ToUtf8(f.md5)});
  return files;
}

// The rows of the update database: name, folder, version, size, stored digest, digest of the image.
Lines Rows() {
  return Psql("MOSURI_UPDATE",
              "SELECT ver_name, ver_folder, ver_update, ver_file_size, ver_md5, md5(ver_image) FROM version ORDER BY 1");
}

// Settings as the settings dialog saves them, to the test cluster directly or through a relay.
void SaveSettings(unsigned short port = 0, const std::wstring& user = {}, const std::wstring& password = {}) {
  const PostgresSettings pg = TestPostgres();
  SaveServerSettings(1, L"127.0.0.1", user.empty() ? pg.user : user, user.empty() ? pg.password : password,
                     port == 0 ? pg.port : std::to_wstring(port));
}

// Common to the grounds: the update program, the stand-in main program in the install folder, a
// canary beside the install folder, the update database emptied, the expected message.
class DatabaseGround : public FaultGround {
 public:
  // The relay between the program and the cluster, cutting each connection after cutAfter bytes
  // (or, with atCut, calling it there); the settings lead through it.
  void UseRelay(std::size_t cutAfter, std::function<void()> atCut = {}) {
    relay_ = std::make_unique<TcpRelay>(static_cast<unsigned short>(std::stoi(TestPostgres().port)), 0, cutAfter,
                                        std::move(atCut));
    SaveSettings(relay_->port());
  }
  // The settings to the cluster directly again; a cluster stopped by the fault started again.
  void ConnectDirectly() {
    relay_.reset();
    RestartIfStopped();
    SaveSettings();
  }
  void UseLogin(const std::wstring& user, const std::wstring& password) { SaveSettings(0, user, password); }
  // The cluster stops for real, as a crashed server does, once a connection has cut bytes.
  void StopServerMidTransfer(std::size_t cutAfter) {
    stopExpected_ = true;
    UseRelay(cutAfter, [this] { stopped_ = StopTestClusterImmediately(); });
  }
  void RestartIfStopped() {
    if (stopped_) {
      EXPECT_TRUE(RestartTestCluster()) << "the test cluster did not start again";
      stopped_ = false;
    }
  }
  // The message that the faulty run must append to the update log: head, or (with a tail, the
  // driver's own text between them) head followed by tail.
  void ExpectMessage(const std::wstring& head, const std::wstring& tail = {}) {
    messageHead_ = head;
    messageTail_ = tail;
  }
  void ExpectBootLine(const std::wstring& line) { bootLine_ = line; }

  const std::wstring& Install() const { return install_; }

 protected:
  DatabaseGround() {
    run_.CopyProgram(L"KanvoloUpdate2.exe");
    install_ = run_.InstallFolder();
  }
  ~DatabaseGround() override { RestartIfStopped(); }

  // Called once the install folder is in place.
  void Prepare() {
    CreateDirectoryW((install_ + L"Update").c_str(), nullptr);
    EXPECT_TRUE(CopyFileW((TestProgramFolder() + L"\\kv_mainstandin.exe").c_str(), (install_ + L"Kanvolo.exe").c_str(),
                          FALSE));
    const std::wstring parent = install_.substr(0, install_.find_last_of(L'\\', install_.size() - 2) + 1);
    outside_ = parent;
    WriteBytes(parent + L"canary.txt", "canary\r\n");
    SaveSettings();
  }

  // The cluster stopped when the fault meant it to, and started again; the logs of the run.
  void AfterRun() {
    if (stopExpected_) {
      EXPECT_TRUE(stopped_) << "the test cluster was not stopped in the middle of the run";
    }
    stopExpected_ = false;
    RestartIfStopped();
    CheckMessage();
  }

  // Checks the message of the last run in the update log, and a line of its boot log.
  void CheckMessage() {
    if (!bootLine_.empty()) {
      const Lines boot = run_.BootLog();
      EXPECT_NE(std::find(boot.begin(), boot.end(), bootLine_), boot.end()) << "boot log:\n" << Show(boot);
    }
    if (messageHead_.empty()) return;
    const Lines log = run_.UpdateLog();
    std::wstring text;
    for (const auto& line : log) text += (text.empty() ? L"" : L"\r\n") + line;
    const auto head = text.find(messageHead_);
    ASSERT_NE(head, std::wstring::npos) << "update log:\n" << Show(log);
    // The message ends where its line ends.
    const std::wstring& last = messageTail_.empty() ? messageHead_ : messageTail_;
    const auto at = text.find(last, head);
    ASSERT_NE(at, std::wstring::npos) << "update log:\n" << Show(log);
    const auto end = at + last.size();
    EXPECT_TRUE(end == text.size() || text.compare(end, 2, L"\r\n") == 0) << "update log:\n" << Show(log);
  }

  InstallState State() const { return ReadInstallState(install_, L"Version.xml", {outside_}); }
  // The install folder consistent with its state before the fault, the canary's folder unchanged,
  // the main program starting.
  void ExpectConsistentSince(const InstallState& before) {
    ExpectInstallConsistent(before, State(), Released());
    ExpectMainProgramStarts(install_ + L"Kanvolo.exe", run_.ScratchFolder());
  }

  static Lines Listing(const std::wstring& folder) {
    Lines names;
    WIN32_FIND_DATAW data{};
    HANDLE find = FindFirstFileW((folder + L"*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return names;
    do {
      names.push_back(data.cFileName);
    } while (FindNextFileW(find, &data));
    FindClose(find);
    std::sort(names.begin(), names.end());
    return names;
  }

  WholeRun run_;
  EmptyUpdateDatabase database_;
  std::wstring install_;
  std::wstring outside_;  // the install folder's parent, with the canary
  std::unique_ptr<TcpRelay> relay_;
  bool stopped_ = false;
  bool stopExpected_ = false;
  std::wstring messageHead_, messageTail_, bootLine_;
};

// A client PC's server update: the install folder holds the release before the update (its files
// and version controls), the update database the new release; the settings name the server.
class ServerUpdateGround : public DatabaseGround {
 public:
  // onTmpfs: the install folder on a small file system of its own (the host's tmpfs), which the
  // fault can fill.
  explicit ServerUpdateGround(bool onTmpfs = false) {
    if (onTmpfs && !MountTmpfs()) return;
    Prepare();
    kv::clsVersionControl old;
    const auto release = Release();
    for (std::size_t i = 0; i < release.size(); ++i) {
      const auto& f = release[i];
      const std::string bytes = OldBytes(f.name);
      WriteBytes(install_ + f.name, bytes);
      const auto index = static_cast<std::int16_t>(i + 1);
      old.SetUseVersionTable(index);
      old.SetProgramName(index, f.name);
      old.SetVersionText(index, kOldVersion);
      old.SetFileSize(index, static_cast<std::int32_t>(bytes.size()));
      old.SetMD5(index, kv::FromUtf8(DigestOnHost(install_ + f.name).md5));
      StoreRow(f.name, f.folder, kNewVersion, 0, ReleaseBytes(f.name));
    }
    for (const std::wstring& control : {install_ + L"Version.xml", install_ + L"Update\\Version.xml"}) {
      EXPECT_EQ(old.WriteControl(control), 0);
    }
    before_ = State();
    rows_ = Rows();
  }
  ~ServerUpdateGround() override {
    if (!tmpfs_.empty()) {
      RemoveTree(install_);
      RunHostScript("umount " + ShellQuoted(tmpfs_));
    }
  }

  // Fills the install folder's file system up to a little more than the small files need.
  void FillDisk() {
    if (tmpfs_.empty()) return;
    const bool filled = RunHostScript("head -c $(( $(df --output=avail -B1 " + ShellQuoted(tmpfs_) +
                                      " | tail -n1) - 60000 )) /dev/zero >" + ShellQuoted(tmpfs_ + "/filler") +
                                      " 2>/dev/null");
    if (!filled) cannotRun = "the install folder's file system could not be filled";
  }
  void DeleteFaultRow(const std::wstring& name) {
    DeleteRow(name);
    rows_ = Rows();
  }
  // After the faulty run: these files installed from their rows (nothing is rolled back), the
  // others still the release before.
  void ExpectInstalledBeforeTheFailure(const Lines& names) { installedBefore_ = names; }
  // A row of the fault's own, which the update database then holds throughout.
  void StoreFaultRow(const std::wstring& name, const std::wstring& folder) {
    StoreRow(name, folder, kNewVersion, 0, "not to be written\r\n");
    rows_ = Rows();
  }
  void EmptyDisk() { DeleteFileW((tmpfsFolder_ + L"\\filler").c_str()); }

  WholeRunResult RunUpdate(const std::vector<std::wstring>& script) override {
    const WholeRunResult result = run_.Run(L"KanvoloUpdate2.exe", L"", script, std::chrono::seconds(90));
    AfterRun();
    return result;
  }

  void ExpectNothingHalfDone() override {
    ExpectConsistentSince(before_);
    // Every file as before or whole as its row holds it, never part of it.
    for (const auto& f : Release()) {
      const std::string now = ReadBytes(install_ + f.name);
      EXPECT_TRUE(now == OldBytes(f.name) || now == ReleaseBytes(f.name))
          << kv::ToUtf8(f.name) << ": " << now.size() << " bytes";
      if (installedBefore_) {
        const bool installed = std::find(installedBefore_->begin(), installedBefore_->end(), f.name) !=
                               installedBefore_->end();
        EXPECT_EQ(now, installed ? ReleaseBytes(f.name) : OldBytes(f.name)) << kv::ToUtf8(f.name);
      }
    }
    // No file left beside them (a temporary one of a cut transfer).
    Lines expected{L".", L"..", L"Kanvolo.exe", L"Update", L"Version.xml"};
    for (const auto& f : Release()) expected.push_back(f.name);
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(Listing(install_), expected);
    // The download only reads the update database.
    EXPECT_EQ(Rows(), rows_);
  }

  void ExpectCleanRunCompletes() override {
    const WholeRunResult result = run_.Run(L"KanvoloUpdate2.exe", L"", {}, std::chrono::seconds(90));
    ASSERT_TRUE(result.Ok()) << result.transcript << Show(run_.BootLog());
    const Lines boot = run_.BootLog();
    ASSERT_FALSE(boot.empty());
    EXPECT_EQ(boot.back(), L"Exec Program " + install_ + L"Kanvolo.exe") << Show(boot);
    const InstallState after = State();
    ExpectReleaseInstalled(after, Released());
    ExpectInstallConsistent(before_, after, Released());
  }

 private:
  bool MountTmpfs() {
    const std::wstring folder = run_.ScratchFolder() + L"\\small disk";
    CreateDirectoryW(folder.c_str(), nullptr);
    const auto unix = UnixPath(folder);
    if (!unix) {
      cannotRun = "no host path for the small file system";
      return false;
    }
    const std::wstring why = run_.ScratchFolder() + L"\\mount.txt";
    const auto whyUnix = UnixPath(why);
    if (!RunHostScript("mount -t tmpfs -o size=8m kvfault " + ShellQuoted(*unix) + " 2>" + ShellQuoted(*whyUnix)) ||
        !Mounted(*unix)) {
      cannotRun = "a small tmpfs cannot be mounted here for the install folder: " + ReadBytes(why);
      return false;
    }
    tmpfs_ = *unix;
    tmpfsFolder_ = folder;
    // Through Wine's drive of the host's root, as a drive of its own would show it.
    // The filler goes beside "Program Files", outside the canary's folder.
    install_ = L"Z:" + kv::FromUtf8(*unix) + L"/Program Files/Kanvolo/";
    std::replace(install_.begin(), install_.end(), L'/', L'\\');
    CreateDirectoryW(install_.substr(0, install_.size() - 8).c_str(), nullptr);
    CreateDirectoryW(install_.c_str(), nullptr);
    run_.WriteInstallIni(L"[Install]\r\nInstallFolder=" + install_ + L"\r\n");
    return true;
  }

  InstallState before_;
  Lines rows_;
  std::optional<Lines> installedBefore_;
  std::string tmpfs_;          // host path of the mounted file system
  std::wstring tmpfsFolder_;   // the same seen from the test
};

// A server PC's internet update from the local update host, which uploads every installed file
// into the update database; the install folder starts empty but for the main program.
class UploadGround : public DatabaseGround {
 public:
  UploadGround() {
    Prepare();
    before_ = State();
    EXPECT_TRUE(host_.Running());
    run_.WriteUpdaterIni(L"[VersionControl]\r\nUpdateURL=" + host_.Url(L"/ok/") +
                         L"\r\nVersionFileName=Version.xml\r\nTimeOut=30\r\nWebUpdate=" + run_.ScratchFolder() +
                         L"\\no web tool\\Sornet.exe\r\n");
  }

  WholeRunResult RunUpdate(const std::vector<std::wstring>& script) override {
    const WholeRunResult result = run_.Run(L"KanvoloUpdate2.exe", L"/INET /CHECK", script, std::chrono::seconds(90));
    AfterRun();
    return result;
  }

  void ExpectNothingHalfDone() override {
    ExpectConsistentSince(before_);
    const Lines rows = ExpectRowsOfInstalledFiles();
    if (uploadedBefore_) {
      Lines names;
      for (const auto& row : rows) names.push_back(row.substr(0, row.find(L'|')));
      EXPECT_EQ(names, *uploadedBefore_);
    }
  }
  // After the faulty run the update database keeps the rows uploaded before the failure.
  void ExpectUploadedBeforeTheFailure(const Lines& names) { uploadedBefore_ = names; }

  // With the fault gone, the update again with every file (the last run made them current).
  void ExpectCleanRunCompletes() override {
    const WholeRunResult result =
        run_.Run(L"KanvoloUpdate2.exe", L"/INET /ALL /CHECK",
                 {kConfirmation, L"contains 402 全て更新します", L"click 404", kConfirmation, L"click 404", kContents,
                  L"click 507"},
                 std::chrono::seconds(90));
    ASSERT_TRUE(result.Ok()) << result.transcript << Show(run_.BootLog());
    const InstallState after = State();
    ExpectReleaseInstalled(after, Released());
    ExpectInstallConsistent(before_, after, Released());
    const Lines rows = ExpectRowsOfInstalledFiles();
    EXPECT_EQ(rows.size(), Release().size()) << Show(rows);
  }

 protected:
  // Every row names a file installed here, stored whole: its digest and image as the file on disk.
  Lines ExpectRowsOfInstalledFiles() {
    const Lines rows = Rows();
    for (const auto& row : rows) {
      const std::wstring name = row.substr(0, row.find(L'|'));
      const HostDigest d = DigestOnHost(install_ + name);
      EXPECT_EQ(row, name + L"||" + kNewVersion + L"|" + std::to_wstring(d.size) + L"|" + kv::FromUtf8(d.md5) + L"|" +
                         kv::FromUtf8(d.md5));
    }
    return rows;
  }

  UpdateHostProcess host_{kRelease};
  InstallState before_;
  std::optional<Lines> uploadedBefore_;
};

// The server PC uploads, then a client PC (a prefix of its own, the server in its settings)
// installs every row.
class TwoPcGround : public UploadGround {
 public:
  TwoPcGround() : pcB_(ClientSettings(), "pc-b-faults") {}

  WholeRunResult RunUpdate(const std::vector<std::wstring>& script) override {
    WholeRunResult result = UploadGround::RunUpdate(script);
    if (!result.Ok()) return result;
    const std::wstring program = pcFiles_ / L"Program";
    const std::wstring install = pcFiles_ / L"Kanvolo\\";
    CreateDirectoryW(program.c_str(), nullptr);
    CreateDirectoryW(install.c_str(), nullptr);
    CreateDirectoryW((install + L"Update").c_str(), nullptr);
    CopyFileW((TestProgramFolder() + L"\\KanvoloUpdate2.exe").c_str(), (program + L"\\KanvoloUpdate2.exe").c_str(),
              FALSE);
    CopyFileW((TestProgramFolder() + L"\\kv_mainstandin.exe").c_str(), (install + L"Kanvolo.exe").c_str(), FALSE);
    if (!pcB_.WaitUntilReady()) {
      ADD_FAILURE() << "the second PC's prefix was not made";
      return {};
    }
    const std::wstring installThere = pcB_.Here(install);
    WriteBytes(program + L"\\Install.ini", kv::ToAnsi(L"[Install]\r\nInstallFolder=" + installThere + L"\r\n"));
    result = pcB_.Run(program + L"\\KanvoloUpdate2.exe", {}, pcFiles_ / L"recorded.log", L"fault-server-pc-b");
    const Lines boot = kvtest::ReadAnsiLines(pcB_.There(kv::GetUserDataFolder() + L"\\UpdateBoot.log"));
    EXPECT_TRUE(result.Ok()) << result.transcript << Show(boot);
    // Every file as the server PC installed it, the apostrophe's one among them.
    for (const auto& f : Release()) {
      EXPECT_EQ(ReadBytes(install + f.name), ReadBytes(install_ + f.name)) << kv::ToUtf8(f.name);
      EXPECT_EQ(ReadBytes(install + f.name), ReleaseBytes(f.name)) << kv::ToUtf8(f.name);
    }
    ExpectReleaseInstalled(ReadInstallState(install, L"Version.xml", {}), Released());
    EXPECT_TRUE(!boot.empty() && kv::EndsWith(boot.back(), L"Exec Program " + installThere + L"Kanvolo.exe")) << Show(boot);
    return result;
  }

 private:
  static std::map<std::wstring, std::wstring> ClientSettings() {
    const PostgresSettings pg = TestPostgres();
    return {{L"DB_DRIVER", L"1"},
            {L"DB_SERVER", L"127.0.0.1"},
            {L"DB_USER", pg.user},
            {L"DB_PASSWORD", kv::clsParamUpdate::EncodePassword(pg.password, pg.user)},
            {L"DB_OPTION", L"Port=" + pg.port}};
  }

  SecondPc pcB_;
  TempDir pcFiles_;
};

template <class Ground>
Ground& As(FaultGround& ground) {
  return static_cast<Ground&>(ground);
}

std::unique_ptr<FaultGround> MakeServerUpdate() { return std::make_unique<ServerUpdateGround>(); }
std::unique_ptr<FaultGround> MakeUpload() { return std::make_unique<UploadGround>(); }

// The download's composed message for a row refused by its name: the 75 text naming the entry,
// the step and the row's SQL, then the file name.
FaultCase RefusedRow(const std::string& caseName, const std::wstring& name, const std::wstring& folder,
                     const std::wstring& shown) {
  const std::wstring sql = L"SELECT * FROM VERSION WHERE VER_NAME='" + name + L"'";
  const std::wstring first = std::wstring(kFailed) + L"パス名が無効です。(" + shown + L")(4B)[DB.DownloadData:rsVersion.Get]";
  FaultCase c;
  c.name = caseName;
  c.ground = MakeServerUpdate;
  c.fault = [name, folder, first, sql](FaultGround& g) {
    auto& ground = As<ServerUpdateGround>(g);
    // A folder of "*" stands for the canary's own folder, a path with its drive.
    std::wstring rowFolder = folder, expectFirst = first;
    if (folder == L"*") {
      const std::wstring install = ground.Install();
      rowFolder = install.substr(0, install.find_last_of(L'\\', install.size() - 2));
      const auto at = expectFirst.find(L"(*");
      expectFirst.replace(at + 1, 1, rowFolder);
    }
    ground.StoreFaultRow(name, rowFolder);
    // Rows in name order: those before the refused one installed.
    Lines before;
    for (const auto& f : Release()) {
      if (f.name < name) before.push_back(f.name);
    }
    ground.ExpectInstalledBeforeTheFailure(before);
    ground.ExpectMessage(expectFirst + L"\r\n" + sql + name);
  };
  c.mend = [name](FaultGround& g) { As<ServerUpdateGround>(g).DeleteFaultRow(name); };
  c.script = MessageScript({kFailed, L"(4B)[DB.DownloadData:rsVersion.Get]", sql + name},
                           L"fault-server-name-" + kv::FromUtf8(caseName));
  return c;
}

}  // namespace

std::vector<FaultCase> ServerFaultCases() {
  std::vector<FaultCase> cases;
  const std::wstring bigSql = L"SELECT * FROM VERSION WHERE VER_NAME='" + std::wstring(kBig) + L"'";

  {
    FaultCase c;
    c.name = "Database_ApostropheInANameGoesUpAndComesDownIntact";
    c.ground = [] { return std::unique_ptr<FaultGround>(std::make_unique<TwoPcGround>()); };
    c.fault = [](FaultGround&) {};
    c.script = InternetAnswers();
    c.script.insert(c.script.begin() + 3, L"screenshot fault-server-its-dll-contents");
    c.endsInSuccess = true;
    cases.push_back(c);
  }
  // The server gone while the big file goes up, cut by the relay or stopped for real (pg_ctl stop -m
  // immediate; going down, the server has sent the whole file into the connection before it could
  // be stopped): the files before it stay uploaded, it and nothing after it; the version controls
  // are still written.
  for (const bool realStop : {false, true}) {
    FaultCase c;
    c.name = realStop ? "Database_ServerStoppedDuringTheUpload" : "Database_ServerGoneDuringTheUpload";
    c.ground = MakeUpload;
    c.fault = [bigSql, realStop](FaultGround& g) {
      auto& ground = As<UploadGround>(g);
      if (realStop) {
        ground.StopServerMidTransfer(kCutAfter);
      } else {
        ground.UseRelay(kCutAfter);
      }
      ground.ExpectUploadedBeforeTheFailure({L"Base.dll"});
      ground.ExpectMessage(kUploadFailed, L")[DB.UploadData:rsVersion.Update]\r\n" + bigSql + kBig);
    };
    c.mend = [](FaultGround& g) { As<UploadGround>(g).ConnectDirectly(); };
    c.script = InternetAnswers();
    for (const auto& line : MessageScript({kUploadFailed, L")[DB.UploadData:rsVersion.Update]", bigSql + kBig},
                                          realStop ? L"fault-server-upload-stopped" : L"fault-server-upload-cut")) {
      c.script.push_back(line);
    }
    cases.push_back(c);
  }
  {
    // The server gone while the big file comes down: the file in place kept, the ones before it
    // installed, the version controls unchanged.
    FaultCase c;
    c.name = "Database_ServerGoneDuringADownload";
    c.ground = MakeServerUpdate;
    c.fault = [bigSql](FaultGround& g) {
      auto& ground = As<ServerUpdateGround>(g);
      ground.UseRelay(kCutAfter);
      ground.ExpectInstalledBeforeTheFailure({L"Base.dll", L"Prog01.dll", L"Prog02.dll"});
      // The driver takes the whole row when the statement runs: the cut shows at its opening.
      ground.ExpectMessage(kFailed, L")[DB.DownloadData:rsVersion.Open(" + bigSql + L")]\r\n" + bigSql + kBig);
    };
    c.mend = [](FaultGround& g) { As<ServerUpdateGround>(g).ConnectDirectly(); };
    c.script = MessageScript({kFailed, L")[DB.DownloadData:rsVersion.Open(" + bigSql + L")]", bigSql + kBig},
                             L"fault-server-download-cut");
    cases.push_back(c);
  }
  {
    // A ";" in the password: the failed-connection question, its connection string with the
    // password in clear; answered No, the main program starts without an update.
    FaultCase c;
    c.name = "Database_SemicolonInThePassword";
    c.ground = MakeServerUpdate;
    const std::wstring user = kv::FromUtf8(std::getenv("KV_PG_SEMI_USER") ? std::getenv("KV_PG_SEMI_USER") : "");
    const std::wstring password =
        kv::FromUtf8(std::getenv("KV_PG_SEMI_PASSWORD") ? std::getenv("KV_PG_SEMI_PASSWORD") : "");
    const std::wstring port = TestPostgres().port;
    const std::wstring cs = L"Provider=SQLOLEDB;Data Source=127.0.0.1;Initial Catalog=master;User ID=" + user +
                            L";Password=" + password + L";Port=" + port;
    c.fault = [user, password, port](FaultGround& g) {
      if (user.empty()) {
        g.cannotRun = "no login with a \";\" in its password (scripts/db-env.sh makes it)";
        return;
      }
      auto& ground = As<ServerUpdateGround>(g);
      ground.UseLogin(user, password);
      ground.ExpectInstalledBeforeTheFailure({});
      // The password in clear in the boot log too.
      ground.ExpectBootLine(L"DB.ExistDatabase 1," + user + L"," + password + L",127.0.0.1,,,Port=" + port);
    };
    c.mend = [](FaultGround& g) { As<ServerUpdateGround>(g).ConnectDirectly(); };
    // The question keeps out of the update log: its lines read from the box. Then the notice
    // before the main program starts without an update.
    c.script = {kMessage,
                L"contains 100 " + std::wstring(kNotConnected),
                L"contains 100 [DB.OpenConnect:cn.open(" + cs + L")]",
                L"contains 100 " + cs + L"]",
                L"screenshot fault-server-semicolon-password",
                L"press いいえ(N)",
                kMessage,
                L"contains 100 バージョンチェックなしでバロネルを起動します。正常に動作しない場合はバージョンアップを行ってください。",
                L"press OK"};
    cases.push_back(c);
  }
  // Names of a row that would leave the install folder.
  cases.push_back(RefusedRow("Names_RowNameClimbsOut", L"..\\canary.txt", L"", L"..\\canary.txt"));
  cases.push_back(RefusedRow("Names_RowFolderClimbsOut", L"canary.txt", L"..\\", L"..\\canary.txt"));
  cases.push_back(RefusedRow("Names_RowNameWithADrive", L"C:canary.txt", L"", L"C:canary.txt"));
  cases.push_back(RefusedRow("Names_RowFolderWithADrive", L"canary.txt", L"*", L"*\\canary.txt"));
  {
    // The install folder's disk full while the big file comes down: the file in place kept.
    FaultCase c;
    c.name = "DiskFull_ServerUpdate";
    c.ground = [] { return std::unique_ptr<FaultGround>(std::make_unique<ServerUpdateGround>(true)); };
    c.fault = [bigSql](FaultGround& g) {
      auto& ground = As<ServerUpdateGround>(g);
      ground.FillDisk();
      ground.ExpectInstalledBeforeTheFailure({L"Base.dll", L"Prog01.dll", L"Prog02.dll"});
      ground.ExpectMessage(std::wstring(kFailed) + L"ディスクの空き容量が不足しています。(3D)[DB.DownloadData:Put]\r\n" +
                           bigSql + kBig);
    };
    c.mend = [](FaultGround& g) { As<ServerUpdateGround>(g).EmptyDisk(); };
    c.script = MessageScript({std::wstring(kFailed) + L"ディスクの空き容量が不足しています。(3D)[DB.DownloadData:Put]",
                              bigSql + kBig},
                             L"fault-server-disk-full");
    cases.push_back(c);
  }
  return cases;
}

}  // namespace kvtest
