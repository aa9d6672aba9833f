#include "platform/linux/host_devices.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdio>
#include <set>

#include "platform/text.h"

namespace tarnwick {
namespace {

constexpr std::string_view kPciDevices = "sys/bus/pci/devices/";
constexpr std::string_view kUsbDevices = "sys/bus/usb/devices/";

// Class codes are matched on their first digits, in table order: the more
// specific rows first.
struct PciClassRow {
  std::uint32_t code;
  int digits;  // hexadecimal digits of code that are compared: 2, 4 or 6
  std::string_view name;
};

constexpr std::array<PciClassRow, 26> kPciClassNames = {{
    {.code = 0x0C0300, .digits = 6, .name = "USB UHCI controller"},
    {.code = 0x0C0310, .digits = 6, .name = "USB OHCI controller"},
    {.code = 0x0C0320, .digits = 6, .name = "USB EHCI controller"},
    {.code = 0x0C0330, .digits = 6, .name = "USB xHCI controller"},
    {.code = 0x0C03, .digits = 4, .name = "USB controller"},
    {.code = 0x0C05, .digits = 4, .name = "SMBus"},
    {.code = 0x0C, .digits = 2, .name = "Serial bus controller"},
    {.code = 0x0300, .digits = 4, .name = "VGA compatible controller"},
    {.code = 0x0302, .digits = 4, .name = "3D controller"},
    {.code = 0x03, .digits = 2, .name = "Display controller"},
    {.code = 0x0400, .digits = 4, .name = "Multimedia video controller"},
    {.code = 0x0401, .digits = 4, .name = "Multimedia audio controller"},
    {.code = 0x0403, .digits = 4, .name = "Audio device"},
    {.code = 0x04, .digits = 2, .name = "Multimedia controller"},
    {.code = 0x0600, .digits = 4, .name = "Host bridge"},
    {.code = 0x0601, .digits = 4, .name = "ISA bridge"},
    {.code = 0x0604, .digits = 4, .name = "PCI bridge"},
    {.code = 0x06, .digits = 2, .name = "Bridge"},
    {.code = 0x0101, .digits = 4, .name = "IDE interface"},
    {.code = 0x0106, .digits = 4, .name = "SATA controller"},
    {.code = 0x0108, .digits = 4, .name = "Non-Volatile memory controller"},
    {.code = 0x01, .digits = 2, .name = "Mass storage controller"},
    {.code = 0x0200, .digits = 4, .name = "Ethernet controller"},
    {.code = 0x02, .digits = 2, .name = "Network controller"},
    {.code = 0x05, .digits = 2, .name = "Memory controller"},
    {.code = 0x08, .digits = 2, .name = "Generic system peripheral"},
}};

// USB class codes the setup class is decided by.
constexpr std::uint8_t kUsbClassMassStorage = 0x08;
constexpr std::uint8_t kUsbClassHub = 0x09;
constexpr std::uint8_t kUsbClassMiscellaneous = 0xEF;  // devices with interface associations

// USB root hubs of the Linux Foundation's vendor id, by product: the hub
// kinds Windows names them by.
constexpr std::uint16_t kLinuxFoundation = 0x1D6B;
std::string_view RootHubKind(std::uint16_t product) {
  switch (product) {
    case 0x0001:
      return "ROOT_HUB";
    case 0x0003:
      return "ROOT_HUB30";
    default:
      return "ROOT_HUB20";
  }
}

// "0x8086", "eb1a", "0x040300", "00": the kernel writes hexadecimal, with or
// without its prefix. A number above the field's largest value is as
// malformed as one that is not hexadecimal.
std::optional<std::uint32_t> Hex(const std::optional<std::string>& text, std::uint32_t largest = 0xFFFF) {
  if (!text) return std::nullopt;
  std::string_view digits = *text;
  if (digits.starts_with("0x") || digits.starts_with("0X")) digits.remove_prefix(2);
  std::uint32_t value = 0;
  const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value, 16);
  if (digits.empty() || error != std::errc() || end != digits.data() + digits.size() || value > largest) {
    return std::nullopt;
  }
  return value;
}

std::string HexText(std::uint32_t value, int digits) {
  char text[16];
  std::snprintf(text, sizeof text, "%0*X", digits, static_cast<unsigned>(value));
  return text;
}

// A USB serial number Windows takes as the instance name: printable ASCII
// without commas (and no backslash, which would part the key path).
bool UsableSerial(std::string_view serial) {
  if (serial.empty() || serial.size() > 126) return false;
  return std::all_of(serial.begin(), serial.end(), [](char c) {
    return c >= 0x20 && c < 0x7F && c != ',' && c != '\\';
  });
}

// What a device's class devices say about it.
struct ClassFacts {
  bool media = false;      // a video4linux, DVB or sound device hangs on it
  std::string videoName;   // the first video4linux node's name
  std::string soundName;   // the first sound card's name
};

// One device as it is read, before its setup class and description are decided.
struct Node {
  HostDevice device;
  std::uint32_t pciClass = 0;
  // A PCI function's device id and revision: also the ids of the root hubs
  // it drives.
  std::uint32_t pciDevice = 0;
  std::uint32_t pciRevision = 0;
  // Hubs (root hubs among them), mass storage and the parents of composite
  // devices: Windows keeps them in the USB setup class.
  bool usbHub = false;
  bool usbStorage = false;
  bool compositeParent = false;
  std::string ownName;  // a USB device's product or an interface's own text
  ClassFacts facts;
  // How the ID databases list it; nothing for a device they do not name.
  std::optional<DeviceId> databaseId;
};

struct UsbInterface {
  std::string name;  // "1-1:1.0"
  std::uint8_t number = 0;
  std::uint8_t usbClass = 0;
  std::string text;
  std::string driver;
};

struct UsbDevice {
  std::string name;  // "usb1", "1-1.2"
  std::vector<int> order;
  bool rootHub = false;
  std::vector<std::string> interfaceNames;
};

// The order the kernel adds USB devices in: bus by bus, the root hub first,
// each device before its interfaces and the devices behind its ports.
// Nothing for a name that is none of "usbN", "B-P.P…" or "…:C.I".
std::optional<std::vector<int>> UsbOrder(std::string_view name, bool& rootHub, std::string& deviceName) {
  const auto number = [](std::string_view text) -> std::optional<int> {
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || value < 0) return std::nullopt;
    return value;
  };
  std::vector<int> order;
  const std::size_t colon = name.find(':');
  const std::string_view device = name.substr(0, colon);
  rootHub = device.starts_with("usb");
  if (rootHub) {
    const auto bus = number(device.substr(3));
    if (!bus || colon != std::string_view::npos) return std::nullopt;
    deviceName = std::string(device);
    return std::vector<int>{*bus, -2};
  }
  const std::size_t dash = device.find('-');
  if (dash == std::string_view::npos) return std::nullopt;
  const auto bus = number(device.substr(0, dash));
  if (!bus) return std::nullopt;
  order.push_back(*bus);
  std::string_view ports = device.substr(dash + 1);
  const bool rootInterface = ports == "0";
  deviceName = rootInterface ? "usb" + std::to_string(*bus) : std::string(device);
  while (!rootInterface) {
    const std::size_t dot = ports.find('.');
    const auto port = number(ports.substr(0, dot));
    if (!port) return std::nullopt;
    order.push_back(*port);
    if (dot == std::string_view::npos) break;
    ports.remove_prefix(dot + 1);
  }
  if (colon == std::string_view::npos) {
    if (rootInterface) return std::nullopt;
    order.push_back(-2);
    return order;
  }
  const std::string_view interface = name.substr(colon + 1);
  const std::size_t dot = interface.find('.');
  const auto configuration = number(interface.substr(0, dot));
  const auto index = dot == std::string_view::npos ? std::nullopt : number(interface.substr(dot + 1));
  if (!configuration || !index) return std::nullopt;
  order.insert(order.end(), {-1, *configuration, *index});
  return order;
}

