// The list of present Plug and Play devices of all classes.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace tarnwick {

inline constexpr std::uint32_t kErrorInvalidData = 13;

struct HardwareIdRead {
  std::uint32_t error = 0;           // 0, or the Windows error of the failed read
  std::vector<std::string> ids;      // most specific first
};

class DeviceSet {
 public:
  virtual ~DeviceSet() = default;
  // Whether a device stands at this enumeration index.
  virtual bool HasDevice(std::uint32_t index) = 0;
  // The device's hardware-ID list. A read that needs a larger buffer is
  // retried by the platform layer, so the error is never "insufficient buffer".
  virtual HardwareIdRead ReadHardwareIds(std::uint32_t index) = 0;
};

class DeviceList {
 public:
  virtual ~DeviceList() = default;
  // The set of present devices; nothing when it cannot be had.
  virtual std::unique_ptr<DeviceSet> OpenPresentDevices() = 0;
};

}  // namespace tarnwick
