// The list of present Plug and Play devices of all classes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/result.h"

namespace tarnwick {

// The hardware-ID read fails with this error for a device that has none.
inline constexpr std::uint32_t kErrorInvalidData = 13;

// Most devices walked: a device list that never ends must not hold the run
// (a computer has a few hundred).
inline constexpr std::uint32_t kMostDevices = 65536;
// The read needs a larger buffer; the platform layer retries it, and only
// reports it when the size asked for is beyond what it will allocate.
inline constexpr std::uint32_t kErrorInsufficientBuffer = 122;
// The most a layer allocates for one device's hardware-ID list.
inline constexpr std::size_t kMaxHardwareIdBuffer = 64 * 1024;

// A device's hardware-ID list, most specific first, or the Windows error of
// the failed read: kErrorInvalidData for a device without one; any other code
// means the list cannot be read.
using HardwareIdRead = Result<std::vector<std::string>>;

class DeviceSet {
 public:
  virtual ~DeviceSet() = default;
  // Whether a device stands at this enumeration index.
  virtual bool HasDevice(std::uint32_t index) = 0;
  virtual HardwareIdRead ReadHardwareIds(std::uint32_t index) = 0;
};

class DeviceList {
 public:
  virtual ~DeviceList() = default;
  // The set of present devices; nothing when it cannot be had.
  virtual std::unique_ptr<DeviceSet> OpenPresentDevices() = 0;
};

}  // namespace tarnwick
