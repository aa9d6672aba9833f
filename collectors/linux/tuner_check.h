// The section "Linux Tuner Check": for each device the run recognised as
// known tuner hardware, and for every video4linux and DVB device node, the
// usual reasons a tuner stays dark on Linux: no driver bound (and whether
// the kernel has one), firmware files its module declares but the system
// lacks, a node the user may not open, a USB port slower than the device.
// The facts come from the host through LinuxTunerFacts; what they mean for
// the report is decided here.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "collectors/report_writer.h"
#include "platform/device_list.h"

namespace tarnwick {

struct FirmwareFile {
  std::string name;  // as the module declares it, below lib/firmware
  bool present = false;
};

struct TunerDeviceFacts {
  std::string driver;  // the bound kernel driver; empty when none is bound
  // The modules whose aliases match the device (looked up only when no
  // driver is bound); nothing when the module aliases could not be read.
  std::optional<std::vector<std::string>> modules;
  std::vector<FirmwareFile> firmware;  // declared by the bound or matching module
  std::optional<std::string> usbSpeed;    // sysfs "speed" in Mbit/s: "480"
  std::optional<std::string> usbVersion;  // sysfs "version": "2.00"
};

struct DeviceNode {
  std::string path;                     // "/dev/video0"
  std::optional<std::uint32_t> device;  // the device number it hangs on
  char type = 'c';                      // 'c' character, 'b' block
  std::uint32_t mode = 0;               // permission bits
  std::uint32_t uid = 0;
  std::uint32_t gid = 0;
};

struct HostGroup {
  std::string name;
  std::uint32_t gid = 0;
  std::vector<std::string> members;  // as etc/group lists them
};

// The user whose access is judged: the real user, or the one behind sudo.
struct CheckUser {
  std::optional<std::string> name;
  std::uint32_t uid = 0;
  std::uint32_t gid = 0;
  std::vector<std::uint32_t> groups;  // supplementary groups
};

class LinuxTunerFacts {
 public:
  virtual ~LinuxTunerFacts() = default;
  // The facts of device number `device` of the present-device list.
  virtual TunerDeviceFacts Device(std::uint32_t device) = 0;
  virtual std::vector<DeviceNode> Nodes() = 0;
  virtual std::optional<CheckUser> User() = 0;
  virtual std::vector<HostGroup> Groups() = 0;
};

// "crw-rw----" for a character node of mode 0660.
std::string ModeText(char type, std::uint32_t mode);
// "/dev/video0 crw-rw---- group video; user anna may read and write: no;
// joining group video grants it".
std::string NodeAccessText(const DeviceNode& node, const std::optional<CheckUser>& user,
                           const std::vector<HostGroup>& groups);
// "480 Mbit/s; built for USB 2.00", with a warning when the port is slower
// than the USB release the device declares; nothing without a speed.
std::optional<std::string> UsbSpeedText(const std::optional<std::string>& speed,
                                        const std::optional<std::string>& version);

// Writes the section for the devices whose first hardware ID is known tuner
// hardware (isTuner), in device order, then the nodes of no such device.
void WriteLinuxTunerCheck(ReportWriter& report, DeviceList& devices, LinuxTunerFacts& facts,
                          bool (*isTuner)(std::string_view hardwareId));

}  // namespace tarnwick
