#pragma once
// Starting the registration tools and other programs that the update program waits for. One real
// implementation; tests pass a fake that records the command lines.
#include <windows.h>

#include <string>

#include "base/Handles.h"

namespace kv {

enum class StartWindow {
  MinimizedNoFocus,  // registration tools
  NormalFocused,     // the main program, the web tool
};

class ProcessStarter {
 public:
  virtual ~ProcessStarter() = default;

  // Starts the command line as a new process with the given window and opens it by its id for
  // waiting. Raises the failure when it cannot be started (53 for a missing program); an empty
  // handle when it cannot be opened.
  virtual UniqueHandle Start(const std::wstring& commandLine,
                             StartWindow window = StartWindow::MinimizedNoFocus) const;

  // Starts file through the shell with verb ("open", "runas"), owned by owner, in folder (none
  // when empty), with a normal window; not waited for. True when the shell started it.
  virtual bool ShellStart(HWND owner, const std::wstring& file, const std::wstring& parameters,
                          const std::wstring& folder, const std::wstring& verb) const;
};

// The shell start of the real starter.
bool ShellStart(HWND owner, const std::wstring& file, const std::wstring& parameters, const std::wstring& folder,
                const std::wstring& verb);

// The real starter, for objects that were not given another.
const ProcessStarter& RealProcessStarter();

}  // namespace kv
