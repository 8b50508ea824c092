#pragma once
// A host whose facts the test sets; anything not set comes from the real one.
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "base/Host.h"

namespace kvtest {

class FakeHost : public kv::Host {
 public:
  std::optional<std::wstring> programFolder;
  std::optional<std::wstring> programName;
  std::optional<std::wstring> productName;
  std::optional<std::wstring> legalCopyright;
  std::optional<std::wstring> systemFolder;
  std::optional<SYSTEMTIME> localTime;
  std::optional<std::optional<kv::WindowsVersion>> version;
  std::optional<bool> admin;
  std::optional<std::wstring> commandLine;
  // Groups answer: the status and, on 0, the names; the last query is recorded.
  std::optional<std::pair<std::int32_t, std::vector<std::wstring>>> localGroups;
  struct GroupsQuery {
    std::wstring server, user;
    std::int32_t flags = -1;
  };
  mutable std::vector<GroupsQuery> groupQueries;
  // Drive types by root ("D:\"); a root not listed is DRIVE_NO_ROOT_DIR when set at all.
  std::optional<std::vector<std::pair<std::wstring, UINT>>> driveTypes;
  // Virtual keys held down (the high bit of their state); set, every other key is up.
  std::optional<std::vector<int>> keysDown;
  bool realSleep = false;
  mutable DWORD slept = 0;  // total of the pauses asked for
  mutable unsigned sleeps = 0;  // how many pauses were asked for
  // Called after each pause, with the count so far (tests may wait there for another process).
  std::function<void(unsigned)> onSleep;

  std::wstring ProgramFolder() const override { return programFolder ? *programFolder : Host::ProgramFolder(); }
  std::wstring ProgramName() const override { return programName ? *programName : Host::ProgramName(); }
  std::wstring ProductName() const override { return productName ? *productName : Host::ProductName(); }
  std::wstring LegalCopyright() const override { return legalCopyright ? *legalCopyright : Host::LegalCopyright(); }
  std::wstring SystemFolder() const override { return systemFolder ? *systemFolder : Host::SystemFolder(); }
  SYSTEMTIME LocalTime() const override { return localTime ? *localTime : Host::LocalTime(); }
  std::optional<kv::WindowsVersion> Version() const override { return version ? *version : Host::Version(); }
  bool IsUserAnAdmin() const override { return admin ? *admin : Host::IsUserAnAdmin(); }
  void Sleep(DWORD milliseconds) const override {
    slept += milliseconds;
    ++sleeps;
    if (realSleep) Host::Sleep(milliseconds);
    if (onSleep) onSleep(sleeps);
  }
  std::wstring CommandLine() const override { return commandLine ? *commandLine : Host::CommandLine(); }
  std::int32_t UserLocalGroups(const std::wstring& server, const std::wstring& user, std::int32_t flags,
                               std::vector<std::wstring>& names) const override {
    groupQueries.push_back({server, user, flags});
    if (!localGroups) return Host::UserLocalGroups(server, user, flags, names);
    names.clear();
    if (localGroups->first == 0) names = localGroups->second;
    return localGroups->first;
  }
  std::int16_t AsyncKeyState(int virtualKey) const override {
    if (!keysDown) return Host::AsyncKeyState(virtualKey);
    for (int key : *keysDown) {
      if (key == virtualKey) return static_cast<std::int16_t>(0x8000);
    }
    return 0;
  }
  UINT DriveType(const std::wstring& root) const override {
    if (!driveTypes) return Host::DriveType(root);
    for (const auto& [r, type] : *driveTypes) {
      if (_wcsicmp(r.c_str(), root.c_str()) == 0) return type;
    }
    return DRIVE_NO_ROOT_DIR;
  }
};

}  // namespace kvtest
