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
  };

  explicit FakeProcessStarter(const FakeHost& host) : host_(host) {}

  mutable std::vector<Run> runs;

  std::vector<std::wstring> CommandLines() const {
    std::vector<std::wstring> lines;
    for (const auto& run : runs) lines.push_back(run.commandLine);
    return lines;
  }

  kv::UniqueHandle Start(const std::wstring& commandLine) const override {
    runs.push_back({commandLine, host_.slept});
    return kv::UniqueHandle(CreateEventW(nullptr, TRUE, TRUE, nullptr));
  }

 private:
  const FakeHost& host_;
};

}  // namespace kvtest
