// The Linux layer's reading of a host: the texts of the kernel's files it
// parses, odd trees it must get through, and this machine's own device rows.
// The captured trees in tests/hosts check whole reports (hosts.cmake).
#include <gtest/gtest.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <climits>

#include <filesystem>
#include <regex>
#include <sstream>

#include "app/report_dialog.h"
#include "app/result_list.h"
#include "platform/linux/device_registry.h"
#include "platform/linux/host_devices.h"
#include "platform/linux/host_sound.h"
#include "platform/linux/host_tree.h"
#include "platform/linux/linux_platform.h"
#include "platform/registry_access.h"
#include "report_test_files.h"

namespace tarnwick {
namespace {

using testing_files::ScratchFolder;

TEST(LinuxHostTexts, KernelBuildDates) {
  const std::pair<std::string_view, std::string_view> cases[] = {
      {"#1 SMP PREEMPT_DYNAMIC Debian 6.1.76-1 (2024-02-01)", "2-1-2024"},
      {"#21~22.04.1-Ubuntu SMP PREEMPT_DYNAMIC Fri Feb  9 13:32:52 UTC 2024", "2-9-2024"},
      {"#1 SMP PREEMPT_DYNAMIC Sat, 03 Feb 2024 17:28:17 +0000", "2-3-2024"},
      {"#1 SMP PREEMPT_DYNAMIC @0", ""},
      {"#1 SMP (2024-13-01) May", ""},
  };
  for (const auto& [version, date] : cases) EXPECT_EQ(KernelBuildDate(version), date) << version;
}

TEST(LinuxHostTexts, PlaybackVolumesOfMixers) {
  struct Case {
    std::string_view mixer;
    std::optional<bool> separate;  // nothing: no playback volume
  };
  const Case cases[] = {
      {"    Control: name=\"PCM Playback Volume\", index=0\n"
       "    Info: id=6, control=2, cmask=0x3, channels=2, type=\"S16\"\n",
       true},
      {"    Control: name=\"Mic Capture Volume\", index=0\n    Info: id=5, channels=2\n"
       "    Control: name=\"Speaker Playback Volume\", index=0\n    Info: id=6, channels=1\n",
       false},
      {"Node 0x02 [Audio Output] wcaps 0x41d: Mono Amp-Out\n"
       "  Control: name=\"Speaker Playback Volume\", index=0, device=0\n    ControlAmp: chs=1, dir=Out\n"
       "Node 0x03 [Audio Output] wcaps 0x41d: Stereo Amp-Out\n    ControlAmp: chs=3, dir=Out\n",
       false},
      {"  Control: name=\"Front Playback Switch\", index=0, device=0\n", std::nullopt},
  };
  for (const Case& c : cases) {
    const auto volume = FindPlaybackVolume(c.mixer);
    ASSERT_EQ(volume.has_value(), c.separate.has_value()) << c.mixer;
    if (volume) {
      EXPECT_EQ(volume->separate, *c.separate) << c.mixer;
    }
  }
}

TEST(LinuxHostTexts, SoundListsAndNaturalOrder) {
  const auto pcms = ParsePcmDevices("01-02: USB Audio : USB Audio #2 : capture 1\nno device here\n"
                                    "10-00: HDMI 0 : HDMI 0 : playback 1\n");
  ASSERT_EQ(pcms.size(), 2u);
  EXPECT_EQ(pcms[0].card, 1u);
  EXPECT_EQ(pcms[0].name, "USB Audio #2");
  EXPECT_TRUE(pcms[0].capture && !pcms[0].playback);
  EXPECT_EQ(pcms[1].card, 10u);
  EXPECT_TRUE(NaturalLess("video2", "video10"));
  EXPECT_FALSE(NaturalLess("card10", "card9"));
  EXPECT_TRUE(NaturalLess("dvb0.frontend1", "dvb1.demux0"));
}

// A small tree written file by file, links as the kernel lays them out.
class OddTree : public testing::Test {
 protected:
  void File(const std::string& path, std::string_view text) {
    std::filesystem::create_directories(std::filesystem::path(folder_.Host(path)).parent_path());
    testing_files::WriteHost(folder_.Host(path), text);
  }
  void Link(const std::string& path, const std::string& target) {
    std::filesystem::create_directories(std::filesystem::path(folder_.Host(path)).parent_path());
    std::filesystem::create_symlink(target, folder_.Host(path));
  }
  // A USB device at sys/devices/usb/NAME with one vendor-specific interface.
  void UsbDevice(const std::string& name, std::string_view product, std::string_view serial, int interfaces = 1) {
    const std::string folder = "sys/devices/usb/" + name;
    File(folder + "/idVendor", "eb1a\n");
    File(folder + "/idProduct", std::string(product) + "\n");
    File(folder + "/bcdDevice", "0100\n");
    File(folder + "/bDeviceClass", "00\n");
    if (!serial.empty()) File(folder + "/serial", std::string(serial) + "\n");
    Link("sys/bus/usb/devices/" + name, "../../../devices/usb/" + name);
    for (int i = 0; i < interfaces; ++i) {
      const std::string interface = name + ":1." + std::to_string(i);
      File(folder + "/" + interface + "/bInterfaceNumber", "0" + std::to_string(i) + "\n");
      File(folder + "/" + interface + "/bInterfaceClass", "ff\n");
      Link("sys/bus/usb/devices/" + interface, "../../../devices/usb/" + name + "/" + interface);
    }
  }
  HostDevices Read() { return ReadHostDevices(HostTree(folder_.Path()), HostSound{}); }

