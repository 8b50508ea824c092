#pragma once
// The one run-time error of the update program: a failure number and its text.
#include <windows.h>

#include <cstdint>
#include <stdexcept>
#include <string>

namespace kv {

// Failure numbers that callers test.
namespace err {
inline constexpr std::int32_t Overflow = 6;
inline constexpr std::int32_t SubscriptOutOfRange = 9;
inline constexpr std::int32_t TypeMismatch = 13;
inline constexpr std::int32_t BadFileName = 52;
inline constexpr std::int32_t FileNotFound = 53;
inline constexpr std::int32_t FileAlreadyExists = 58;
inline constexpr std::int32_t DeviceUnavailable = 68;
inline constexpr std::int32_t PermissionDenied = 70;
inline constexpr std::int32_t DiskNotReady = 71;
inline constexpr std::int32_t PathFileAccess = 75;
inline constexpr std::int32_t PathNotFound = 76;
inline constexpr std::int32_t ObjectNotSet = 91;
inline constexpr std::int32_t InvalidPropertyValue = 380;
inline constexpr std::int32_t CannotCreateObject = 429;
}  // namespace err

class RuntimeError : public std::runtime_error {
 public:
  RuntimeError(std::int32_t number, std::wstring description);
  explicit RuntimeError(std::int32_t number);  // with the standard text of the number

  std::int32_t Number() const noexcept { return number_; }
  const std::wstring& Description() const noexcept { return description_; }

  // A Windows error code as the failure the file functions report (2 -> 53, 3 -> 76, 5 -> 75, ...).
  static RuntimeError FromWin32(DWORD code);
  // A failed call of an outside component keeps its HRESULT as number and the system's text.
  // (A component that cannot be created is raised as 429 by its creator.)
  static RuntimeError FromHresult(HRESULT hr, std::wstring description = {});

 private:
  std::int32_t number_;
  std::wstring description_;
};

// Standard text of a failure number.
std::wstring ErrorText(std::int32_t number);
// The failure number of a Windows error code.
std::int32_t ErrorNumberFromWin32(DWORD code);

[[noreturn]] void Raise(std::int32_t number);
[[noreturn]] void RaiseLastWin32();

}  // namespace kv
