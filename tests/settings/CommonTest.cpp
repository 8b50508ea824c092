#include <gtest/gtest.h>
#include <windows.h>

#include "base/Handles.h"
#include "base/RuntimeError.h"
#include "base/Text.h"
#include "settings/Common.h"
#include "support/FakeHost.h"
#include "support/TempDir.h"

namespace {

using kvtest::TempDir;

TEST(FileExist, OnlyReadableFilesExist) {
  TempDir dir;
  kvtest::WriteBytes(dir / L"empty.txt", "");
  kvtest::WriteBytes(dir / L"日本語.txt", "x");
  struct Case {
    std::wstring path;
    bool exists;
  } cases[] = {{dir / L"empty.txt", true}, {dir / L"日本語.txt", true}, {dir / L"missing.txt", false},
               {dir.path(), false}, {L"", false}, {L"Q:\\no\\drive.txt", false}, {L"bad<name>?", false}};
  for (const auto& c : cases) EXPECT_EQ(kv::FileExist(c.path), c.exists) << kv::ToUtf8(c.path);
}

TEST(FileExist, FileHeldWithoutSharingDoesNotExist) {
  TempDir dir;
  const auto path = dir / L"locked.txt";
  kvtest::WriteBytes(path, "locked");
  kv::UniqueFile held(CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
  ASSERT_TRUE(held);
  EXPECT_FALSE(kv::FileExist(path));
  held.reset();
  EXPECT_TRUE(kv::FileExist(path));
}

TEST(IsAllDigits, Table) {
  struct Case {
    const wchar_t* text;
    bool digits;
  } cases[] = {{L"", false},    {L"0", true},     {L"007", true},  {L"123 ", false}, {L" 1", false},
               {L"-1", false},  {L"1.5", false},  {L"１２", false}, {L"12a", false},  {L"4294967296", true}};
  for (const auto& c : cases) EXPECT_EQ(kv::IsAllDigits(c.text), c.digits) << kv::ToUtf8(c.text);
}

TEST(EnsureFolderPath, CreatesEveryMissingLevel) {
  TempDir dir;
  EXPECT_EQ(kv::EnsureFolderPath(dir / L"上\\下"), L"");
  EXPECT_TRUE(kvtest::FolderExists(dir / L"上"));
  EXPECT_TRUE(kvtest::FolderExists(dir / L"上\\下"));
  // Existing levels and a trailing backslash are fine.
  EXPECT_EQ(kv::EnsureFolderPath(dir / L"上\\下\\"), L"");
}

TEST(EnsureFolderPath, FailureTexts) {
  struct Case {
    const wchar_t* path;
    const wchar_t* answer;
  } cases[] = {
      {L"\\\\server", L"FFFF:ﾌｫﾙﾀﾞ名が正しくありません。(\\\\server\\)"},
      {L"\\\\\\server", L"FFFF:ﾌｫﾙﾀﾞ名が正しくありません。(\\\\server\\)"},
      {L"\\\\nosuchserver\\share\\sub", L"FFFF:共有ﾌｫﾙﾀﾞが見つかりません。(\\\\nosuchserver\\share\\sub\\)"},
      {L"\\\\\\nosuchserver\\share", L"FFFF:共有ﾌｫﾙﾀﾞが見つかりません。(\\\\nosuchserver\\share\\)"},
      {L"Q:\\a", L"4C:パスが見つかりません。(Q:\\a\\)"},
  };
  for (const auto& c : cases) EXPECT_EQ(kv::EnsureFolderPath(c.path), c.answer) << kv::ToUtf8(c.path);
}

TEST(EnsureFolderPath, LevelsCreatedBeforeAFailureStay) {
  TempDir dir;
  const auto answer = kv::EnsureFolderPath(dir / L"new\\bad?name\\below");
  EXPECT_TRUE(kvtest::FolderExists(dir / L"new"));
  EXPECT_EQ(answer, L"34:" + kv::ErrorText(52) + L"(" + (dir / L"new\\bad?name\\below\\") + L")");
}

TEST(EnsureFolderPath, AFileInTheWayIsAnAccessError) {
  TempDir dir;
  kvtest::WriteBytes(dir / L"file", "not a folder");
  EXPECT_EQ(kv::EnsureFolderPath(dir / L"file\\below"),
            L"4B:" + kv::ErrorText(75) + L"(" + (dir / L"file\\") + L"below\\)");
}

TEST(MakeFolderPath, CreatesTheFoldersBeforeTheLastBackslash) {
  TempDir dir;
  struct Case {
    std::wstring path;
    std::wstring created;     // exists afterwards
    std::wstring notCreated;  // does not
  } cases[] = {
      {dir / L"一\\二\\file.txt", dir / L"一\\二", dir / L"一\\二\\file.txt"},
      {dir / L"a\\b\\", dir / L"a\\b", L""},
      {dir / L"c\\d", dir / L"c", dir / L"c\\d"},
      // A level that cannot be created is skipped, and the deeper ones fail too.
      {dir / L"bad?\\e\\", L"", dir / L"bad?\\e"},
  };
  for (const auto& c : cases) {
    kv::MakeFolderPath(c.path);
    if (!c.created.empty()) {
      EXPECT_TRUE(kvtest::FolderExists(c.created)) << kv::ToUtf8(c.path);
    }
    if (!c.notCreated.empty()) {
      EXPECT_FALSE(kv::DirectoryListingFinds(c.notCreated)) << kv::ToUtf8(c.path);
    }
  }
}

TEST(DirectoryListingFinds, Table) {
  TempDir dir;
  CreateDirectoryW((dir / L"empty").c_str(), nullptr);
  CreateDirectoryW((dir / L"full").c_str(), nullptr);
  CreateDirectoryW((dir / L"日本語").c_str(), nullptr);
  kvtest::WriteBytes(dir / L"full\\a.txt", "a");
  kvtest::WriteBytes(dir / L"file.txt", "x");
  struct Case {
    std::wstring path;
    bool finds;
  } cases[] = {
      // A folder's contents: "." is found even in an empty folder.
      {dir / L"empty\\", true},
      {dir / L"full\\", true},
      {dir / L"missing\\", false},
      {dir / L"file.txt\\", false},
      {dir / L"日本語\\", true},
      // The entry itself, file or folder.
      {dir / L"日本語", true},
      {dir / L"full\\a.txt", true},
      {dir / L"empty", true},
      {dir / L"file.txt", true},
      {dir / L"missing", false},
      {dir / L"full\\*.txt", true},
      {dir / L"full\\*.dll", false},
  };
  for (const auto& c : cases) EXPECT_EQ(kv::DirectoryListingFinds(c.path), c.finds) << kv::ToUtf8(c.path);
}

TEST(DataFolders, UserAndAllUsersFoldersExistBelowTheShellFolders) {
  const auto user = kv::GetUserDataFolder();
  const auto all = kv::GetAllUserDataFolder();
  for (const auto& folder : {user, all}) {
    EXPECT_TRUE(kv::EndsWith(folder, L"\\Kestrova\\バロネル")) << kv::ToUtf8(folder);
    EXPECT_TRUE(kvtest::FolderExists(folder)) << kv::ToUtf8(folder);
  }
  EXPECT_NE(user, all);
}

TEST(DataFolders, EmptyShellAnswerGivesAFolderAtTheRootOfTheCurrentDrive) {
  TempDir dir;
  wchar_t previous[MAX_PATH];
  GetCurrentDirectoryW(MAX_PATH, previous);
  SetCurrentDirectoryW(dir.path().c_str());
  wchar_t sub[64];
  swprintf(sub, 64, L"kvtest-root-%lu\\バロネル", GetCurrentProcessId());

  const auto folder = kv::GetSpecialSubFolder(0x7E, sub);  // a folder number the shell does not know

  EXPECT_EQ(folder, std::wstring(L"\\") + sub);
  const std::wstring onDrive = dir.path().substr(0, 2) + folder;
  EXPECT_TRUE(kvtest::FolderExists(onDrive)) << kv::ToUtf8(onDrive);
  SetCurrentDirectoryW(previous);
  kvtest::RemoveTree(onDrive.substr(0, onDrive.find_last_of(L'\\')));
}

TEST(GetRegasmPath, FrameworkRegAsmElseTheProgramFolder) {
  TempDir dir;
  kvtest::FakeHost host;
  host.programFolder = L"C:\\プログラム";
  kv::ScopedHost scoped(host);

  wchar_t root[MAX_PATH];
  GetEnvironmentVariableW(L"SystemRoot", root, MAX_PATH);
  // Wine ships no .NET Framework 2.0.
  EXPECT_EQ(kv::GetRegasmPath(), L"C:\\プログラム\\regasm.exe");

  const auto framework = dir / L"Microsoft.NET\\Framework\\v2.0.50727";
  kv::EnsureFolderPath(framework);
  kvtest::WriteBytes(framework + L"\\regasm.exe", "");
  SetEnvironmentVariableW(L"SystemRoot", dir.path().c_str());
  EXPECT_EQ(kv::GetRegasmPath(), framework + L"\\regasm.exe");
  SetEnvironmentVariableW(L"SystemRoot", root);
}

}  // namespace