  ScratchFolder folder_;
};

TEST_F(OddTree, PipesAndMalformedAttributesAreSkippedWithoutWaiting) {
  // A named pipe where an attribute belongs would block a plain read.
  File("sys/devices/pci0000:00/0000:00:01.0/device", "0x7000\n");
  File("sys/devices/pci0000:00/0000:00:01.0/class", "0x060100\n");
  ASSERT_EQ(::mkfifo(folder_.Host("sys/devices/pci0000:00/0000:00:01.0/vendor").c_str(), 0600), 0);
  File("sys/devices/pci0000:00/0000:00:02.0/vendor", "0x80zz\n");
  File("sys/devices/pci0000:00/0000:00:03.0/vendor", "0x1af4\n");
  File("sys/devices/pci0000:00/0000:00:03.0/device", "0x1000\n");
  File("sys/devices/pci0000:00/0000:00:03.0/class", "0x020000\n");
  for (const char* name : {"0000:00:01.0", "0000:00:02.0", "0000:00:03.0"}) {
    Link(std::string("sys/bus/pci/devices/") + name, std::string("../../../devices/pci0000:00/") + name);
  }
  const HostDevices devices = Read();
  ASSERT_EQ(devices.devices.size(), 1u);
  EXPECT_EQ(devices.devices[0].hardwareIds,
            (std::vector<std::string>{"PCI\\VEN_1AF4&DEV_1000&SUBSYS_00000000&REV_00", "PCI\\VEN_1AF4&DEV_1000&SUBSYS_00000000",
                                      "PCI\\VEN_1AF4&DEV_1000&CC_020000", "PCI\\VEN_1AF4&DEV_1000&CC_0200"}));
  EXPECT_EQ(devices.devices[0].description, "Ethernet controller");
}

TEST_F(OddTree, UsbInstancesAndCompositeDevicesAsWindowsNamesThem) {
  UsbDevice("1-2", "2861", "A1");
  UsbDevice("1-10", "2861", "A1");   // the same serial number again
  UsbDevice("1-3", "2861", "A,2");   // a serial Windows does not take
  UsbDevice("1-4", "2870", "", 2);   // composite: a node per interface
  const HostDevices devices = Read();
  std::vector<std::string> rows;
  for (const HostDevice& device : devices.devices) rows.push_back(device.hardwareIds.front() + "\\" + device.instance);
  EXPECT_EQ(rows, (std::vector<std::string>{
                      "USB\\VID_EB1A&PID_2861&REV_0100\\A1",
                      "USB\\VID_EB1A&PID_2861&REV_0100\\1-3",
                      "USB\\VID_EB1A&PID_2870&REV_0100\\1-4",
                      "USB\\VID_EB1A&PID_2870&REV_0100&MI_00\\1-4:1.0",
                      "USB\\VID_EB1A&PID_2870&REV_0100&MI_01\\1-4:1.1",
                      "USB\\VID_EB1A&PID_2861&REV_0100\\1-10",
                  }));
  EXPECT_EQ(devices.devices[2].setupClass, "USB");
  EXPECT_EQ(devices.devices[3].deviceKey, "USB\\VID_EB1A&PID_2870&MI_00");
}

TEST_F(OddTree, RegistryShapeHoldsBoundDevicesAndTheirDrivers) {
  for (const char* name : {"1-1", "1-2", "1-3"}) UsbDevice(name, "2861", std::string("S") + name);
  for (const char* name : {"1-1", "1-2"}) {
    const std::string interface = std::string("sys/devices/usb/") + name + "/" + name + ":1.0";
    Link(interface + "/driver", "../../../../bus/usb/drivers/em28xx");
    Link(interface + "/video4linux/video" + std::string(name + 2) + "/device", "../../../" + std::string(name) + ":1.0");
    Link("sys/class/video4linux/video" + std::string(name + 2),
         "../../devices/usb/" + std::string(name) + "/" + name + ":1.0/video4linux/video" + std::string(name + 2));
  }
  Link("sys/bus/usb/drivers/em28xx/module", "../../../../module/em28xx");
  File("sys/module/em28xx/version", "0.2.2\n");
  File("proc/sys/kernel/osrelease", "6.1.0-18-amd64\n");
  File("proc/sys/kernel/version", "#1 SMP PREEMPT_DYNAMIC Debian 6.1.76-1 (2024-02-01)\n");
  // An attribute longer than one read comes whole.
  File("sys/devices/usb/1-3/product", std::string(6000, 'x') + "\n");

  const HostTree tree(folder_.Path());
  const HostDevices devices = ReadHostDevices(tree, HostSound{});
  EXPECT_EQ(devices.devices[2].description.size(), 6000u);
  MemoryRegistry store;
  FillDeviceRegistry(store, devices, tree);
  const RegistryAccess registry(store);
  constexpr auto HKLM = RegistryRoot::LocalMachine;
  const std::string device = "SYSTEM\\CurrentControlSet\\Enum\\USB\\VID_EB1A&PID_2861\\";
  const std::string media = "SYSTEM\\CurrentControlSet\\Control\\Class\\{4D36E96C-E325-11CE-BFC1-08002BE10318}\\";
  EXPECT_EQ(registry.ReadKeyText(HKLM, device + "S1-2", "Driver"), "{4D36E96C-E325-11CE-BFC1-08002BE10318}\\0001");
  EXPECT_EQ(registry.ReadKeyText(HKLM, device + "S1-2", "Service"), "em28xx");
  EXPECT_TRUE(registry.Open(HKLM, device + "S1-2\\Control"));
  // Not bound: no driver, not running.
  EXPECT_TRUE(registry.Open(HKLM, device + "S1-3"));
  EXPECT_EQ(registry.ReadKeyText(HKLM, device + "S1-3", "Service"), "");
  EXPECT_FALSE(registry.Open(HKLM, device + "S1-3\\Control"));
  std::uint32_t count = 0;
  EXPECT_TRUE(registry.ReadNumber(registry.Open(HKLM, "SYSTEM\\CurrentControlSet\\Services\\em28xx\\Enum"), "Count", count));
  EXPECT_EQ(count, 2u);
  EXPECT_EQ(registry.ReadKeyText(HKLM, media + "0001", "ProviderName"), "em28xx");
  EXPECT_EQ(registry.ReadKeyText(HKLM, media + "0001", "DriverVersion"), "0.2.2");
  EXPECT_EQ(registry.ReadKeyText(HKLM, media + "0001", "DriverDate"), "2-1-2024");
}

// A copied tree whose links lead out of it, and nodes that are no files:
// paths resolve inside the tree as a chroot would, nothing outside it and
// nothing but regular files is opened. The same with both walks.
struct WalkCase {
  const char* name;
  PathWalk walk;
};
void PrintTo(const WalkCase& c, std::ostream* out) { *out << c.name; }

class ConfinedTree : public OddTree, public testing::WithParamInterface<WalkCase> {};

TEST_P(ConfinedTree, ReadsOnlyRegularFilesInsideTheTree) {
  struct Case {
    const char* name;
    std::string path;    // below the tree
    std::string target;  // of a link made at path; none when empty
    std::optional<std::string> text;
  };
  const std::string outside = folder_.Path();  // the tree's folder on the host
  const std::string id = "sys/class/dmi/id/";
  const Case cases[] = {
      {"relativeLinkInsideKeepsWorking", "etc/os-release", "../usr/lib/os-release", "NAME=Copy"},
      {"absoluteTargetFromTheTreesTop", id + "board_vendor", outside + "/outside/secret", "inside copy"},
      {"dotDotStopsAtTheTop", id + "board_name", "../../../../../outside/secret", "inside"},
      {"privateHostFileNotReached", id + "board_serial", outside + "/private", std::nullopt},
      {"linkToARelativeLinkInside", id + "product_name", "/etc/os-release", "NAME=Copy"},
      {"hostsHostnameNotReached", id + "board_version", "../../../../../../../../../../etc/hostname", std::nullopt},
      {"linkLoop", id + "loop", "loop", std::nullopt},
      {"linkToTheTopIsAFolder", "sys/top", "/", std::nullopt},
      {"throughALinkToTheTop", "sys/top/outside/secret", "", "inside"},
      {"linkPastTheTopIsAFolder", "sys/up", "../../..", std::nullopt},
      {"throughLinksPastTheTop", "sys/up/sys/up/outside/secret", "", "inside"},
      {"dotDotInThePath", "sys/../../../outside/secret", "", "inside"},
      {"namedPipe", id + "chassis_vendor", "", std::nullopt},
      {"linkToANamedPipe", id + "chassis_name", "chassis_vendor", std::nullopt},
      {"folder", id + "bios_vendor", "", std::nullopt},
      {"deviceNode", id + "bios_date", "", std::nullopt},
  };
  File("outside/secret", "host secret\n");
  File("private", "private\n");
  ::chmod(folder_.Host("private").c_str(), 0600);
  File("tree/outside/secret", "inside\n");
  File("tree" + outside + "/outside/secret", "inside copy\n");
  File("tree/usr/lib/os-release", "NAME=Copy\n");
  for (const Case& c : cases) {
    if (!c.target.empty()) Link("tree/" + c.path, c.target);
  }
  ASSERT_EQ(::mkfifo(folder_.Host("tree/" + id + "chassis_vendor").c_str(), 0600), 0);
  std::filesystem::create_directories(folder_.Host("tree/" + id + "bios_vendor"));
  // A copied device node, where one may be made (the null device).
  const std::string device = folder_.Host("tree/" + id + "bios_date");
  const bool node = ::mknod(device.c_str(), S_IFCHR | 0600, ::makedev(1, 3)) == 0;

  // Whatever is opened of these shows as an event.
  const Descriptor watch(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC));
  for (const std::string& path : {folder_.Host("outside/secret"), folder_.Host("private"),
                                  folder_.Host("tree/" + id + "chassis_vendor"), node ? device : std::string()}) {
    ASSERT_TRUE(path.empty() || ::inotify_add_watch(watch.get(), path.c_str(), IN_OPEN) >= 0) << path;
  }

