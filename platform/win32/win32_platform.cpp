#include "platform/win32/win32_platform.h"

namespace tarnwick::win32 {

Win32Platform::Win32Platform()
    : services_{registry_,   system_, memoryPower_, users_,         libraries_,  devices_,
                waveOutput_, wmi_,    directShow_,  fileVersions_,  executable_, files_} {}

}  // namespace tarnwick::win32
