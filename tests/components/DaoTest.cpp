// Our DAO on the SQLite3 driver: field values with their column's type, the walk through a
// recordset, and DAO's failure numbers.
#include <gtest/gtest.h>
#include <windows.h>

#include "base/RuntimeError.h"
#include "base/Text.h"
#include "components/Dao.h"
#include "support/ExclusiveLock.h"

namespace {

// The fixture folder as the host sees it (the SQLite3 driver takes host paths).
std::wstring HostFixture(const wchar_t* name) {
  std::wstring path = std::wstring(KV_FIXTURE_DIR).substr(2) + L"\\" + name;
  for (wchar_t& c : path) {
    if (c == L'\\') c = L'/';
  }
  return path;
}

class ReleaseHistoryFile {
 public:
  explicit ReleaseHistoryFile(const std::wstring& hostPath) {
    SetEnvironmentVariableW(L"KV_RELEASE_HISTORY", hostPath.c_str());
  }
  ~ReleaseHistoryFile() { SetEnvironmentVariableW(L"KV_RELEASE_HISTORY", nullptr); }

 private:
  kvtest::ExclusiveLock lock_{kvtest::kDatabaseLock};
};

std::int32_t FailureNumber(const std::function<void()>& call) {
  try {
    call();
  } catch (const kv::RuntimeError& e) {
    return e.Number();
  }
  return 0;
}

TEST(Dao, ConnectionStrings) {
  SetEnvironmentVariableW(L"KV_RELEASE_HISTORY", nullptr);
  EXPECT_EQ(kv::dao::ConnectionStringFor(L"\\Work\\Kanvolo\\仕様\\varonel_net.mdb"),
            L"DRIVER={Microsoft Access Driver (*.mdb)};DBQ=\\Work\\Kanvolo\\仕様\\varonel_net.mdb");
  ReleaseHistoryFile file(L"/tmp/h.db");
  EXPECT_EQ(kv::dao::ConnectionStringFor(L"\\Work\\x.mdb"), L"DRIVER=SQLite3;Database=/tmp/h.db;NoCreat=1");
}

TEST(Dao, FieldsCarryTheirColumnsTypeAndNullStaysApart) {
  ReleaseHistoryFile file(HostFixture(L"dao.db"));
  auto db = kv::dao::DBEngine().Workspaces(0).OpenDatabase(L"\\ignored.mdb");
  auto rs = db->OpenRecordset(L"SELECT * FROM KINDS ORDER BY ID");

  ASSERT_FALSE(rs->Eof());
  EXPECT_EQ(rs->Fields(L"ID").Value().vt, VT_I4);
  EXPECT_EQ(rs->Fields(L"id").Value().lVal, 1);  // names in any case
  EXPECT_EQ(rs->Fields(L"SMALL").Value().vt, VT_I2);
  EXPECT_EQ(rs->Fields(L"SMALL").Value().iVal, 7);
  EXPECT_EQ(rs->Fields(L"RATE").Value().vt, VT_R8);
  EXPECT_DOUBLE_EQ(rs->Fields(L"RATE").Value().dblVal, 2.5);
  const VARIANT& when = rs->Fields(L"WHEN_AT").Value();
  ASSERT_EQ(when.vt, VT_DATE);
  SYSTEMTIME t{};
  ASSERT_TRUE(VariantTimeToSystemTime(when.date, &t));
  EXPECT_EQ((std::vector<int>{t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond}),
            (std::vector<int>{2024, 4, 1, 10, 30, 15}));
  EXPECT_EQ(rs->Fields(L"DAY").Value().vt, VT_DATE);
  ASSERT_EQ(rs->Fields(L"NAME").Value().vt, VT_BSTR);
  EXPECT_EQ(std::wstring(rs->Fields(L"NAME").Value().bstrVal), L"予約表示");

  rs->MoveNext();
  ASSERT_FALSE(rs->Eof());
  EXPECT_EQ(rs->Fields(L"SMALL").Value().iVal, -3);
  EXPECT_EQ(std::wstring(rs->Fields(L"NAME").Value().bstrVal), L"plain");

  rs->MoveNext();
  ASSERT_FALSE(rs->Eof());
  for (const wchar_t* name : {L"SMALL", L"RATE", L"WHEN_AT", L"DAY", L"NAME"}) {
    EXPECT_EQ(rs->Fields(name).Value().vt, VT_NULL) << kv::ToUtf8(name);
  }
  rs->MoveNext();
  EXPECT_TRUE(rs->Eof());
  EXPECT_EQ(FailureNumber([&] { rs->MoveNext(); }), kv::dao::kNoCurrentRecord);
  EXPECT_EQ(FailureNumber([&] { rs->Fields(L"ID"); }), kv::dao::kNoCurrentRecord);
  rs->Close();
  EXPECT_EQ(FailureNumber([&] { rs->Eof(); }), kv::dao::kObjectClosed);
  db->Close();
  kv::dao::DBEngine().Workspaces(0).Close();
}

TEST(Dao, FailuresAnswerDaosNumbersWithTheDriversText) {
  {
    // A missing file is not created by the attempt.
    const std::wstring missing = HostFixture(L"missing.db");
    ReleaseHistoryFile file(missing);
    try {
      kv::dao::DBEngine().Workspaces(0).OpenDatabase(L"\\x.mdb");
      ADD_FAILURE();
    } catch (const kv::RuntimeError& e) {
      EXPECT_EQ(e.Number(), kv::dao::kFileNotFound);
      EXPECT_FALSE(e.Description().empty());
    }
    EXPECT_EQ(GetFileAttributesW((std::wstring(KV_FIXTURE_DIR) + L"\\missing.db").c_str()), INVALID_FILE_ATTRIBUTES);
  }
  {
    // Without the SQLite file, the Access driver on a path that does not exist.
    SetEnvironmentVariableW(L"KV_RELEASE_HISTORY", nullptr);
    EXPECT_EQ(FailureNumber([] { kv::dao::DBEngine().Workspaces(0).OpenDatabase(L"C:\\nowhere\\x.mdb"); }),
              kv::dao::kFileNotFound);
  }
  ReleaseHistoryFile file(HostFixture(L"dao.db"));
  auto db = kv::dao::DBEngine().Workspaces(0).OpenDatabase(L"\\x.mdb");
  try {
    db->OpenRecordset(L"SELECT * FROM NO_SUCH_TABLE");
    ADD_FAILURE();
  } catch (const kv::RuntimeError& e) {
    EXPECT_EQ(e.Number(), kv::dao::kOdbcCallFailed);
    EXPECT_NE(e.Description().find(L"NO_SUCH_TABLE"), std::wstring::npos) << kv::ToUtf8(e.Description());
  }
  auto rs = db->OpenRecordset(L"SELECT * FROM KINDS");
  EXPECT_EQ(FailureNumber([&] { rs->Fields(L"NOT_A_FIELD"); }), kv::dao::kItemNotFound);
  EXPECT_EQ(FailureNumber([] { kv::dao::DBEngine().Workspaces(1); }), kv::dao::kItemNotFound);
}

}  // namespace
