// Files written from their rows: in place only once complete, stamped and checked.
#include <gtest/gtest.h>

#include <algorithm>

#include "DatabaseFixtures.h"
#include "base/Text.h"
#include "settings/Common.h"
#include "support/FakeHost.h"
#include "support/FakeProcessStarter.h"
#include "support/TempDir.h"

namespace kvtest {
namespace {

constexpr wchar_t kStamp[] = L"2020/04/01 09:30:00";
const std::wstring kDamaged = L"ファイルが破損しています。データベースの初期化を行ってください。";

std::vector<std::wstring> FilesIn(const std::wstring& folder) {
  std::vector<std::wstring> names;
  WIN32_FIND_DATAW data;
  HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return names;
  do {
    const std::wstring name = data.cFileName;
    if (name != L"." && name != L"..") names.push_back(name);
  } while (FindNextFileW(find, &data));
  FindClose(find);
  std::sort(names.begin(), names.end());
  return names;
}

SYSTEMTIME LastWriteLocal(const std::wstring& path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  EXPECT_TRUE(GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data));
  FILETIME local{};
  SYSTEMTIME t{};
  FileTimeToLocalFileTime(&data.ftLastWriteTime, &local);
  FileTimeToSystemTime(&local, &t);
  return t;
}

std::wstring TimeText(const SYSTEMTIME& t) {
  wchar_t text[32];
  swprintf(text, 32, L"%04u/%02u/%02u %02u:%02u:%02u.%03u", t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond,
           t.wMilliseconds);
  return text;
}

class DownloadDataTest : public DatabaseTest {
 protected:
  void SetUp() override {
    DatabaseTest::SetUp();
    host_.programName = L"KanvoloUpdate2";
    host_.localTime = SYSTEMTIME{2019, 12, 2, 31, 23, 59, 58, 0};
  }

  // Stores the fixture file under name through the class itself.
  void Store(const std::wstring& fixture, const std::wstring& name, const std::wstring& folder, std::int16_t regist) {
    TempDir source;
    WriteBytes(source / name, ReadBytes(FixturePath(fixture)));
    kv::clsDataBaseUpdate db;
    ASSERT_EQ(GetParam().Open(db), 0) << kv::ToUtf8(db.LastErrorMessage());
    ASSERT_EQ(db.UploadData(name, folder, kStamp, regist, source.path()), 0) << kv::ToUtf8(db.LastErrorMessage());
    db.CloseConnect();
  }
  void Sql(const std::string& sql) { OdbcExecute(GetParam().Probe(), sql); }

  std::int32_t Download(const std::wstring& name, const std::wstring& folder, std::int16_t regist,
                        const std::wstring& app) {
    EXPECT_EQ(GetParam().Open(db_), 0) << kv::ToUtf8(db_.LastErrorMessage());
    const std::int32_t r = db_.DownloadData(name, folder, regist, app);
    db_.CloseConnect();
    return r;
  }
  std::wstring Regsvr32() const { return L"\"" + kv::CurrentHost().SystemFolder() + L"\\regsvr32\""; }

