#include <gtest/gtest.h>
#include <windows.h>

#include <set>

#include "base/Handles.h"
#include "base/RuntimeError.h"
#include "base/Text.h"
#include "settings/Common.h"
#include "support/TempDir.h"
#include "versioncontrol/subCabExtract.h"

namespace {

using kvtest::TempDir;

std::wstring Fixture(const wchar_t* name) { return std::wstring(KV_FIXTURE_DIR) + L"\\" + name; }

// A copy of a fixture cabinet in the test's own folder.
std::wstring CabinetIn(const TempDir& dir, const wchar_t* name) {
  const auto path = dir / name;
  CopyFileW(Fixture(name).c_str(), path.c_str(), FALSE);
  return path;
}

TEST(CabExtract, ExtractsEveryFileWithItsSubFolders) {
  TempDir dir;
  const auto dest = dir / L"出力\\";
  CreateDirectoryW((dir / L"出力").c_str(), nullptr);
  EXPECT_TRUE(kv::CabExtract(Fixture(L"sub.cab"), dest));
  EXPECT_EQ(kvtest::ReadBytes(dest + L"a.txt"), "alpha\r\n");
  EXPECT_EQ(kvtest::ReadBytes(dest + L"sub\\b.txt"), "bravo\r\n");
}

TEST(CabExtract, EmptyDestinationMeansTheCabinetsOwnFolder) {
  TempDir dir;
  const auto cabinet = CabinetIn(dir, L"one.cab");
  EXPECT_TRUE(kv::CabExtract(cabinet, L""));
  EXPECT_EQ(kvtest::ReadBytes(dir / L"a.txt"), "alpha\r\n");
}

TEST(CabExtract, DestinationLevelsAreCreated) {
  TempDir dir;
  EXPECT_TRUE(kv::CabExtract(Fixture(L"one.cab"), dir / L"x\\y\\z"));
  EXPECT_EQ(kvtest::ReadBytes(dir / L"x\\y\\z\\a.txt"), "alpha\r\n");
}

TEST(CabExtract, UnreadableCabinetsAnswerFalse) {
  TempDir dir;
  for (const auto& cabinet : {std::wstring(), Fixture(L"notcab.cab"), dir / L"missing.cab"}) {
    EXPECT_FALSE(kv::CabExtract(cabinet, dir.path())) << kv::ToUtf8(cabinet);
  }
}

TEST(CabExtract, NamesLeavingTheDestinationFailTheExtraction) {
  // yen.cab holds "..¥evil.txt" flagged as UTF-8: the ANSI code page writes "¥" as the byte of "\".
  for (const wchar_t* cabinet : {L"climb.cab", L"absolute.cab", L"yen.cab"}) {
    TempDir dir;
    const auto dest = dir / L"dest";
    CreateDirectoryW(dest.c_str(), nullptr);
    EXPECT_FALSE(kv::CabExtract(Fixture(cabinet), dest)) << kv::ToUtf8(cabinet);
    EXPECT_FALSE(kv::FileExist(dir / L"evil.txt")) << kv::ToUtf8(cabinet);
    EXPECT_FALSE(kv::FileExist(L"C:\\evil.txt"));
  }
}

// Every entry of a folder, sub-folders as "name\".
std::set<std::wstring> Listing(const std::wstring& folder) {
  std::set<std::wstring> names;
  WIN32_FIND_DATAW data;
  kv::UniqueFind find(FindFirstFileW((folder + L"\\*").c_str(), &data));
  if (!find) return names;
  do {
    const std::wstring name = data.cFileName;
    if (name == L"." || name == L"..") continue;
    if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
      names.insert(name);
      continue;
    }
    names.insert(name + L"\\");
    for (const auto& inner : Listing(folder + L"\\" + name)) names.insert(name + L"\\" + inner);
  } while (FindNextFileW(find.get(), &data));
  return names;
}

TEST(CabExtract, JapaneseNamesStoredInUtf8OrInTheCodePage) {
  // The same two members: flagged UTF-8 names written by gcab, unflagged CP932 names as the maker's
  // archiver writes them, and CP932 names wrongly flagged. "予" and "ソ" end in the byte of "\" in
  // CP932.
  for (const wchar_t* cabinet : {L"utf8names.cab", L"cp932names.cab", L"flaggedcp932.cab"}) {
    TempDir dir;
    EXPECT_TRUE(kv::CabExtract(Fixture(cabinet), dir.path())) << kv::ToUtf8(cabinet);
    EXPECT_EQ(Listing(dir.path()), (std::set<std::wstring>{L"予約受付.dll", L"表示ソ\\", L"表示ソ\\ソ.txt"}))
        << kv::ToUtf8(cabinet);
    EXPECT_EQ(kvtest::ReadBytes(dir / L"予約受付.dll"), "yoyaku\r\n") << kv::ToUtf8(cabinet);
    EXPECT_EQ(kvtest::ReadBytes(dir / L"表示ソ\\ソ.txt"), "so\r\n") << kv::ToUtf8(cabinet);
  }
}

TEST(CabExtract, ANameTheCodePageCannotHoldFailsTheExtraction) {
  // "café.txt" would be written as "cafe.txt".
  TempDir dir;
  EXPECT_FALSE(kv::CabExtract(Fixture(L"lookalike.cab"), dir.path()));
  EXPECT_EQ(Listing(dir.path()), (std::set<std::wstring>{L"a.txt"}));
}

