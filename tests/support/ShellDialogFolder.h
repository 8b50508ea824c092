#pragma once
// A folder for tests that open the shell's folder dialog on it: made in the root of C:, never in
// %TEMP%, which the tests beside it change all the time, and removed with everything in it.
// Under Wine the dialog finds its initial folder by comparing item ids that hold each folder's
// times, the access time included. A folder of the path that changed and was not listed since
// gets a new access time from the dialog's own look-up, and when that crosses one of the ids'
// 2-second steps the dialog comes up with nothing selected. So every folder made here is listed
// once after its change.
#include <windows.h>

#include <string>

namespace kvtest {

class ShellDialogFolder {
 public:
  ShellDialogFolder();  // C:\kvtest-browse-<process id>
  ~ShellDialogFolder();
  ShellDialogFolder(const ShellDialogFolder&) = delete;
  ShellDialogFolder& operator=(const ShellDialogFolder&) = delete;

  const std::wstring& path() const { return path_; }
  // Makes the sub-folder name and answers its path.
  std::wstring Add(const std::wstring& name) const;

 private:
  std::wstring path_;
};

// The name of the folder that a folder dialog's tree shows selected; empty when none is.
std::wstring SelectedFolderName(HWND dialog);

}  // namespace kvtest