class DeviceReader {
 public:
  DeviceReader(const HostTree& tree, const HostSound& sound, const DeviceNamer& namer)
      : tree_(tree), sound_(sound), namer_(namer) {}

  HostDevices Read() {
    ReadPci();
    ReadUsb();
    ReadClassDevices();
    HostDevices result;
    result.owners = std::move(owners_);
    std::set<DeviceId> wanted;
    for (const Node& node : nodes_) {
      if (node.databaseId) wanted.insert(*node.databaseId);
    }
    const auto names = namer_ && !wanted.empty() ? namer_(wanted) : std::map<DeviceId, std::string>();
    std::set<std::string> instances;
    for (Node& node : nodes_) {
      Decide(node);
      const auto named = node.databaseId ? names.find(*node.databaseId) : names.end();
      if (named != names.end()) node.device.description = named->second;
      // Two devices of one key with the same serial number: the second
      // takes its kernel name, as Windows takes its port then.
      const std::string unique = FoldCase(node.device.deviceKey + "\\" + node.device.instance);
      if (!instances.insert(unique).second) node.device.instance = node.device.name;
      result.devices.push_back(std::move(node.device));
    }
    result.videoCaptures = std::move(videoCaptures_);
    for (const auto& [frontend, owner] : dvbFrontends_) {
      result.dvbFrontends.push_back(owner ? result.devices[*owner].description : frontend);
    }
    return result;
  }

