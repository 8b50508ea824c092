#pragma once
// Locks shared by every test process of a run (ctest starts one process per test, all under the
// same wineserver), for tests that would disturb each other:
//   kvtest::ExclusiveLock screen(kvtest::kScreenLock);      // shows windows, sends keys, screenshots
//   kvtest::ExclusiveLock data(kvtest::kUserDataLock);      // the per-user files (UpdateBoot.log,
//                                                            // Update.log, the INI files) and the
//                                                            // program's registry keys
//   kvtest::ExclusiveLock db(kvtest::kDatabaseLock);        // the test databases and data sources
// ScriptedUser takes the screen lock itself. A lock left by a crashed process is taken over; the
// same thread may take a lock again.
#include <windows.h>

#include "base/Handles.h"

namespace kvtest {

inline constexpr wchar_t kScreenLock[] = L"kvtest-screen";
inline constexpr wchar_t kUserDataLock[] = L"kvtest-user-data";
inline constexpr wchar_t kDatabaseLock[] = L"kvtest-database";

class ExclusiveLock {
 public:
  explicit ExclusiveLock(const wchar_t* name);
  ~ExclusiveLock();
  ExclusiveLock(const ExclusiveLock&) = delete;
  ExclusiveLock& operator=(const ExclusiveLock&) = delete;

 private:
  kv::UniqueHandle mutex_;
  bool owned_ = false;
};

}  // namespace kvtest
