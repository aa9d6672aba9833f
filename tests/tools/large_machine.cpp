#include "tests/tools/large_machine.h"

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string_view>

#include <nlohmann/json.hpp>

#include "app/filter_categories.h"
#include "collectors/tuner/known_program_files.h"
#include "platform/guid.h"

namespace tarnwick::large_machine {
namespace {

using Json = nlohmann::ordered_json;

constexpr int kDevices = 300;
constexpr int kUninstallEntries = 500;
constexpr int kFiltersPerCategory = 50;
constexpr int kSystemDrivers = 90;
constexpr int kUsbControllers = 60;
constexpr int kTuningSpaces = 40;

constexpr std::string_view kMediaClass = "{4D36E96C-E325-11CE-BFC1-08002BE10318}";
constexpr std::string_view kDisplayClass = "{4D36E968-E325-11CE-BFC1-08002BE10318}";
constexpr std::string_view kUsbClass = "{36FC9E60-C465-11CF-8056-444553540000}";
constexpr std::string_view kSystemClass = "{4D36E97D-E325-11CE-BFC1-08002BE10318}";
constexpr std::string_view kEnum = "SYSTEM\\CurrentControlSet\\Enum\\";
constexpr std::string_view kClass = "SYSTEM\\CurrentControlSet\\Control\\Class\\";
constexpr std::string_view kServices = "SYSTEM\\CurrentControlSet\\Services\\";
constexpr std::string_view kUninstall = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

constexpr int kKnownFileCount = static_cast<int>(kKnownProgramFiles.size());

std::string Format(const char* format, auto... values) {
  char text[512];
  std::snprintf(text, sizeof text, format, values...);
  return text;
}

// A regedit export of HKEY_LOCAL_MACHINE and HKEY_CURRENT_USER keys.
class RegFile {
 public:
  RegFile() { text_ = "REGEDIT4\n"; }
  void Key(std::string_view path, std::string_view root = "HKEY_LOCAL_MACHINE") {
    text_.append("\n[").append(root).append("\\").append(path).append("]\n");
  }
  void Text(std::string_view name, std::string_view value) {
    text_.append("\"").append(name).append("\"=\"");
    for (const char c : value) {
      if (c == '\\' || c == '"') text_ += '\\';
      text_ += c;
    }
    text_.append("\"\n");
  }
  void Number(std::string_view name, std::uint32_t value) {
    text_.append("\"").append(name).append("\"=").append(Format("dword:%08x", value)).append("\n");
  }
  const std::string& Text() const { return text_; }

