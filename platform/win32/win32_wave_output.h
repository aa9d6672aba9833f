// Wave output devices through the Windows multimedia interface.
#pragma once

#include "platform/wave_output.h"

namespace tarnwick::win32 {

class Win32WaveOutput final : public WaveOutput {
 public:
  std::uint32_t DeviceCount() override;
  std::optional<WaveOutCaps> Capabilities(std::uint32_t device) override;
};

}  // namespace tarnwick::win32
