#pragma once
// A process starter that starts nothing: it records each command line with the pauses the host
// had been asked for until then, and hands back a handle that is already signalled.
#include <string>
#include <vector>

#include "base/ProcessStarter.h"
#include "support/FakeHost.h"

namespace kvtest {

class FakeProcessStarter : public kv::ProcessStarter {
 public:
  struct Run {
    std::wstring commandLine;
    DWORD sleptBefore;  // the host's total of pauses when the command was started
    kv::StartWindow window = kv::StartWindow::MinimizedNoFocus;
  };
  struct ShellRun {
    HWND owner;
    std::wstring file, parameters, folder, verb;
  };

  explicit FakeProcessStarter(const FakeHost& host) : host_(host) {}

  mutable std::vector<Run> runs;
  mutable std::vector<ShellRun> shellRuns;
  bool shellAnswer = true;

  std::vector<std::wstring> CommandLines() const {
    std::vector<std::wstring> lines;
    for (const auto& run : runs) lines.push_back(run.commandLine);
    return lines;
  }

  kv::UniqueHandle Start(const std::wstring& commandLine, kv::StartWindow window) const override {
    runs.push_back({commandLine, host_.slept, window});
    return kv::UniqueHandle(CreateEventW(nullptr, TRUE, TRUE, nullptr));
  }

  bool ShellStart(HWND owner, const std::wstring& file, const std::wstring& parameters, const std::wstring& folder,
                  const std::wstring& verb) const override {
    shellRuns.push_back({owner, file, parameters, folder, verb});
    return shellAnswer;
  }

 private:
  const FakeHost& host_;
};

}  // namespace kvtest