  const HostTree tree(folder_.Host("tree"), GetParam().walk);
  for (const Case& c : cases) {
    EXPECT_EQ(tree.ReadAttribute(c.path), c.text) << c.name;
    // Through the folder the name is in, as a device's attributes are read.
    const auto [folderPath, name] = SplitLastName(c.path);
    EXPECT_EQ(HostFolder(tree, folderPath).ReadAttribute(name), c.text) << c.name;
  }
  EXPECT_EQ(HostFolder(tree, "sys/up").ReadAttribute("outside/secret"), "inside");
  EXPECT_EQ(tree.List("sys/up/outside"), std::vector<std::string>{"secret"});
  EXPECT_EQ(tree.List("sys/top/sys/class/dmi/id/board_name"), std::vector<std::string>{});
  EXPECT_EQ(tree.LinkName("sys/top/etc/os-release"), "os-release");

  alignas(inotify_event) char events[sizeof(inotify_event) + NAME_MAX + 1];
  EXPECT_LT(::read(watch.get(), events, sizeof events), 0) << "a watched file was opened";
}

INSTANTIATE_TEST_SUITE_P(Walks, ConfinedTree,
                         testing::Values(WalkCase{"kernel", PathWalk::kernel}, WalkCase{"byName", PathWalk::byName}),
                         [](const auto& info) { return std::string(info.param.name); });

// This machine and the captured trees: whatever they hold, the device rows
// have Windows' forms and every PCI function is listed. The trees' counts
// are known, so the count is checked on a machine without PCI as well.
struct DeviceRowsCase {
  const char* name;
  std::string root;
  std::optional<std::size_t> pciFunctions;  // nothing: as many as this machine has
};
void PrintTo(const DeviceRowsCase& c, std::ostream* out) { *out << c.name; }

class DeviceRows : public testing::TestWithParam<DeviceRowsCase> {};

TEST_P(DeviceRows, HaveWindowsFormsAndListEveryPciFunction) {
  LinuxPlatform platform("/nonexistent-report-folder", "/usr/bin/tarnwick", GetParam().root);
  RecordedRows rows;
  std::ostringstream diagnostics;
  ReportDialog dialog(platform.Services(), rows, diagnostics);
  dialog.RunCollection();

  const std::regex hardwareId(
      "PCI\\\\VEN_[0-9A-F]{4}&DEV_[0-9A-F]{4}&SUBSYS_[0-9A-F]{8}&REV_[0-9A-F]{2}|"
      "USB\\\\VID_[0-9A-F]{4}&PID_[0-9A-F]{4}(&MI_[0-9A-F]{2}|&REV_[0-9A-F]{4}(&MI_[0-9A-F]{2})?)?|"
      "USB\\\\ROOT_HUB(20|30)?&VID[0-9A-F]{4}&PID[0-9A-F]{4}&REV[0-9A-F]{4}");
  const std::regex mediaKey("(DeviceID|ProviderName|DeviceName|Driver Version|DriverDate)\\d+");
  std::size_t devices = 0;
  std::size_t pci = 0;
  bool usbType = false;
  for (const ReportEntry& row : rows.Rows()) {
    if (row.section == "System Device Info") {
      EXPECT_EQ(row.key, "System ID " + std::to_string(devices++));
      EXPECT_TRUE(std::regex_match(row.value, hardwareId)) << row.value;
      pci += row.value.starts_with("PCI\\") ? 1 : 0;
    } else if (row.section == "Media") {
      EXPECT_TRUE(std::regex_match(row.key, mediaKey)) << row.key;
    } else if (row.section == "USBInfo") {
      EXPECT_TRUE(row.value == "1.1" || row.value == "2.0") << row.value;
      usbType = true;
    }
  }
  EXPECT_TRUE(usbType);
  std::error_code ignored;
  std::size_t functions = 0;
  for (const auto& entry : std::filesystem::directory_iterator(GetParam().root + "/sys/bus/pci/devices", ignored)) {
    functions += std::filesystem::exists(entry.path() / "vendor") ? 1 : 0;
  }
  EXPECT_EQ(functions, GetParam().pciFunctions.value_or(functions));
  EXPECT_EQ(pci, functions);
}

INSTANTIATE_TEST_SUITE_P(
    LinuxHost, DeviceRows,
    testing::Values(DeviceRowsCase{"thisMachine", "/", std::nullopt},
                    DeviceRowsCase{"desktop", TARNWICK_SOURCE_DIR "/tests/hosts/desktop/root", 7},
                    DeviceRowsCase{"laptop", TARNWICK_SOURCE_DIR "/tests/hosts/laptop/root", 6},
                    DeviceRowsCase{"vm", TARNWICK_SOURCE_DIR "/tests/hosts/vm/root", 6}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace tarnwick
