#pragma once
// One internet update run in-process, with the steps in the order the run calls them: a fake host
// (version 6.1, administrator, "/INET"), a recording process starter, the updater INI in the
// per-user data folder pointing at the local update host, a scratch install folder, and an end of
// process that unwinds back into the test.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "UpdateHostProcess.h"
#include "base/ProcessExit.h"
#include "driver/submain.h"
#include "support/ExclusiveLock.h"
#include "support/FakeHost.h"
#include "support/FakeProcessStarter.h"
#include "support/TempDir.h"

namespace kvtest {

using Lines = std::vector<std::wstring>;

struct EndOfProcess {
  unsigned code;
};

inline constexpr wchar_t kStamp[] = L"2026-12-10 09:08:07.006";
inline constexpr wchar_t kTitle[] = L"バロネル アップデート2";

class InternetRoad {
 public:
  InternetRoad();
  ~InternetRoad();

  // Writes the updater INI ("KanvoloUpdate.ini") with these keys and reads it into the run.
  void WriteIni(const std::vector<std::pair<std::wstring, std::wstring>>& keys);
  // The usual INI: first URL answering 404, the second serving the release.
  void WriteUsualIni(const std::wstring& firstFault = L"/404/", const std::wstring& secondBase = L"/ok/");
  // The web tool's INI ("Sornet.ini") in the per-user data folder.
  void WriteWebIni(const std::vector<std::pair<std::wstring, std::wstring>>& keys);

  // Runs source, installed read, application, recording and web tool update as the run does,
  // then ends as the run's end does. Answers the exit code; whether the end came from the run's
  // end (true) or from a step.
  struct Outcome {
    unsigned code = 0;
    bool reachedEnd = false;
  };
  Outcome Run();
  // The whole run through Main, with an Install.ini beside the program naming the install folder.
  Outcome RunMain();
  // Steps of the test's choice after a new boot log, then the run's end.
  Outcome RunSteps(const std::function<void()>& steps);
  // Only the application phase with the version controls as the test set them.
  Outcome RunApplication();

  // Log lines without their time stamp (the header keeps its text).
  Lines BootLog() const;
  Lines UpdateLog() const;
  // Files of a folder (names only, sorted), empty when it does not exist.
  static Lines FilesIn(const std::wstring& folder);

  std::wstring Install() const { return install_; }
  std::wstring Download() const { return install_ + L"Update\\"; }
  std::wstring IniPath() const;

  ExclusiveLock dataLock{kUserDataLock};
  TempDir dir;
  FakeHost host;
  kv::ScopedHost scopedHost{host};
  FakeProcessStarter starter{host};
  kv::UpdateRun run{starter};
  kv::ScopedRun scopedRun{run};
  kv::ScopedEndProcessHandler end{[](unsigned code) { throw EndOfProcess{code}; }};
  UpdateHostProcess server;

 private:
  void RemoveUserFiles() const;
  std::wstring install_;
};

// The lines of a log written under the road's clock, without their time stamp; none when the file
// is missing.
Lines LogWithoutStamps(const std::wstring& path);

// The hospital query the run puts behind its URLs.
std::wstring Query();

}  // namespace kvtest
