#include "platform/linux/device_registry.h"

#include <array>
#include <charconv>
#include <map>
#include <vector>

#include "platform/text.h"

namespace tarnwick {
namespace {

constexpr std::string_view kEnumKey = "SYSTEM\\CurrentControlSet\\Enum\\";
constexpr std::string_view kClassKey = "SYSTEM\\CurrentControlSet\\Control\\Class\\";
constexpr std::string_view kServicesKey = "SYSTEM\\CurrentControlSet\\Services\\";

struct SetupClass {
  std::string_view name;
  std::string_view guid;
};

// The setup classes the Linux layer puts devices in, with Windows' GUIDs.
constexpr std::array<SetupClass, 4> kSetupClasses = {{
    {.name = "Display", .guid = "{4D36E968-E325-11CE-BFC1-08002BE10318}"},
    {.name = "MEDIA", .guid = "{4D36E96C-E325-11CE-BFC1-08002BE10318}"},
    {.name = "USB", .guid = "{36FC9E60-C465-11CF-8056-444553540000}"},
    {.name = "System", .guid = "{4D36E97D-E325-11CE-BFC1-08002BE10318}"},
}};

constexpr std::array<std::string_view, 12> kMonths = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                      "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

std::optional<int> Number(std::string_view text) {
  int value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

// Windows writes driver dates as month-day-year without leading zeros.
std::string DriverDate(int year, int month, int day) {
  if (year < 1970 || month < 1 || month > 12 || day < 1 || day > 31) return std::string();
  return std::to_string(month) + "-" + std::to_string(day) + "-" + std::to_string(year);
}

// The driver's module and its version, looked up once per driver.
struct DriverFacts {
  std::string module;
  std::string version;
};

class DriverCatalog {
 public:
  DriverCatalog(const HostTree& tree, KernelBuild kernel) : tree_(tree), kernel_(std::move(kernel)) {}

  const DriverFacts& Facts(HostBus bus, const std::string& driver) {
    auto& known = bus == HostBus::Pci ? pci_ : usb_;
    const auto found = known.find(driver);
    if (found != known.end()) return found->second;
    const std::string folder = bus == HostBus::Pci ? "sys/bus/pci/drivers/" : "sys/bus/usb/drivers/";
    // A driver built into the kernel has no module: it goes by its own name.
    DriverFacts facts;
    facts.module = tree_.LinkName(folder + driver + "/module").value_or(driver);
    facts.version = Utf8ToCp1252(tree_.ReadAttribute("sys/module/" + facts.module + "/version").value_or(kernel_.release));
    if (facts.version.empty()) facts.version = kernel_.release;
    return known.emplace(driver, std::move(facts)).first->second;
  }

  const KernelBuild& Kernel() const { return kernel_; }

 private:
  const HostTree& tree_;
  KernelBuild kernel_;
  std::map<std::string, DriverFacts> pci_;
  std::map<std::string, DriverFacts> usb_;
};

const SetupClass* FindClass(std::string_view name) {
  for (const SetupClass& setupClass : kSetupClasses) {
    if (setupClass.name == name) return &setupClass;
  }
  return nullptr;
}

std::string DriverNumber(unsigned number) {
  std::string text = std::to_string(number);
  return std::string(text.size() < 4 ? 4 - text.size() : 0, '0') + text;
}

}  // namespace

std::string KernelBuildDate(std::string_view version) {
  // "(2024-02-01)", as distributions write it.
  for (std::size_t at = version.find('('); at != std::string_view::npos; at = version.find('(', at + 1)) {
    const std::string_view date = version.substr(at + 1, 11);
    if (date.size() == 11 && date[4] == '-' && date[7] == '-' && date[10] == ')') {
      const auto year = Number(date.substr(0, 4));
      const auto month = Number(date.substr(5, 2));
      const auto day = Number(date.substr(8, 2));
      if (year && month && day) return DriverDate(*year, *month, *day);
    }
  }
  // The build stamp: a month name, the day beside it, the year after it.
  std::vector<std::string_view> words;
  for (std::size_t start = 0; start < version.size();) {
    const std::size_t end = std::min(version.find_first_of(" \t\n,", start), version.size());
    if (end > start) words.push_back(version.substr(start, end - start));
    start = end + 1;
  }
  for (std::size_t i = 0; i < words.size(); ++i) {
    int month = 0;
    while (month < 12 && words[i] != kMonths[month]) ++month;
    if (month == 12) continue;
    std::optional<int> day = i + 1 < words.size() ? Number(words[i + 1]) : std::nullopt;
    if ((!day || *day > 31) && i > 0) day = Number(words[i - 1]);
    for (std::size_t j = i + 1; day && j < words.size(); ++j) {
      if (words[j].size() == 4 && Number(words[j])) return DriverDate(*Number(words[j]), month + 1, *day);
    }
  }
  return std::string();
}

KernelBuild ReadKernelBuild(const HostTree& tree) {
  KernelBuild kernel;
  kernel.release = tree.ReadAttribute("proc/sys/kernel/osrelease").value_or("");
  kernel.date = KernelBuildDate(tree.ReadAttribute("proc/sys/kernel/version").value_or(""));
  return kernel;
}

void FillDeviceRegistry(MemoryRegistry& registry, const HostDevices& devices, const HostTree& tree) {
  constexpr auto HKLM = RegistryRoot::LocalMachine;
  DriverCatalog drivers(tree, ReadKernelBuild(tree));
  std::map<std::string_view, unsigned> classDrivers;
  std::map<std::string, std::uint32_t> serviceDevices;
  for (const HostDevice& device : devices.devices) {
    const std::string instance = std::string(kEnumKey).append(device.deviceKey).append("\\").append(device.instance);
    registry.CreateKey(HKLM, instance);
    // Windows runs a device, and gives it a driver key, only once a driver
    // has taken it.
    if (device.driver.empty()) continue;
    registry.SetText(HKLM, instance, "Service", device.driver);
    registry.CreateKey(HKLM, instance + "\\Control");
    ++serviceDevices[device.driver];
    const SetupClass* setupClass = FindClass(device.setupClass);
    if (setupClass == nullptr) continue;

    const std::string driverKey = std::string(setupClass->guid) + "\\" + DriverNumber(classDrivers[setupClass->name]++);
    registry.SetText(HKLM, instance, "Class", setupClass->name);
    registry.SetText(HKLM, instance, "ClassGUID", setupClass->guid);
    registry.SetText(HKLM, instance, "Driver", driverKey);
    const DriverFacts& facts = drivers.Facts(device.bus, device.driver);
    const std::string classPath = std::string(kClassKey).append(driverKey);
    registry.SetText(HKLM, classPath, "ProviderName", facts.module);
    registry.SetText(HKLM, classPath, "DriverDesc", device.description);
    registry.SetText(HKLM, classPath, "DriverVersion", facts.version);
    registry.SetText(HKLM, classPath, "DriverDate", drivers.Kernel().date);
  }
  for (const auto& [service, count] : serviceDevices) {
    registry.SetNumber(HKLM, std::string(kServicesKey).append(service).append("\\Enum"), "Count", count);
  }
}

}  // namespace tarnwick