  FakeHost host_;
  kv::ScopedHost scopedHost_{host_};
  FakeProcessStarter starter_{host_};
  kv::clsDataBaseUpdate db_{starter_};
};

TEST_P(DownloadDataTest, WritesTheImageWithItsTimeAndRegistersAroundIt) {
  Store(L"image100001.dll", L"image100001.dll", L"", 2);
  Store(L"sub.dll", L"sub.dll", L"Sub", 3);
  Store(L"予約受付.exe", L"予約受付.exe", L"", 1);
  Store(L"it's.exe", L"it's.exe", L"", 1);
  TempDir app;
  const std::wstring installed = app / L"image100001.dll";
  WriteBytes(installed, "old contents");

  EXPECT_EQ(Download(L"image100001.dll", L"", 2, app.path()), 0) << kv::ToUtf8(db_.LastErrorMessage());
  EXPECT_EQ(Download(L"sub.dll", L"Sub", 3, app.path() + L"\\"), 0) << kv::ToUtf8(db_.LastErrorMessage());
  EXPECT_EQ(Download(L"予約受付.exe", L"", 1, app.path()), 0) << kv::ToUtf8(db_.LastErrorMessage());
  EXPECT_EQ(Download(L"it's.exe", L"", 1, app.path()), 0) << kv::ToUtf8(db_.LastErrorMessage());
  EXPECT_EQ(Download(L"nosuch.dll", L"", 2, app.path()), 0);

  for (const auto& [path, fixture] : {std::pair{installed, L"image100001.dll"}, {app / L"Sub\\sub.dll", L"sub.dll"},
                                      {app / L"予約受付.exe", L"予約受付.exe"}, {app / L"it's.exe", L"it's.exe"}}) {
    SCOPED_TRACE(kv::ToUtf8(path));
    EXPECT_EQ(ReadBytes(path), ReadBytes(FixturePath(fixture)));
    EXPECT_EQ(TimeText(LastWriteLocal(path)), L"2020/04/01 09:30:00.000");
  }
  EXPECT_EQ(FilesIn(app.path()), (std::vector<std::wstring>{L"Sub", L"image100001.dll", L"it's.exe", L"予約受付.exe"}));
  EXPECT_EQ(FilesIn(app / L"Sub"), (std::vector<std::wstring>{L"sub.dll"}));
  // The old file unregistered, the new one registered; a file not there yet is not unregistered.
  const std::wstring sub = app.path() + L"\\Sub\\sub.dll";
  EXPECT_EQ(starter_.CommandLines(),
            (std::vector<std::wstring>{Regsvr32() + L" /u /s \"" + installed + L"\"",
                                       Regsvr32() + L" /s \"" + installed + L"\"", L"\"" + sub + L"\" /RegServer"}));
}

TEST_P(DownloadDataTest, ImageOfSeveralMegabytesComesBackByteForByte) {
  // Read in several blocks, the last of an odd length.
  std::string image(5 * 1024 * 1024 + 3, '\0');
  for (std::size_t i = 0; i < image.size(); ++i) image[i] = static_cast<char>((i * 131 + (i >> 12)) & 0xFF);
  TempDir source;
  WriteBytes(source / L"large.dll", image);
  {
    kv::clsDataBaseUpdate db;
    ASSERT_EQ(GetParam().Open(db), 0) << kv::ToUtf8(db.LastErrorMessage());
    ASSERT_EQ(db.UploadData(L"large.dll", L"", kStamp, 1, source.path()), 0) << kv::ToUtf8(db.LastErrorMessage());
    db.CloseConnect();
  }
  TempDir app;
  EXPECT_EQ(Download(L"large.dll", L"", 1, app.path()), 0) << kv::ToUtf8(db_.LastErrorMessage());
  EXPECT_TRUE(ReadBytes(app / L"large.dll") == image);
}

TEST_P(DownloadDataTest, NullSizeWritesAnEmptyFileAndNullStampIsTheClocksTime) {
  Sql("INSERT INTO VERSION (VER_NAME) VALUES ('null.dat')");
  TempDir app;
  EXPECT_EQ(Download(L"null.dat", L"", 1, app.path()), 0) << kv::ToUtf8(db_.LastErrorMessage());
  EXPECT_EQ(ReadBytes(app / L"null.dat"), "");
  EXPECT_EQ(TimeText(LastWriteLocal(app / L"null.dat")), L"2019/12/31 23:59:58.000");
}

TEST_P(DownloadDataTest, CabinetIsCopiedIntoTheUserDataFolderAndItsMarkerDeleted) {
  ExclusiveLock userData(kUserDataLock);
  Store(L"sub.dll", L"data.cab", L"Cab", 1);
  const std::wstring copy = kv::GetUserDataFolder() + L"\\data.cab";
  WriteBytes(copy + L".up", "");
  TempDir app;
  EXPECT_EQ(Download(L"data.cab", L"Cab", 1, app.path()), 0) << kv::ToUtf8(db_.LastErrorMessage());
  EXPECT_EQ(ReadBytes(app / L"Cab\\data.cab"), ReadBytes(FixturePath(L"sub.dll")));
  EXPECT_EQ(ReadBytes(copy), ReadBytes(FixturePath(L"sub.dll")));
  EXPECT_EQ(GetFileAttributesW((copy + L".up").c_str()), INVALID_FILE_ATTRIBUTES);
  DeleteFileW(copy.c_str());
}

TEST_P(DownloadDataTest, OwnExecutableIsNotWrittenButRegisteredAgain) {
  Store(L"sub.dll", L"kanvoloupdate2.EXE", L"", 3);
  TempDir app;
  const std::wstring own = app / L"kanvoloupdate2.EXE";
  WriteBytes(own, "running program");
  EXPECT_EQ(Download(L"kanvoloupdate2.EXE", L"", 3, app.path()), 0) << kv::ToUtf8(db_.LastErrorMessage());
  EXPECT_EQ(ReadBytes(own), "running program");
  EXPECT_EQ(starter_.CommandLines(),
            (std::vector<std::wstring>{L"\"" + own + L"\" /UnregServer", L"\"" + own + L"\" /RegServer"}));
  EXPECT_EQ(FilesIn(app.path()), (std::vector<std::wstring>{L"kanvoloupdate2.EXE"}));
}

// Each refusal keeps the installed file as it was and leaves no temporary file; once it was
// unregistered, it is registered again.
struct Refusal {
  const char* label;
  std::string sql;  // what is done to the stored row of image65536.ocx
  const wchar_t* name;
  const wchar_t* folder;
  std::int32_t result;
  std::wstring message;  // %T is the target path
  std::size_t registrationRuns;  // of: unregister, register again
  bool heldOpen = false;  // the installed file open without delete sharing, as a loaded library is
};

TEST_P(DownloadDataTest, RefusedImagesLeaveTheInstalledFileAsItWas) {
  const std::wstring sql = L"\r\nSELECT * FROM VERSION WHERE VER_NAME='image65536.ocx'";
  const Refusal refusals[] = {
      {"digest mismatch", "UPDATE VERSION SET VER_MD5='00000000000000000000000000000000'", L"image65536.ocx", L"", -1,
       kDamaged + L"image65536.ocx", 2},
      {"image shorter than its size", "UPDATE VERSION SET VER_FILE_SIZE=65537,VER_MD5=''", L"image65536.ocx", L"", -1,
       kDamaged + L"image65536.ocx", 2},
      {"image longer than its size", "UPDATE VERSION SET VER_FILE_SIZE=32768,VER_MD5=''", L"image65536.ocx", L"", -1,
       kDamaged + L"image65536.ocx", 2},
      {"stamp that is no date", "UPDATE VERSION SET VER_UPDATE='not a date'", L"image65536.ocx", L"", 13,
       L"型が一致しません。(D)[DB.DownloadData:SetLastWriteTime(%T)]" + sql, 2},
      {"move the system refuses", "", L"image65536.ocx", L"", 75, L"パス名が無効です。(4B)[DB.DownloadData:Kill(%T)]" + sql,
       2, true},
      {"name that climbs out", "UPDATE VERSION SET VER_NAME='..\\x.exe'", L"..\\x.exe", L"", 75,
       L"パス名が無効です。(..\\x.exe)(4B)[DB.DownloadData:rsVersion.Get]\r\nSELECT * FROM VERSION WHERE VER_NAME='..\\x.exe'",
       0},
      {"folder that climbs out", "", L"image65536.ocx", L"..\\out", 75,
       L"パス名が無効です。(..\\out\\image65536.ocx)(4B)[DB.DownloadData:rsVersion.Get]" + sql, 0},
  };
  for (const Refusal& refusal : refusals) {
    SCOPED_TRACE(refusal.label);
    OdbcExecute(GetParam().Probe(), "DELETE FROM VERSION");
    Store(L"image65536.ocx", L"image65536.ocx", L"", 2);
    if (!refusal.sql.empty()) Sql(refusal.sql);
    TempDir app;
    const std::wstring target = app / L"image65536.ocx";
    WriteBytes(target, "installed");
    const SYSTEMTIME before = LastWriteLocal(target);
    starter_.runs.clear();

    kv::UniqueFile holder;
    if (refusal.heldOpen) {
      holder.reset(CreateFileW(target.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
      ASSERT_TRUE(holder);
    }
    EXPECT_EQ(Download(refusal.name, refusal.folder, 2, app.path()), refusal.result);
    holder.reset();
    std::wstring message = refusal.message;
    if (const auto at = message.find(L"%T"); at != std::wstring::npos) message.replace(at, 2, target);
    const std::wstring& got = db_.LastErrorMessage();
    EXPECT_EQ(got, message) << kv::ToUtf8(got);
    EXPECT_EQ(ReadBytes(target), "installed");
    EXPECT_EQ(TimeText(LastWriteLocal(target)), TimeText(before));
    EXPECT_EQ(FilesIn(app.path()), (std::vector<std::wstring>{L"image65536.ocx"}));
    const std::vector<std::wstring> registration{Regsvr32() + L" /u /s \"" + target + L"\"",
                                                 Regsvr32() + L" /s \"" + target + L"\""};
    EXPECT_EQ(starter_.CommandLines(),
              std::vector<std::wstring>(registration.begin(), registration.begin() + refusal.registrationRuns));
  }
}

// A starter that records each command line and then cannot start it.
class MissingToolStarter : public FakeProcessStarter {
 public:
  using FakeProcessStarter::FakeProcessStarter;
  kv::UniqueHandle Start(const std::wstring& commandLine, kv::StartWindow window) const override {
    FakeProcessStarter::Start(commandLine, window);
    kv::Raise(kv::err::FileNotFound);
  }
};

TEST_P(DownloadDataTest, KeptFileIsRegisteredAgainAndTheFirstFailureIsReported) {
  // The registration after the failure fails as well: the caller still hears of the first.
  Store(L"image65536.ocx", L"image65536.ocx", L"", 3);
  Sql("UPDATE VERSION SET VER_UPDATE='not a date'");
  TempDir app;
  const std::wstring target = app / L"image65536.ocx";
  WriteBytes(target, "installed");
  MissingToolStarter missing(host_);
  kv::clsDataBaseUpdate db(missing);
  ASSERT_EQ(GetParam().Open(db), 0) << kv::ToUtf8(db.LastErrorMessage());
  EXPECT_EQ(db.DownloadData(L"image65536.ocx", L"", 3, app.path()), 13);
  db.CloseConnect();
  EXPECT_EQ(db.LastErrorMessage(), L"型が一致しません。(D)[DB.DownloadData:SetLastWriteTime(" + target +
                                       L")]\r\nSELECT * FROM VERSION WHERE VER_NAME='image65536.ocx'");
  EXPECT_EQ(missing.CommandLines(),
            (std::vector<std::wstring>{L"\"" + target + L"\" /UnregServer", L"\"" + target + L"\" /RegServer"}));
  EXPECT_EQ(ReadBytes(target), "installed");
}

INSTANTIATE_TEST_SUITE_P(Roads, DownloadDataTest, testing::Values(kSqlite, kPostgres, kSqlServerAlias), BackendName);

}  // namespace
}  // namespace kvtest
