// The device services of the Linux layer: the device list, the first sound
// output, the base board and the DirectShow categories a Linux host can
// fill, all answered from what was read of the host once.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "platform/device_list.h"
#include "platform/direct_show.h"
#include "platform/linux/host_devices.h"
#include "platform/linux/host_sound.h"
#include "platform/linux/host_tree.h"
#include "platform/wave_output.h"
#include "platform/wmi_board.h"

namespace tarnwick {

class LinuxDeviceList final : public DeviceList {
 public:
  explicit LinuxDeviceList(const HostDevices& devices) : devices_(devices) {}
  std::unique_ptr<DeviceSet> OpenPresentDevices() override;

 private:
  const HostDevices& devices_;
};

// The ALSA playback devices, in card and device order.
class LinuxWaveOutput final : public WaveOutput {
 public:
  LinuxWaveOutput(const HostSound& sound, const HostDevices& devices);
  std::uint32_t DeviceCount() override { return static_cast<std::uint32_t>(outputs_.size()); }
  std::optional<WaveOutCaps> Capabilities(std::uint32_t device) override;

 private:
  std::vector<WaveOutCaps> outputs_;
};

// The manufacturer id of the Windows multimedia table for a sound card's
// maker, by its PCI or USB vendor id; 0 for a maker not in the table.
std::uint16_t SoundManufacturerId(HostBus bus, std::uint16_t vendor);

// Win32_BaseBoard from the board's DMI texts (/sys/class/dmi/id/board_*):
// no board where the host has no DMI.
class LinuxBoard final : public WmiBoard {
 public:
  explicit LinuxBoard(const HostTree& tree) : tree_(tree) {}
  WmiBoardQuery QueryBaseBoards() override;

 private:
  const HostTree& tree_;
};

// Video capture sources from video4linux, the BDA tuner and receiver
// categories from DVB frontends, audio capture sources and renderers from
// ALSA. No filter offers the tuner driver's private interface.
class LinuxDirectShow final : public DirectShowDevices {
 public:
  LinuxDirectShow(const HostSound& sound, const HostDevices& devices);

  std::int32_t ComInitialize() override { return initialisations_++ == 0 ? kStatusOk : kStatusFalse; }
  void ComUninitialize() override {
    if (initialisations_ > 0) --initialisations_;
  }
  Result<std::unique_ptr<MonikerEnumerator>> EnumerateCategory(const Guid& category) override;

 private:
  struct Category {
    Guid id;
    std::vector<std::string> names;
  };
  std::array<Category, 5> categories_;
  int initialisations_ = 0;
};

}  // namespace tarnwick
