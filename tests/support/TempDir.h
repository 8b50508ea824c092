#pragma once
// A fresh folder below %TEMP% for one test, removed with everything in it afterwards.
#include <string>
#include <string_view>

namespace kvtest {

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  // The folder, without a trailing "\".
  const std::wstring& path() const { return path_; }
  // path() + "\" + name
  std::wstring operator/(std::wstring_view name) const;

 private:
  std::wstring path_;
};

// Whole-file helpers for fixtures.
void WriteBytes(const std::wstring& path, std::string_view bytes);
std::string ReadBytes(const std::wstring& path);
bool FolderExists(const std::wstring& path);
void RemoveTree(const std::wstring& path);

// Folder of the running test program (tools built for the tests sit there too).
std::wstring TestProgramFolder();

}  // namespace kvtest
