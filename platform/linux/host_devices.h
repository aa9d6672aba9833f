// The PCI and USB devices of a Linux host in the form Windows' Plug and Play
// manager gives them: one device per PCI function, per USB device and per
// interface of a composite USB device, each with its hardware IDs, the key
// it stands under below the enumeration key, its driver, setup class and
// description. Read from /sys/bus/pci, /sys/bus/usb and the class devices
// (video4linux, DVB, sound) the drivers hang on them.
#pragma once

#include <compare>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "platform/linux/host_sound.h"
#include "platform/linux/host_tree.h"

namespace tarnwick {

enum class HostBus { Pci, Usb };

struct HostDevice {
  HostBus bus = HostBus::Pci;
  std::string name;  // the kernel's name: "0000:00:1b.0", "1-1", "1-1:1.0", "usb1"
  std::vector<std::string> hardwareIds;  // most specific first
  std::string deviceKey;  // below the enumeration key: "PCI\VEN_...&REV_03", "USB\VID_EB1A&PID_2861"
  std::string instance;   // unique below its device key
  std::uint16_t vendor = 0;  // PCI vendor or USB idVendor
  std::string driver;        // the bound kernel driver, the device's service; empty when none
  std::string setupClass;    // "Display", "MEDIA", "USB", "System", or empty
  std::string description;   // in the 8-bit code page
};

struct HostDevices {
  std::vector<HostDevice> devices;  // PCI in bus order, then USB bus by bus
  // Friendly names, in the 8-bit code page: video4linux capture nodes, and
  // the device of each DVB frontend, in node order.
  std::vector<std::string> videoCaptures;
  std::vector<std::string> dvbFrontends;
  // The device a kernel name belongs to: a USB interface of a device that
  // is not composite belongs to the device.
  std::map<std::string, std::size_t, std::less<>> owners;

  const HostDevice* Owner(std::string_view kernelName) const;
};

// A device as the PCI and USB ID databases list it: vendor and device (a
// USB device's product).
struct DeviceId {
  HostBus bus = HostBus::Pci;
  std::uint16_t vendor = 0;
  std::uint16_t device = 0;
  friend auto operator<=>(const DeviceId&, const DeviceId&) = default;
};
// Readable names, in the 8-bit code page, of the devices asked for; a device
// the databases do not name is missing from the answer.
using DeviceNamer = std::function<std::map<DeviceId, std::string>(const std::set<DeviceId>&)>;

// With a namer, a PCI function and a USB device (not a root hub, not one
// interface of a composite device) are described by their database names.
HostDevices ReadHostDevices(const HostTree& tree, const HostSound& sound, const DeviceNamer& namer = {});

// What a PCI function's class code says it is ("VGA compatible controller").
std::string_view PciClassName(std::uint32_t classCode);

}  // namespace tarnwick
