#pragma once
// What the maintenance tests share: a scratch program folder for the update program (a fake host
// names it), an update run with a process starter that only records, the end of the process
// turned into an exception, and the update log's lines written during the test.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "base/Host.h"
#include "base/ProcessExit.h"
#include "base/Text.h"
#include "driver/submain.h"
#include "settings/Common.h"
#include "settings/clsIniFile.h"
#include "support/ExclusiveLock.h"
#include "support/FakeHost.h"
#include "support/FakeProcessStarter.h"
#include "support/OperationLogCapture.h"
#include "support/TempDir.h"
#include "support/VersionListing.h"

namespace kvtest {

struct ProcessEnded {
  unsigned code;
};

class MaintenanceRun {
 public:
  explicit MaintenanceRun(std::wstring commandLine = L"") {
    log_.host.programFolder = dir_.path();
    log_.host.commandLine = std::move(commandLine);
    run_.objIniFile().SetVersionFileName(L"Version.xml");
    updateLogStart_ = kv::FileExist(UpdateLogPath()) ? ReadBytes(UpdateLogPath()).size() : 0;
  }

  const TempDir& dir() const { return dir_; }
  // Program folder with its "\".
  std::wstring folder() const { return dir_.path() + L"\\"; }
  FakeHost& host() { return log_.host; }
  // The title of the program's messages (the operation log capture's own product name).
  const std::wstring& title() const { return log_.ProductTitle(); }
  FakeProcessStarter& starter() { return starter_; }
  kv::UpdateRun& run() { return run_; }
  OperationLogCapture& operationLog() { return log_; }

  // The update log's lines since the test began, time stamps removed.
  std::vector<std::wstring> UpdateLog() const {
    std::vector<std::wstring> lines;
    if (!kv::FileExist(UpdateLogPath())) return lines;
    const std::string bytes = ReadBytes(UpdateLogPath()).substr(updateLogStart_);
    std::wstring text(bytes.size(), L'\0');
    text.resize(static_cast<std::size_t>(MultiByteToWideChar(932, 0, bytes.data(), static_cast<int>(bytes.size()),
                                                             text.data(), static_cast<int>(text.size()))));
    for (std::size_t start = 0; start < text.size();) {
      std::size_t end = text.find(L"\r\n", start);
      if (end == std::wstring::npos) end = text.size();
      std::wstring line = text.substr(start, end - start);
      // "yyyy-mm-dd hh:nn:ss.fff " in front of a logged line's first row.
      if (line.size() > 24 && line[4] == L'-' && line[23] == L' ') line = line.substr(24);
      lines.push_back(line);
      start = end + 2;
    }
    return lines;
  }

 private:
  static std::wstring UpdateLogPath() { return kv::GetUserDataFolder() + L"\\Update.log"; }

  ExclusiveLock lock_{kUserDataLock};
  TempDir dir_;
  OperationLogCapture log_;
  FakeProcessStarter starter_{log_.host};
  kv::UpdateRun run_{starter_};
  kv::ScopedRun scopedRun_{run_};
  kv::ScopedEndProcessHandler exit_{[](unsigned code) { throw ProcessEnded{code}; }};
  std::size_t updateLogStart_ = 0;
};

}  // namespace kvtest