 private:
  void ReadPci() {
    for (const std::string& name : tree_.List(kPciDevices)) {
      const HostFolder folder(tree_, std::string(kPciDevices).append(name));
      const auto vendor = Hex(folder.ReadAttribute("vendor"));
      const auto device = Hex(folder.ReadAttribute("device"));
      const auto classCode = Hex(folder.ReadAttribute("class"), 0xFFFFFF);
      if (!vendor || !device || !classCode) continue;
      const std::uint32_t subsystemVendor = Hex(folder.ReadAttribute("subsystem_vendor")).value_or(0);
      const std::uint32_t subsystemDevice = Hex(folder.ReadAttribute("subsystem_device")).value_or(0);
      const std::uint32_t revision = Hex(folder.ReadAttribute("revision"), 0xFF).value_or(0);

      const std::string ids = "PCI\\VEN_" + HexText(*vendor, 4) + "&DEV_" + HexText(*device, 4);
      const std::string subsystem = "&SUBSYS_" + HexText(subsystemDevice, 4) + HexText(subsystemVendor, 4);
      Node node;
      node.device.bus = HostBus::Pci;
      node.device.name = name;
      node.device.hardwareIds = {
          ids + subsystem + "&REV_" + HexText(revision, 2),
          ids + subsystem,
          ids + "&CC_" + HexText(*classCode, 6),
          ids + "&CC_" + HexText(*classCode >> 8, 4),
      };
      node.device.deviceKey = node.device.hardwareIds.front();
      node.device.instance = name;
      node.device.vendor = static_cast<std::uint16_t>(*vendor);
      node.device.driver = folder.LinkName("driver").value_or("");
      node.pciClass = *classCode;
      node.pciDevice = *device;
      node.pciRevision = revision;
      node.databaseId = DeviceId{.bus = HostBus::Pci,
                                 .vendor = static_cast<std::uint16_t>(*vendor),
                                 .device = static_cast<std::uint16_t>(*device)};
      Add(std::move(node));
    }
  }

  void ReadUsb() {
    std::map<std::string, UsbDevice> devices;
    for (const std::string& name : tree_.List(kUsbDevices)) {
      bool rootHub = false;
      std::string deviceName;
      const auto order = UsbOrder(name, rootHub, deviceName);
      if (!order) continue;
      UsbDevice& device = devices[deviceName];
      if (name.find(':') != std::string::npos) {
        device.interfaceNames.push_back(name);
        continue;
      }
      device.name = name;
      device.order = *order;
      device.rootHub = rootHub;
    }
    std::vector<UsbDevice*> ordered;
    for (auto& [name, device] : devices) {
      if (!device.name.empty()) ordered.push_back(&device);
    }
    std::sort(ordered.begin(), ordered.end(), [](const UsbDevice* a, const UsbDevice* b) { return a->order < b->order; });
    for (UsbDevice* device : ordered) {
      std::sort(device->interfaceNames.begin(), device->interfaceNames.end(), NaturalLess);
      ReadUsbDevice(*device);
    }
  }

  static UsbInterface ReadUsbInterface(const HostFolder& folder, const std::string& name) {
    UsbInterface interface;
    interface.name = name;
    interface.number = static_cast<std::uint8_t>(Hex(folder.ReadAttribute("bInterfaceNumber"), 0xFF).value_or(0));
    interface.usbClass = static_cast<std::uint8_t>(Hex(folder.ReadAttribute("bInterfaceClass"), 0xFF).value_or(0));
    interface.text = folder.ReadAttribute("interface").value_or("");
    interface.driver = folder.LinkName("driver").value_or("");
    return interface;
  }

