#pragma once
// Checks of the fault suite that every road's ground uses after a faulty run: what the install
// folder holds, seen by the host's own tools (tests/tools/install_state.py: xml.etree, hashlib),
// not by the program's code; files outside the install folder; the main program still starting.
//
//   kvtest::InstallState before = kvtest::ReadInstallState(install, L"Version.xml", {outside});
//   ... the faulty run ...
//   kvtest::ExpectInstallConsistent(before, kvtest::ReadInstallState(install, L"Version.xml", {outside}),
//                                   newRelease);
//   kvtest::ExpectMainProgramStarts(install + L"Kanvolo.exe", scratch);
#include <chrono>
#include <map>
#include <ostream>
#include <string>
#include <vector>

namespace kvtest {

// A file as the host's tools see it; size -1: missing.
struct HostFile {
  long long size = -1;
  std::string md5;
  bool operator==(const HostFile&) const = default;
};
void PrintTo(const HostFile& file, std::ostream* os);

// One File element of an installed version control, with the file it names as found on disk
// (below the install folder) and its cabinet as found beside the version control.
struct ListedFile {
  std::wstring folder, name;
  long long listedSize = -1;
  std::string listedMd5;
  HostFile onDisk;
  std::wstring cabinet;
  long long listedCabSize = -1;
  long long cabinetOnDisk = -1;
};

// One installed version control: its bytes' digest ("missing" or "unreadable" instead) and entries.
struct InstalledVersionControl {
  std::string md5;
  std::vector<ListedFile> entries;
};

struct InstallState {
  bool read = false;                                          // the host tool answered
  std::map<std::wstring, InstalledVersionControl> controls;   // by "install\NAME", "install\Update\NAME"
  std::map<std::wstring, HostFile> outside;                   // files directly in the outside folders
};

// Runs a /bin/sh script on the host and waits until it has ended (it gets "; touch MARK" added);
// false after the time-out or when the shell cannot be started.
bool RunHostScript(const std::string& script, std::chrono::seconds timeout = std::chrono::seconds(30));

// The install folder (trailing "\") with its version control versionFile and that of its
// Update folder, and every file directly in the outside folders (Windows paths of the test's PC;
// a missing folder has none).
InstallState ReadInstallState(const std::wstring& installFolder, const std::wstring& versionFile,
                              const std::vector<std::wstring>& outsideFolders);

// A release's file as published: name, sub-folder, size and digest.
struct ReleasedFile {
  std::wstring name, folder;
  long long size = 0;
  std::string md5;
};

// The faulty run left nothing half done:
// - each installed version control is either byte for byte what it was before, every file it lists
//   then being whole (its size and digest those of the listed entry or of the new release), or it
//   lists exactly the files on disk with their sizes and digests; the Update folder's, which is
//   also the download folder's, may instead list exactly the cabinets downloaded beside it;
// - no file directly in the outside folders appeared, vanished or changed.
void ExpectInstallConsistent(const InstallState& before, const InstallState& after,
                             const std::vector<ReleasedFile>& newRelease);

// After a completed update: both version controls list every file of the release, and the files
// on disk are the release's (size and digest).
void ExpectReleaseInstalled(const InstallState& after, const std::vector<ReleasedFile>& release);

// The stand-in main program at program starts, writes its command line into a record file in
// scratchFolder and ends with 0.
void ExpectMainProgramStarts(const std::wstring& program, const std::wstring& scratchFolder);

}  // namespace kvtest
