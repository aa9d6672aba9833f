// startup_marker.dll: a library whose start-up code leaves a mark in the
// process that loads it, so a test can tell whether that code ran.
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, void*) {
  if (reason == DLL_PROCESS_ATTACH) ::SetEnvironmentVariableA("TARNWICK_MARKER_STARTED", "1");
  return TRUE;
}
