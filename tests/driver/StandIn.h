#pragma once
// The stand-in main program (tests/tools/mainstandin.cpp) started by a test, with its window
// found and its noted messages read back. Ends the process, if still running, when destroyed.
#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "base/Handles.h"
#include "support/TempDir.h"

namespace kvtest {

class StandIn {
 public:
  enum class CloseOn { Request, Close, Never };

  // caption: none for an untitled window.
  StandIn(CloseOn closeOn, std::optional<std::wstring> caption);
  ~StandIn();
  StandIn(const StandIn&) = delete;
  StandIn& operator=(const StandIn&) = delete;

  HWND Window() const { return window_; }
  // True when the process has ended within the time limit.
  bool WaitForEnd(DWORD milliseconds = 10000) const;
  bool Running() const;
  // The messages noted by the window, one "<message> <wParam> <lParam>" each.
  std::vector<std::wstring> Messages() const;

 private:
  TempDir folder_;
  kv::UniqueHandle process_;
  HWND window_ = nullptr;
};

// The stand-in's program file beside the test program.
std::wstring StandInProgram();
// A UTF-8 file of lines (CR LF) as the test tools write them.
std::vector<std::wstring> ReadUtf8Lines(const std::wstring& path);

}  // namespace kvtest
