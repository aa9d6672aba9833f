// Access to the plugged-in tuner through its driver's private interface.
// Created by the tuner collector, released by the run right after it.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "platform/direct_show.h"
#include "platform/guid.h"
#include "platform/registry_access.h"
#include "platform/tuner_bus.h"

namespace tarnwick {

// The names the driver gives the tuner's filter, searched in this order when
// the name from the driver's settings finds no device.
inline constexpr std::array<std::string_view, 17> kTunerFilterNames = {
    "USB 2800 Device", "USB 2801 Device", "USB 2840 Device", "USB 2841 Device", "USB 2820 Device", "USB 2821 Device",
    "USB 2860 Device", "USB 2861 Device", "USB 2862 Device", "USB 2863 Device", "USB 2880 Device", "USB 2881 Device",
    "USB 2882 Device", "USB 2883 Device", "USB 2870 Device", "USB 2872 Device", "USB 2900 Device",
};

// Video capture sources, then BDA receiver components.
inline constexpr std::array<Guid, 2> kTunerCategories = {{
    {0x860BB310, 0x5D01, 0x11D0, {0xBD, 0x3B, 0x00, 0xA0, 0xC9, 0x11, 0xCE, 0x86}},
    {0xFD0A5AF4, 0xB41D, 0x11D2, {0x9C, 0x95, 0x00, 0xC0, 0x4F, 0x79, 0x71, 0xE0}},
}};

// What ReadBus answers when no interface is held.
inline constexpr std::int32_t kNoTunerControl = 6;

// A bus read failed: a failure status, or no interface held.
constexpr bool BusReadFailed(std::int32_t status) { return status < 0 || status == kNoTunerControl; }

class TunerDeviceAccess {
 public:
  // comInitialised: whether the COM initialisation made for this object
  // succeeded and so must be undone once the object is gone.
  TunerDeviceAccess(DirectShowDevices& devices, const RegistryAccess& registry, bool comInitialised);

  // Finds the tuner's filter and takes its private interface; false (nothing
  // held) when no device or no interface is found.
  bool Open();

  // Reads count bytes (at most 4) from sub-address of the bus device into
  // result, which is cleared first. The status of the last bus call made;
  // kNoTunerControl without an interface, E_INVALIDARG for more than 4 bytes.
  std::int32_t ReadBus(std::uint8_t device, std::uint8_t subAddress, std::uint8_t count, std::uint32_t& result);

  // Releases the control interface if held.
  void Release() { control_.reset(); }

  bool HoldsControl() const { return control_ != nullptr; }
  bool ComInitialised() const { return comInitialised_; }
  std::int32_t LastStatus() const { return lastStatus_; }

 private:
  std::string ResolveFirstName() const;
  std::unique_ptr<DeviceFilter> FindFilter(std::string_view name);
  std::unique_ptr<DeviceFilter> FindFilterIn(const Guid& category, std::string_view name);

  DirectShowDevices& devices_;
  const RegistryAccess& registry_;
  bool comInitialised_;
  std::unique_ptr<TunerBusControl> control_;
  std::int32_t lastStatus_ = 0;
  // Read at Open; nothing in the report depends on them.
  std::uint32_t info1027_ = 0;
  std::uint32_t info1028_ = 0;
  std::uint32_t info101C_ = 0;
};

}  // namespace tarnwick
