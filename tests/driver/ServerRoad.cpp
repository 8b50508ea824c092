#include "ServerRoad.h"

#include "base/SkipOnError.h"
#include "base/Text.h"
#include "dialogs/UpdateLogs.h"
#include "dialogs/frmSplash.h"
#include "settings/Common.h"
#include "settings/clsIniFile.h"
#include "settings/clsInstallIniFile.h"
#include "settings/clsParamUpdate.h"
#include "settings/SettingsFixtures.h"
#include "support/OdbcProbe.h"
#include "support/WinsockUser.h"
#include "versioncontrol/clsVersionControl.h"

namespace kvtest {

std::wstring StoppedPort() {
  // A port that was free a moment ago: bound, read back and released.
  const WinsockUser winsock;
  const SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  bind(s, reinterpret_cast<sockaddr*>(&address), sizeof(address));
  int length = sizeof(address);
  getsockname(s, reinterpret_cast<sockaddr*>(&address), &length);
  closesocket(s);
  return std::to_wstring(ntohs(address.sin_port));
}

void AnswerCriticalMessage(ScriptedUser& user, std::wstring& shown) {
  user.Expect(L"frmMsgBox")
      .Check([&shown](DialogView& d) {
        shown = d.Text(L"txtMsg");
        EXPECT_TRUE(d.Visible(L"picIcon", 0));
      })
      .Click(L"cmdButton", 1);
}

ServerRoad::ServerRoad() {
  host.programName = L"KanvoloUpdate2";
  host.productName = kTitle;
  host.localTime = SYSTEMTIME{2026, 12, 4, 10, 9, 8, 7, 6};
  host.version = kv::WindowsVersion{6, 1};
  host.admin = true;
  host.commandLine = L"";
  RemoveUserFiles();
  install_ = dir / L"my install\\";
  CreateDirectoryW(install_.c_str(), nullptr);
  CreateDirectoryW((install_ + L"Update").c_str(), nullptr);
  WriteBytes(install_ + L"Kanvolo.exe", "MZ main");
  run.objInstallIniFile().SetInstallFolder(install_);
  run.objIniFile().SetVersionFileName(L"Version.xml");
  run.objIniFile().SetExecFileName(L"Kanvolo.exe");
  OdbcExecute(PostgresOdbc("MOSURI"), "DELETE FROM VERSION");
}

ServerRoad::~ServerRoad() {
  if (run.SplashCreated()) kv::SkipOnError([&] { run.Splash().Unload(); });
  RemoveUserFiles();
  // Settings saved by a test would give the next test a server: removed through the program's view.
  for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
    for (const wchar_t* name : {L"DB_DRIVER", L"DB_USER", L"DB_PASSWORD", L"DB_SERVER", L"DB_DATABASE", L"DB_PATH",
                                L"DB_INSTANCE", L"DB_PORT", L"DB_OPTION"}) {
      kvtest::ScopedProductKeys::Remove(root, kvtest::ScopedProductKeys::kParam, name);
    }
  }
}

std::wstring ServerRoad::UserDataFile(const std::wstring& name) const { return kv::GetUserDataFolder() + L"\\" + name; }

void ServerRoad::RemoveUserFiles() const {
  for (const wchar_t* name : {L"UpdateBoot.log", L"Update.log"}) DeleteFileW(UserDataFile(name).c_str());
}

void ServerRoad::UsePostgres(const std::wstring& server, const std::wstring& port) {
  const PostgresSettings pg = TestPostgres();
  kv::clsParamUpdate& p = run.objParamUpdate();
  p.SetDBDriver(4);
  p.SetDBUser(pg.user);
  p.SetDBPassword(pg.password);
  p.SetDBServer(server);
  p.SetDBInstance(L"");
  p.SetDBPort(L"");
  // One open is one connection: no second attempt without SSL.
  p.SetDBOption(L"Port=" + (port.empty() ? pg.port : port) + L";SSLmode=disable");
}

void ServerRoad::Publish(const std::vector<ServerFile>& files) {
  TempDir source;
  const PostgresSettings pg = TestPostgres();
  kv::clsDataBaseUpdate db(starter);
  ASSERT_EQ(db.OpenConnect(4, pg.user, pg.password, L"127.0.0.1", L"", L"", L"Port=" + pg.port + L";SSLmode=disable"),
            0)
      << kv::ToUtf8(db.LastErrorMessage());
  for (const auto& f : files) {
    if (!f.folder.empty()) CreateDirectoryW((source / f.folder).c_str(), nullptr);
    WriteBytes(source / (f.folder.empty() ? f.name : f.folder + L"\\" + f.name), f.bytes);
    ASSERT_EQ(db.UploadData(f.name, f.folder, f.version, f.regist, source.path()), 0)
        << kv::ToUtf8(db.LastErrorMessage());
  }
  db.CloseConnect();
}

void ServerRoad::ReadRows() {
  const kv::clsParamUpdate& p = run.objParamUpdate();
  ASSERT_EQ(run.objDataBaseUpdate().ReadControl(p.DBDriver(), p.DBUser(), p.DBPassword(), p.DBServer(), p.DBInstance(),
                                                p.DBPort(), p.DBOption()),
            0)
      << kv::ToUtf8(run.objDataBaseUpdate().LastErrorMessage());
}

void ServerRoad::WriteInstalled(const std::vector<ServerFile>& files) {
  kv::clsVersionControl installed(starter);
  installed.SetUseVersionTable(static_cast<std::int16_t>(files.size()));
  for (std::int16_t i = 1; i <= static_cast<std::int16_t>(files.size()); ++i) {
    const ServerFile& f = files[static_cast<std::size_t>(i - 1)];
    installed.SetProgramName(i, f.name);
    installed.SetVersionText(i, f.version);
    installed.SetFolderName(i, f.folder);
  }
  ASSERT_EQ(installed.WriteControl(install_ + L"Version.xml"), 0);
}

ServerRoad::Outcome ServerRoad::Source() {
  Outcome outcome;
  try {
    kv::WriteBootLog(L"");
    run.Splash().Load();
    run.Splash().Show();
    kv::ServerSource();
    outcome.returned = true;
  } catch (const EndOfProcess& e) {
    outcome.code = e.code;
  }
  return outcome;
}

ServerRoad::Outcome ServerRoad::Application() {
  Outcome outcome;
  try {
    kv::WriteBootLog(L"");
    run.Splash().Load();
    run.Splash().Show();
    run.objVersionControlLocal().ReadControl(install_ + L"Version.xml", L"", L"", false);
    kv::ServerApplication();
    outcome.returned = true;
  } catch (const EndOfProcess& e) {
    outcome.code = e.code;
  }
  return outcome;
}

Lines ServerRoad::BootLog() const { return LogWithoutStamps(UserDataFile(L"UpdateBoot.log")); }
Lines ServerRoad::UpdateLog() const { return LogWithoutStamps(UserDataFile(L"Update.log")); }

}  // namespace kvtest
