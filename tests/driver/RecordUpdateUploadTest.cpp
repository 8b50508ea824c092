// The upload of the recording step: the files installed in this run go into the update database
// of the test run's PostgreSQL before the version controls are written.
#include <gtest/gtest.h>

#include "ServerRoad.h"
#include "base/Text.h"
#include "components/MD5Component.h"
#include "settings/Common.h"
#include "dialogs/UpdateLogs.h"
#include "support/OdbcProbe.h"
#include "support/ScriptedUser.h"
#include "versioncontrol/clsVersionControl.h"

namespace {

using kvtest::DialogView;
using kvtest::Lines;
using kvtest::ServerRoad;

struct Entry {
  std::wstring name;
  bool installed;  // FileChange
};

// The new version control with its entries in this order, each file in the install folder.
void Prepare(ServerRoad& road, const std::vector<Entry>& entries) {
  kv::clsVersionControl& vc = road.run.objVersionControl();
  vc.SetUseVersionTable(static_cast<std::int16_t>(entries.size()));
  std::int16_t installed = 0;
  for (std::int16_t i = 1; i <= static_cast<std::int16_t>(entries.size()); ++i) {
    const Entry& e = entries[static_cast<std::size_t>(i - 1)];
    vc.SetProgramName(i, e.name);
    vc.SetVersionText(i, L"2026/12/0" + std::to_wstring(i) + L" 12:00:00");
    vc.SetRegistType(i, 0);
    vc.SetFileChange(i, e.installed);
    kvtest::WriteBytes(road.Install() + e.name, "bytes of " + kv::ToAnsi(e.name));
    if (e.installed) ++installed;
  }
  road.run.installedCount = installed;
}

// What "MOSURI" holds: name, version text and the image's digest, by name.
std::vector<std::wstring> StoredRows() {
  std::vector<std::wstring> rows;
  for (const auto& row :
       kvtest::OdbcQuery(kvtest::PostgresOdbc("MOSURI"),
                         "SELECT ver_name, ver_update, md5(ver_image) FROM version ORDER BY ver_name")) {
    rows.push_back(kv::FromAnsi(*row[0]) + L"|" + kv::FromAnsi(*row[1]) + L"|" + kv::FromAnsi(*row[2]));
  }
  return rows;
}

std::wstring Row(const ServerRoad& road, const std::wstring& name, int index) {
  const std::wstring digest = kv::MD5Component::Create()->MD5(road.Install() + name, kv::MD5Component::File);
  return name + L"|2026/12/0" + std::to_wstring(index) + L" 12:00:00|" + digest;
}

bool Recorded(const ServerRoad& road) {
  return kv::FileExist(road.Install() + L"Version.xml") && kv::FileExist(road.Install() + L"Update\\Version.xml");
}

Lines Steps(const ServerRoad& road) {
  const Lines boot = road.BootLog();
  return Lines(boot.begin() + 1, boot.end());
}

TEST(RecordUpdateUpload, UploadsExactlyTheInstalledFilesButNeverTheUpdateProgramItself) {
  ServerRoad road;
  road.UsePostgres();
  Prepare(road, {{L"Kanvolo.exe", true},
                 {L"KanvoloUpdate2.exe", true},  // the running program: the installed file is the old one
                 {L"current.dll", false},
                 {L"予約受付.dll", true},
                 {L"zz.ocx", true}});
  kv::WriteBootLog(L"");
  kv::RecordUpdate();
  EXPECT_EQ(StoredRows(), (std::vector<std::wstring>{Row(road, L"Kanvolo.exe", 1), Row(road, L"zz.ocx", 5),
                                                     Row(road, L"予約受付.dll", 4)}));
  EXPECT_EQ(Steps(road), (Lines{L"Write DB", L"End Update "}));
  EXPECT_TRUE(Recorded(road));
}

TEST(RecordUpdateUpload, FailureAtTheSecondOfThreeShowsOneMessageAndStopsTheUploads) {
  ServerRoad road;
  road.UsePostgres();
  const std::wstring longName(65, L'n');  // over VER_NAME's 64 characters: refused by the server
  Prepare(road, {{L"first.dll", true}, {longName, true}, {L"third.dll", true}});
  std::wstring shown;
  {
    kvtest::ScriptedUser user;
    kvtest::AnswerCriticalMessage(user, shown);
    kv::WriteBootLog(L"");
    kv::RecordUpdate();
  }
  const std::wstring error = road.run.objDataBaseUpdate().LastErrorMessage();
  EXPECT_FALSE(error.empty());
  EXPECT_EQ(shown,
            L"プログラム情報の更新に失敗しました。スタートメニューのデータベースの初期化でプログラム情報の更新を行ってください。" +
                error + longName);
  EXPECT_EQ(StoredRows(), (std::vector<std::wstring>{Row(road, L"first.dll", 1)}));
  EXPECT_EQ(Steps(road), (Lines{L"Write DB", L"Error Write DB " + longName, L"End Update "}));
  EXPECT_TRUE(Recorded(road));
  // The connection was closed after the failure: the next open on the same object is a fresh one.
  EXPECT_FALSE(road.run.objDataBaseUpdate().CheckDBOpend());
}

TEST(RecordUpdateUpload, NoServerOrAFailedOpenUploadsNothingAndShowsNothing) {
  struct Case {
    const char* what;
    std::function<void(ServerRoad&)> settings;
    Lines steps;
  } cases[] = {
      {"no server", [](ServerRoad& r) { r.UsePostgres(L""); }, {L"End Update "}},
      {"stopped port", [](ServerRoad& r) { r.UsePostgres(L"127.0.0.1", kvtest::StoppedPort()); },
       {L"Write DB", L"End Update "}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ServerRoad road;
    c.settings(road);
    Prepare(road, {{L"Kanvolo.exe", true}});
    {
      kvtest::ScriptedUser user;  // expects no dialog at all
      kv::WriteBootLog(L"");
      kv::RecordUpdate();
    }
    EXPECT_EQ(StoredRows(), std::vector<std::wstring>{});
    EXPECT_EQ(Steps(road), c.steps);
    EXPECT_TRUE(Recorded(road));
  }
}

}  // namespace
