#include "platform/linux/host_ids.h"

#include <array>
#include <charconv>

#include "platform/text.h"

namespace tarnwick {
namespace {

struct DatabaseFile {
  HostBus bus;
  std::string_view path;
};

// Debian keeps them in usr/share/misc, Fedora and others in usr/share/hwdata.
constexpr std::array<DatabaseFile, 4> kDatabases = {{
    {HostBus::Pci, "usr/share/misc/pci.ids"},
    {HostBus::Pci, "usr/share/hwdata/pci.ids"},
    {HostBus::Usb, "usr/share/misc/usb.ids"},
    {HostBus::Usb, "usr/share/hwdata/usb.ids"},
}};

// "8086  Intel Corporation": four hexadecimal digits, two blanks, a name.
std::optional<std::pair<std::uint16_t, std::string_view>> IdLine(std::string_view line) {
  constexpr std::size_t kIdDigits = 4;
  if (line.size() < kIdDigits + 3 || line.substr(kIdDigits, 2) != "  ") return std::nullopt;
  std::uint16_t id = 0;
  const auto [end, error] = std::from_chars(line.data(), line.data() + kIdDigits, id, 16);
  if (error != std::errc() || end != line.data() + kIdDigits) return std::nullopt;
  return std::pair{id, line.substr(kIdDigits + 2)};
}

}  // namespace

std::map<DeviceId, std::string> ParseIdDatabase(std::string_view text, HostBus bus, const std::set<DeviceId>& wanted) {
  std::map<DeviceId, std::string> names;
  std::string_view vendorName;
  std::optional<std::uint16_t> vendor;  // the wanted vendor whose lines follow
  std::size_t at = 0;
  while (at < text.size()) {
    const std::size_t end = std::min(text.find('\n', at), text.size());
    std::string_view line = text.substr(at, end - at);
    at = end + 1;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.empty() || line.front() == '#') continue;
    if (line.front() != '\t') {
      const auto vendorLine = IdLine(line);
      // The class section and the other lists follow the vendors: done.
      if (!vendorLine) break;
      const DeviceId first{.bus = bus, .vendor = vendorLine->first, .device = 0};
      const auto found = wanted.lower_bound(first);
      vendor.reset();
      if (found != wanted.end() && found->bus == bus && found->vendor == vendorLine->first) {
        vendor = vendorLine->first;
        vendorName = vendorLine->second;
      }
      continue;
    }
    // A device line of a wanted vendor (subsystem lines, two tabs deep, name
    // a board or a computer model rather than the device itself).
    if (!vendor || line.size() < 2 || line[1] == '\t') continue;
    const auto deviceLine = IdLine(line.substr(1));
    if (!deviceLine) continue;
    const DeviceId id{.bus = bus, .vendor = *vendor, .device = deviceLine->first};
    if (wanted.contains(id)) {
      names.emplace(id, Utf8ToCp1252(std::string(vendorName).append(" ").append(deviceLine->second)));
    }
  }
  return names;
}

DeviceNamer IdDatabaseNamer(std::vector<const HostTree*> places) {
  return [places = std::move(places)](const std::set<DeviceId>& wanted) {
    std::map<DeviceId, std::string> names;
    for (const HostBus bus : {HostBus::Pci, HostBus::Usb}) {
      std::set<DeviceId> ofBus;
      for (const DeviceId& id : wanted) {
        if (id.bus == bus) ofBus.insert(id);
      }
      if (ofBus.empty()) continue;
      // The first database found decides: a captured tree's own, when it
      // has one, names its devices as that computer would.
      std::optional<std::string> text;
      for (const HostTree* place : places) {
        for (const DatabaseFile& database : kDatabases) {
          if (database.bus == bus && !text) text = place->ReadFile(database.path);
        }
      }
      if (text) names.merge(ParseIdDatabase(*text, bus, ofBus));
    }
    return names;
  };
}

}  // namespace tarnwick
