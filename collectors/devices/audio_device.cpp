// The first wave output device: section "Audio".
#include "collectors/collectors.h"
#include "collectors/devices/manufacturer_name.h"

namespace tarnwick {
namespace {

// Capability flags as Windows multimedia defines them.
constexpr std::uint32_t kWaveCapsVolume = 0x0004;    // WAVECAPS_VOLUME
constexpr std::uint32_t kWaveCapsLrVolume = 0x0008;  // WAVECAPS_LRVOLUME

const char* Flag(std::uint32_t support, std::uint32_t flag) { return (support & flag) != 0 ? "1" : "0"; }

}  // namespace

void CollectAudioDevice(CollectorContext& context) {
  WaveOutput& wave = context.platform.waveOutput;
  // Without a device, or when device 0 cannot say what it is, the section
  // is left out, separator and all.
  if (wave.DeviceCount() == 0) return;
  const auto caps = wave.Capabilities(0);
  if (!caps) return;
  context.report.AddReportEntry("Audio", "ProductName", caps->name);
  context.report.AddReportEntry("Audio", "CompanyName", ManufacturerName(caps->manufacturerId));
  context.report.AddReportEntry("Audio", "HasVolCtrl", Flag(caps->support, kWaveCapsVolume));
  context.report.AddReportEntry("Audio", "HasSeparateLRVolCtrl", Flag(caps->support, kWaveCapsLrVolume));
  context.report.AppendGroupSeparator();
}

}  // namespace tarnwick
