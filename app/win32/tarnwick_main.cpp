// Tarnwick.exe: one instance at a time, the notice, then the main dialog
// whose initialisation performs the collection run.
#include <windows.h>
#include <commctrl.h>

#include "app/win32/instance_lock.h"
#include "app/win32/report_dialog_window.h"
#include "platform/win32/win32_handles.h"
#include "platform/win32/win32_platform.h"

namespace {

constexpr const char* kNotice =
    "Please insert the TV device into the PCI slot or USB port,\n install driver and application at the same time.\n";

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  using namespace tarnwick::win32;
  // Another instance holds the lock: end at once, silently. The lock is held
  // until the dialog is closed; if it cannot be made the program goes on
  // without it.
  InstanceLock lock = TakeInstanceLock();
  if (lock.anotherInstanceRuns) return 0;

  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES};
  ::InitCommonControlsEx(&controls);

  {
    Win32Platform platform;
    ReportDialogWindow dialog(instance, platform.Services());
    ::MessageBoxA(nullptr, kNotice, "Tarnwick", MB_OK);
    dialog.RunModal();
    lock.handle.Reset();
  }
  return 0;
}
