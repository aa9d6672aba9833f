#include "platform/linux/linux_device_services.h"

#include <array>

#include "platform/text.h"

namespace tarnwick {
namespace {

constexpr std::int32_t kNoInterface = static_cast<std::int32_t>(0x80004002);  // E_NOINTERFACE

// Capability flags as Windows multimedia defines them.
constexpr std::uint32_t kWaveCapsVolume = 0x0004;    // WAVECAPS_VOLUME
constexpr std::uint32_t kWaveCapsLrVolume = 0x0008;  // WAVECAPS_LRVOLUME
// A wave device's name is held in 32 bytes.
constexpr std::size_t kWaveNameLength = 31;

struct SoundMaker {
  HostBus bus;
  std::uint16_t vendor;
  std::uint16_t manufacturerId;
};

constexpr std::array<SoundMaker, 28> kSoundMakers = {{
    {HostBus::Pci, 0x8086, 33},   // Intel Corporation
    {HostBus::Pci, 0x1002, 27},   // ATI
    {HostBus::Pci, 0x10DE, 127},  // NVidia Corporation
    {HostBus::Pci, 0x1102, 2},    // Creative Labs, Inc
    {HostBus::Pci, 0x1274, 125},  // ENSONIQ Corporation
    {HostBus::Pci, 0x125D, 46},   // ESS Technology
    {HostBus::Pci, 0x1013, 105},  // Cirrus Logic
    {HostBus::Pci, 0x1022, 146},  // AMD
    {HostBus::Pci, 0x5333, 164},  // S3
    {HostBus::Pci, 0x1073, 37},   // Yamaha Corporation of America
    {HostBus::Pci, 0x1414, 1},    // Microsoft Corporation
    {HostBus::Pci, 0x106B, 99},   // Apple Computer, Inc.
    {HostBus::Pci, 0x1033, 26},   // NEC
    {HostBus::Pci, 0x1014, 22},   // IBM Corporation
    {HostBus::Pci, 0x10CF, 4},    // Fujitsu Corp.
    {HostBus::Pci, 0x1057, 48},   // Motorola, Inc.
    {HostBus::Pci, 0x1092, 163},  // Diamond Multimedia
    {HostBus::Pci, 0x109E, 121},  // Brooktree Corporation
    {HostBus::Usb, 0x045E, 1},    // Microsoft Corporation
    {HostBus::Usb, 0x041E, 2},    // Creative Labs, Inc
    {HostBus::Usb, 0x046D, 60},   // Logitech, Inc.
    {HostBus::Usb, 0x0582, 24},   // Roland
    {HostBus::Usb, 0x0499, 37},   // Yamaha Corporation of America
    {HostBus::Usb, 0x05AC, 99},   // Apple Computer, Inc.
    {HostBus::Usb, 0x0944, 55},   // Korg Inc.
    {HostBus::Usb, 0x8086, 33},   // Intel Corporation
    {HostBus::Usb, 0x0409, 26},   // NEC
    {HostBus::Usb, 0x04B8, 50},   // Seiko Epson Corporation
}};

// The categories a Linux host fills, in the order of the array below.
constexpr Guid kVideoCaptureSources{0x860BB310, 0x5D01, 0x11D0, {0xBD, 0x3B, 0x00, 0xA0, 0xC9, 0x11, 0xCE, 0x86}};
constexpr Guid kBdaNetworkTuner{0x71985F48, 0x1CA1, 0x11D3, {0x9C, 0xC8, 0x00, 0xC0, 0x4F, 0x79, 0x71, 0xE0}};
constexpr Guid kBdaReceiverComponent{0xFD0A5AF4, 0xB41D, 0x11D2, {0x9C, 0x95, 0x00, 0xC0, 0x4F, 0x79, 0x71, 0xE0}};
constexpr Guid kAudioCaptureSources{0x33D9A762, 0x90C8, 0x11D0, {0xBD, 0x43, 0x00, 0xA0, 0xC9, 0x11, 0xCE, 0x86}};
constexpr Guid kAudioRenderers{0xE0F158E1, 0xCB04, 0x11D0, {0xBD, 0x4E, 0x00, 0xA0, 0xC9, 0x11, 0xCE, 0x86}};

class HardwareIdList final : public DeviceSet {
 public:
  explicit HardwareIdList(const HostDevices& devices) : devices_(devices) {}
  bool HasDevice(std::uint32_t index) override { return index < devices_.devices.size(); }
  HardwareIdRead ReadHardwareIds(std::uint32_t index) override {
    if (!HasDevice(index) || devices_.devices[index].hardwareIds.empty()) return SystemError{kErrorInvalidData};
    return devices_.devices[index].hardwareIds;
  }

 private:
  const HostDevices& devices_;
};

class NamedFilter final : public DeviceFilter {
 public:
  Result<std::unique_ptr<TunerBusControl>> QueryTunerBus() override { return SystemError{static_cast<std::uint32_t>(kNoInterface)}; }
};

class NamedMoniker final : public DeviceMoniker {
 public:
  explicit NamedMoniker(const std::string& name) : name_(name) {}
  Result<std::string> ReadFriendlyName() override { return name_; }
  Result<std::unique_ptr<DeviceFilter>> BindToFilter() override {
    return std::unique_ptr<DeviceFilter>(std::make_unique<NamedFilter>());
  }

