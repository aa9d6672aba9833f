// The Linux sections written after the run's last step: what the texts read
// from a host mean ("Linux OS"), and why a tuner stays dark ("Linux Tuner
// Check"), decided from records without a host. The captured trees in
// tests/hosts check both sections whole (hosts.cmake).
#include <gtest/gtest.h>

#include "collector_harness.h"
#include "collectors/linux/linux_os.h"
#include "collectors/linux/tuner_check.h"
#include "platform/linux/host_ids.h"
#include "platform/linux/host_os.h"
#include "report_test_files.h"

namespace tarnwick {
namespace {

using testing_support::ReportRecorder;
using Rows = std::vector<std::pair<std::string, std::string>>;
using Text = std::optional<std::string>;

Rows KeysAndValues(const std::vector<ReportEntry>& entries, std::string_view section) {
  Rows rows;
  for (const ReportEntry& entry : entries) {
    EXPECT_EQ(entry.section, section);
    rows.emplace_back(entry.key, entry.value);
  }
  return rows;
}

TEST(LinuxOsTexts, OsReleaseLines) {
  struct Case {
    std::string_view name;
    std::string_view text;
    Text prettyName, id, versionId;
  };
  const Case cases[] = {
      {"debian", "PRETTY_NAME=\"Debian GNU/Linux 12 (bookworm)\"\nNAME=\"Debian GNU/Linux\"\nVERSION_ID=\"12\"\nID=debian\n",
       "Debian GNU/Linux 12 (bookworm)", "debian", "12"},
      {"single quotes and escapes", "PRETTY_NAME='Arch Linux'\r\nID=arch\nVERSION_ID=\"a\\\"b\"", "Arch Linux", "arch", "a\"b"},
      {"comments and blanks", "# PRETTY_NAME=\"no\"\n\nID=fedora  \n", std::nullopt, "fedora", std::nullopt},
      {"open quote", "PRETTY_NAME=\"Ubuntu 22.04\nID=ubuntu\n", std::nullopt, "ubuntu", std::nullopt},
      {"text after the quote", "PRETTY_NAME=\"A\"B\nID=\"\"\n", std::nullopt, std::nullopt, std::nullopt},
      {"unquoted blank", "PRETTY_NAME=Two words\nVERSION_ID=9\n", std::nullopt, std::nullopt, "9"},
  };
  for (const Case& c : cases) {
    const OsRelease release = ParseOsRelease(c.text);
    EXPECT_EQ(release.prettyName, c.prettyName) << c.name;
    EXPECT_EQ(release.id, c.id) << c.name;
    EXPECT_EQ(release.versionId, c.versionId) << c.name;
  }
}

TEST(LinuxOsTexts, Architectures) {
  struct Case {
    Text machine, kernel, architecture;
  };
  const Case cases[] = {
      {"x86_64", "6.1.0-18-amd64", "x86_64"},
      {"amd64", std::nullopt, "x86_64"},
      {"sparc64", "6.1.0-18-amd64", "sparc64"},
      {std::nullopt, "6.1.0-18-amd64", "x86_64"},
      {std::nullopt, "6.1.0-18-686-pae", "i686"},
      {std::nullopt, "6.1.0-18-arm64", "aarch64"},
      {std::nullopt, "6.5.6-300.fc39.x86_64", "x86_64"},
      {std::nullopt, "5.15.0-91-generic", std::nullopt},
      {std::nullopt, "6.6.7", std::nullopt},
      {std::nullopt, std::nullopt, std::nullopt},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(LinuxArchitecture(c.machine, c.kernel), c.architecture) << c.machine.value_or("-") << " "
                                                                       << c.kernel.value_or("-");
  }
}

TEST(LinuxOsTexts, SectionKeys) {
  struct Case {
    std::string_view name;
    LinuxOsFacts facts;
    Rows rows;
  };
  const Case cases[] = {
      {"this host",
       {.osRelease = "PRETTY_NAME=\"Debian GNU/Linux 12 (bookworm)\"\nID=debian\nVERSION_ID=\"12\"\n",
        .kernel = "6.1.0-18-amd64",
        .kernelBuild = "Linux version 6.1.0-18-amd64 (gcc-12) #1 SMP Debian 6.1.76-1 (2024-02-01)",
        .machine = "x86_64",
        .capturedTree = std::nullopt},
       {{"Distribution", "Debian GNU/Linux 12 (bookworm)"},
        {"Distribution ID", "debian 12"},
        {"Kernel", "6.1.0-18-amd64"},
        {"Kernel Build", "Linux version 6.1.0-18-amd64 (gcc-12) #1 SMP Debian 6.1.76-1 (2024-02-01)"},
        {"Architecture", "x86_64"}}},
      {"a captured tree without os-release",
       {.osRelease = std::nullopt, .kernel = "6.1.0-18-arm64", .kernelBuild = "", .machine = std::nullopt,
        .capturedTree = "trees/anna"},
       {{"Kernel", "6.1.0-18-arm64"},
        {"Architecture", "aarch64"},
        {"Captured Tree", "trees/anna"},
        {"Facts Of This Computer", "User Info, SystemInfo"}}},
      {"an ID without version, UTF-8 name", {.osRelease = "ID=kali\nPRETTY_NAME=\"D\xC3\xA9j\xC3\xA0 vu\"\n"},
       {{"Distribution", "D\xE9j\xE0 vu"}, {"Distribution ID", "kali"}}},
      {"nothing readable", {}, {}},
  };
  for (const Case& c : cases) {
    testing_files::MemoryReportFiles files;
    ReportRecorder recorder(files);
    WriteLinuxOs(recorder, c.facts);
    EXPECT_EQ(KeysAndValues(recorder.rows, "Linux OS"), c.rows) << c.name;
  }
}

constexpr std::uint32_t kVideo = 44;
const std::vector<HostGroup> kGroups = {{.name = "video", .gid = kVideo, .members = {"anna"}},
                                        {.name = "plugdev", .gid = 46, .members = {}}};

TEST(LinuxTunerCheckTexts, NodeAccess) {
  const DeviceNode video{.path = "/dev/video0", .device = 3, .type = 'c', .mode = 0660, .uid = 0, .gid = kVideo};
  struct Case {
    std::string_view name;
    DeviceNode node;
    std::optional<CheckUser> user;
    std::string_view text;
  };
  const CheckUser anna{.name = "anna", .uid = 1000, .gid = 1000, .groups = {}};
  const CheckUser ben{.name = "ben", .uid = 1001, .gid = 1001, .groups = {27}};
  const Case cases[] = {
      {"member by etc/group", video, anna, "/dev/video0 crw-rw---- group video; user anna may read and write: yes"},
      {"not a member", video, ben,
       "/dev/video0 crw-rw---- group video; user ben may read and write: no; joining group video grants it"},
      {"member by the process's groups", video, CheckUser{.name = std::nullopt, .uid = 1002, .gid = 1002, .groups = {kVideo}},
       "/dev/video0 crw-rw---- group video; user 1002 may read and write: yes"},
      {"primary group", video, CheckUser{.name = "carl", .uid = 1003, .gid = kVideo, .groups = {}},
       "/dev/video0 crw-rw---- group video; user carl may read and write: yes"},
      {"root", video, CheckUser{.name = "root", .uid = 0, .gid = 0, .groups = {}},
       "/dev/video0 crw-rw---- group video; user root may read and write: yes"},
      {"owner with read only",
       DeviceNode{.path = "/dev/dvb/adapter0/frontend0", .device = 3, .type = 'c', .mode = 0460, .uid = 1001, .gid = kVideo},
       ben, "/dev/dvb/adapter0/frontend0 cr--rw---- group video; user ben may read and write: no; joining group video grants it"},
      {"group may only read",
       DeviceNode{.path = "/dev/video1", .device = 3, .type = 'c', .mode = 0640, .uid = 0, .gid = 99}, ben,
       "/dev/video1 crw-r----- group 99; user ben may read and write: no; no group grants it"},
      {"everyone", DeviceNode{.path = "/dev/video2", .device = 3, .type = 'b', .mode = 0666, .uid = 0, .gid = 46}, ben,
       "/dev/video2 brw-rw-rw- group plugdev; user ben may read and write: yes"},
      {"user unreadable", video, std::nullopt, "/dev/video0 crw-rw---- group video; group video grants it"},
  };
  for (const Case& c : cases) EXPECT_EQ(NodeAccessText(c.node, c.user, kGroups), c.text) << c.name;
}

TEST(LinuxTunerCheckTexts, UsbSpeeds) {
  struct Case {
    Text speed, version, text;
  };
  const Case cases[] = {
      {"480", "2.00", "480 Mbit/s; built for USB 2.00"},
      {"12", "2.00", "12 Mbit/s; built for USB 2.00; slower than it is built for"},
      {"1.5", "1.10", "1.5 Mbit/s; built for USB 1.10; slower than it is built for"},
      {"480", "3.20", "480 Mbit/s; built for USB 3.20; slower than it is built for"},
      {"5000", "3.00", "5000 Mbit/s; built for USB 3.00"},
      {"12", std::nullopt, "12 Mbit/s"},
      {"12", "two", "12 Mbit/s"},
      {"fast", "2.00", std::nullopt},
      {std::nullopt, "2.00", std::nullopt},
  };
  for (const Case& c : cases) EXPECT_EQ(UsbSpeedText(c.speed, c.version), c.text) << c.speed.value_or("-");
}

// Devices by their first hardware ID, and the facts a host gave of them.
class ListedDevices final : public DeviceList, public DeviceSet, public LinuxTunerFacts {
 public:
  std::vector<std::string> ids;
  std::map<std::uint32_t, TunerDeviceFacts> facts;
  std::vector<DeviceNode> nodes;
  std::optional<CheckUser> user;
  std::vector<std::uint32_t> asked;

