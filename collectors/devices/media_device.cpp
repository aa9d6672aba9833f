// The media-class driver of one device: section "Media", its keys ending in
// the device's number.
#include <array>
#include <cstdint>
#include <string>

#include "collectors/devices/device_lookups.h"
#include "platform/text.h"

namespace tarnwick {
namespace {

constexpr std::string_view kServicesKey = "SYSTEM\\CurrentControlSet\\Services\\";

struct MediaValue {
  std::string_view key;    // the entry's key, before the device number
  std::string_view value;  // the driver key's value
};

// After the "DeviceID" entry, in this order.
constexpr std::array<MediaValue, 4> kMediaValues = {{
    {.key = "ProviderName", .value = "ProviderName"},
    {.key = "DeviceName", .value = "DriverDesc"},
    {.key = "Driver Version", .value = "DriverVersion"},
    {.key = "DriverDate", .value = "DriverDate"},
}};

// How many devices the service runs now; 0 when that cannot be read.
std::int32_t ServiceDeviceCount(const RegistryAccess& registry, const std::string& servicePath) {
  std::uint32_t count = 0;
  const RegistryKey key = registry.Open(RegistryRoot::LocalMachine, servicePath);
  registry.ReadNumber(key, "Count", count);
  return static_cast<std::int32_t>(count);
}

}  // namespace

void ReportMediaDevice(CollectorContext& context, std::uint32_t deviceNumber, std::string_view hardwareId) {
  const RegistryAccess& registry = context.registry;
  const std::string devicePath = std::string(kEnumKey).append(hardwareId);
  if (!FitsPathBuffer(devicePath) || !registry.Open(RegistryRoot::LocalMachine, devicePath)) return;

  WalkDeviceInstances(registry, devicePath, [&](const std::string& instancePath) {
    const std::string setupClass = registry.ReadKeyText(RegistryRoot::LocalMachine, instancePath, "Class");
    if (!EqualsIgnoreAsciiCase(setupClass, "MEDIA")) return InstanceWalk::Next;

    const std::string service = registry.ReadKeyText(RegistryRoot::LocalMachine, instancePath, "Service");
    const std::string servicePath = std::string(kServicesKey).append(service).append("\\Enum");
    if (!FitsPathBuffer(servicePath)) return InstanceWalk::Done;
    // Installed but not running: the next instance may be.
    if (ServiceDeviceCount(registry, servicePath) <= 0) return InstanceWalk::Next;

    const std::string driver = registry.ReadKeyText(RegistryRoot::LocalMachine, instancePath, "Driver");
    const std::string driverPath = std::string(kClassKey).append(driver);
    if (!FitsPathBuffer(driverPath)) return InstanceWalk::Done;

    const std::string number = std::to_string(deviceNumber);
    context.report.AddReportEntry("Media", "DeviceID" + number, devicePath);
    for (const MediaValue& row : kMediaValues) {
      context.report.AddReportEntry("Media", std::string(row.key).append(number),
                                    registry.ReadKeyText(RegistryRoot::LocalMachine, driverPath, row.value));
    }
    context.report.AppendGroupSeparator();
    return InstanceWalk::Done;
  });
}

}  // namespace tarnwick
