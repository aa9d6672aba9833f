// Every Plug and Play device and the known tuner hardware: sections
// "System Device Info" and "DeviceInfo", with the driver, media and USB
// lookups.
#include <array>
#include <span>
#include <string>

#include "collectors/collectors.h"
#include "collectors/devices/device_lookups.h"
#include "platform/text.h"

namespace tarnwick {
namespace {

// When a matching device's hardware ID is rewritten into its device-ID form.
enum class Normalisation { None, BeforeEntry, AfterEntry };

struct KnownHardwareGroup {
  std::string_view label;  // ends in a blank; the device number follows
  Normalisation normalisation;
  std::span<const std::string_view> prefixes;  // in the order tested
};

// The rows stand as the support desk's tables have them, mixed letter case
// and repeated rows included: every matching row writes an entry.
constexpr std::string_view kPhilipsIds[] = {
    "PCI\\VEN_1131&DEV_7130", "PCI\\VEN_1131&DEV_7133", "PCI\\VEN_1131&DEV_7134",
    "PCI\\VEN_1131&DEV_7160", "PCI\\VEN_1131&DEV_7162", "PCI\\VEN_1131&DEV_7231",
};
constexpr std::string_view kConexantIds[] = {
    "PCI\\VEN_109E&DEV_036E", "PCI\\VEN_109E&DEV_0878", "PCI\\VEN_14F1&DEV_8800",
    "PCI\\VEN_14F1&DEV_8801", "PCI\\VEN_14F1&DEV_8802", "PCI\\VEN_14F1&DEV_8803",
    "PCI\\VEN_14F1&DEV_8804", "PCI\\VEN_109E",          "PCI\\VEN_14F1",
};
constexpr std::string_view kDibcomIds[] = {
    "USB\\VID_06E1&PID_A3", "USB\\VID_EB2A&PID_17", "USB\\VID_EB1A&PID_17",   "USB\\VID_0000&PID_00",
    "USB\\VID_10B8&PID_0B", "USB\\VID_04B4&PID_86", "USB\\VID_17DE&PID_12",   "USB\\VID_04B4&PID_86",
    "USB\\VID_EB1A&PID_E360", "USB\\VID_EB1A&PID_E361",
};
constexpr std::string_view kEmpiaIds[] = {
    "USB\\VID_EB1A&PID_2800", "USB\\VID_EB1A&PID_2801", "USB\\VID_EB1A&PID_2820", "USB\\VID_EB1A&PID_2821",
    "USB\\VID_EB1A&PID_2840", "USB\\VID_EB1A&PID_2841", "USB\\VID_EB1A&PID_2710", "USB\\VID_EB1A&PID_2711",
    "USB\\VID_EB1A&PID_2860", "USB\\VID_EB1A&PID_2861", "USB\\VID_EB1A&PID_2862", "USB\\VID_EB1A&PID_2870",
    "USB\\VID_EB1A&PID_2871", "USB\\VID_EB1A&PID_2880", "USB\\VID_EB1A&PID_2881", "USB\\VID_EB1A&PID_2882",
    "USB\\Vid_EB1A&Pid_E300", "USB\\Vid_EB1A&Pid_E301", "USB\\Vid_EB1A&Pid_E310", "USB\\Vid_EB1A&Pid_E311",
    "USB\\Vid_EB1A&Pid_E350", "USB\\Vid_EB1A&Pid_E355", "USB\\Vid_EB1A&Pid_E356", "USB\\Vid_EB1A&Pid_E357",
    "USB\\Vid_EB1A&Pid_A310", "USB\\VID_EB1A",
};
constexpr std::string_view kBrennockIds[] = {
    "USB\\VID_05E3&PID_F190",
};
constexpr std::string_view kDeviceIds[] = {
    "USB\\VID_1B80",         "USB\\VID_0D8C&PID_0102", "USB\\VID_0D8C&PID_0006", "USB\\VID_1B80&PID_D715",
    "USB\\VID_06E1&PID_A3",  "USB\\VID_EB2A&PID_17",   "USB\\VID_EB1A&PID_17",   "USB\\VID_0000&PID_00",
    "USB\\VID_10B8&PID_0B",  "USB\\VID_04B4&PID_86",   "USB\\VID_17DE&PID_12",   "USB\\VID_04B4&PID_86",
    "USB\\VID_EB2A&PID_E3",
};

// Tested in this order.
constexpr std::array<KnownHardwareGroup, 6> kKnownHardware = {{
    {.label = "Philips ID ", .normalisation = Normalisation::None, .prefixes = kPhilipsIds},
    {.label = "Conexant ID ", .normalisation = Normalisation::None, .prefixes = kConexantIds},
    {.label = "DiBcom ID ", .normalisation = Normalisation::None, .prefixes = kDibcomIds},
    {.label = "Empia ID ", .normalisation = Normalisation::BeforeEntry, .prefixes = kEmpiaIds},
    {.label = "Brennock ID ", .normalisation = Normalisation::AfterEntry, .prefixes = kBrennockIds},
    {.label = "Device ID ", .normalisation = Normalisation::BeforeEntry, .prefixes = kDeviceIds},
}};

constexpr std::string_view kUsb2RootHub = "USB\\ROOT_HUB20";

// A USB hardware ID in the form its device key has below the enumeration
// key, decided by length alone: "...&REV_xxxx" (30 characters) loses the
// revision, "...&REV_xxxx&MI_xx" (36) keeps only whether the interface number
// ends in 0. The dropped characters are not examined.
constexpr std::size_t kRevisionIdLength = 30;
constexpr std::size_t kRevisionSuffixLength = 9;  // "&Rev_0100"
constexpr std::size_t kInterfaceIdLength = 36;
constexpr std::size_t kInterfaceSuffixLength = 15;  // "&Rev_0100&MI_00"

void NormaliseDeviceId(std::string& id) {
  if (id.size() == kRevisionIdLength) {
    id.resize(kRevisionIdLength - kRevisionSuffixLength);
  } else if (id.size() == kInterfaceIdLength) {
    const bool firstInterface = id.back() == '0';
    id.resize(kInterfaceIdLength - kInterfaceSuffixLength);
    id += firstInterface ? "&MI_00" : "&MI_01";
  }
}

}  // namespace

bool IsKnownTunerHardware(std::string_view hardwareId) {
  for (const KnownHardwareGroup& group : kKnownHardware) {
    for (const std::string_view prefix : group.prefixes) {
      if (StartsWithIgnoreAsciiCase(hardwareId, prefix)) return true;
    }
  }
  return false;
}

void CollectSystemDevices(CollectorContext& context) {
  const auto devices = context.platform.devices.OpenPresentDevices();
  if (!devices) return;

  bool firstKnownDeviceWritten = false;
  for (std::uint32_t device = 0; device < kMostDevices && devices->HasDevice(device); ++device) {
    const HardwareIdRead read = devices->ReadHardwareIds(device);
    // A device without a hardware ID goes on with an empty one, never with
    // the text of the device before it.
    std::string hardwareId;
    if (read.Ok()) {
      if (!read->empty()) hardwareId = read->front();
    } else if (read.Error() != kErrorInvalidData) {
      context.diagnostics << "device " << device << ": hardware IDs unreadable, error " << read.Error() << '\n';
      return;
    }
    const std::string number = std::to_string(device);

    for (const KnownHardwareGroup& group : kKnownHardware) {
      for (const std::string_view prefix : group.prefixes) {
        if (!StartsWithIgnoreAsciiCase(hardwareId, prefix)) continue;
        if (!firstKnownDeviceWritten) {
          context.report.AppendGroupSeparator();
          firstKnownDeviceWritten = true;
        }
        const std::string key = std::string(group.label).append(number);
        if (group.normalisation == Normalisation::BeforeEntry) NormaliseDeviceId(hardwareId);
        context.report.AddReportEntry("DeviceInfo", key, hardwareId);
        if (group.normalisation == Normalisation::AfterEntry) NormaliseDeviceId(hardwareId);
        ReportDriverDetails(context, "DeviceInfo", key, hardwareId);
        context.report.AppendGroupSeparator();
      }
    }

    if (StartsWithIgnoreAsciiCase(hardwareId, kUsb2RootHub)) context.state.usb2RootHubSeen = true;
    ReportMediaDevice(context, device, hardwareId);
    context.report.AddReportEntry("System Device Info", "System ID " + number, hardwareId);
  }
  ReportUsbSummary(context);
}

}  // namespace tarnwick
