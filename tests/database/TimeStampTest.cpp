#include <gtest/gtest.h>

#include "base/Handles.h"
#include "database/TimeStamp.h"
#include "support/TempDir.h"

namespace kv {
namespace {

DATE DateOf(WORD year, WORD month, WORD day, WORD hour, WORD minute, WORD second) {
  SYSTEMTIME t{year, month, 0, day, hour, minute, second, 0};
  DATE date = 0;
  SystemTimeToVariantTime(&t, &date);
  return date;
}

struct Times {
  FILETIME creation{}, access{}, write{};
};

Times TimesOf(const std::wstring& path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  EXPECT_TRUE(GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data));
  return {data.ftCreationTime, data.ftLastAccessTime, data.ftLastWriteTime};
}

SYSTEMTIME LocalOf(FILETIME utc) {
  FILETIME local{};
  SYSTEMTIME t{};
  FileTimeToLocalFileTime(&utc, &local);
  FileTimeToSystemTime(&local, &t);
  return t;
}

bool operator==(const FILETIME& a, const FILETIME& b) {
  return a.dwLowDateTime == b.dwLowDateTime && a.dwHighDateTime == b.dwHighDateTime;
}

// A file whose three times are set far apart, so that any change shows.
std::wstring StampedFile(const kvtest::TempDir& dir, const std::wstring& name) {
  const std::wstring path = dir / name;
  kvtest::WriteBytes(path, "x");
  SYSTEMTIME t{2011, 1, 0, 2, 3, 4, 5, 0};
  FILETIME c{}, a{}, w{};
  SystemTimeToFileTime(&t, &c);
  t.wYear = 2012;
  SystemTimeToFileTime(&t, &a);
  t.wYear = 2013;
  SystemTimeToFileTime(&t, &w);
  UniqueFile file(CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr));
  EXPECT_TRUE(SetFileTime(file.get(), &c, &a, &w));
  return path;
}

TEST(TimeStampTest, SetsTheLocalLastWriteTimeInWholeSecondsAndKeepsTheAccessTime) {
  kvtest::TempDir dir;
  const std::wstring path = StampedFile(dir, L"予約受付.exe");
  const Times before = TimesOf(path);
  // 0.4 seconds past the minute: the time set has no milliseconds.
  SetLastWriteTime(path, DateOf(2020, 4, 1, 9, 30, 0) + 0.4 / 86400.0);
  const Times after = TimesOf(path);
  const SYSTEMTIME t = LocalOf(after.write);
  EXPECT_EQ(t.wYear, 2020);
  EXPECT_EQ(t.wMonth, 4);
  EXPECT_EQ(t.wDay, 1);
  EXPECT_EQ(t.wHour, 9);
  EXPECT_EQ(t.wMinute, 30);
  EXPECT_EQ(t.wSecond, 0);
  EXPECT_EQ(t.wMilliseconds, 0);
  // Wine reports a file's creation time as its last-write time, so only the access time can show
  // that the zero times are left alone.
  EXPECT_TRUE(after.access == before.access);
}

TEST(TimeStampTest, FilesItCannotOpenKeepTheirTimesSilently) {
  kvtest::TempDir dir;
  const std::wstring outsideCodePage = StampedFile(dir, L"한글.dll");
  const Times before = TimesOf(outsideCodePage);
  SetLastWriteTime(outsideCodePage, DateOf(2020, 4, 1, 9, 30, 0));
  EXPECT_TRUE(TimesOf(outsideCodePage).write == before.write);

  const std::wstring missing = dir / L"missing.dll";
  SetLastWriteTime(missing, DateOf(2020, 4, 1, 9, 30, 0));
  EXPECT_EQ(GetFileAttributesW(missing.c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(OpenFileForTimeStamp(missing), INVALID_HANDLE_VALUE);
}

}  // namespace
}  // namespace kv