  std::unique_ptr<DeviceSet> OpenPresentDevices() override {
    struct View final : DeviceSet {
      explicit View(ListedDevices& list) : list(list) {}
      bool HasDevice(std::uint32_t index) override { return list.HasDevice(index); }
      HardwareIdRead ReadHardwareIds(std::uint32_t index) override { return list.ReadHardwareIds(index); }
      ListedDevices& list;
    };
    return std::make_unique<View>(*this);
  }
  bool HasDevice(std::uint32_t index) override { return index < ids.size(); }
  HardwareIdRead ReadHardwareIds(std::uint32_t index) override {
    if (ids[index].empty()) return SystemError{kErrorInvalidData};
    return std::vector<std::string>{ids[index]};
  }
  TunerDeviceFacts Device(std::uint32_t device) override {
    asked.push_back(device);
    return facts[device];
  }
  std::vector<DeviceNode> Nodes() override { return nodes; }
  std::optional<CheckUser> User() override { return user; }
  std::vector<HostGroup> Groups() override { return kGroups; }
};

bool IsStick(std::string_view id) { return id.starts_with("USB\\VID_EB1A"); }

TEST(LinuxTunerCheckTexts, SectionOfDevicesAndNodes) {
  ListedDevices host;
  host.ids = {"PCI\\VEN_8086&DEV_0102", "USB\\VID_EB1A&PID_2861", "", "USB\\VID_EB1A&PID_E360", "USB\\VID_046D&PID_0825"};
  host.facts[1] = {.driver = "",
                   .modules = std::vector<std::string>{"em28xx", "em28xx_v4l"},
                   .firmware = {{.name = "xc3028-v27.fw", .present = false}, {.name = "a/b.fw", .present = true}},
                   .usbSpeed = "12",
                   .usbVersion = "2.00"};
  host.facts[3] = {.driver = "", .modules = std::vector<std::string>{}, .firmware = {}, .usbSpeed = std::nullopt,
                   .usbVersion = std::nullopt};
  host.nodes = {
      {.path = "/dev/video0", .device = 4, .type = 'c', .mode = 0660, .uid = 0, .gid = kVideo},
      {.path = "/dev/video1", .device = 1, .type = 'c', .mode = 0660, .uid = 0, .gid = kVideo},
      {.path = "/dev/vbi0", .device = 1, .type = 'c', .mode = 0600, .uid = 0, .gid = kVideo},
      {.path = "/dev/dvb/adapter0/frontend0", .device = std::nullopt, .type = 'c', .mode = 0660, .uid = 0, .gid = 46},
  };
  host.user = CheckUser{.name = "ben", .uid = 1001, .gid = 1001, .groups = {}};
  testing_files::MemoryReportFiles files;
  ReportRecorder recorder(files);
  WriteLinuxTunerCheck(recorder, host, host, IsStick);

  const Rows expected = {
      {"Device 1 Driver", "none"},
      {"Device 1 Module", "em28xx, em28xx_v4l"},
      {"Device 1 Firmware 1", "xc3028-v27.fw missing"},
      {"Device 1 Firmware 2", "a/b.fw present"},
      {"Device 1 Node 1", "/dev/video1 crw-rw---- group video; user ben may read and write: no; joining group video grants it"},
      {"Device 1 Node 2", "/dev/vbi0 crw------- group video; user ben may read and write: no; no group grants it"},
      {"Device 1 USB Speed", "12 Mbit/s; built for USB 2.00; slower than it is built for"},
      {"Device 3 Driver", "none"},
      {"Device 3 Module", "none"},
      {"Node 1", "/dev/video0 crw-rw---- group video; user ben may read and write: no; joining group video grants it"},
      {"Node 2", "/dev/dvb/adapter0/frontend0 crw-rw---- group plugdev; user ben may read and write: no; joining group plugdev grants it"},
  };
  EXPECT_EQ(KeysAndValues(recorder.rows, "Linux Tuner Check"), expected);
  EXPECT_EQ(host.asked, (std::vector<std::uint32_t>{1, 3}));
  // A group after each device's entries and after the nodes of no device.
  EXPECT_EQ(files.files.begin()->second.find("Device 1 USB Speed=12 Mbit/s; built for USB 2.00; slower than it is built for\r\n\r\n"
                                             "Device 3 Driver=none\r\nDevice 3 Module=none\r\n\r\nNode 1="),
            files.files.begin()->second.find("Device 1 USB Speed"));
}

TEST(LinuxTunerCheckTexts, BoundDriverAndUnreadableAliases) {
  ListedDevices host;
  host.ids = {"USB\\VID_EB1A&PID_2861"};
  host.facts[0] = {.driver = "em28xx", .modules = std::nullopt, .firmware = {}, .usbSpeed = "480", .usbVersion = "2.00"};
  ListedDevices unreadable;
  unreadable.ids = {"USB\\VID_EB1A&PID_2861"};
  struct Case {
    std::string_view name;
    ListedDevices& host;
    Rows rows;
  };
  Case cases[] = {
      {"bound", host, {{"Device 0 Driver", "em28xx"}, {"Device 0 USB Speed", "480 Mbit/s; built for USB 2.00"}}},
      {"no driver, aliases unreadable", unreadable, {{"Device 0 Driver", "none"}}},
  };
  for (Case& c : cases) {
    testing_files::MemoryReportFiles files;
    ReportRecorder recorder(files);
    WriteLinuxTunerCheck(recorder, c.host, c.host, IsStick);
    EXPECT_EQ(KeysAndValues(recorder.rows, "Linux Tuner Check"), c.rows) << c.name;
  }
}

TEST(LinuxHostRecords, GroupsUsersAndNodeStandIns) {
  const auto groups = ParseGroupFile("root:x:0:\nvideo:x:44:anna,ben\r\nbroken:x:notanumber:\nshort:x:5\n:x:6:\n");
  ASSERT_EQ(groups.size(), 2u);
  EXPECT_EQ(groups[1].name, "video");
  EXPECT_EQ(groups[1].gid, 44u);
  EXPECT_EQ(groups[1].members, (std::vector<std::string>{"anna", "ben"}));

  const auto user = ParseProcessStatus("Name:\ttarnwick\nUid:\t1000\t0\t0\t0\nGid:\t100\t100\t100\t100\nGroups:\t24 44 x \n");
  ASSERT_TRUE(user.has_value());
  EXPECT_EQ(user->uid, 1000u);
  EXPECT_EQ(user->gid, 100u);
  EXPECT_EQ(user->groups, (std::vector<std::uint32_t>{24, 44}));
  EXPECT_FALSE(ParseProcessStatus("Name:\ttarnwick\nVmSize:\t24576 kB\n").has_value());
  EXPECT_FALSE(ParseProcessStatus("Uid:\tanna\nGid:\t100\n").has_value());

  struct Case {
    std::string_view text;
    bool read;
    EntryStatus::Kind kind;
    std::uint32_t mode, uid, gid;
  };
  const Case cases[] = {
      {"c 0660 0 44\n", true, EntryStatus::Kind::CharacterDevice, 0660, 0, 44},
      {"b 640 6 6", true, EntryStatus::Kind::BlockDevice, 0640, 6, 6},
      {"c 0668 0 44", false, {}, 0, 0, 0},
      {"c 17777 0 44", false, {}, 0, 0, 0},
      {"p 0660 0 44", false, {}, 0, 0, 0},
      {"c 0660 0", false, {}, 0, 0, 0},
      {"", false, {}, 0, 0, 0},
  };
  for (const Case& c : cases) {
    const auto status = ParseNodeStandIn(c.text);
    ASSERT_EQ(status.has_value(), c.read) << c.text;
    if (!status) continue;
    EXPECT_EQ(status->kind, c.kind) << c.text;
    EXPECT_EQ(status->mode, c.mode) << c.text;
    EXPECT_EQ(std::pair(status->uid, status->gid), std::pair(c.uid, c.gid)) << c.text;
  }
}

TEST(LinuxHostRecords, IdDatabaseLines) {
  const std::string_view database =
      "# List of PCI ID's\n"
      "8086  Intel Corporation\n"
      "\t0100  2nd Generation Core Processor Family DRAM Controller\n"
      "\t\t1043 844d  P8 series motherboard\n"
      "\t0102  2nd Generation Core Processor Family Integrated Graphics Controller\r\n"
      "\t1c20 one blank only\n"
      "eb1a  eMPIA Technology, Inc.\n"
      "\t2861  EasyCAP DC60+ [EM2861]\n"
      "\t2870  M\xC3\xBCnchen \xE2\x80\x9C" "Stick\xE2\x80\x9D\n"
      "C 03  Display controller\n"
      "\t00  VGA compatible controller\n"
      "1234  after the classes\n"
      "\t1111  not a device\n";
  const auto pci = [](std::uint16_t vendor, std::uint16_t device) {
    return DeviceId{.bus = HostBus::Pci, .vendor = vendor, .device = device};
  };
  const std::set<DeviceId> wanted = {pci(0x8086, 0x0102), pci(0x8086, 0x1043), pci(0x8086, 0x1C20), pci(0xEB1A, 0x2861),
                                     pci(0xEB1A, 0x2870), pci(0x1234, 0x1111), pci(0x10DE, 0x0102),
                                     DeviceId{.bus = HostBus::Usb, .vendor = 0x8086, .device = 0x0100}};
  const std::map<DeviceId, std::string> expected = {
      {pci(0x8086, 0x0102), "Intel Corporation 2nd Generation Core Processor Family Integrated Graphics Controller"},
      {pci(0xEB1A, 0x2861), "eMPIA Technology, Inc. EasyCAP DC60+ [EM2861]"},
      {pci(0xEB1A, 0x2870), "eMPIA Technology, Inc. M\xFCnchen \x93Stick\x94"},
  };
  EXPECT_EQ(ParseIdDatabase(database, HostBus::Pci, wanted), expected);
  EXPECT_TRUE(ParseIdDatabase("8086 Intel\n\t0102  Graphics\n", HostBus::Pci, wanted).empty());
}

}  // namespace
}  // namespace tarnwick
