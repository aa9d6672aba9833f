// Tarnwick.exe: one instance at a time, the notice, then the main dialog
// whose initialisation performs the collection run.
#include <windows.h>
#include <commctrl.h>

#include "app/win32/report_dialog_window.h"
#include "platform/win32/win32_handles.h"
#include "platform/win32/win32_platform.h"

namespace {

constexpr const char* kInstanceLock = "TarnwickMax";
constexpr const char* kNotice =
    "Please insert the TV device into the PCI slot or USB port,\n install driver and application at the same time.\n";

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  using namespace tarnwick::win32;
  // Another instance holds the lock: end at once, silently.
  if (KernelHandle running(::OpenMutexA(MUTEX_ALL_ACCESS, TRUE, kInstanceLock)); running) return 0;
  // Held until the dialog is closed; if it cannot be created the program
  // goes on without the lock.
  KernelHandle lock(::CreateMutexA(nullptr, TRUE, kInstanceLock));

  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES};
  ::InitCommonControlsEx(&controls);

  {
    Win32Platform platform;
    ReportDialogWindow dialog(instance, platform.Services());
    ::MessageBoxA(nullptr, kNotice, "Tarnwick", MB_OK);
    dialog.RunModal();
    lock.Reset();
  }
  return 0;
}
