// The card of one report in plain words: what a support engineer looks at
// first, taken from the report's entries.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "desk/report.h"

namespace tarnwick::desk {

struct TunerDevice {
  std::string group;  // "Empia"
  std::string number;  // the device number in the inventory
  std::string hardwareId;
  std::string provider;
  std::string version;
  std::string date;
};

struct NamedValue {
  std::string name;
  std::string value;
};

// The "Linux OS" facts of a report written on Linux.
struct LinuxSystem {
  std::string distribution;  // "Debian GNU/Linux 12 (bookworm)"
  std::string distributionId;  // "debian 12"
  std::string kernel;  // the kernel release
  std::string architecture;  // "x86_64"
  std::string capturedTree;  // the tree a run read with --root, else empty
  std::string factsOfThisComputer;  // the sections read where that run ran
};

struct Summary {
  std::string kind;  // "windows" or "linux"
  std::string windows;  // the release in words
  std::string version;  // "5.1 build 2600"
  std::string edition;
  std::string servicePack;
  std::string directX;
  std::string processor;
  std::string memory;  // "1023 MB"
  std::string user;
  std::optional<bool> administrator;
  std::vector<TunerDevice> tuners;
  std::vector<NamedValue> tunerSettings;  // "Empia Data"
  std::string usbType;
  std::vector<NamedValue> applications;  // name and version
  std::vector<std::string> captureFilters;
  std::vector<std::string> bdaFilters;
  std::optional<LinuxSystem> linuxSystem;  // Linux reports only
};

Summary Summarise(const Report& report);

}  // namespace tarnwick::desk
