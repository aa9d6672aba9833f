#include "platform/linux/host_tuner_check.h"

#include <grp.h>
#include <libkmod.h>
#include <pwd.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <filesystem>
#include <set>

#include "platform/linux/host_os.h"

namespace tarnwick {

// libkmod's context for one module folder, and the lists it hands out, each
// held by one owner.
struct KmodContextFree {
  void operator()(kmod_ctx* context) const { kmod_unref(context); }
};
struct KmodListFree {
  void operator()(kmod_list* list) const { kmod_module_unref_list(list); }
};
struct KmodModuleFree {
  void operator()(kmod_module* module) const { kmod_module_unref(module); }
};
struct KmodInfoFree {
  void operator()(kmod_list* list) const { kmod_module_info_free_list(list); }
};

class ModuleIndex {
 public:
  // folder: the kernel's module folder; nothing when it has no indexes.
  explicit ModuleIndex(const std::optional<std::string>& folder) {
    if (!folder) return;
    // libkmod makes the folder absolute; the module paths it gives start so.
    folder_ = std::filesystem::absolute(*folder).lexically_normal().string();
    while (folder_.size() > 1 && folder_.back() == '/') folder_.pop_back();
    // No configuration of the computer that runs the program: a captured
    // tree's aliases alone decide.
    const char* const noConfiguration[] = {nullptr};
    context_.reset(kmod_new(folder_.c_str(), noConfiguration));
    // libkmod's own messages would go to standard error.
    if (context_) kmod_set_log_fn(context_.get(), [](void*, int, const char*, int, const char*, const char*, va_list) {}, nullptr);
  }

  // The modules whose aliases match; nothing when the indexes cannot be read.
  std::optional<std::vector<std::string>> Lookup(const std::string& modalias) {
    if (!context_) return std::nullopt;
    kmod_list* raw = nullptr;
    if (kmod_module_new_from_lookup(context_.get(), modalias.c_str(), &raw) < 0) return std::nullopt;
    const std::unique_ptr<kmod_list, KmodListFree> list(raw);
    std::vector<std::string> names;
    for (kmod_list* item = raw; item != nullptr; item = kmod_list_next(raw, item)) {
      const std::unique_ptr<kmod_module, KmodModuleFree> module(kmod_module_get_module(item));
      if (module) names.emplace_back(kmod_module_get_name(module.get()));
    }
    return names;
  }

  // The "firmware" entries of a module's information, in its order.
  std::vector<std::string> Firmware(const std::string& name) {
    std::vector<std::string> files;
    kmod_module* raw = nullptr;
    if (!context_ || kmod_module_new_from_name(context_.get(), name.c_str(), &raw) < 0) return files;
    const std::unique_ptr<kmod_module, KmodModuleFree> module(raw);
    if (const char* path = kmod_module_get_path(module.get())) {
      // The module index of a captured tree names the file: one outside
      // the module folder is not read.
      const std::string_view file = path;
      if (!file.starts_with(folder_ + "/") || file.find("/../") != std::string_view::npos) return files;
      files_.emplace(file.substr(folder_.size() + 1));
    }
    kmod_list* rawInfo = nullptr;
    if (kmod_module_get_info(module.get(), &rawInfo) < 0) return files;
    const std::unique_ptr<kmod_list, KmodInfoFree> info(rawInfo);
    for (kmod_list* item = rawInfo; item != nullptr; item = kmod_list_next(rawInfo, item)) {
      if (std::string_view(kmod_module_info_get_key(item)) == "firmware") {
        files.emplace_back(kmod_module_info_get_value(item));
      }
    }
    return files;
  }

  // The module files whose information was read, below the module folder.
  const std::set<std::string>& Files() const { return files_; }

