// The platform layer of the Windows programs: the real services of Windows
// behind every seam that has a Windows implementation so far.
#pragma once

#include "platform/absent_services.h"
#include "platform/platform.h"
#include "platform/win32/win32_devices.h"
#include "platform/win32/win32_direct_show.h"
#include "platform/win32/win32_file_versions.h"
#include "platform/win32/win32_files.h"
#include "platform/win32/win32_registry.h"
#include "platform/win32/win32_system.h"
#include "platform/win32/win32_wave_output.h"
#include "platform/win32/win32_wmi.h"

namespace tarnwick::win32 {

class Win32Platform {
 public:
  Win32Platform();
  Platform& Services() { return services_; }

 private:
  Win32Registry registry_;
  Win32SystemFacts system_;
  Win32MemoryPower memoryPower_;
  Win32UserAccounts users_;
  Win32Libraries libraries_;
  Win32Devices devices_;
  Win32WaveOutput waveOutput_;
  Win32Wmi wmi_;
  Win32DirectShow directShow_;
  Win32FileVersions fileVersions_;
  Win32ExecutablePath executable_;
  Win32ReportFiles files_;
  Platform services_;
};

}  // namespace tarnwick::win32
