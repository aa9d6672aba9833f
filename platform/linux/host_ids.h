// The PCI and USB ID databases Linux systems ship (pci.ids, usb.ids): the
// vendors' and devices' names that stand where Windows shows its drivers'
// device descriptions.
#pragma once

#include <map>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "platform/linux/host_devices.h"
#include "platform/linux/host_tree.h"

namespace tarnwick {

// The names of the wanted devices of one bus found in one database's text,
// "Vendor Device" in the 8-bit code page. Only the vendor section is read,
// and only the lines of wanted vendors are looked into.
std::map<DeviceId, std::string> ParseIdDatabase(std::string_view text, HostBus bus, const std::set<DeviceId>& wanted);

// Looks devices up in the first database found below the places in turn
// (the captured tree, then this host): usr/share/misc or usr/share/hwdata.
DeviceNamer IdDatabaseNamer(std::vector<const HostTree*> places);

}  // namespace tarnwick
