#include "FaultChecks.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <sstream>
#include <thread>

#include "base/Handles.h"
#include "base/Text.h"
#include "support/HostProcessPaths.h"
#include "support/TempDir.h"

namespace kvtest {
namespace {

bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::string Host(const std::wstring& path) {
  const auto unix = UnixPath(path);
  if (!unix) ADD_FAILURE() << "no host path for " << kv::ToUtf8(path);
  return unix.value_or(std::string());
}

std::vector<std::string> Split(const std::string& line) {
  std::vector<std::string> fields;
  std::size_t start = 0;
  for (auto tab = line.find('\t'); tab != std::string::npos; tab = line.find('\t', start)) {
    fields.push_back(line.substr(start, tab - start));
    start = tab + 1;
  }
  fields.push_back(line.substr(start));
  return fields;
}

long long Number(const std::string& text) {
  try {
    return std::stoll(text);
  } catch (const std::exception&) {
    return -2;
  }
}

std::string Show(const HostFile& f) { return f.size < 0 ? "missing" : std::to_string(f.size) + " " + f.md5; }

std::string Show(const std::wstring& folder, const std::wstring& name) {
  return kv::ToUtf8(folder.empty() ? name : folder + L"\\" + name);
}

bool SameName(const std::wstring& a, const std::wstring& b) { return _wcsicmp(a.c_str(), b.c_str()) == 0; }

const ReleasedFile* Find(const std::vector<ReleasedFile>& release, const ListedFile& entry) {
  for (const auto& f : release) {
    if (SameName(f.name, entry.name) && SameName(f.folder, entry.folder)) return &f;
  }
  return nullptr;
}

}  // namespace

void PrintTo(const HostFile& file, std::ostream* os) { *os << Show(file); }

bool RunHostScript(const std::string& script, std::chrono::seconds timeout) {
  TempDir marks;
  const std::wstring mark = marks / L"done";
  const std::string hostMark = Host(mark);
  if (hostMark.empty()) return false;
  if (!StartHostShell("(" + script + ") </dev/null >/dev/null 2>&1; touch " + ShellQuoted(hostMark))) return false;
  const auto end = std::chrono::steady_clock::now() + timeout;
  while (std::chrono::steady_clock::now() < end) {
    if (Exists(mark)) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return false;
}

InstallState ReadInstallState(const std::wstring& installFolder, const std::wstring& versionFile,
                              const std::vector<std::wstring>& outsideFolders) {
  InstallState state;
  TempDir scratch;
  const std::wstring out = scratch / L"state.txt";
  const std::wstring install = installFolder.ends_with(L"\\") ? installFolder : installFolder + L"\\";
  const std::map<std::string, std::wstring> controls{
      {Host(install + versionFile), versionFile},
      {Host(install + L"Update\\" + versionFile), L"Update\\" + versionFile}};
  std::string script = "python3 " + ShellQuoted(Host(std::wstring(KV_FIXTURE_DIR) + L"\\install_state.py")) + " " +
                       ShellQuoted(Host(out));
  for (const auto& [host, key] : controls) script += " --vc " + ShellQuoted(host) + " " + ShellQuoted(Host(install));
  for (const auto& folder : outsideFolders) script += " --files " + ShellQuoted(Host(folder));
  if (!RunHostScript(script) || !Exists(out)) {
    ADD_FAILURE() << "the host's install_state.py did not answer";
    return state;
  }
  state.read = true;
  std::istringstream lines(ReadBytes(out));
  std::string line;
  while (std::getline(lines, line)) {
    const auto f = Split(line);
    if (f[0] == "vc" && f.size() == 3 && controls.contains(f[1])) {
      state.controls[controls.at(f[1])].md5 = f[2];
    } else if (f[0] == "entry" && f.size() == 11 && controls.contains(f[1])) {
      ListedFile entry{kv::FromUtf8(f[2]), kv::FromUtf8(f[3]), Number(f[4]), f[5], {Number(f[6]), f[7]},
                       kv::FromUtf8(f[8]), Number(f[9]), Number(f[10])};
      if (entry.onDisk.size < 0) entry.onDisk.md5.clear();
      state.controls[controls.at(f[1])].entries.push_back(entry);
    } else if (f[0] == "file" && f.size() == 4) {
      state.outside[kv::FromUtf8(f[1])] = {Number(f[2]), f[3]};
    } else {
      ADD_FAILURE() << "install_state.py: " << line;
    }
  }
  return state;
}

void ExpectInstallConsistent(const InstallState& before, const InstallState& after,
                             const std::vector<ReleasedFile>& newRelease) {
  ASSERT_TRUE(before.read && after.read);
  EXPECT_EQ(after.controls.size(), 2u);
  for (const auto& [key, control] : after.controls) {
    const std::string where = kv::ToUtf8(key);
    const auto was = before.controls.find(key);
    const bool unchanged = was != before.controls.end() && was->second.md5 == control.md5;
    if (unchanged) {
      if (control.md5 == "missing") continue;
      // Files installed before the fault stay (nothing is rolled back), but each is whole.
      for (const auto& entry : control.entries) {
        const HostFile listed{entry.listedSize, entry.listedMd5};
        const ReleasedFile* released = Find(newRelease, entry);
        const bool isNew = released && entry.onDisk == HostFile{released->size, released->md5};
        EXPECT_TRUE(entry.onDisk == listed || isNew)
            << where << " (unchanged) lists " << Show(entry.folder, entry.name) << " as " << Show(listed)
            << ", on disk " << Show(entry.onDisk);
      }
      continue;
    }
    EXPECT_NE(control.md5, "missing") << where << " was removed";
    EXPECT_NE(control.md5, "unreadable") << where << " is no longer a version control";
    const auto installed = [](const ListedFile& e) { return e.onDisk == HostFile{e.listedSize, e.listedMd5}; };
    const auto downloaded = [](const ListedFile& e) { return e.cabinetOnDisk == e.listedCabSize; };
    const bool listsDownloads = key.starts_with(L"Update\\") && std::ranges::all_of(control.entries, downloaded);
    if (listsDownloads) continue;
    for (const auto& entry : control.entries) {
      EXPECT_TRUE(installed(entry)) << where << " (rewritten) lists " << Show(entry.folder, entry.name) << " as "
                                    << entry.listedSize << " " << entry.listedMd5 << ", on disk "
                                    << Show(entry.onDisk);
    }
  }
  for (const auto& [path, file] : before.outside) {
    const auto now = after.outside.find(path);
    EXPECT_TRUE(now != after.outside.end() && now->second == file)
        << "outside the install folder: " << kv::ToUtf8(path) << " was " << Show(file) << ", now "
        << (now == after.outside.end() ? "missing" : Show(now->second));
  }
  for (const auto& [path, file] : after.outside) {
    EXPECT_TRUE(before.outside.contains(path)) << "written outside the install folder: " << kv::ToUtf8(path);
  }
}

void ExpectReleaseInstalled(const InstallState& after, const std::vector<ReleasedFile>& release) {
  ASSERT_TRUE(after.read);
  ASSERT_EQ(after.controls.size(), 2u);
  for (const auto& [key, control] : after.controls) {
    const std::string where = kv::ToUtf8(key);
    EXPECT_EQ(control.entries.size(), release.size()) << where;
    for (const auto& file : release) {
      bool listed = false;
      for (const auto& entry : control.entries) {
        if (!SameName(entry.name, file.name) || !SameName(entry.folder, file.folder)) continue;
        listed = true;
        EXPECT_EQ(entry.onDisk, (HostFile{file.size, file.md5})) << where << ": " << Show(file.folder, file.name);
        EXPECT_EQ(entry.listedSize, file.size) << where << ": " << Show(file.folder, file.name);
        EXPECT_EQ(entry.listedMd5, file.md5) << where << ": " << Show(file.folder, file.name);
      }
      EXPECT_TRUE(listed) << where << " does not list " << Show(file.folder, file.name);
    }
  }
}

void ExpectMainProgramStarts(const std::wstring& program, const std::wstring& scratchFolder) {
  const std::wstring record = scratchFolder + L"\\main-program-start.log";
  DeleteFileW(record.c_str());
  wchar_t saved[1024] = L"";
  const DWORD had = GetEnvironmentVariableW(L"KV_RECORD_FILE", saved, 1024);
  SetEnvironmentVariableW(L"KV_RECORD_FILE", record.c_str());
  std::wstring commandLine = L"\"" + program + L"\" /FAULTCHECK";
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION started{};
  const BOOL ok = CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                                 &startup, &started);
  const DWORD error = GetLastError();
  SetEnvironmentVariableW(L"KV_RECORD_FILE", had > 0 && had < 1024 ? saved : nullptr);
  ASSERT_TRUE(ok) << "the main program does not start: " << kv::ToUtf8(program) << " (error " << error << ")";
  kv::UniqueHandle process(started.hProcess), thread(started.hThread);
  const bool ended = WaitForSingleObject(process.get(), 20000) == WAIT_OBJECT_0;
  if (!ended) TerminateProcess(process.get(), 99);
  DWORD code = 0;
  GetExitCodeProcess(process.get(), &code);
  EXPECT_TRUE(ended) << kv::ToUtf8(program);
  EXPECT_EQ(code, 0u) << kv::ToUtf8(program);
  ASSERT_TRUE(Exists(record)) << kv::ToUtf8(program) << " wrote no record";
  EXPECT_NE(ReadBytes(record).find("/FAULTCHECK"), std::string::npos);
}

}  // namespace kvtest
