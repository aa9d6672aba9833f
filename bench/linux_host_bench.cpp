// linux_host_bench: the whole collection run of the native program on a
// generated Linux tree of 300 devices (60 PCI functions with a display
// adapter, sound and TV cards; 10 USB buses with two Empia sticks and a
// DVB-T stick, composite devices, hubs, storage and input devices), read
// below a root folder as `tarnwick --root` reads it.
// Each round builds the Linux layer from the tree (devices, registry shape,
// sound, board) and runs every collector, the Linux sections with their
// checks among them, into a report in a scratch folder; prints the best and
// the median round. Then the same for the captured desktop tree
// (tests/hosts/desktop) given this host's full PCI and USB ID databases.
#include <stdlib.h>
#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/report_dialog.h"
#include "app/result_list.h"
#include "collectors/collectors.h"
#include "platform/linux/linux_platform.h"

namespace {

namespace fs = std::filesystem;

// Processor time of this process: on a busy machine, closer than the wall
// clock to what the run costs.
double ProcessMilliseconds() {
  timespec now{};
  ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

constexpr int kRounds = 15;
constexpr int kPciFunctions = 60;
constexpr int kUsbBuses = 10;

class TreeWriter {
 public:
  explicit TreeWriter(std::string root) : root_(std::move(root)) {}

  void File(const std::string& path, const std::string& text) {
    fs::create_directories(fs::path(root_ + "/" + path).parent_path());
    std::ofstream(root_ + "/" + path, std::ios::binary) << text;
  }
  void Link(const std::string& path, const std::string& target) {
    fs::create_directories(fs::path(root_ + "/" + path).parent_path());
    fs::create_symlink(target, root_ + "/" + path);
  }
  // The "../" that lead from a file's folder back to the root.
  static std::string Up(const std::string& path) {
    std::string up;
    for (const char c : path) {
      if (c == '/') up += "../";
    }
    return up;
  }
  void Attributes(const std::string& folder, const std::vector<std::pair<std::string, std::string>>& values) {
    for (const auto& [name, value] : values) File(folder + "/" + name, value + "\n");
  }
  void Driver(const std::string& folder, const std::string& bus, const std::string& driver) {
    Link(folder + "/driver", Up(folder + "/driver") + "bus/" + bus + "/drivers/" + driver);
  }
  void ClassDevice(const std::string& parent, const std::string& kind, const std::string& node,
                   const std::vector<std::pair<std::string, std::string>>& values) {
    const std::string folder = parent + "/" + kind + "/" + node;
    Attributes(folder, values);
    Link(folder + "/device", "../../../" + parent.substr(parent.rfind('/') + 1));
    Link("sys/class/" + kind + "/" + node, "../../" + folder.substr(4));
  }

 private:
  std::string root_;
};

std::string Hex(int value, int digits) {
  char text[16];
  std::snprintf(text, sizeof text, "%0*x", digits, value);
  return text;
}

// Writes the tree; returns the number of devices Windows would list.
int GenerateTree(const std::string& root) {
  TreeWriter tree(root);
  int devices = 0;
  int video = 0;
  std::ostringstream cards;
  std::ostringstream pcms;
  int card = 0;
  const auto addCard = [&](const std::string& parent, const std::string& name, const std::string& pcm, bool playback) {
    tree.ClassDevice(parent, "sound", "card" + std::to_string(card), {});
    cards << (card < 10 ? " " : "") << card << " [Card" << card << "         ]: Driver - " << name << "\n"
          << "                      " << name << " at somewhere\n";
    pcms << (card < 10 ? "0" : "") << card << "-00: " << pcm << " : " << pcm << (playback ? " : playback 1" : "")
         << " : capture 1\n";
    if (playback) {
      tree.File("proc/asound/card" + std::to_string(card) + "/codec#0",
                "Node 0x02 [Audio Output] wcaps 0x41d: Stereo Amp-Out\n"
                "  Control: name=\"Front Playback Volume\", index=0, device=0\n    ControlAmp: chs=3, dir=Out\n");
    }
    ++card;
  };

  struct PciKind {
    const char* classCode;
    const char* driver;  // none for a function no driver took
    const char* module;
  };
  // A display adapter, a sound card, an analogue TV card and ten USB
  // controllers; bridges, network and storage controllers for the rest.
  const PciKind display{"0x030000", "i915", "i915"};
  const PciKind sound{"0x040300", "snd_hda_intel", "snd_hda_intel"};
  const PciKind tvCard{"0x048000", "saa7134", "saa7134"};
  const PciKind usb{"0x0c0320", "ehci-pci", "ehci_pci"};
  const PciKind others[] = {{"0x060400", "pcieport", nullptr}, {"0x020000", "e1000e", "e1000e"},
                            {"0x010601", "ahci", "ahci"}, {"0x0c0500", nullptr, nullptr}};
  std::vector<std::string> controllers;
  for (int i = 0; i < kPciFunctions; ++i) {
    const PciKind& kind = i == 0 ? display : i == 1 ? sound : i == 2 ? tvCard
                          : i < 3 + kUsbBuses ? usb : others[i % 4];
    const std::string name = "0000:" + Hex(i + 1, 2) + ":00.0";
    const std::string folder = "sys/devices/pci0000:00/" + name;
    tree.Attributes(folder, {{"vendor", "0x8086"}, {"device", "0x" + Hex(0x1c00 + i, 4)},
                             {"subsystem_vendor", "0x1043"}, {"subsystem_device", "0x844d"},
                             {"class", kind.classCode}, {"revision", "0x05"}});
    tree.Link("sys/bus/pci/devices/" + name, "../../../devices/pci0000:00/" + name);
    if (kind.driver != nullptr) tree.Driver(folder, "pci", kind.driver);
    if (&kind == &usb) controllers.push_back(folder);
    if (&kind == &sound) addCard(folder, "HDA Intel PCH", "ALC887-VD Analog", true);
    if (&kind == &tvCard) {
      tree.ClassDevice(folder, "video4linux", "video" + std::to_string(video++), {{"name", "saa7133[0] video"}, {"index", "0"}});
    }
    ++devices;
  }
  for (const PciKind* kind : {&display, &sound, &tvCard, &usb, &others[1], &others[2]}) {
    tree.Link(std::string("sys/bus/pci/drivers/") + kind->driver + "/module", std::string("../../../../module/") + kind->module);
  }
  tree.Link("sys/bus/usb/drivers/em28xx/module", "../../../../module/em28xx");
  tree.File("sys/module/em28xx/version", "0.2.2\n");

  const auto usbDevice = [&](const std::string& folder, const std::string& name,
                             const std::vector<std::pair<std::string, std::string>>& values) {
    tree.Attributes(folder, values);
    tree.Link("sys/bus/usb/devices/" + name, "../../../" + folder.substr(4));
    tree.Driver(folder, "usb", "usb");
  };
  const auto usbInterface = [&](const std::string& parent, const std::string& name, int number,
                                const std::string& usbClass, const std::string& driver) {
    const std::string folder = parent + "/" + name;
    tree.Attributes(folder, {{"bInterfaceNumber", Hex(number, 2)}, {"bInterfaceClass", usbClass}});
    tree.Link("sys/bus/usb/devices/" + name, "../../../" + folder.substr(4));
    tree.Driver(folder, "usb", driver);
    return folder;
  };
  // 150 ports: two Empia sticks and a DVB-T stick, 40 composite devices (a
  // node per interface), hubs, storage and input devices.
  int composites = 0;
  for (int bus = 1; bus <= kUsbBuses; ++bus) {
    const std::string b = std::to_string(bus);
    const std::string hub = controllers[static_cast<std::size_t>(bus - 1)] + "/usb" + b;
    usbDevice(hub, "usb" + b, {{"idVendor", "1d6b"}, {"idProduct", "0002"}, {"bcdDevice", "0601"},
                               {"bDeviceClass", "09"}, {"product", "EHCI Host Controller"}});
    usbInterface(hub, b + "-0:1.0", 0, "09", "hub");
    ++devices;
    for (int port = 1; port <= 15; ++port) {
      const int index = (bus - 1) * 15 + port - 1;
      const std::string name = b + "-" + std::to_string(port);
      const std::string folder = hub + "/" + name;
      if (index < 2) {  // an Empia stick with its video and sound
        usbDevice(folder, name, {{"idVendor", "eb1a"}, {"idProduct", "2861"}, {"bcdDevice", "0100"},
                                 {"bDeviceClass", "00"}, {"product", "USB 2861 Device"}});
        const std::string interface = usbInterface(folder, name + ":1.0", 0, "ff", "em28xx");
        tree.ClassDevice(interface, "video4linux", "video" + std::to_string(video++), {{"name", "em28xx #0 video"}, {"index", "0"}});
        addCard(interface, "Em28xx Audio", "Empia 28xx Capture", false);
        devices += 1;
      } else if (index == 2) {  // a DVB-T stick
        usbDevice(folder, name, {{"idVendor", "1b80"}, {"idProduct", "d393"}, {"bcdDevice", "0100"},
                                 {"bDeviceClass", "00"}, {"product", "RTL2838UHIDIR"}, {"serial", "00000001"}});
        usbInterface(folder, name + ":1.0", 0, "ff", "dvb_usb_rtl28xxu");
        tree.ClassDevice(folder, "dvb", "dvb0.frontend0", {});
        devices += 1;
      } else if (index % 3 == 0 && composites < 40) {
        usbDevice(folder, name, {{"idVendor", "046d"}, {"idProduct", "0825"}, {"bcdDevice", "0012"},
                                 {"bDeviceClass", "ef"}, {"product", "Webcam C270"}, {"serial", "SN" + name}});
        usbInterface(folder, name + ":1.0", 0, "0e", "uvcvideo");
        usbInterface(folder, name + ":1.1", 1, "0e", "uvcvideo");
        ++composites;
        devices += 3;
      } else if (index % 3 == 1) {
        usbDevice(folder, name, {{"idVendor", "05e3"}, {"idProduct", "0608"}, {"bcdDevice", "6060"},
                                 {"bDeviceClass", "09"}, {"product", "USB2.0 Hub"}});
        usbInterface(folder, name + ":1.0", 0, "09", "hub");
        devices += 1;
      } else if (index % 3 == 2) {
        usbDevice(folder, name, {{"idVendor", "0781"}, {"idProduct", "5567"}, {"bcdDevice", "0126"},
                                 {"bDeviceClass", "00"}, {"product", "Cruzer Blade"}, {"serial", "4C53" + name}});
        usbInterface(folder, name + ":1.0", 0, "08", "usb-storage");
        devices += 1;
      } else {
        usbDevice(folder, name, {{"idVendor", "046d"}, {"idProduct", "c077"}, {"bcdDevice", "7200"},
                                 {"bDeviceClass", "00"}, {"product", "USB Optical Mouse"}});
        usbInterface(folder, name + ":1.0", 0, "03", "usbhid");
        devices += 1;
      }
    }
  }

  tree.File("proc/asound/cards", cards.str());
  tree.File("proc/asound/pcm", pcms.str());
  tree.Link("sys/class/dmi/id", "../../devices/virtual/dmi/id");
  tree.Attributes("sys/devices/virtual/dmi/id",
                  {{"board_vendor", "ASUSTeK COMPUTER INC."}, {"board_name", "P8H61-M LE"}, {"board_version", "Rev X.0x"}});
  std::string cpuinfo;
  for (int i = 0; i < 4; ++i) {
    cpuinfo += "processor\t: " + std::to_string(i) +
               "\nvendor_id\t: GenuineIntel\ncpu family\t: 6\nmodel\t\t: 42\n"
               "model name\t: Intel(R) Core(TM) i5-2400 CPU @ 3.10GHz\nstepping\t: 7\ncpu MHz\t\t: 1600.000\n\n";
  }
  tree.File("proc/cpuinfo", cpuinfo);
  tree.File("proc/meminfo", "MemTotal:       8086604 kB\nMemAvailable:   6120412 kB\n");
  tree.File("proc/swaps", "Filename\tType\tSize\tUsed\tPriority\n/dev/sda5 partition 8388604 0 -2\n");
  tree.File("proc/self/status", "VmSize:\t   24576 kB\n");
  tree.File("proc/sys/kernel/osrelease", "6.1.0-18-amd64\n");
  tree.File("proc/sys/kernel/version", "#1 SMP PREEMPT_DYNAMIC Debian 6.1.76-1 (2024-02-01)\n");
  tree.File("sys/power/state", "freeze mem disk\n");
  return devices;
}

}  // namespace

int main() {
  using namespace tarnwick;
  std::string scratch = (fs::temp_directory_path() / "tarnwick-linux-bench-XXXXXX").string();
  if (::mkdtemp(scratch.data()) == nullptr) {
    std::perror("linux_host_bench: mkdtemp");
    return 1;
  }
  const std::string root = scratch + "/root";
  const std::string work = scratch + "/work";
  fs::create_directories(work);
  const int devices = GenerateTree(root);

  struct Figures {
    std::vector<double> milliseconds, readMilliseconds, processorMilliseconds, readProcessorMilliseconds;
    std::size_t rows = 0;
    std::size_t deviceRows = 0;
    std::size_t linuxRows = 0;
    bool complete = true;
  };
  const auto measure = [&work](const std::string& tree) {
    Figures figures;
    for (int round = 0; round < kRounds; ++round) {
      const double processorStart = ProcessMilliseconds();
      const auto start = std::chrono::steady_clock::now();
      LinuxPlatform platform(work, work + "/tarnwick", tree);
      figures.readMilliseconds.push_back(
          std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
      figures.readProcessorMilliseconds.push_back(ProcessMilliseconds() - processorStart);
      RecordedRows recorded;
      std::ostringstream diagnostics;
      ReportDialog dialog(platform.Services(), recorded, diagnostics);
      dialog.SetClosingStep([&platform](CollectorContext& context) {
        CollectLinuxSections(context, platform.OsFacts(), platform.TunerFacts());
      });
      dialog.RunCollection();
      figures.milliseconds.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
      figures.processorMilliseconds.push_back(ProcessMilliseconds() - processorStart);
      figures.complete = figures.complete && dialog.ReportComplete();
      const auto& rows = recorded.Rows();
      figures.rows = rows.size();
      figures.deviceRows = static_cast<std::size_t>(
          std::count_if(rows.begin(), rows.end(), [](const ReportEntry& row) { return row.section == "System Device Info"; }));
      figures.linuxRows = static_cast<std::size_t>(std::count_if(
          rows.begin(), rows.end(), [](const ReportEntry& row) { return row.section.starts_with("Linux "); }));
    }
    return figures;
  };
  const auto print = [](const char* what, const Figures& figures) {
    std::printf("linux_host_bench: whole run on %s (%zu rows, %zu of the Linux sections), %d runs: "
                "median %.1f ms (best %.1f ms), processor time %.1f ms; reading the tree %.1f ms of it "
                "(processor time %.1f ms); target: under 50 ms\n",
                what, figures.rows, figures.linuxRows, kRounds, Median(figures.milliseconds),
                *std::min_element(figures.milliseconds.begin(), figures.milliseconds.end()),
                Median(figures.processorMilliseconds), Median(figures.readMilliseconds),
                Median(figures.readProcessorMilliseconds));
  };

  const Figures generated = measure(root);
  // The desktop tree with this host's full databases in place of its own
  // few lines, as a customer's computer has them.
  const std::string desktop = scratch + "/desktop";
  fs::copy(TARNWICK_HOSTS_DIR "/desktop/root", desktop, fs::copy_options::recursive | fs::copy_options::copy_symlinks);
  int databases = 0;
  for (const char* name : {"pci.ids", "usb.ids"}) {
    const fs::path full = fs::path("/usr/share/misc") / name;
    std::error_code missing;
    if (fs::copy_file(full, fs::path(desktop) / "usr/share/misc" / name, fs::copy_options::overwrite_existing, missing)) {
      ++databases;
    }
  }
  const Figures desktopFigures = measure(desktop);
  std::error_code ignored;
  fs::remove_all(scratch, ignored);
  if (!generated.complete || generated.deviceRows != static_cast<std::size_t>(devices) || !desktopFigures.complete ||
      desktopFigures.linuxRows == 0) {
    std::fprintf(stderr, "linux_host_bench: the run did not list the %d devices (%zu) or write its report\n", devices,
                 generated.deviceRows);
    return 1;
  }
  print(("a generated tree of " + std::to_string(devices) + " devices").c_str(), generated);
  print(databases == 2 ? "the desktop tree with this host's full ID databases"
                       : "the desktop tree (this host has no ID databases in /usr/share/misc)",
        desktopFigures);
  return 0;
}
