#include "support/ExclusiveLock.h"

namespace kvtest {

ExclusiveLock::ExclusiveLock(const wchar_t* name) : mutex_(CreateMutexW(nullptr, FALSE, name)) {
  // Tests have their own time-out (300 s); a lock that is not given up in time is not worth a
  // hang. A holder that is ended abandons the lock, and the wait ends then.
  const DWORD waited = mutex_ ? WaitForSingleObject(mutex_.get(), 280000) : WAIT_FAILED;
  owned_ = waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED;
}

ExclusiveLock::~ExclusiveLock() {
  if (owned_) ReleaseMutex(mutex_.get());
}

}  // namespace kvtest
