// After the last device: whether a USB 2.0 root hub was seen ("USBInfo") and
// the drivers of the USB setup class, host controllers and hubs ("USB Info").
#include <cstdint>
#include <optional>
#include <string>

#include "collectors/devices/device_lookups.h"
#include "platform/text.h"

namespace tarnwick {
namespace {

constexpr std::string_view kUsbClassKey =
    "SYSTEM\\CurrentControlSet\\Control\\Class\\{36FC9E60-C465-11CF-8056-444553540000}";
constexpr std::uint32_t kMaxUsbControllers = 100;

}  // namespace

void ReportUsbSummary(CollectorContext& context) {
  context.report.AddReportEntry("USBInfo", "USB TYPE", context.state.usb2RootHubSeen ? "2.0" : "1.1");
  context.report.AppendGroupSeparator();
  ReportUsbControllers(context);
  context.report.AppendGroupSeparator();
}

void ReportUsbControllers(CollectorContext& context) {
  const RegistryAccess& registry = context.registry;
  std::string previous;
  for (std::uint32_t index = 0; index < kMaxUsbControllers; ++index) {
    std::optional<std::string> name;
    {
      const RegistryKey classKey = registry.Open(RegistryRoot::LocalMachine, kUsbClassKey);
      if (!classKey) continue;
      name = registry.SubkeyName(classKey, index);
    }
    if (!name) break;
    const std::string path = std::string(kUsbClassKey).append("\\").append(*name);
    // A path too long for its buffer is never opened: its texts read empty
    // and it is not listed, like a subkey that cannot be opened.
    const bool fits = FitsPathBuffer(path);
    const auto read = [&](std::string_view value) {
      return fits ? registry.ReadKeyText(RegistryRoot::LocalMachine, path, value) : std::string();
    };
    std::string value = read("DriverDesc") + "========" + read("DriverDate");
    const bool openable = fits && registry.Open(RegistryRoot::LocalMachine, path, OpenAccess::QueryValue);
    // Identical neighbours, such as two root hubs of one controller, are
    // listed once; the key numbers keep the gap.
    if (openable && !EqualsIgnoreAsciiCase(value, previous)) {
      context.report.AddReportEntry("USB Info", "DriverDesc" + std::to_string(index), value);
    }
    previous = std::move(value);
  }
  context.report.AppendGroupSeparator();
}

}  // namespace tarnwick
