// Settings read from the tuner device: section "Empia Data".
#include <cstdio>
#include <memory>
#include <string>

#include "collectors/collectors.h"
#include "collectors/tuner/tuner_device_access.h"

namespace tarnwick {
namespace {

constexpr std::string_view kSection = "Empia Data";
constexpr std::string_view kDriverSettings = "System\\CurrentControlSet\\Services\\USB28xxBGA\\Settings\\OEM";

// The configuration memory on the tuner's two-wire bus, and where the two
// settings lie in it.
constexpr std::uint8_t kEeprom = 0xA0;
constexpr std::uint8_t kMceItemOffset = 22;
constexpr std::uint8_t kVideoStandardOffset = 56;
constexpr std::uint8_t kSettingBytes = 4;

// All four bytes, as one little-endian number, count.
std::string_view MceItemText(std::int32_t status, std::uint32_t bytes) {
  if (BusReadFailed(status)) return "Data Error";
  if (bytes == 1) return "Yes";
  if (bytes == 0) return "No";
  return "Data Error";
}

// Only the lowest byte counts.
std::string_view VideoStandardText(std::int32_t status, std::uint32_t bytes) {
  if (BusReadFailed(status)) return "Data Error";
  switch (bytes & 0xFF) {
    case 0x01: return "NTSC";
    case 0x10: return "PAL";
    default: return "Data Error";
  }
}

std::string HexText(std::uint32_t number) {
  char text[16];
  std::snprintf(text, sizeof text, "%x", number);
  return text;
}

void ReportTunerSettings(CollectorContext& context, TunerDeviceAccess& tuner) {
  std::uint32_t bytes = 0;
  std::int32_t status = tuner.ReadBus(kEeprom, kMceItemOffset, kSettingBytes, bytes);
  context.report.AddReportEntry(kSection, "MCE Item", MceItemText(status, bytes));
  status = tuner.ReadBus(kEeprom, kVideoStandardOffset, kSettingBytes, bytes);
  context.report.AddReportEntry(kSection, "Video Standard", VideoStandardText(status, bytes));

  const RegistryKey settings = context.registry.Open(RegistryRoot::LocalMachine, kDriverSettings);
  if (!settings) return;
  std::uint32_t isMce = 0;
  if (context.registry.ReadNumber(settings, "IsMCE", isMce)) context.report.AddReportEntry(kSection, "Reg-MCE", HexText(isMce));
}

}  // namespace

void CollectTunerSettings(CollectorContext& context) {
  DirectShowDevices& devices = context.platform.directShow;
  const bool comInitialised = Succeeded(devices.ComInitialize());
  // The run keeps the object until it releases it after this step.
  context.state.tunerDevice = std::make_unique<TunerDeviceAccess>(devices, context.registry, comInitialised);
  if (!context.state.tunerDevice->Open()) {
    // No tuner: nothing is written, and the run finds nothing to release.
    context.state.tunerDevice.reset();
    if (comInitialised) devices.ComUninitialize();
    return;
  }
  ReportTunerSettings(context, *context.state.tunerDevice);
}

}  // namespace tarnwick