 private:
  std::unique_ptr<kmod_ctx, KmodContextFree> context_;
  std::string folder_;
  std::set<std::string> files_;
};

namespace {

constexpr std::string_view kPciDevices = "sys/bus/pci/devices/";
constexpr std::string_view kUsbDevices = "sys/bus/usb/devices/";

// A firmware name a module declares is a path below lib/firmware; one that
// would lead out of it is not looked for.
bool SafeFirmwareName(std::string_view name) {
  if (name.empty() || name.front() == '/' || name.size() > 255) return false;
  for (std::size_t at = 0; at != std::string_view::npos;) {
    const std::size_t slash = name.find('/', at);
    const std::string_view part = name.substr(at, slash == std::string_view::npos ? slash : slash - at);
    if (part.empty() || part == "." || part == "..") return false;
    at = slash == std::string_view::npos ? slash : slash + 1;
  }
  return true;
}

// "dvb0.frontend1" → "dev/dvb/adapter0/frontend1", as udev names DVB nodes.
std::optional<std::string> DvbNodePath(std::string_view name) {
  const std::size_t dot = name.find('.');
  if (!name.starts_with("dvb") || dot == std::string_view::npos || dot == 3) return std::nullopt;
  return "dev/dvb/adapter" + std::string(name.substr(3, dot - 3)) + "/" + std::string(name.substr(dot + 1));
}

std::optional<std::uint32_t> Id(const char* text) {
  if (text == nullptr) return std::nullopt;
  std::uint32_t value = 0;
  const std::string_view digits = text;
  const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
  if (digits.empty() || error != std::errc() || end != digits.data() + digits.size()) return std::nullopt;
  return value;
}

// The user this process acts for: the one behind sudo when run as root
// through it, else the real user.
std::optional<CheckUser> LiveUser() {
  CheckUser user;
  user.uid = JudgedUid(::getuid(), ::geteuid(), std::getenv("SUDO_UID"));
  user.gid = ::getgid();
  const passwd* entry = ::getpwuid(user.uid);
  if (entry == nullptr || entry->pw_name == nullptr) return user;
  user.name = entry->pw_name;
  user.gid = entry->pw_gid;
  int count = 64;
  std::vector<gid_t> ids(static_cast<std::size_t>(count));
  if (::getgrouplist(entry->pw_name, entry->pw_gid, ids.data(), &count) < 0) {
    ids.resize(static_cast<std::size_t>(count));
    if (::getgrouplist(entry->pw_name, entry->pw_gid, ids.data(), &count) < 0) count = 0;
  }
  ids.resize(static_cast<std::size_t>(std::max(count, 0)));
  user.groups.assign(ids.begin(), ids.end());
  return user;
}

}  // namespace

std::uint32_t JudgedUid(std::uint32_t realUid, std::uint32_t effectiveUid, const char* sudoUid) {
  // sudo runs the program as root and names the user behind it.
  if (effectiveUid == 0) {
    if (const auto sudo = Id(sudoUid)) return *sudo;
  }
  return realUid;
}

HostTunerFacts::HostTunerFacts(const HostTree& tree, const HostDevices& devices, bool captured)
    : tree_(tree), devices_(devices), captured_(captured) {}

HostTunerFacts::~HostTunerFacts() = default;

std::string HostTunerFacts::ModuleFolder() const {
  const auto release = tree_.ReadAttribute("proc/sys/kernel/osrelease");
  if (!release || release->empty() || release->find('/') != std::string::npos || *release == "..") return {};
  return "lib/modules/" + *release;
}

std::set<std::string> HostTunerFacts::ModuleFilesRead() const {
  std::set<std::string> files;
  const std::string folder = ModuleFolder();
  if (!modules_ || folder.empty()) return files;
  for (const std::string& name : tree_.List(folder)) {
    if (name.starts_with("modules.")) files.insert(folder + "/" + name);
  }
  for (const std::string& path : modules_->Files()) files.insert(folder + "/" + path);
  return files;
}

ModuleIndex& HostTunerFacts::Modules() {
  if (!modules_) {
    // libkmod finds no module where its indexes are missing, as if the
    // kernel had none for the device: without them the index answers
    // nothing.
    const std::string folder = ModuleFolder();
    bool indexed = !folder.empty();
    for (const std::string_view index : {"/modules.dep.bin", "/modules.alias.bin"}) {
      const auto status = indexed ? tree_.Status(folder + std::string(index)) : std::nullopt;
      indexed = status && status->kind == EntryStatus::Kind::Regular;
    }
    modules_ = std::make_unique<ModuleIndex>(indexed ? std::optional<std::string>(tree_.HostPath(folder)) : std::nullopt);
  }
  return *modules_;
}

std::vector<FirmwareFile> HostTunerFacts::Firmware(const std::string& module) {
  std::vector<FirmwareFile> files;
  const std::string release = tree_.ReadAttribute("proc/sys/kernel/osrelease").value_or("");
  for (const std::string& name : Modules().Firmware(module)) {
    if (!SafeFirmwareName(name)) continue;
    FirmwareFile file{.name = name, .present = false};
    // Where the kernel's loader looks, and the compressed forms it takes.
    for (const std::string& folder : {"lib/firmware/updates/" + release + "/", std::string("lib/firmware/updates/"),
                                     "lib/firmware/" + release + "/", std::string("lib/firmware/")}) {
      if (release.empty() && folder.find("//") != std::string::npos) continue;
      for (const std::string_view suffix : {"", ".xz", ".zst"}) {
        const std::string path = folder + name + std::string(suffix);
        const auto status = tree_.Status(path);
        if (status && (status->kind == EntryStatus::Kind::Regular || status->kind == EntryStatus::Kind::Link)) {
          file.present = true;
        }
      }
    }
    files.push_back(std::move(file));
  }
  return files;
}

std::vector<std::string> HostTunerFacts::Modaliases(const HostDevice& device) const {
  std::vector<std::string> aliases;
  if (device.bus == HostBus::Pci) {
    if (const auto alias = tree_.ReadAttribute(std::string(kPciDevices).append(device.name).append("/modalias"))) {
      aliases.push_back(*alias);
    }
    return aliases;
  }
  // A USB device's drivers bind to its interfaces: theirs are the aliases.
  const HostDevice* self = devices_.Owner(device.name);
  for (const auto& [name, index] : devices_.owners) {
    if (&devices_.devices[index] != self || name.find(':') == std::string::npos) continue;
    if (const auto alias = tree_.ReadAttribute(std::string(kUsbDevices).append(name).append("/modalias"))) {
      if (std::find(aliases.begin(), aliases.end(), *alias) == aliases.end()) aliases.push_back(*alias);
    }
  }
  return aliases;
}

TunerDeviceFacts HostTunerFacts::Device(std::uint32_t number) {
  TunerDeviceFacts facts;
  if (number >= devices_.devices.size()) return facts;
  const HostDevice& device = devices_.devices[number];
  facts.driver = device.driver;
  std::vector<std::string> modules;
  if (!device.driver.empty()) {
    const std::string bus = device.bus == HostBus::Pci ? "pci" : "usb";
    // A driver built into the kernel has no module link: it goes by its name.
    modules.push_back(
        tree_.LinkName("sys/bus/" + bus + "/drivers/" + device.driver + "/module").value_or(device.driver));
  } else {
    for (const std::string& alias : Modaliases(device)) {
      const auto found = Modules().Lookup(alias);
      if (!found) continue;
      if (!facts.modules) facts.modules.emplace();
      for (const std::string& name : *found) {
        if (std::find(facts.modules->begin(), facts.modules->end(), name) == facts.modules->end()) {
          facts.modules->push_back(name);
        }
      }
    }
    if (facts.modules) modules = *facts.modules;
  }
  for (const std::string& module : modules) {
    for (FirmwareFile& file : Firmware(module)) facts.firmware.push_back(std::move(file));
  }
  if (device.bus == HostBus::Usb) {
    const std::string folder = std::string(kUsbDevices).append(device.name.substr(0, device.name.find(':')));
    facts.usbSpeed = tree_.ReadAttribute(folder + "/speed");
    facts.usbVersion = tree_.ReadAttribute(folder + "/version");
  }
  return facts;
}

std::vector<DeviceNode> HostTunerFacts::Nodes() {
  std::vector<DeviceNode> nodes;
  for (const std::string_view kind : {"video4linux", "dvb"}) {
    std::vector<std::string> names = tree_.List("sys/class/" + std::string(kind));
    std::sort(names.begin(), names.end(), NaturalLess);
    for (const std::string& name : names) {
      const auto path = kind == "dvb" ? DvbNodePath(name) : std::optional<std::string>("dev/" + name);
      if (!path) continue;
      auto status = tree_.Status(*path);
      // A captured tree holds a stand-in file where the node was.
      if (status && status->kind == EntryStatus::Kind::Regular) status = ParseNodeStandIn(tree_.ReadFile(*path).value_or(""));
      if (!status ||
          (status->kind != EntryStatus::Kind::CharacterDevice && status->kind != EntryStatus::Kind::BlockDevice)) {
        continue;
      }
      DeviceNode node{.path = "/" + *path,
                      .device = std::nullopt,
                      .type = status->kind == EntryStatus::Kind::BlockDevice ? 'b' : 'c',
                      .mode = status->mode,
                      .uid = status->uid,
                      .gid = status->gid};
      const auto owner = tree_.LinkName("sys/class/" + std::string(kind) + "/" + name + "/device");
      const HostDevice* device = owner ? devices_.Owner(*owner) : nullptr;
      if (device != nullptr) node.device = static_cast<std::uint32_t>(device - devices_.devices.data());
      nodes.push_back(std::move(node));
    }
  }
  return nodes;
}

std::optional<CheckUser> HostTunerFacts::User() {
  if (!captured_) return LiveUser();
  const auto status = tree_.ReadFile("proc/self/status");
  return status ? ParseProcessStatus(*status) : std::nullopt;
}

std::vector<HostGroup> HostTunerFacts::Groups() {
  const auto text = tree_.ReadFile("etc/group");
  return text ? ParseGroupFile(*text) : std::vector<HostGroup>();
}

}  // namespace tarnwick
