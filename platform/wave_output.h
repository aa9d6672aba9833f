// Multimedia wave output devices.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace tarnwick {

struct WaveOutCaps {
  std::uint16_t manufacturerId = 0;
  std::string name;  // at most 31 characters
  std::uint32_t support = 0;
};

class WaveOutput {
 public:
  virtual ~WaveOutput() = default;
  virtual std::uint32_t DeviceCount() = 0;
  virtual std::optional<WaveOutCaps> Capabilities(std::uint32_t device) = 0;
};

}  // namespace tarnwick
