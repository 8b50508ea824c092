#pragma once
// What the tests of the install operations share: the cabinet fixtures, folders of a test with
// blanks and Japanese names, and the record file that the helper programs append to.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "base/Host.h"
#include "base/Text.h"
#include "support/FakeHost.h"
#include "support/TempDir.h"

namespace kvtest {

inline std::wstring CabinetFixture(const wchar_t* name) { return std::wstring(KV_FIXTURE_DIR) + L"\\" + name; }

// Copies a file (a fixture, a helper program) to target, replacing it.
inline void CopyAs(const std::wstring& file, const std::wstring& target) {
  ASSERT_TRUE(CopyFileW(file.c_str(), target.c_str(), FALSE)) << kv::ToUtf8(target);
}

inline std::wstring CreatedFolder(const std::wstring& path) {
  CreateDirectoryW(path.c_str(), nullptr);
  return path + L"\\";
}

// An existing file without the read-only, hidden and system attributes (Wine reports a file set
// to "normal" as "archive").
inline bool IsNormal(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  constexpr DWORD kCleared = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                             FILE_ATTRIBUTE_DIRECTORY;
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & kCleared) == 0;
}

// Sets KV_RECORD_FILE for the helper programs this process starts, and reads their lines back.
class RecordFile {
 public:
  explicit RecordFile(const TempDir& dir) : path_(dir / L"record.log") {
    SetEnvironmentVariableW(L"KV_RECORD_FILE", path_.c_str());
  }
  ~RecordFile() { SetEnvironmentVariableW(L"KV_RECORD_FILE", nullptr); }
  RecordFile(const RecordFile&) = delete;
  RecordFile& operator=(const RecordFile&) = delete;

  // The lines appended so far, and the file emptied for the next step.
  std::vector<std::wstring> Take() {
    std::vector<std::wstring> lines;
    if (GetFileAttributesW(path_.c_str()) == INVALID_FILE_ATTRIBUTES) return lines;
    const std::wstring text = kv::FromUtf8(ReadBytes(path_));
    DeleteFileW(path_.c_str());
    for (std::size_t start = 0; start < text.size();) {
      const auto end = text.find(L"\r\n", start);
      lines.push_back(text.substr(start, end - start));
      if (end == std::wstring::npos) break;
      start = end + 2;
    }
    return lines;
  }

 private:
  std::wstring path_;
};

// A test's host, as the update program "KanvoloUpdate2" in the test's folder, and its source and
// install folders (ending with "\"), below the test's folder.
class InstallFolders : public ::testing::Test {
 protected:
  InstallFolders() {
    host.programName = L"KanvoloUpdate2";
    host.programFolder = dir.path();
  }

  FakeHost host;  // no real pauses
  kv::ScopedHost scoped{host};
  TempDir dir;
  const std::wstring source = CreatedFolder(dir / L"ソース");
  const std::wstring install = CreatedFolder(dir / L"インストール 先");
};

}  // namespace kvtest