  void ReadUsbDevice(const UsbDevice& usb) {
    const std::string& name = usb.name;
    const HostFolder folder(tree_, std::string(kUsbDevices).append(name));
    // An interface's folder lies in its device's, as the kernel adds it; the
    // bus's link to it is the way there otherwise.
    std::vector<UsbInterface> interfaces;
    for (const std::string& interface : usb.interfaceNames) {
      const HostFolder inside(folder, interface);
      interfaces.push_back(inside ? ReadUsbInterface(inside, interface)
                                  : ReadUsbInterface(HostFolder(tree_, std::string(kUsbDevices).append(interface)), interface));
    }
    const auto vendor = Hex(folder.ReadAttribute("idVendor"));
    const auto product = Hex(folder.ReadAttribute("idProduct"));
    if (!vendor || !product) return;
    const std::uint32_t revision = Hex(folder.ReadAttribute("bcdDevice")).value_or(0);
    const std::uint32_t deviceClass = Hex(folder.ReadAttribute("bDeviceClass"), 0xFF).value_or(0);

    Node node;
    node.device.bus = HostBus::Usb;
    node.device.name = name;
    node.device.vendor = static_cast<std::uint16_t>(*vendor);
    node.ownName = folder.ReadAttribute("product").value_or("");
    const std::string ids = "USB\\VID_" + HexText(*vendor, 4) + "&PID_" + HexText(*product, 4);
    const std::string revisionText = HexText(revision, 4);

    if (usb.rootHub && *vendor == kLinuxFoundation) {
      // Windows names a root hub by its host controller's PCI ids.
      std::uint32_t hubVendor = *vendor;
      std::uint32_t hubProduct = *product;
      std::string hubRevision = revisionText;
      const auto controller = tree_.LinkParentName(std::string(kUsbDevices).append(name));
      const auto found = controller ? owners_.find(*controller) : owners_.end();
      if (found != owners_.end() && nodes_[found->second].device.bus == HostBus::Pci) {
        const Node& pci = nodes_[found->second];
        hubVendor = pci.device.vendor;
        hubProduct = pci.pciDevice;
        hubRevision = HexText(pci.pciRevision, 4);
      }
      const std::string kind = "USB\\" + std::string(RootHubKind(static_cast<std::uint16_t>(*product)));
      const std::string hub = kind + "&VID" + HexText(hubVendor, 4) + "&PID" + HexText(hubProduct, 4);
      node.device.hardwareIds = {hub + "&REV" + hubRevision, hub, kind};
      node.device.deviceKey = kind;
      node.usbHub = true;
    } else {
      node.device.hardwareIds = {ids + "&REV_" + revisionText, ids};
      node.device.deviceKey = ids;
      node.databaseId = DeviceId{.bus = HostBus::Usb,
                                 .vendor = static_cast<std::uint16_t>(*vendor),
                                 .device = static_cast<std::uint16_t>(*product)};
    }
    // Windows names an instance by the device's serial number, a root hub's
    // and a device's without one by where it sits.
    const auto serial = usb.rootHub ? std::nullopt : folder.ReadAttribute("serial");
    node.device.instance = serial && UsableSerial(*serial) ? *serial : name;
    node.usbHub = node.usbHub || deviceClass == kUsbClassHub;

    // Windows gives a device of several interfaces a node per interface
    // when the device leaves its class to them.
    const bool composite = interfaces.size() > 1 && !node.usbHub &&
                           (deviceClass == 0 || deviceClass == kUsbClassMiscellaneous);
    if (!composite) {
      for (const UsbInterface& interface : interfaces) {
        if (node.device.driver.empty()) node.device.driver = interface.driver;
        node.usbHub = node.usbHub || interface.usbClass == kUsbClassHub;
        node.usbStorage = node.usbStorage || interface.usbClass == kUsbClassMassStorage;
      }
      const std::size_t index = Add(std::move(node));
      for (const UsbInterface& interface : interfaces) owners_.emplace(interface.name, index);
      return;
    }

    node.compositeParent = true;
    node.device.driver = folder.LinkName("driver").value_or("");
    const std::string productName = node.ownName;
    Add(std::move(node));
    for (const UsbInterface& interface : interfaces) {
      const std::string function = "&MI_" + HexText(interface.number, 2);
      Node part;
      part.device.bus = HostBus::Usb;
      part.device.name = interface.name;
      part.device.vendor = static_cast<std::uint16_t>(*vendor);
      part.device.hardwareIds = {ids + "&REV_" + revisionText + function, ids + function};
      part.device.deviceKey = ids + function;
      part.device.instance = interface.name;
      part.device.driver = interface.driver;
      part.ownName = interface.text.empty() ? productName : interface.text;
      part.usbHub = interface.usbClass == kUsbClassHub;
      part.usbStorage = interface.usbClass == kUsbClassMassStorage;
      Add(std::move(part));
    }
  }

