#pragma once
// The standard message boxes of this process, answered from a second thread.
#include <windows.h>

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace kvtest {

// One message box as it was found.
struct AnsweredBox {
  std::wstring text;
  bool criticalIcon = false;  // the box shows the system's critical (hand) icon
  bool onlyOk = false;        // its one button is OK
  bool owned = false;         // it has an owner window
};

// Answers, with OK, every dialog of this process whose class is "#32770" and whose caption is
// the given one, found by caption as the answering program finds them, until it is stopped.
class MessageBoxAnswerer {
 public:
  explicit MessageBoxAnswerer(std::wstring caption);
  ~MessageBoxAnswerer();
  MessageBoxAnswerer(const MessageBoxAnswerer&) = delete;
  MessageBoxAnswerer& operator=(const MessageBoxAnswerer&) = delete;

  // Stops looking and answers what was found.
  std::vector<AnsweredBox> Stop();

 private:
  void Run();

  std::wstring caption_;
  std::atomic<bool> stop_{false};
  std::mutex mutex_;
  std::vector<AnsweredBox> answered_;
  std::thread thread_;
};

}  // namespace kvtest
