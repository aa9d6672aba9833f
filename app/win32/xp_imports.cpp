// Windows XP has no GetTickCount64, but the runtime's thread support library
// (linked in statically) imports it by name, and a program that imports a
// function the system lacks does not start at all: the customer would get no
// report. The program defines that import's slot itself, so nothing is
// imported from the system under that name: on Vista and later the real
// function is looked up at run time; on XP the 32-bit tick count is widened,
// counting its wraps.
#include <windows.h>

namespace {

using TickCount64 = ULONGLONG(WINAPI*)();

// Plain globals on purpose: the runtime may call in before any
// initialisation guard can run.
TickCount64 systemTickCount64 = nullptr;
LONG lookedUp = 0;
volatile LONG wrapLock = 0;
DWORD lastTicks = 0;
ULONGLONG wraps = 0;

ULONGLONG WINAPI WidenedTickCount() {
  while (::InterlockedExchange(&wrapLock, 1) != 0) ::Sleep(0);
  const DWORD ticks = ::GetTickCount();
  if (ticks < lastTicks) ++wraps;
  lastTicks = ticks;
  const ULONGLONG widened = (wraps << 32) | ticks;
  ::InterlockedExchange(&wrapLock, 0);
  return widened;
}

ULONGLONG WINAPI TickCount64Anywhere() {
  if (::InterlockedCompareExchange(&lookedUp, 1, 0) == 0) {
    systemTickCount64 = reinterpret_cast<TickCount64>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleA("kernel32.dll"), "GetTickCount64")));
    ::InterlockedExchange(&lookedUp, 2);
  }
  while (lookedUp != 2) ::Sleep(0);
  return systemTickCount64 != nullptr ? systemTickCount64() : WidenedTickCount();
}

}  // namespace

// The import slot the runtime calls GetTickCount64 through.
extern "C" {
extern TickCount64 importedGetTickCount64 __asm__("__imp__GetTickCount64@0");
TickCount64 importedGetTickCount64 = TickCount64Anywhere;
}
