#include "platform/replay/replay_services.h"

#include "platform/replay/windows_path.h"
#include "platform/text.h"

namespace tarnwick {
namespace {

constexpr std::uint32_t kErrorNoMoreItems = 259;

class ReplayDeviceSet final : public DeviceSet {
 public:
  explicit ReplayDeviceSet(const std::vector<HardwareIdRead>& devices) : devices_(devices) {}
  bool HasDevice(std::uint32_t index) override { return index < devices_.size(); }
  HardwareIdRead ReadHardwareIds(std::uint32_t index) override {
    if (index >= devices_.size()) return HardwareIdRead::Failure(kErrorNoMoreItems);
    const HardwareIdRead& device = devices_[index];
    // The size the system asks for: each text with its zero, and the zero
    // that ends the list. Beyond what the Win32 layer allocates, the read
    // fails there too.
    if (device.Ok()) {
      std::size_t size = 1;
      for (const std::string& id : *device) size += id.size() + 1;
      if (size > kMaxHardwareIdBuffer) return HardwareIdRead::Failure(kErrorInsufficientBuffer);
    }
    return device;
  }

 private:
  const std::vector<HardwareIdRead>& devices_;
};

}  // namespace

Result<VersionRecord> ReplaySystemFacts::QueryVersionExtended() {
  if (!facts_.version) return SystemError{kErrorNotSupported};
  // The record size is unknown to a system without the extended record.
  if (!facts_.version->extended) return SystemError{kErrorInsufficientBuffer};
  return facts_.version->record;
}

Result<VersionRecord> ReplaySystemFacts::QueryVersionPlain() {
  if (!facts_.version) return SystemError{kErrorNotSupported};
  VersionRecord plain = facts_.version->record;
  plain.suiteMask = 0;  // the plain record has neither field
  plain.productType = 0;
  return plain;
}

std::uint16_t ReplaySystemFacts::NativeArchitecture() { return facts_.version ? facts_.version->architecture : 0; }

bool ReplaySystemFacts::IsServerR2() { return facts_.version && facts_.version->serverR2; }

bool ReplaySystemFacts::FileExists(std::string_view path) { return facts_.files.contains(WindowsPathKey(path, CurrentDrive(facts_.executablePath))); }

bool ReplayLibraries::CanLoad(std::string_view libraryName) {
  for (const std::string& library : facts_.loadableLibraries) {
    if (EqualsIgnoreCase(library, libraryName)) return true;
  }
  return false;
}

std::unique_ptr<DeviceSet> ReplayDevices::OpenPresentDevices() {
  if (!facts_.devices) return nullptr;
  return std::make_unique<ReplayDeviceSet>(*facts_.devices);
}

std::optional<WaveOutCaps> ReplayWaveOutput::Capabilities(std::uint32_t device) {
  if (device >= facts_.waveOut.size() || facts_.waveOut[device].capsFail) return std::nullopt;
  return facts_.waveOut[device].caps;
}

WmiBoardQuery ReplayWmi::QueryBaseBoards() {
  // The description gives no status for a failed step: E_FAIL stands for it.
  if (!facts_.wmi) return WmiBoardQuery::Failed(WmiFailure::Security, kComFailure);
  const WmiFacts& wmi = *facts_.wmi;
  if (wmi.failAt != WmiFailure::None) return WmiBoardQuery::Failed(wmi.failAt, kComFailure);
  if (!wmi.resultSet) return WmiBoardQuery::WithoutResultSet(kComFailure);
  WmiBoardQuery query;
  query.objects = wmi.baseBoards;
  return query;
}

}  // namespace tarnwick
