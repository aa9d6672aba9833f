// The display adapter driver and video BIOS: section "VGA".
#include <algorithm>
#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "collectors/collectors.h"
#include "platform/text.h"

namespace tarnwick {
namespace {

constexpr std::string_view kPciKey = "SYSTEM\\CurrentControlSet\\Enum\\PCI";
constexpr std::string_view kServicesKey = "SYSTEM\\CurrentControlSet\\Services\\";
constexpr std::string_view kClassKey = "SYSTEM\\CurrentControlSet\\Control\\Class\\";
constexpr std::string_view kSystemKey = "HARDWARE\\DESCRIPTION\\System";

constexpr std::uint32_t kMaxPciDevices = 50;
constexpr std::uint32_t kMaxInstances = 10;
// Key paths are built in 260-byte buffers; a longer one is passed over.
constexpr std::size_t kMaxPath = 259;
// "VideoBiosVersion" is read into 1024 bytes, its first line kept to 259
// characters.
constexpr std::size_t kBiosBuffer = 1024;
constexpr std::size_t kMaxBiosText = 259;

struct DriverEntry {
  std::string_view key;
  std::string_view valueName;
};

constexpr std::array<DriverEntry, 4> kDriverEntries = {{
    {"ProviderName", "ProviderName"},
    {"DeviceName", "DriverDesc"},
    {"Driver Version", "DriverVersion"},
    {"DriverDate", "DriverDate"},
}};

std::optional<std::string> KeyPath(std::string_view prefix, std::string_view name, std::string_view suffix = "") {
  std::string path;
  path.append(prefix).append(name).append(suffix);
  if (path.size() > kMaxPath) return std::nullopt;
  return path;
}

// Name of the subkey at index of the key at path; nothing when the key
// cannot be opened (unopened) or the index is past its last subkey.
struct SubkeyLookup {
  bool opened = false;
  std::optional<std::string> name;
};

SubkeyLookup SubkeyAt(const RegistryAccess& registry, std::string_view path, std::uint32_t index) {
  const RegistryKey key = registry.Open(RegistryRoot::LocalMachine, path);
  if (!key) return {};
  return {true, registry.SubkeyName(key, index)};
}

// Whether the driver service of an instance runs devices now: its "Count",
// taken as a signed number, is above 0; an unreadable one counts as 0.
bool ServiceRuns(const RegistryAccess& registry, std::string_view service) {
  if (service.empty()) return false;
  const auto path = KeyPath(kServicesKey, service, "\\Enum");
  if (!path) return false;
  std::uint32_t count = 0;
  const RegistryKey key = registry.Open(RegistryRoot::LocalMachine, *path);
  registry.ReadNumber(key, "Count", count);
  return static_cast<std::int32_t>(count) > 0;
}

// The class key path of the driver when the instance at instancePath is a
// running display instance: empty when it names no driver; nothing when it
// is no running display instance, or when its driver key path would not fit
// and it is passed over like any other over-long path.
std::optional<std::string> AdapterDriverKey(const RegistryAccess& registry, std::string_view instancePath) {
  const RegistryKey instance = registry.Open(RegistryRoot::LocalMachine, instancePath);
  if (!instance) return std::nullopt;
  if (!EqualsIgnoreAsciiCase(registry.ReadText(instance, "Class").value_or(""), "Display")) return std::nullopt;
  if (!ServiceRuns(registry, registry.ReadText(instance, "Service").value_or(""))) return std::nullopt;
  const std::string driver = registry.ReadText(instance, "Driver").value_or("");
  if (driver.empty()) return std::string();
  return KeyPath(kClassKey, driver);
}

// The driver key of the first PCI device, in enumeration order, with a
// running instance of the class "Display"; at most 50 devices of ten
// instances each. Empty when there is none.
std::string FindDisplayAdapter(const RegistryAccess& registry) {
  for (std::uint32_t device = 0; device < kMaxPciDevices; ++device) {
    const SubkeyLookup deviceName = SubkeyAt(registry, kPciKey, device);
    if (!deviceName.opened) continue;
    if (!deviceName.name) break;
    const auto devicePath = KeyPath(kPciKey, "\\", *deviceName.name);
    if (!devicePath) continue;
    for (std::uint32_t index = 0; index < kMaxInstances; ++index) {
      const SubkeyLookup instanceName = SubkeyAt(registry, *devicePath, index);
      if (!instanceName.opened) continue;
      if (!instanceName.name) break;
      const auto instancePath = KeyPath(*devicePath, "\\", *instanceName.name);
      if (!instancePath) continue;
      if (auto driverKey = AdapterDriverKey(registry, *instancePath)) return std::move(*driverKey);
    }
  }
  return std::string();
}

// The first text of the list, up to 259 characters; empty when the value is
// missing or does not fit the 1024-byte buffer. A value stored without its
// terminating zero ends where its data ends.
std::string VideoBiosVersion(const RegistryAccess& registry) {
  const RegistryKey key = registry.Open(RegistryRoot::LocalMachine, kSystemKey, OpenAccess::QueryValue);
  const auto bytes = registry.ReadBytes(key, "VideoBiosVersion", kBiosBuffer);
  if (!bytes) return std::string();
  const auto zero = std::find(bytes->begin(), bytes->end(), std::uint8_t{0});
  const auto length = std::min<std::size_t>(static_cast<std::size_t>(zero - bytes->begin()), kMaxBiosText);
  return std::string(reinterpret_cast<const char*>(bytes->data()), length);
}

}  // namespace

void CollectDisplayAdapter(CollectorContext& context) {
  const RegistryAccess& registry = context.registry;
  const std::string driverKey = FindDisplayAdapter(registry);
  for (const DriverEntry& entry : kDriverEntries) {
    // The driver key is opened afresh for each value.
    const std::string value = driverKey.empty()
                                  ? std::string()
                                  : registry.ReadKeyText(RegistryRoot::LocalMachine, driverKey, entry.valueName);
    context.report.AddReportEntry("VGA", entry.key, value);
  }
  context.report.AddReportEntry("VGA", "BiosVersion", VideoBiosVersion(registry));
  context.report.AppendGroupSeparator();
}

}  // namespace tarnwick