 private:
  const std::string& name_;
};

class NameEnumerator final : public MonikerEnumerator {
 public:
  explicit NameEnumerator(const std::vector<std::string>& names) : names_(names) {}
  std::unique_ptr<DeviceMoniker> Next() override {
    if (next_ == names_.size()) return nullptr;
    return std::make_unique<NamedMoniker>(names_[next_++]);
  }

 private:
  const std::vector<std::string>& names_;
  std::size_t next_ = 0;
};

}  // namespace

std::unique_ptr<DeviceSet> LinuxDeviceList::OpenPresentDevices() { return std::make_unique<HardwareIdList>(devices_); }

std::uint16_t SoundManufacturerId(HostBus bus, std::uint16_t vendor) {
  for (const SoundMaker& maker : kSoundMakers) {
    if (maker.bus == bus && maker.vendor == vendor) return maker.manufacturerId;
  }
  return 0;
}

LinuxWaveOutput::LinuxWaveOutput(const HostSound& sound, const HostDevices& devices) {
  for (const PcmDevice& pcm : sound.pcms) {
    if (!pcm.playback) continue;
    WaveOutCaps caps;
    caps.name = Utf8ToCp1252(sound.DeviceName(pcm)).substr(0, kWaveNameLength);
    if (const SoundCard* card = sound.Card(pcm.card)) {
      if (const HostDevice* device = devices.Owner(card->device)) {
        caps.manufacturerId = SoundManufacturerId(device->bus, device->vendor);
      }
      if (card->volume) caps.support |= kWaveCapsVolume;
      if (card->separateVolumes) caps.support |= kWaveCapsLrVolume;
    }
    outputs_.push_back(std::move(caps));
  }
}

std::optional<WaveOutCaps> LinuxWaveOutput::Capabilities(std::uint32_t device) {
  if (device >= outputs_.size()) return std::nullopt;
  return outputs_[device];
}

WmiBoardQuery LinuxBoard::QueryBaseBoards() {
  WmiBoardQuery query;
  constexpr std::string_view kFolder = "sys/class/dmi/id/";
  if (tree_.List(kFolder).empty()) return query;  // no DMI: no board to list

  struct BoardProperty {
    std::string_view name;
    std::string_view file;   // below the DMI folder; none for a fixed text
    std::string_view fixed;
  };
  // The text properties Windows lists for a board, in its order; the serial
  // number is readable only with administrative rights, as on Windows.
  constexpr std::array<BoardProperty, 9> kProperties = {{
      {.name = "Caption", .file = "", .fixed = "Base Board"},
      {.name = "CreationClassName", .file = "", .fixed = "Win32_BaseBoard"},
      {.name = "Description", .file = "", .fixed = "Base Board"},
      {.name = "Manufacturer", .file = "board_vendor", .fixed = ""},
      {.name = "Name", .file = "", .fixed = "Base Board"},
      {.name = "Product", .file = "board_name", .fixed = ""},
      {.name = "SerialNumber", .file = "board_serial", .fixed = ""},
      {.name = "Tag", .file = "", .fixed = "Base Board"},
      {.name = "Version", .file = "board_version", .fixed = ""},
  }};
  std::vector<WmiProperty> board;
  for (const BoardProperty& property : kProperties) {
    if (property.file.empty()) {
      board.push_back({std::string(property.name), std::string(property.fixed)});
    } else if (const auto text = tree_.ReadAttribute(std::string(kFolder).append(property.file))) {
      board.push_back({std::string(property.name), Utf8ToCp1252(*text)});
    }
  }
  query.objects.emplace_back(std::move(board));
  return query;
}

LinuxDirectShow::LinuxDirectShow(const HostSound& sound, const HostDevices& devices)
    : categories_{{
          {kVideoCaptureSources, devices.videoCaptures},
          {kBdaNetworkTuner, devices.dvbFrontends},
          {kBdaReceiverComponent, devices.dvbFrontends},
          {kAudioCaptureSources, {}},
          {kAudioRenderers, {}},
      }} {
  for (const PcmDevice& pcm : sound.pcms) {
    const std::string name = Utf8ToCp1252(sound.DeviceName(pcm));
    if (pcm.capture) categories_[3].names.push_back(name);
    if (pcm.playback) categories_[4].names.push_back(name);
  }
}

Result<std::unique_ptr<MonikerEnumerator>> LinuxDirectShow::EnumerateCategory(const Guid& category) {
  for (const Category& listed : categories_) {
    if (listed.id == category && !listed.names.empty()) {
      return std::unique_ptr<MonikerEnumerator>(std::make_unique<NameEnumerator>(listed.names));
    }
  }
  // S_FALSE: the category holds nothing on this host.
  return SystemError{static_cast<std::uint32_t>(kStatusFalse)};
}

}  // namespace tarnwick
