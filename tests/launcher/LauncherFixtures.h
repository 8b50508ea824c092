#pragma once
// Helpers of the launcher tests: the registry as the launcher's own (32-bit) view shows it, and
// the standard message boxes of this process answered from a second thread.
#include <windows.h>

#include <atomic>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace kvtest {

struct RegistryValue {
  DWORD type = 0;
  std::string data;  // as the ANSI call reads it back; its size is the stored length
};

// The value as RegQueryValueExA reads it; empty when the key or the value is missing.
std::optional<RegistryValue> ReadRegistryValue(HKEY root, const std::wstring& subKey, const std::wstring& name);
bool RegistryKeyExists(HKEY root, const std::wstring& subKey);
void DeleteRegistryTree(HKEY root, const std::wstring& subKey);
// A volatile key, created when missing: no non-volatile key can be created below it.
void CreateVolatileKey(HKEY root, const std::wstring& subKey);
void WriteRegistryText(HKEY root, const std::wstring& subKey, const std::wstring& name, const std::wstring& text);

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