 private:
  std::string text_;
};

// One driver key of a setup class with the values the lookups read.
void DriverKey(RegFile& reg, std::string_view setupClass, int number, const std::string& provider,
               const std::string& description, bool withService) {
  reg.Key(std::string(kClass).append(setupClass).append(Format("\\%04d", number)));
  reg.Text("ProviderName", provider);
  if (withService) reg.Text("NTMPDriver", description.substr(0, 6) + ".sys");
  reg.Text("DriverDesc", description);
  reg.Text("DriverVersion", Format("%d.%d.%d.%d", 5 + number % 3, number % 10, 2600 + number, number % 7));
  reg.Text("DriverDate", Format("%d-%d-%d", 1 + number % 12, 1 + number % 28, 2004 + number % 6));
}

// A device instance key below the enumeration key; a running instance has a
// "Control" subkey.
void InstanceKey(RegFile& reg, const std::string& deviceId, int device, std::string_view setupClass,
                 std::string_view service, std::string_view driverClass, bool running) {
  const std::string instance = std::string(kEnum) + deviceId + Format("\\%d&%x&0&%d", 4 + device % 3, 0x1f7d0 + device, device);
  reg.Key(instance);
  reg.Text("Class", setupClass);
  if (!service.empty()) reg.Text("Service", service);
  if (!driverClass.empty()) reg.Text("Driver", std::string(driverClass) + Format("\\%04d", device));
  if (running) reg.Key(instance + "\\Control");
}

struct Tuner {
  const char* idFormat;  // takes the device number
  const char* service;
  const char* provider;
  const char* description;
  bool usbRevision;  // its device key also stands without the revision
};

// Known tuner hardware of every family, each a capture device of the media
// class.
constexpr Tuner kTuners[] = {
    {"PCI\\VEN_1131&DEV_7134&SUBSYS_%04X1131&REV_01", "saa713x", "Philips", "Philips SAA7134 Capture", false},
    {"PCI\\VEN_14F1&DEV_8800&SUBSYS_%04X0070&REV_05", "cx88xx", "Conexant", "Conexant 2388x Video Capture", false},
    {"USB\\VID_10B8&PID_0B%02X&REV_0100", "dibusb", "DiBcom", "DiBcom USB2.0 DVB-T Device", true},
    {"USB\\VID_EB1A&PID_2861&REV_01%02X", "emBDA", "Empia", "USB 2861 Device", true},
    {"USB\\VID_05E3&PID_F190&REV_01%02X", "bdvbs", "Brennock", "DVB-S USB Receiver", true},
    {"USB\\VID_1B80&PID_D7%02X&REV_0100", "afatech", "Afatech", "USB Digital TV Stick", true},
};

// Hardware IDs of the ordinary devices, by bus.
std::string OrdinaryId(int device) {
  switch (device % 5) {
    case 0:
    case 4: return Format("ACPI\\PNP%04X", device);
    case 2: return Format("PCI\\VEN_8086&DEV_27%02X&SUBSYS_%04X1043&REV_02", device % 256, device);
    case 3: return Format("USB\\VID_046D&PID_C%03X&REV_%04d", device, 100 + device % 7);
    default: return Format("HID\\VID_046D&PID_C%03X&MI_01&Col%02d", device, device % 4);
  }
}

void Devices(RegFile& reg, Json& machine) {
  Json devices = Json::array();
  const auto list = [&devices](std::string id, std::string compatible) {
    devices.push_back(Json::array({std::move(id), std::move(compatible)}));
  };
  for (int device = 0; device < kDevices; ++device) {
    if (device == 0) {
      // The display adapter.
      const std::string id = "PCI\\VEN_1002&DEV_9442&SUBSYS_05021002&REV_00";
      list(id, "PCI\\VEN_1002&DEV_9442");
      InstanceKey(reg, id, device, "Display", "ati2mtag", kDisplayClass, true);
      DriverKey(reg, kDisplayClass, device, "ATI Technologies Inc.", "ATI Radeon HD 4850", false);
    } else if (device == 1) {
      const std::string id = "USB\\ROOT_HUB20&VID8086&PID293C&REV0003";
      list(id, "USB\\ROOT_HUB20");
      InstanceKey(reg, id, device, "USB", "usbhub", kUsbClass, true);
    } else if (device == 150) {
      devices.push_back({{"error", 13}});  // no hardware ID
    } else if (device % 12 == 6) {
      const Tuner& tuner = kTuners[(device / 12) % std::size(kTuners)];
      const std::string id = Format(tuner.idFormat, device);
      list(id, id.substr(0, 21));
      InstanceKey(reg, id, device, "MEDIA", tuner.service, kMediaClass, true);
      // The key the driver lookup opens after the ID loses its revision.
      if (tuner.usbRevision) InstanceKey(reg, id.substr(0, 21), device, "MEDIA", tuner.service, kMediaClass, true);
      DriverKey(reg, kMediaClass, device, tuner.provider, tuner.description + Format(" #%d", device), true);
    } else if (device % 4 == 1) {
      // A sound or capture device of the media class; every tenth one's
      // service runs nothing.
      const std::string id = Format("PCI\\VEN_%04X&DEV_%04X&SUBSYS_%04X1043&REV_%02d", 0x1100 + device, 0x5000 + device,
                                    device, device % 16);
      list(id, id.substr(0, 21));
      const bool stopped = device % 40 == 9;
      InstanceKey(reg, id, device, device % 3 == 0 ? "Media" : "MEDIA", stopped ? "stopped" : "HdAudio", kMediaClass,
                  !stopped);
      DriverKey(reg, kMediaClass, device, "Microsoft", Format("High Definition Audio Device %d", device), false);
    } else {
      const std::string id = OrdinaryId(device);
      list(id, id.substr(0, 12));
      InstanceKey(reg, id, device, device % 5 == 3 ? "USB" : "System", "", "", true);
    }
  }
  machine["devices"] = std::move(devices);

  for (const Tuner& tuner : kTuners) {
    reg.Key(std::string(kServices) + tuner.service + "\\Enum");
    reg.Number("Count", 4);
  }
  for (const auto& [service, count] : {std::pair{"HdAudio", 60}, {"stopped", 0}, {"ati2mtag", 1}}) {
    reg.Key(std::string(kServices) + service + "\\Enum");
    reg.Number("Count", static_cast<std::uint32_t>(count));
  }

  // The USB controllers and hubs: two root hubs of one controller are alike.
  const char* const usbDrivers[] = {"Standard Enhanced PCI to USB Host Controller", "USB Root Hub", "USB Root Hub",
                                    "Standard Universal PCI to USB Host Controller", "Generic USB Hub"};
  for (int i = 0; i < kUsbControllers; ++i) {
    reg.Key(std::string(kClass).append(kUsbClass).append(Format("\\%04d", i)));
    reg.Text("DriverDesc", usbDrivers[i % 5]);
    reg.Text("DriverDate", "6-21-2006");
  }
  // The System devices class.
  for (int i = 0; i < kSystemDrivers; ++i) {
    reg.Key(std::string(kClass).append(kSystemClass).append(Format("\\%04d", i)));
    reg.Text("DriverDesc", i % 8 == 3 ? "PCI standard PCI-to-PCI bridge" : Format("System board resource %d", i));
    reg.Text("DriverDate", Format("%d-1-2001", 1 + i % 12));
  }
}

Json File(int number, int year) {
  return {{"version", Format("%d.%d.%d.%d", 1 + number % 5, number % 10, number % 100, 1000 + number)},
          {"modified", Format("%04d-%02d-%02d %02d:%02d:%02d", year, 1 + number % 12, 1 + number % 28, number % 24,
                              number % 60, (number * 7) % 60)}};
}

struct Application {
  const char* key;
  const char* value;
  const char* folder;
  std::initializer_list<const char*> files;
};

// Every TV application the inventory knows, with its program files.
const Application kApplications[] = {
    {"SOFTWARE\\Honestech\\TV Plus\\TVR", "AppPath", "C:\\Program Files\\Honestech\\PVR Plus",
     {"honestechTV.exe", "Scheduled.exe"}},
    {"SOFTWARE\\Honestech\\TV Plus\\DTVR", "AppPath", "C:\\Program Files\\Honestech\\HyperMedia",
     {"MainPanel.exe", "ATVR.exe", "ATVR1.exe", "DTVR.exe", "STVR.exe", "Scheduled.exe", "Zenthor.ax", "Zenthor2.ax",
      "DTVR\\ATVR.exe", "DTVR\\DTVR.exe", "DTVR\\Zenthor.ax"}},
    {"SOFTWARE\\Honestech\\DVB Plus\\DTVR", "AppPath", "C:\\Program Files\\Honestech\\DVB-T",
     {"DTVR.exe", "Scheduled.exe", "Zenthor.ax"}},
    {"SOFTWARE\\Honestech\\DVB Plus\\DVBS", "AppPath", "C:\\Program Files\\Honestech\\DVB-S\\",
     {"DVBS.EXE", "Zenthor.ax", "TVpanel.exe"}},
    {"SOFTWARE\\Honestech\\TV Center\\DTVR", "AppPath", "C:\\Program Files\\Honestech\\HyperMedia Center",
     {"MainCenter.exe", "ATVR.exe", "DTVR.exe", "DTVR2.exe", "STVR.exe", "Zenthor.ax", "Zenthor2.ax"}},
    {"SOFTWARE\\CyberLink\\PowerCinema", "InstallPath", "C:\\Program Files\\CyberLink\\PowerCinema",
     {"PowerCinema.exe"}},
    {"SOFTWARE\\ArcSoft\\TotalMedia\\2.0", "AppPath", "C:\\Program Files\\ArcSoft\\TotalMedia", {"TotalMedia.exe"}},
    {"SOFTWARE\\InterVideo\\Home Theater", "PATH", "C:\\Program Files\\InterVideo\\Home Theater",
     {"Home Theater.exe"}},
    {"SOFTWARE\\InterVideo\\IHT3", "Path", "C:\\Program Files\\InterVideo\\IHT3", {"IHT.exe"}},
    {"SOFTWARE\\CyberLink\\MCEEncoder", "InstallPath", "C:\\Program Files\\CyberLink\\MCE Encoder",
     {"CLAudEnc.ax", "CLMP2VMCE.dll", "CLVidEncMCE.ax", "MCEMpgMux.ax", "pthreadVC2.dll"}},
};

// The install folder an uninstall entry declares: now and then a TV
// application's folder, and the last ten repeat folders of earlier entries,
// so their files' keys are written again.
std::string InstallFolder(int entry) {
  if (entry >= kUninstallEntries - 10) return InstallFolder(entry - (kUninstallEntries - 20));
  if (entry % 50 == 7) return kApplications[(entry / 50) % 5].folder;
  std::string folder = Format("C:\\Program Files\\V%02d\\App%03d", entry % 37, entry);
  if (entry % 45 == 11) folder += "\\";  // stored with a trailing backslash
  return folder;
}

void Applications(RegFile& reg, Json& files) {
  int number = 0;
  for (const Application& application : kApplications) {
    reg.Key(application.key);
    reg.Text(application.value, application.folder);
    std::string folder = application.folder;
    if (folder.back() != '\\') folder += '\\';
    for (const char* file : application.files) files[folder + file] = File(++number, 2008);
  }

  for (int entry = 0; entry < kUninstallEntries; ++entry) {
    reg.Key(std::string(kUninstall) + Format("{%08X-1A2B-4C3D-8E9F-%012d}", 0x5EED0000u + entry * 7919u, entry));
    reg.Text("DisplayName", Format("Product %03d", entry));
    const std::string folder = InstallFolder(entry);
    reg.Text("InstallLocation", folder);
    // Two in five folders hold known program files: one to four of them.
    if (entry % 5 > 1 || entry >= kUninstallEntries - 10 || entry % 50 == 7) continue;
    const int present = 1 + entry % 4;
    for (int i = 0; i < present; ++i) {
      const int file = (entry * 5 + i * 11) % kKnownFileCount;
      files[folder + "\\" + std::string(kKnownProgramFiles[file])] = File(entry * 3 + i, 2005 + entry % 6);
    }
  }
}

void DirectShow(RegFile& reg, Json& machine) {
  Json categories = Json::object();
  int category = 0;
  for (const FilterCategory& filterCategory : kFilterCategories) {
    Json monikers = Json::array();
    std::string stem(filterCategory.label);
    stem.pop_back();
    for (int filter = 0; filter < kFiltersPerCategory; ++filter) {
      std::string name = filter == 5 ? stem + " of a vendor whose names run on and on, longer than the record " +
                                                std::to_string(filter)
                                          : Format("%s %d", filter % 2 ? "Capture" : "Codec", category * 100 + filter);
      monikers.push_back({{"friendlyName", std::move(name)}});
      if (filter == 20) monikers.push_back({{"friendlyName", "Unreadable"}, {"storageFails", true}});
    }
    if (filterCategory.label == "Video Capture Sources ") {
      // The tuner, with its configuration memory: an MCE item and PAL.
      std::string eeprom;
      for (int offset = 0; offset < 64; ++offset) {
        const int byte = offset == 22 ? 0x01 : offset == 56 ? 0x10 : offset < 4 ? 0xEB - offset : 0;
        eeprom += Format("%02X ", byte);
      }
      monikers.push_back({{"friendlyName", "USB 2861 Device"}, {"tunerBus", {{"eeprom", eeprom}}}});
    }
    categories[GuidText(filterCategory.id)] = std::move(monikers);
    ++category;
  }
  machine["directShow"] = std::move(categories);

  reg.Key("Software\\USB2800\\BDA");
  reg.Text("RealDSName", "USB 2861 Device");
  reg.Key("SYSTEM\\CurrentControlSet\\Services\\USB28xxBGA\\Settings\\OEM");
  reg.Number("IsMCE", 1);
}

void SystemFacts(RegFile& reg, Json& machine) {
  machine["executablePath"] = "D:\\Support\\Tarnwick.exe";
  machine["windowsDirectory"] = "C:\\WINDOWS";
  machine["systemDirectory"] = "C:\\WINDOWS\\system32";
  machine["version"] = {{"extended", true},   {"major", 5},          {"minor", 1},
                        {"build", 2600},      {"platformId", 2},     {"servicePack", "Service Pack 3"},
                        {"suiteMask", 256},   {"productType", 1},    {"architecture", 0},
                        {"serverR2", false}};
  machine["user"] = {{"name", "Support Customer"}, {"groups", Json::array({"Users", "Administrators"})}};
  machine["loadableLibraries"] = Json::array({"D3D9.DLL", "D3D10.DLL"});
  machine["memory"] = {{"load", 41}, {"totalPhys", 4294434816LL}, {"availPhys", 2521178112LL},
                       {"availVirtual", 2121371648LL}};
  machine["power"] = {{"hiberFilePresent", true}};
  machine["waveOut"] = Json::array({Json{{"name", "Realtek HD Audio output"}, {"manufacturerId", 2}, {"support", 12}},
                                    Json{{"name", "USB 2861 Audio"}, {"manufacturerId", 1}, {"support", 4}}});
  // The board's names in the order the platform lists them.
  const std::pair<const char*, Json> board[] = {
      {"Caption", "Base Board"},  {"CreationClassName", "Win32_BaseBoard"}, {"HostingBoard", true},
      {"Manufacturer", "ASUSTeK Computer INC."}, {"PoweredOn", true},        {"Product", "P5Q-E"},
      {"SerialNumber", "MT7084K12300456"},      {"Tag", "Base Board"},     {"Version", "Rev 1.xx"},
  };
  Json pairs = Json::array();
  for (const auto& [name, value] : board) pairs.push_back(Json::array({name, value}));
  machine["wmi"] = {{"baseBoards", Json::array({std::move(pairs)})}};

  reg.Key("SYSTEM\\CurrentControlSet\\Control\\ProductOptions");
  reg.Text("ProductType", "WinNT");
  reg.Key("HARDWARE\\DESCRIPTION\\System\\CentralProcessor\\0");
  reg.Text("ProcessorNameString", "Intel(R) Core(TM)2 Quad CPU    Q9550  @ 2.83GHz");
  reg.Text("Identifier", "x86 Family 6 Model 23 Stepping 10");
  reg.Number("~MHz", 2833);
  reg.Key("HARDWARE\\DESCRIPTION\\System");
  reg.Text("VideoBiosVersion", "Version 60.86.3e.00.00");
  reg.Key("SOFTWARE\\Microsoft\\DirectX");
  reg.Text("Version", "4.09.00.0904");
  reg.Text("RC", "");
  reg.Key("Control Panel\\International", "HKEY_CURRENT_USER");
  reg.Text("iCountry", "49");
  reg.Text("Locale", "00000407");
  reg.Text("sCountry", "Deutschland");
  reg.Text("sLanguage", "DEU");
  for (int i = 0; i < kTuningSpaces; ++i) {
    reg.Key(Format("SOFTWARE\\Microsoft\\Tuning Spaces\\Space %02d", i));
    reg.Text("Description", i % 3 == 0 ? "DVB-T Digital Antenna" : Format("Analog Cable %d", i));
    reg.Text("Name", i % 3 == 0 ? "DVB-T" : Format("Cable%d", i));
  }
}

}  // namespace

MachineTexts Texts() {
  RegFile reg;
  Json machine = Json::object();
  Json files = Json::object();
  SystemFacts(reg, machine);
  Devices(reg, machine);
  Applications(reg, files);
  DirectShow(reg, machine);
  files["C:\\WINDOWS\\system32\\quartz.dll"] = {{"version", "6.5.2600.5512"}, {"modified", "2008-04-14 00:12:00"}};
  machine["files"] = std::move(files);
  return {reg.Text(), machine.dump(1) + "\n"};
}

bool WriteMachineFolder(const std::string& folder) {
  std::error_code error;
  std::filesystem::create_directories(folder, error);
  if (error) return false;
  const MachineTexts texts = Texts();
  for (const auto& [name, text] : {std::pair{"registry.reg", &texts.registryReg}, {"machine.json", &texts.machineJson}}) {
    std::ofstream out(std::filesystem::path(folder) / name, std::ios::binary | std::ios::trunc);
    out.write(text->data(), static_cast<std::streamsize>(text->size()));
    if (!out.flush()) return false;
  }
  return true;
}

}  // namespace tarnwick::large_machine
