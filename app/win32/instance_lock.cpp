#include "app/win32/instance_lock.h"

namespace tarnwick::win32 {

InstanceLock TakeInstanceLock() {
  // One call both tests and creates: two programs started at the same
  // instant cannot both find the name free, as a test followed by a
  // separate creation would let them.
  InstanceLock lock;
  lock.handle.Reset(::CreateMutexA(nullptr, TRUE, kInstanceLockName));
  if (lock.handle && ::GetLastError() == ERROR_ALREADY_EXISTS) {
    lock.handle.Reset();
    lock.anotherInstanceRuns = true;
  }
  return lock;
}

}  // namespace tarnwick::win32
