#include "collectors/linux/tuner_check.h"

#include <algorithm>
#include <charconv>

#include "collectors/collectors.h"
#include "collectors/devices/device_lookups.h"
#include "collectors/linux/linux_os.h"
#include "platform/text.h"

namespace tarnwick {
namespace {

constexpr std::string_view kSection = "Linux Tuner Check";

// Read and write permission for the owner, the group and the others.
constexpr std::uint32_t kOwnerReadWrite = 0600;
constexpr std::uint32_t kGroupReadWrite = 0060;
constexpr std::uint32_t kOtherReadWrite = 0006;

// The fastest a device of a USB release runs, in Mbit/s, by the release's
// major number.
struct UsbRelease {
  int major;
  double megabits;
};
constexpr UsbRelease kUsbReleases[] = {{1, 12}, {2, 480}, {3, 5000}};

std::optional<double> Number(std::string_view text) {
  double value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc() || end != text.data() + text.size() || value <= 0) return std::nullopt;
  return value;
}

const HostGroup* GroupOf(std::uint32_t gid, const std::vector<HostGroup>& groups) {
  for (const HostGroup& group : groups) {
    if (group.gid == gid) return &group;
  }
  return nullptr;
}

bool IsMember(const CheckUser& user, std::uint32_t gid, const std::vector<HostGroup>& groups) {
  if (user.gid == gid || std::find(user.groups.begin(), user.groups.end(), gid) != user.groups.end()) return true;
  const HostGroup* group = GroupOf(gid, groups);
  return group != nullptr && user.name &&
         std::find(group->members.begin(), group->members.end(), *user.name) != group->members.end();
}

// The permission bits that apply to the user, as the kernel picks them:
// the owner's, else the group's, else the others'.
bool MayReadAndWrite(const DeviceNode& node, const CheckUser& user, const std::vector<HostGroup>& groups) {
  if (user.uid == 0) return true;
  if (user.uid == node.uid) return (node.mode & kOwnerReadWrite) == kOwnerReadWrite;
  if (IsMember(user, node.gid, groups)) return (node.mode & kGroupReadWrite) == kGroupReadWrite;
  return (node.mode & kOtherReadWrite) == kOtherReadWrite;
}

class CheckWriter {
 public:
  explicit CheckWriter(ReportWriter& report) : report_(report) {}
  void Add(const std::string& key, std::string_view value) {
    report_.AddReportEntry(kSection, key, Utf8ToCp1252(value));
    written_ = true;
  }
  void EndGroup() {
    if (written_) report_.AppendGroupSeparator();
    written_ = false;
  }

 private:
  ReportWriter& report_;
  bool written_ = false;
};

std::string Joined(const std::vector<std::string>& names) {
  std::string text;
  for (const std::string& name : names) text += (text.empty() ? "" : ", ") + name;
  return text;
}

}  // namespace

std::string ModeText(char type, std::uint32_t mode) {
  std::string text(1, type == 'b' ? 'b' : 'c');
  constexpr std::string_view kLetters = "rwx";
  for (int bit = 8; bit >= 0; --bit) text += (mode >> bit) & 1 ? kLetters[(8 - bit) % 3] : '-';
  return text;
}

std::string NodeAccessText(const DeviceNode& node, const std::optional<CheckUser>& user,
                           const std::vector<HostGroup>& groups) {
  const HostGroup* group = GroupOf(node.gid, groups);
  const std::string groupName = group != nullptr ? group->name : std::to_string(node.gid);
  std::string text = node.path + " " + ModeText(node.type, node.mode) + " group " + groupName;
  const bool groupGrants = (node.mode & kGroupReadWrite) == kGroupReadWrite;
  const std::string grant = groupGrants ? "group " + groupName + " grants it" : "no group grants it";
  if (!user) return text + "; " + grant;
  const std::string who = user->name ? *user->name : std::to_string(user->uid);
  const bool may = MayReadAndWrite(node, *user, groups);
  text += "; user " + who + " may read and write: " + (may ? "yes" : "no");
  if (!may) text += groupGrants ? "; joining group " + groupName + " grants it" : "; no group grants it";
  return text;
}

std::optional<std::string> UsbSpeedText(const std::optional<std::string>& speed,
                                        const std::optional<std::string>& version) {
  const auto megabits = speed ? Number(*speed) : std::nullopt;
  if (!megabits) return std::nullopt;
  std::string text = *speed + " Mbit/s";
  const auto release = version ? Number(*version) : std::nullopt;
  if (!release) return text;
  text += "; built for USB " + *version;
  for (const UsbRelease& row : kUsbReleases) {
    // A USB 2.0 tuner on a 12 Mbit/s port gets no picture through.
    if (static_cast<int>(*release) == row.major && *megabits < row.megabits) {
      text += "; slower than it is built for";
    }
  }
  return text;
}

void WriteLinuxTunerCheck(ReportWriter& report, DeviceList& devices, LinuxTunerFacts& facts,
                          bool (*isTuner)(std::string_view hardwareId)) {
  std::vector<DeviceNode> nodes = facts.Nodes();
  const std::optional<CheckUser> user = nodes.empty() ? std::nullopt : facts.User();
  const std::vector<HostGroup> groups = nodes.empty() ? std::vector<HostGroup>() : facts.Groups();
  std::vector<bool> nodeWritten(nodes.size(), false);
  CheckWriter writer(report);

  if (const auto set = devices.OpenPresentDevices()) {
    for (std::uint32_t device = 0; device < kMostDevices && set->HasDevice(device); ++device) {
      const HardwareIdRead ids = set->ReadHardwareIds(device);
      if (!ids.Ok() || ids->empty() || !isTuner(ids->front())) continue;
      const std::string stem = "Device " + std::to_string(device) + " ";
      const TunerDeviceFacts tuner = facts.Device(device);
      writer.Add(stem + "Driver", tuner.driver.empty() ? "none" : tuner.driver);
      if (tuner.driver.empty() && tuner.modules) {
        writer.Add(stem + "Module", tuner.modules->empty() ? "none" : Joined(*tuner.modules));
      }
      for (std::size_t k = 0; k < tuner.firmware.size(); ++k) {
        const FirmwareFile& file = tuner.firmware[k];
        writer.Add(stem + "Firmware " + std::to_string(k + 1), file.name + (file.present ? " present" : " missing"));
      }
      std::size_t nodeNumber = 0;
      for (std::size_t n = 0; n < nodes.size(); ++n) {
        if (nodes[n].device != device) continue;
        writer.Add(stem + "Node " + std::to_string(++nodeNumber), NodeAccessText(nodes[n], user, groups));
        nodeWritten[n] = true;
      }
      if (const auto speed = UsbSpeedText(tuner.usbSpeed, tuner.usbVersion)) writer.Add(stem + "USB Speed", *speed);
      writer.EndGroup();
    }
  }
  std::size_t nodeNumber = 0;
  for (std::size_t n = 0; n < nodes.size(); ++n) {
    if (!nodeWritten[n]) writer.Add("Node " + std::to_string(++nodeNumber), NodeAccessText(nodes[n], user, groups));
  }
  writer.EndGroup();
}

void CollectLinuxSections(CollectorContext& context, const LinuxOsFacts& os, LinuxTunerFacts& tuner) {
  WriteLinuxOs(context.report, os);
  WriteLinuxTunerCheck(context.report, context.platform.devices, tuner, IsKnownTunerHardware);
}

}  // namespace tarnwick
