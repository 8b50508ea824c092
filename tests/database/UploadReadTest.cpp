// Files stored into the table VERSION and read back as rows, through each road to a database.
#include <gtest/gtest.h>

#include "DatabaseFixtures.h"
#include "base/Text.h"
#include "support/HostProcessPaths.h"
#include "support/TempDir.h"

namespace kvtest {
namespace {

constexpr wchar_t kStamp[] = L"2020/04/01 09:30:00";

std::string FileBytes(const std::wstring& name) { return ReadBytes(FixturePath(name)); }

// An install folder with the fixture files, some in its sub-folder "Sub".
void FillInstallFolder(const TempDir& app) {
  for (const wchar_t* name : {L"予約受付.exe", L"image100001.dll", L"image65536.ocx", L"it's.exe", L"empty.dat"}) {
    WriteBytes(app / name, FileBytes(name));
  }
  CreateDirectoryW((app / L"Sub").c_str(), nullptr);
  WriteBytes(app / L"Sub\\sub.dll", FileBytes(L"sub.dll"));
  WriteBytes(app / L"both.bin", FileBytes(L"both_top.bin"));
  WriteBytes(app / L"Sub\\both.bin", FileBytes(L"both_sub.bin"));
}

class UploadTest : public DatabaseTest {};

TEST_P(UploadTest, StoresEachFileWithItsImageAndFindsTheRowAgainToReplaceIt) {
  const Backend& b = GetParam();
  TempDir app;
  FillInstallFolder(app);
  kv::clsDataBaseUpdate db;
  ASSERT_EQ(b.Open(db), 0) << kv::ToUtf8(db.LastErrorMessage());

  struct Upload {
    const wchar_t* name;
    const wchar_t* folder;
    std::int16_t regist;
    const wchar_t* fixture;  // the file expected in the row
  };
  const Upload uploads[] = {
      {L"予約受付.exe", L"", 1, L"予約受付.exe"},
      {L"image100001.dll", L"", 2, L"image100001.dll"},
      {L"image65536.ocx", L"", 3, L"image65536.ocx"},
      {L"sub.dll", L"Sub", 1, L"sub.dll"},
      {L"both.bin", L"Sub", 1, L"both_top.bin"},  // the install folder's own file first
      {L"it's.exe", L"", 1, L"it's.exe"},
      {L"empty.dat", L"", 1, L"empty.dat"},
  };
  for (const Upload& u : uploads) {
    EXPECT_EQ(db.UploadData(u.name, u.folder, kStamp, u.regist, app.path()), 0)
        << kv::ToUtf8(u.name) << ": " << kv::ToUtf8(db.LastErrorMessage());
  }
  EXPECT_EQ(db.UploadData(L"missing.exe", L"Sub", kStamp, 1, app.path()), 0);
  // Over an existing row: every column and the image replaced.
  WriteBytes(app / L"image65536.ocx", FileBytes(L"sub.dll"));
  EXPECT_EQ(db.UploadData(L"image65536.ocx", L"Sub2", L"2021/05/06 07:08:09", 2, app.path() + L"\\"), 0)
      << kv::ToUtf8(db.LastErrorMessage());
  db.CloseConnect();

  std::map<std::string, StoredRow> stored;
  for (const StoredRow& row : StoredRows(b)) stored[row.nameHex] = row;
  ASSERT_EQ(stored.size(), 7u);
  const auto& files = FixtureFiles();
  for (const Upload& u : uploads) {
    const FixtureFile& name = files.at(u.name == std::wstring(L"both.bin") ? L"both_top.bin" : u.name);
    const std::string nameHex = u.name == std::wstring(L"both.bin") ? Hex("both.bin")
                                : b.postgres                      ? name.utf8Hex
                                                                  : name.cp932Hex;
    SCOPED_TRACE(kv::ToUtf8(u.name));
    ASSERT_EQ(stored.count(nameHex), 1u);
    const StoredRow& row = stored[nameHex];
    const bool replaced = u.name == std::wstring(L"image65536.ocx");
    const FixtureFile& content = files.at(replaced ? L"sub.dll" : u.fixture);
    EXPECT_EQ(row.folder, replaced ? "Sub2" : kv::ToAnsi(u.folder));
    EXPECT_EQ(row.updated, replaced ? "2021/05/06 07:08:09" : kv::ToAnsi(kStamp));
    EXPECT_EQ(row.size, std::to_string(content.size));
    EXPECT_EQ(row.regist, std::to_string(replaced ? 2 : u.regist));
    EXPECT_EQ(row.md5, content.md5);
    EXPECT_EQ(row.imageLength, std::to_string(content.size));
    EXPECT_EQ(row.imageDigestOrHex, b.postgres ? content.md5 : UpperHex(FileBytes(content.name)));
  }
  // The empty file has the digest of no bytes.
  EXPECT_EQ(files.at(L"empty.dat").md5, "d41d8cd98f00b204e9800998ecf8427e");
}

// Failures of the file's read, each at its own statement; none reaches the database.
TEST(UploadData, FileThatCannotBeReadIsReportedAtItsStatement) {
  TempDir app;
  WriteBytes(app / L"busy.dll", "being written");
  // The kernel's attribute files have a length of a page and read as a few bytes: a file shorter
  // when read than its length said, as one that shrinks on a network folder.
  const std::optional<std::wstring> kernel = DosPath("/sys/devices/system/cpu");
  ASSERT_TRUE(kernel);
  const std::wstring shrunk = *kernel + L"\\online";
  WIN32_FILE_ATTRIBUTE_DATA length{};
  ASSERT_TRUE(GetFileAttributesExW(shrunk.c_str(), GetFileExInfoStandard, &length));
  ASSERT_GT(length.nFileSizeLow, ReadBytes(shrunk).size());
  struct Case {
    const char* label;
    std::wstring folder, name;
    std::wstring message;
  };
  const Case cases[] = {
      {"held open for writing", app.path(), L"busy.dll",
       L"パス名が無効です。(4B)[DB.UploadData:Open(" + app.path() + L"\\busy.dll)]\r\n"},
      {"shorter when read than its length", *kernel, L"online", L"パス名が無効です。(4B)[DB.UploadData:Get]\r\n"},
  };
  const kv::UniqueFile writer(CreateFileW((app / L"busy.dll").c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                          nullptr, OPEN_EXISTING, 0, nullptr));
  ASSERT_TRUE(writer);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    kv::clsDataBaseUpdate db;
    EXPECT_EQ(db.UploadData(c.name, L"", kStamp, 1, c.folder), kv::err::PathFileAccess);
    EXPECT_EQ(db.LastErrorMessage(), c.message);
  }
}

class ReadControlTest : public DatabaseTest {
 protected:
  void Insert(const std::string& values) {
    OdbcExecute(GetParam().Probe(),
                "INSERT INTO VERSION (VER_NAME,VER_FOLDER,VER_UPDATE,VER_FILE_SIZE,VER_REGIST,VER_MD5) VALUES " + values);
  }
};

TEST_P(ReadControlTest, RowsInNameOrderWithNullsReadAsTheirDefaults) {
  Insert("('b.dll','Sub','2020/01/02 03:04:05',12,2,'0123456789abcdef0123456789abcdef')");
  Insert("('a.exe',NULL,NULL,NULL,NULL,NULL)");
  Insert("('c.ocx','','',0,3,'')");
  kv::clsDataBaseUpdate db;
  ASSERT_EQ(GetParam().ReadControl(db), 0) << kv::ToUtf8(db.LastErrorMessage());
  EXPECT_FALSE(db.CheckDBOpend());
  ASSERT_EQ(db.UseVersionTable(), 3);
  EXPECT_EQ(db.ProgramName(1), L"a.exe");
  EXPECT_EQ(db.FolderName(1), L"");
  EXPECT_EQ(db.VersionText(1), L"");
  EXPECT_EQ(db.FileSize(1), 0);
  EXPECT_EQ(db.RegistType(1), 1);
  EXPECT_EQ(db.MD5(1), L"");
  EXPECT_EQ(db.ProgramName(2), L"b.dll");
  EXPECT_EQ(db.FolderName(2), L"Sub");
  EXPECT_EQ(db.VersionText(2), L"2020/01/02 03:04:05");
  EXPECT_EQ(db.FileSize(2), 12);
  EXPECT_EQ(db.RegistType(2), 2);
  EXPECT_EQ(db.MD5(2), L"0123456789abcdef0123456789abcdef");
  EXPECT_EQ(db.ProgramName(3), L"c.ocx");
  EXPECT_EQ(db.RegistType(3), 3);
  EXPECT_TRUE(db.CheckVersionTable(L"b.dll", L"2020/01/02 03:04:05"));
  EXPECT_TRUE(db.CheckVersionDown(L"b.dll", L"2020/01/01 00:00:00"));
  EXPECT_FALSE(db.CheckVersionTable(L"B.DLL", L"2020/01/02 03:04:05"));
  db.SetIgnoreCheck(true);
  EXPECT_FALSE(db.CheckVersionTable(L"b.dll", L"2020/01/02 03:04:05"));
  EXPECT_TRUE(db.CheckVersionDown(L"b.dll", L"2020/01/01 00:00:00"));
}

TEST_P(ReadControlTest, HoldsTheFirst3000Of3001Rows) {
  const std::string rows = GetParam().postgres
                               ? "SELECT 'f'||lpad(i::text,4,'0'),NULL,NULL,NULL,NULL,NULL FROM generate_series(1,3001) i"
                               : "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i+1 FROM n WHERE i<3001) "
                                 "SELECT printf('f%04d',i),NULL,NULL,NULL,NULL,NULL FROM n";
  OdbcExecute(GetParam().Probe(),
              "INSERT INTO VERSION (VER_NAME,VER_FOLDER,VER_UPDATE,VER_FILE_SIZE,VER_REGIST,VER_MD5) " + rows);
  kv::clsDataBaseUpdate db;
  ASSERT_EQ(GetParam().ReadControl(db), 0) << kv::ToUtf8(db.LastErrorMessage());
  EXPECT_EQ(db.UseVersionTable(), 3000);
  EXPECT_EQ(db.ProgramName(1), L"f0001");
  EXPECT_EQ(db.ProgramName(3000), L"f3000");
  EXPECT_FALSE(db.CheckDBOpend());
}

INSTANTIATE_TEST_SUITE_P(Roads, UploadTest, testing::Values(kSqlite, kPostgres, kSqlServerAlias), BackendName);
INSTANTIATE_TEST_SUITE_P(Roads, ReadControlTest, testing::Values(kSqlite, kPostgres, kSqlServerAlias), BackendName);

}  // namespace
}  // namespace kvtest
