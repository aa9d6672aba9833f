// The single-instance lock: the named mutex "TarnwickMax", created owned by
// the first instance and held until its dialog has closed.
#pragma once

#include "platform/win32/win32_handles.h"

namespace tarnwick::win32 {

inline constexpr const char* kInstanceLockName = "TarnwickMax";

struct InstanceLock {
  // Another instance holds the lock: this one must end at once, silently.
  bool anotherInstanceRuns = false;
  // The lock, when this instance holds it. Empty also when the mutex could
  // not be made at all; the program then goes on without it.
  KernelHandle handle;
};

InstanceLock TakeInstanceLock();

}  // namespace tarnwick::win32
