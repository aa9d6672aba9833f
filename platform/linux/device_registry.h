// The registry Windows keeps for its devices, built from a Linux host's
// devices so that the driver-detail, media, display, USB and board lookups
// find what Windows would show: below "SYSTEM\CurrentControlSet",
// "Enum\<device key>\<instance>" with "Class", "ClassGUID", "Service",
// "Driver" and a "Control" subkey for a device bound to a driver;
// "Control\Class\{class GUID}\NNNN" with the driver's provider (its kernel
// module), description, version and date; "Services\<driver>\Enum" with the
// "Count" of devices the driver runs.
#pragma once

#include <string>
#include <string_view>

#include "platform/linux/host_devices.h"
#include "platform/linux/host_tree.h"
#include "platform/memory_registry.h"

namespace tarnwick {

// The kernel a host runs: its release, and the date it was built in the
// form Windows writes driver dates ("2-1-2024"), empty when it cannot be told.
struct KernelBuild {
  std::string release;
  std::string date;
};
KernelBuild ReadKernelBuild(const HostTree& tree);

// The build date in a kernel's version text: "(2024-02-01)", or a date such
// as "Wed Oct  2 12:34:00 UTC 2024" or "Sat, 03 Feb 2024 17:28:17 +0000";
// empty when it holds none.
std::string KernelBuildDate(std::string_view version);

void FillDeviceRegistry(MemoryRegistry& registry, const HostDevices& devices, const HostTree& tree);

}  // namespace tarnwick
