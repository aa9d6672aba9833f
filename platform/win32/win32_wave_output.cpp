#include "platform/win32/win32_wave_output.h"

#include <windows.h>
#include <mmsystem.h>

#include <algorithm>

namespace tarnwick::win32 {

std::uint32_t Win32WaveOutput::DeviceCount() { return ::waveOutGetNumDevs(); }

std::optional<WaveOutCaps> Win32WaveOutput::Capabilities(std::uint32_t device) {
  WAVEOUTCAPSA caps{};
  if (::waveOutGetDevCapsA(device, &caps, sizeof caps) != MMSYSERR_NOERROR) return std::nullopt;
  // The name field holds at most 31 characters and its zero; a driver that
  // fills it without the zero is cut there, never read past.
  const char* end = std::find(caps.szPname, caps.szPname + sizeof caps.szPname - 1, '\0');
  WaveOutCaps result;
  result.manufacturerId = caps.wMid;
  result.name.assign(static_cast<const char*>(caps.szPname), end);
  result.support = caps.dwSupport;
  return result;
}

}  // namespace tarnwick::win32
