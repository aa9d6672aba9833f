// The driver of a recognised tuner device's first running instance: five
// entries that follow the device's known-hardware entry.
#include <array>
#include <string>

#include "collectors/devices/device_lookups.h"

namespace tarnwick {
namespace {

// Read from the driver key and written in this order, each under the label,
// "_" and the value name.
constexpr std::array<std::string_view, 5> kDriverValues = {
    "ProviderName", "NTMPDriver", "DriverDesc", "DriverVersion", "DriverDate",
};

}  // namespace

void ReportDriverDetails(CollectorContext& context, std::string_view section, std::string_view label,
                         std::string_view deviceId) {
  const RegistryAccess& registry = context.registry;
  WalkDeviceInstances(registry, std::string(kEnumKey).append(deviceId), [&](const std::string& instancePath) {
    // Only a running instance has a "Control" subkey.
    const std::string controlPath = instancePath + "\\Control";
    if (!FitsPathBuffer(controlPath)) return InstanceWalk::Done;
    if (!registry.Open(RegistryRoot::LocalMachine, controlPath)) return InstanceWalk::Next;

    std::optional<std::string> driver;
    {
      const RegistryKey instanceKey = registry.Open(RegistryRoot::LocalMachine, instancePath);
      driver = registry.ReadText(instanceKey, "Driver");
    }
    if (!driver) return InstanceWalk::Next;
    const std::string driverPath = std::string(kClassKey).append(*driver);
    if (!FitsPathBuffer(driverPath)) return InstanceWalk::Done;

    // Written even when the driver key or a value is missing: empty then.
    for (const std::string_view value : kDriverValues) {
      context.report.AddReportEntry(section, std::string(label).append("_").append(value),
                                    registry.ReadKeyText(RegistryRoot::LocalMachine, driverPath, value));
    }
    return InstanceWalk::Done;
  });
}

}  // namespace tarnwick
