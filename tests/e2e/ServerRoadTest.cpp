// The whole server road on two PCs that share the update database. PC A, the hospital's server
// PC: the settings through "/SETUP /CHECK", then an internet update from the local update host,
// which uploads what it installed. PC B, a client PC in a Wine prefix of its own: its first run
// asks for the server, installs every row and starts the main program; its second run finds
// everything current and starts it again.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>

#include "SecondPc.h"
#include "UpdateDatabase.h"
#include "WholeRun.h"
#include "base/Text.h"
#include "driver/UpdateHostProcess.h"
#include "settings/Common.h"
#include "settings/clsParamUpdate.h"
#include "support/OdbcProbe.h"
#include "support/OperationLogCapture.h"
#include "support/Screenshot.h"
#include "versioncontrol/clsVersionControl.h"

namespace {

using kvtest::UpdateHostProcess;
using Lines = std::vector<std::wstring>;

constexpr wchar_t kVersion[] = L"2026/12/01 10:00:00";  // every file of the fixture release

std::string Show(const Lines& lines) {
  std::string text;
  for (const auto& line : lines) text += "  " + kv::ToUtf8(line) + "\n";
  return text;
}

bool Holds(const Lines& lines, const std::wstring& line) {
  return std::find(lines.begin(), lines.end(), line) != lines.end();
}

// The settings dialog answered for code 1 with the test cluster's user (frmInitDBServer.rh ids).
Lines SettingsAnswers(const std::wstring& shot) {
  const kvtest::PostgresSettings pg = kvtest::TestPostgres();
  return {L"dialog #32770 バロネル - データベースサーバーの指定",
          L"contains 1504 VARONELSV",
          L"click 1511",
          L"pause 500",  // the click is posted: the boxes are enabled once it is handled
          L"type 1504 127.0.0.1",
          L"type 1513 " + pg.user,
          L"type 1515 " + pg.password,
          L"screenshot " + shot,
          L"click 1516"};
}

// A log of the per-user data folder at path, CP932, without the time stamps.
Lines LogLines(const std::wstring& path) {
  Lines lines;
  if (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) return lines;
  for (const auto& line : kvtest::ReadAnsiLines(path)) {
    lines.push_back(line.size() > 24 && line[4] == L'-' && line[23] == L' ' ? line.substr(24) : line);
  }
  return lines;
}

// Keeps a copy of a log in the build folder for the reviewer.
void KeepLog(const std::wstring& path, const std::wstring& name) {
  const std::wstring folder = kvtest::ScreenshotFolder() + L"\\..\\e2e-logs";
  CreateDirectoryW(folder.c_str(), nullptr);
  CopyFileW(path.c_str(), (folder + L"\\" + name).c_str(), FALSE);
}

std::wstring LastWriteText(const std::wstring& path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return L"(missing)";
  FILETIME local{};
  SYSTEMTIME t{};
  FileTimeToLocalFileTime(&data.ftLastWriteTime, &local);
  FileTimeToSystemTime(&local, &t);
  wchar_t text[32];
  swprintf(text, 32, L"%04u/%02u/%02u %02u:%02u:%02u", t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond);
  return text;
}

std::wstring Installed(const std::wstring& folder, const UpdateHostProcess::File& f) {
  return folder + (f.folder.empty() ? L"" : f.folder + L"\\") + f.name;
}

TEST(ServerRoad, ServerPcUploadsAndAClientPcInstallsEveryRowFromTheServer) {
  kvtest::WholeRun run;  // PC A
  kvtest::EmptyUpdateDatabase database;
  const kvtest::PostgresSettings pg = kvtest::TestPostgres();
  const std::wstring option = kvtest::TestPortOption();
  // PC B is made while PC A works: code 1 and the option tail preset, no server.
  kvtest::SecondPc pcB({{L"DB_DRIVER", L"1"}, {L"DB_OPTION", option}});
  UpdateHostProcess host(L"server");
  ASSERT_TRUE(host.Running());
  const auto release = UpdateHostProcess::Release(L"server");

  // ---- PC A: the settings, code 1 through the "SQL Server" alias.
  {
    kv::clsParamUpdate preset;
    preset.SetDBDriver(1);
    preset.SetDBOption(option);
    preset.SetValue();
  }
  run.CopyProgram(L"KanvoloUpdate2.exe");
  run.CopyIntoInstallFolder(L"kv_mainstandin.exe", L"Kanvolo.exe");
  auto result = run.Run(L"KanvoloUpdate2.exe", L"/SETUP /CHECK", SettingsAnswers(L"e2e-server-pc-a-settings"));
  ASSERT_TRUE(result.Ok()) << result.transcript << Show(run.BootLog());
  const std::wstring settingsLine = L"1," + pg.user + L"," + pg.password + L",127.0.0.1,,," + option;
  Lines boot = run.BootLog();
  KeepLog(kv::GetUserDataFolder() + L"\\UpdateBoot.log", L"ServerRoad-pc-a-setup-UpdateBoot.log");
  EXPECT_TRUE(Holds(boot, L"Init Server")) << Show(boot);
  EXPECT_TRUE(Holds(boot, L"DB.ExistDatabase " + settingsLine)) << Show(boot);
  EXPECT_TRUE(Holds(boot, L"DB.ReadControl " + settingsLine)) << Show(boot);
  EXPECT_TRUE(run.Recorded().empty());  // "/CHECK": nothing started

  // ---- PC A: the internet update, which uploads every installed file.
  run.WriteUpdaterIni(L"[VersionControl]\r\nUpdateURL=" + host.Url(L"/ok/") +
                      L"\r\nVersionFileName=Version.xml\r\nTimeOut=30\r\nWebUpdate=" + run.ScratchFolder() +
                      L"\\no web tool\\Sornet.exe\r\n");
  result = run.Run(L"KanvoloUpdate2.exe", L"/INET /CHECK",
                   {L"dialog #32770 バロネル アップデート", L"click 404", L"dialog #32770 バロネル アップデート - 更新内容",
                    L"click 507"});
  ASSERT_TRUE(result.Ok()) << result.transcript << Show(run.BootLog());
  boot = run.BootLog();
  KeepLog(kv::GetUserDataFolder() + L"\\UpdateBoot.log", L"ServerRoad-pc-a-internet-UpdateBoot.log");
  EXPECT_TRUE(Holds(boot, L"Write DB")) << Show(boot);
  const std::vector<std::wstring> stored =
      kvtest::Psql("MOSURI_UPDATE", "SELECT ver_name, md5(ver_image), ver_update, ver_regist FROM version ORDER BY 1");
  std::vector<std::wstring> published;
  for (const auto& f : release) {
    const std::wstring regist = f.name == L"Reg02.dll" ? L"2" : f.name == L"Reg03.exe" ? L"3" : L"0";
    published.push_back(f.name + L"|" + f.md5 + L"|" + kVersion + L"|" + regist);
  }
  std::sort(published.begin(), published.end());
  EXPECT_EQ(stored, published);

  // ---- PC B: no server set, an empty command line.
  kvtest::TempDir pcFiles;
  const std::wstring program = pcFiles / L"Program";
  const std::wstring install = pcFiles / L"Program Files\\Kanvolo\\";
  CreateDirectoryW(program.c_str(), nullptr);
  CreateDirectoryW((pcFiles / L"Program Files").c_str(), nullptr);
  CreateDirectoryW(install.c_str(), nullptr);
  CreateDirectoryW((install + L"Update").c_str(), nullptr);
  ASSERT_TRUE(CopyFileW((kvtest::TestProgramFolder() + L"\\KanvoloUpdate2.exe").c_str(),
                        (program + L"\\KanvoloUpdate2.exe").c_str(), FALSE));
  ASSERT_TRUE(CopyFileW((kvtest::TestProgramFolder() + L"\\kv_mainstandin.exe").c_str(),
                        (install + L"Kanvolo.exe").c_str(), FALSE));
  ASSERT_TRUE(pcB.WaitUntilReady()) << "the second PC's prefix was not made";
  const std::wstring installThere = pcB.Here(install);
  kvtest::WriteBytes(program + L"\\Install.ini", kv::ToAnsi(L"[Install]\r\nInstallFolder=" + installThere + L"\r\n"));
  const std::wstring record = pcFiles / L"recorded.log";
  const std::wstring bootB = pcB.There(kv::GetUserDataFolder() + L"\\UpdateBoot.log");
  const std::wstring updateLogB = pcB.There(kv::GetUserDataFolder() + L"\\Update.log");

  result = pcB.Run(program + L"\\KanvoloUpdate2.exe", SettingsAnswers(L"e2e-server-pc-b-settings"), record,
                   L"e2e-server-pc-b");
  KeepLog(bootB, L"ServerRoad-pc-b-first-UpdateBoot.log");
  ASSERT_TRUE(result.Ok()) << result.transcript << Show(LogLines(bootB));
  boot = LogLines(bootB);
  EXPECT_TRUE(Holds(boot, L"Init Server")) << Show(boot);
  ASSERT_FALSE(boot.empty());
  EXPECT_EQ(boot.back(), L"Exec Program " + installThere + L"Kanvolo.exe") << Show(boot);

  // Every row installed: PC A's bytes, the version text as last-write time.
  for (const auto& f : release) {
    SCOPED_TRACE(kv::ToUtf8(f.name));
    EXPECT_EQ(kvtest::ReadBytes(Installed(install, f)), kvtest::ReadBytes(Installed(run.InstallFolder(), f)));
    EXPECT_EQ(LastWriteText(Installed(install, f)), kVersion);
    EXPECT_TRUE(Holds(boot, L"Read & Regist File " + f.name)) << Show(boot);
  }
  // The registered files registered themselves: regsvr32 for the library, its own switch for the
  // program; then the main program started without a switch.
  const std::string recordedText = kvtest::ReadBytes(record);
  EXPECT_NE(recordedText.find("register "), std::string::npos) << recordedText;
  EXPECT_NE(recordedText.find("Reg02.dll\r\n"), std::string::npos) << recordedText;
  EXPECT_NE(recordedText.find("/RegServer\r\n"), std::string::npos) << recordedText;
  EXPECT_TRUE(recordedText.ends_with("\r\n\r\n") || recordedText == "\r\n")
      << recordedText;  // the stand-in's empty line

  // Both version controls list every row, without cabinets.
  for (const std::wstring& file : {install + L"Version.xml", install + L"Update\\Version.xml"}) {
    SCOPED_TRACE(kv::ToUtf8(file));
    kv::clsVersionControl written;
    ASSERT_EQ(written.ReadControl(file, L"", L"", false), 0);
    ASSERT_EQ(written.UseVersionTable(), static_cast<std::int16_t>(release.size()));
    for (std::int16_t i = 1; i <= written.UseVersionTable(); ++i) {
      EXPECT_EQ(written.CabFileName(i), L"");
      EXPECT_EQ(written.CabFileSize(i), 0);
      EXPECT_EQ(written.VersionText(i), kVersion);
    }
  }
  const Lines updateLog = LogLines(updateLogB);
  ASSERT_FALSE(updateLog.empty());
  EXPECT_EQ(updateLog.front(), L"サーバーアップデート");

  // Both hives hold the settings; the password only scrambled.
  const std::wstring scrambled = kv::clsParamUpdate::EncodePassword(pg.password, pg.user);
  EXPECT_NE(scrambled, pg.password);
  for (bool machine : {false, true}) {
    SCOPED_TRACE(machine ? "HKLM" : "HKCU");
    EXPECT_EQ(pcB.RegistryValue(machine, L"DB_SERVER"), L"127.0.0.1");
    EXPECT_EQ(pcB.RegistryValue(machine, L"DB_USER"), pg.user);
    EXPECT_EQ(pcB.RegistryValue(machine, L"DB_PASSWORD"), scrambled);
    EXPECT_EQ(pcB.RegistryValue(machine, L"DB_DRIVER"), L"1");
    EXPECT_EQ(pcB.RegistryValue(machine, L"DB_OPTION"), option);
  }

  // ---- PC B again: nothing to install, nothing written, the main program started again.
  const std::string versionBefore = kvtest::ReadBytes(install + L"Version.xml");
  std::vector<std::wstring> timesBefore;
  for (const auto& f : release) timesBefore.push_back(LastWriteText(Installed(install, f)));
  result = pcB.Run(program + L"\\KanvoloUpdate2.exe", {}, record, L"e2e-server-pc-b-again");
  KeepLog(bootB, L"ServerRoad-pc-b-second-UpdateBoot.log");
  ASSERT_TRUE(result.Ok()) << result.transcript << Show(LogLines(bootB));
  boot = LogLines(bootB);
  EXPECT_FALSE(Holds(boot, L"Init Server")) << Show(boot);
  EXPECT_FALSE(std::any_of(boot.begin(), boot.end(), [](const std::wstring& l) {
    return l.starts_with(L"Read & Regist");
  })) << Show(boot);
  EXPECT_FALSE(Holds(boot, L"Write Control")) << Show(boot);
  EXPECT_EQ(boot.back(), L"Exec Program " + installThere + L"Kanvolo.exe") << Show(boot);
  EXPECT_EQ(kvtest::ReadBytes(install + L"Version.xml"), versionBefore);
  for (std::size_t i = 0; i < release.size(); ++i)
    EXPECT_EQ(LastWriteText(Installed(install, release[i])), timesBefore[i]);
  EXPECT_EQ(kvtest::ReadBytes(record).substr(recordedText.size()), "\r\n");  // started once more
}

}  // namespace