  std::size_t Add(Node node) {
    owners_.emplace(node.device.name, nodes_.size());
    nodes_.push_back(std::move(node));
    return nodes_.size() - 1;
  }

  Node* OwnerNode(const HostFolder& folder) {
    const auto name = folder.LinkName("device");
    const auto found = name ? owners_.find(*name) : owners_.end();
    return found == owners_.end() ? nullptr : &nodes_[found->second];
  }

  void ReadClassDevices() {
    std::vector<std::string> videoNodes = tree_.List("sys/class/video4linux");
    std::sort(videoNodes.begin(), videoNodes.end(), NaturalLess);
    for (const std::string& video : videoNodes) {
      const HostFolder folder(tree_, "sys/class/video4linux/" + video);
      Node* owner = OwnerNode(folder);
      if (owner != nullptr) owner->facts.media = true;
      // Teletext (vbi), radio and sub-device nodes capture no video; a
      // device's further video nodes (such as a camera's metadata node) have
      // an index above 0.
      const auto index = folder.ReadAttribute("index");
      if (!video.starts_with("video") || (index && *index != "0")) continue;
      const std::string name = folder.ReadAttribute("name").value_or("");
      if (owner != nullptr && owner->facts.videoName.empty()) owner->facts.videoName = name;
      videoCaptures_.push_back(Utf8ToCp1252(name));
    }

    std::vector<std::string> dvbNodes = tree_.List("sys/class/dvb");
    std::sort(dvbNodes.begin(), dvbNodes.end(), NaturalLess);
    for (const std::string& dvb : dvbNodes) {
      const HostFolder folder(tree_, "sys/class/dvb/" + dvb);
      Node* owner = OwnerNode(folder);
      if (owner != nullptr) owner->facts.media = true;
      if (dvb.find(".frontend") == std::string::npos) continue;
      dvbFrontends_.emplace_back(dvb, owner ? std::optional<std::size_t>(owner - nodes_.data()) : std::nullopt);
    }

    for (const SoundCard& card : sound_.cards) {
      const auto found = owners_.find(card.device);
      if (found == owners_.end()) continue;
      ClassFacts& facts = nodes_[found->second].facts;
      facts.media = true;
      if (facts.soundName.empty()) facts.soundName = card.name;
    }
  }

  static void Decide(Node& node) {
    HostDevice& device = node.device;
    const std::uint32_t baseClass = node.pciClass >> 16;
    const std::uint32_t subclass = node.pciClass >> 8;
    if (node.facts.media) {
      device.setupClass = "MEDIA";
    } else if (device.bus == HostBus::Pci) {
      if (baseClass == 0x04) device.setupClass = "MEDIA";
      else if (baseClass == 0x03) device.setupClass = "Display";
      else if (subclass == 0x0C03) device.setupClass = "USB";
      else if (baseClass == 0x05 || baseClass == 0x06 || baseClass == 0x08 || subclass == 0x0C05) device.setupClass = "System";
    } else if (node.usbHub || node.usbStorage || node.compositeParent) {
      device.setupClass = "USB";
    }

    for (const std::string* name : {&node.ownName, &node.facts.videoName, &node.facts.soundName}) {
      if (!name->empty()) {
        device.description = Utf8ToCp1252(*name);
        return;
      }
    }
    if (device.bus == HostBus::Pci) device.description = PciClassName(node.pciClass);
    else device.description = node.usbHub ? "USB Hub" : "USB Device";
  }

  const HostTree& tree_;
  const HostSound& sound_;
  const DeviceNamer& namer_;
  std::vector<Node> nodes_;
  std::map<std::string, std::size_t, std::less<>> owners_;
  std::vector<std::string> videoCaptures_;
  std::vector<std::pair<std::string, std::optional<std::size_t>>> dvbFrontends_;
};

}  // namespace

const HostDevice* HostDevices::Owner(std::string_view kernelName) const {
  const auto found = owners.find(kernelName);
  return found == owners.end() ? nullptr : &devices[found->second];
}

std::string_view PciClassName(std::uint32_t classCode) {
  for (const PciClassRow& row : kPciClassNames) {
    if ((classCode >> (24 - 4 * row.digits)) == row.code) return row.name;
  }
  return "PCI Device";
}

HostDevices ReadHostDevices(const HostTree& tree, const HostSound& sound, const DeviceNamer& namer) {
  return DeviceReader(tree, sound, namer).Read();
}

}  // namespace tarnwick
