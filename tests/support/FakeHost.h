#pragma once
// A host whose facts the test sets; anything not set comes from the real one.
#include <optional>
#include <string>

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
  bool realSleep = false;
  mutable DWORD slept = 0;  // total of the pauses asked for

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
    if (realSleep) Host::Sleep(milliseconds);
  }
};

}  // namespace kvtest
