#pragma once
// Starting a program by its command line, as a click in a dialog does to open a page in the
// browser: no shell in between, its window minimized without taking the focus, not waited for.
// Forms take the starter in their constructor; tests pass one that records the command lines.
#include <string>

namespace kv {

class CommandStarter {
 public:
  virtual ~CommandStarter() = default;
  // False when the program could not be started; nobody is told, nothing is raised.
  virtual bool Start(const std::wstring& commandLine) = 0;
};

// The real one, for the life of the process.
CommandStarter& SystemCommandStarter();

}  // namespace kv
