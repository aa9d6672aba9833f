// The registry lookups the device inventory makes: the driver details of a
// recognised tuner device, the media-class driver of any device, and after the
// last device the USB type and the USB controllers' drivers.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "collectors/collector_context.h"

namespace tarnwick {

// Device keys stand below the enumeration key under their device ID; their
// subkeys are the device's instances.
inline constexpr std::string_view kEnumKey = "SYSTEM\\CurrentControlSet\\Enum\\";
// Driver keys stand below the class key under an instance's "Driver" text.
inline constexpr std::string_view kClassKey = "SYSTEM\\CurrentControlSet\\Control\\Class\\";
// At most this many instances of one device are looked at.
inline constexpr std::uint32_t kMaxDeviceInstances = 10;

// Paths are built in buffers of 260 bytes: one that needs more room is never
// opened, and the lookup that would build it writes nothing for that device.
inline bool FitsPathBuffer(std::string_view path) { return path.size() < kKeyNameBuffer; }

// How an instance walk goes on after one instance.
enum class InstanceWalk { Next, Done };

// Calls visit(instancePath) for the instances of the device key at
// devicePath, index 0 up to 9, until it answers Done or the key has no more
// subkeys. The device key is opened afresh for each index; an index at which
// it cannot be opened is passed over. An instance path that does not fit its
// buffer ends the walk.
template <typename Visit>
void WalkDeviceInstances(const RegistryAccess& registry, const std::string& devicePath, Visit visit) {
  if (!FitsPathBuffer(devicePath)) return;
  for (std::uint32_t index = 0; index < kMaxDeviceInstances; ++index) {
    std::optional<std::string> instance;
    {
      const RegistryKey deviceKey = registry.Open(RegistryRoot::LocalMachine, devicePath);
      if (!deviceKey) continue;
      instance = registry.SubkeyName(deviceKey, index);
    }
    if (!instance) return;
    const std::string instancePath = devicePath + "\\" + *instance;
    if (!FitsPathBuffer(instancePath) || visit(instancePath) == InstanceWalk::Done) return;
  }
}

// The five driver values of the device's first running instance, under keys
// made of label, "_" and the value name.
void ReportDriverDetails(CollectorContext& context, std::string_view section, std::string_view label,
                         std::string_view deviceId);

// The driver values of the device's first instance of the setup class
// "MEDIA" whose service runs at least one device: section "Media".
void ReportMediaDevice(CollectorContext& context, std::uint32_t deviceNumber, std::string_view hardwareId);

// Whether a device's first hardware ID matches a row of the known tuner
// hardware groups ("Philips ID ", "Empia ID "…).
bool IsKnownTunerHardware(std::string_view hardwareId);

// The USB type ("USBInfo") and the USB controllers' drivers ("USB Info").
void ReportUsbSummary(CollectorContext& context);
void ReportUsbControllers(CollectorContext& context);

}  // namespace tarnwick
