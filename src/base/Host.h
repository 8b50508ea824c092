#pragma once
// The facts of the running process that tests must be able to set: the program's own folder and
// name, its version texts, the system folder, the clock, the Windows version, the administrator
// answer and the pauses. One real implementation; tests install a fake with ScopedHost.
#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kv {

struct WindowsVersion {
  DWORD major = 0;
  DWORD minor = 0;
};

class Host {
 public:
  virtual ~Host() = default;

  // Folder of the running program, without a trailing "\".
  virtual std::wstring ProgramFolder() const;
  // File name of the running program without ".exe".
  virtual std::wstring ProgramName() const;
  // Product name from the program's version information (empty when it has none).
  virtual std::wstring ProductName() const;
  // Legal copyright text of the program's version information (empty when it has none).
  virtual std::wstring LegalCopyright() const;
  // Windows system folder without a trailing "\"; empty when Windows does not give it.
  virtual std::wstring SystemFolder() const;
  virtual SYSTEMTIME LocalTime() const;
  // Empty when the version cannot be read.
  virtual std::optional<WindowsVersion> Version() const;
  virtual bool IsUserAnAdmin() const;
  virtual void Sleep(DWORD milliseconds) const;
  // The command line without the program token (quoted or not) and the blanks after it.
  virtual std::wstring CommandLine() const;
  // Local groups of user on server (level 0, direct memberships when flags is 0), replacing names.
  // Answers the network status, 0 for success.
  virtual std::int32_t UserLocalGroups(const std::wstring& server, const std::wstring& user, std::int32_t flags,
                                       std::vector<std::wstring>& names) const;
  // GetDriveType of a root such as "D:\".
  virtual UINT DriveType(const std::wstring& root) const;
  // GetAsyncKeyState of a virtual key: the high bit is set while the key is down.
  virtual std::int16_t AsyncKeyState(int virtualKey) const;
};

// The command line of the process as GetCommandLineW gives it, less its program token.
std::wstring CommandLineArguments(std::wstring_view commandLine);

// The host in force: the real one unless a test installed another.
const Host& CurrentHost();

class ScopedHost {
 public:
  explicit ScopedHost(const Host& host);
  ~ScopedHost();
  ScopedHost(const ScopedHost&) = delete;
  ScopedHost& operator=(const ScopedHost&) = delete;

 private:
  const Host* previous_;
};

}  // namespace kv
