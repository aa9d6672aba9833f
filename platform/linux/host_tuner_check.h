// The facts of the section "Linux Tuner Check" read from a Linux host below
// its root: drivers and modaliases from sysfs, the modules and their
// firmware through libkmod (lib/modules/<release> below the root, no
// program started), firmware files below lib/firmware, the device nodes and
// the user whose access they grant.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <set>
#include <string>

#include "collectors/linux/tuner_check.h"
#include "platform/linux/host_devices.h"
#include "platform/linux/host_tree.h"

namespace tarnwick {

class ModuleIndex;

// The user whose access to the nodes is judged: the one behind sudo
// (SUDO_UID) when the program runs as root, else the real user.
std::uint32_t JudgedUid(std::uint32_t realUid, std::uint32_t effectiveUid, const char* sudoUid);

class HostTunerFacts final : public LinuxTunerFacts {
 public:
  // captured: the tree is a copy of another host, so the user is the one
  // its proc/self/status describes; otherwise the real user of this
  // process, or the one behind sudo.
  HostTunerFacts(const HostTree& tree, const HostDevices& devices, bool captured);
  ~HostTunerFacts() override;

  TunerDeviceFacts Device(std::uint32_t device) override;
  std::vector<DeviceNode> Nodes() override;
  std::optional<CheckUser> User() override;
  std::vector<HostGroup> Groups() override;

  // lib/modules/<release> of the tree's kernel; empty without a release.
  std::string ModuleFolder() const;
  // What libkmod read below the root, beside the tree's own reads: the
  // module indexes and the modules whose information was asked for.
  std::set<std::string> ModuleFilesRead() const;

 private:
  ModuleIndex& Modules();
  std::vector<FirmwareFile> Firmware(const std::string& module);
  std::vector<std::string> Modaliases(const HostDevice& device) const;

  const HostTree& tree_;
  const HostDevices& devices_;
  bool captured_;
  std::unique_ptr<ModuleIndex> modules_;
};

}  // namespace tarnwick
