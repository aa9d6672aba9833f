// The platform layer of the native Linux program: the facts of a Linux host
// where Linux has them, nothing where it has not. They are read below a
// root folder: "/" for this host, or a captured copy of another host's /sys
// and /proc. Drive C is the working folder, so the report lands in
// ./SystemInfo.ini; drive Z is "/", so the program's own folder has a
// Windows path too.
#pragma once

#include <memory>
#include <string>

#include "platform/absent_services.h"
#include "platform/memory_registry.h"
#include "platform/platform.h"
#include "collectors/linux/linux_os.h"
#include "platform/linux/host_devices.h"
#include "platform/linux/host_sound.h"
#include "platform/linux/host_system_facts.h"
#include "platform/linux/host_tree.h"
#include "platform/linux/host_tuner_check.h"
#include "platform/linux/linux_device_services.h"
#include "platform/linux/linux_file_versions.h"
#include "platform/linux/linux_services.h"
#include "platform/posix/mapped_files.h"

namespace tarnwick {

class LinuxPlatform {
 public:
  // workingFolder, executable and root are host paths; a root other than
  // "/" is a captured tree of another host. With read, the paths below the
  // root that the run reads are noted there (for a capture).
  LinuxPlatform(const std::string& workingFolder, const std::string& executable, const std::string& root = "/",
                std::set<std::string>* read = nullptr);

  Platform& Services() { return services_; }
  MappedReportFiles& Files() { return files_; }

  // The facts of the Linux sections written after the run's last step.
  LinuxOsFacts OsFacts() const;
  HostTunerFacts& TunerFacts() { return tunerFacts_; }
  const HostTree& Tree() const { return tree_; }
  const HostDevices& Devices() const { return hostDevices_; }

 private:
  std::optional<std::string> capturedTree_;
  HostTree tree_;
  HostTree thisHost_{"/"};  // the ID databases a captured tree lacks
  HostSound sound_;
  HostDevices hostDevices_;
  MemoryRegistry registry_;
  HostSystemFacts system_;
  LinuxMemoryPower memoryPower_;
  LinuxUserAccounts users_;
  AbsentLibraries libraries_;
  LinuxDeviceList devices_;
  LinuxWaveOutput waveOutput_;
  LinuxBoard wmi_;
  LinuxDirectShow directShow_;
  LinuxFileVersions fileVersions_;
  MappedReportFiles files_;
  FixedExecutablePath executable_;
  Platform services_;
  HostTunerFacts tunerFacts_;
};

// The host path of the running program (from /proc/self/exe).
std::string RunningExecutable(const char* argv0);

}  // namespace tarnwick