TEST(CabExtract, PathsTheCodePageCannotHoldFailTheExtraction) {
  // "café" would be opened as "cafe": each look-alike folder exists beside the folder asked for.
  TempDir dir;
  for (const wchar_t* folder : {L"café", L"cafe", L"out"}) CreateDirectoryW((dir / folder).c_str(), nullptr);
  const std::set<std::wstring> none;

  EXPECT_FALSE(kv::CabExtract(Fixture(L"one.cab"), dir / L"café"));
  EXPECT_EQ(Listing(dir / L"café"), none);
  EXPECT_EQ(Listing(dir / L"cafe"), none);

  // The cabinet: its look-alike is another cabinet.
  CopyFileW(Fixture(L"one.cab").c_str(), (dir / L"café\\x.cab").c_str(), FALSE);
  CopyFileW(Fixture(L"two.cab").c_str(), (dir / L"cafe\\x.cab").c_str(), FALSE);
  EXPECT_FALSE(kv::CabExtract(dir / L"café\\x.cab", dir / L"out"));
  EXPECT_FALSE(kv::CabExtract(dir / L"café\\x.cab", L""));
  EXPECT_EQ(Listing(dir / L"out"), none);
  EXPECT_EQ(Listing(dir / L"café"), (std::set<std::wstring>{L"x.cab"}));
  EXPECT_EQ(Listing(dir / L"cafe"), (std::set<std::wstring>{L"x.cab"}));
}

TEST(CabExtract, AnExtractionErrorFailsAndSkipsTheRest) {
  TempDir dir;
  kvtest::WriteBytes(dir / L"a.txt", "held");
  kv::UniqueFile held(CreateFileW((dir / L"a.txt").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
  ASSERT_TRUE(held);
  EXPECT_FALSE(kv::CabExtract(Fixture(L"two.cab"), dir.path()));
  EXPECT_FALSE(kv::FileExist(dir / L"b.txt"));
}

TEST(CabExtract, ATargetOverTheByteLimitRaisesNineAfterTheIteration) {
  TempDir dir;
  // dir + "\" + 190 characters + "\" + the 64-character member name is well over 259 bytes.
  const auto dest = dir / std::wstring(190 - dir.path().size() % 10, L'd');
  ASSERT_TRUE(CreateDirectoryW(dest.c_str(), nullptr));
  try {
    kv::CabExtract(Fixture(L"long.cab"), dest);
    FAIL() << "no failure";
  } catch (const kv::RuntimeError& e) {
    EXPECT_EQ(e.Number(), 9);
  }
  EXPECT_TRUE(kv::FileExist(dest + L"\\a.txt"));   // before the long name
  EXPECT_FALSE(kv::FileExist(dest + L"\\z.txt"));  // skipped after it
  // The module is ready for the next cabinet.
  EXPECT_TRUE(kv::CabExtract(Fixture(L"one.cab"), dir.path()));
}

TEST(CreateFolderTree, CreatesMissingLevels) {
  TempDir dir;
  kvtest::WriteBytes(dir / L"file", "");
  struct Case {
    std::wstring folder;
    bool created;
  } cases[] = {{L"", false},
               {dir.path(), true},
               {dir / L"a\\", true},
               {dir / L"b\\c\\d", true},
               {dir / L"b\\c\\d\\e\\", true},
               {L"Q:\\no\\drive", false},
               {dir / L"bad?name\\x", false}};
  for (const auto& c : cases) {
    EXPECT_EQ(kv::CreateFolderTree(c.folder), c.created) << kv::ToUtf8(c.folder);
    if (c.created) {
      EXPECT_TRUE(kvtest::FolderExists(c.folder)) << kv::ToUtf8(c.folder);
    }
  }
}

TEST(PathPieces, SplitFolderPartAndBackslash) {
  struct Case {
    const wchar_t* path;
    const wchar_t* folder;
    const wchar_t* file;
  } cases[] = {{L"C:\\a\\b.txt", L"C:\\a\\", L"b.txt"}, {L"b.txt", L"", L"b.txt"}, {L"C:\\a\\", L"C:\\a\\", L""}};
  for (const auto& c : cases) {
    std::wstring folder = L"old", file = L"old";
    kv::SplitPath(c.path, folder, file);
    EXPECT_EQ(folder, c.folder);
    EXPECT_EQ(file, c.file);
    EXPECT_EQ(kv::GetFolderPart(c.path), c.folder);
  }
  EXPECT_EQ(kv::AddBackslash(L"C:\\a"), L"C:\\a\\");
  EXPECT_EQ(kv::AddBackslash(L"C:\\a\\"), L"C:\\a\\");
  EXPECT_EQ(kv::AddBackslash(L""), L"\\");
}

TEST(PathPieces, ContainedRelativeNames) {
  struct Case {
    const wchar_t* name;
    bool contained;
  } cases[] = {{L"a.txt", true},         {L"sub\\b.txt", true},    {L"..\\a.txt", false}, {L"sub\\..\\..\\a", false},
               {L"C:\\a.txt", false},    {L"\\a.txt", false},      {L"/a.txt", false},    {L"sub/../../a", false},
               {L".\\a.txt", false},     {L"sub\\\\a.txt", false}, {L"", false},          {L"..a.txt", true}};
  for (const auto& c : cases) EXPECT_EQ(kv::IsContainedRelativePath(c.name), c.contained) << kv::ToUtf8(c.name);
}

}  // namespace
