// The platform layer of the native Linux program: this host's facts where
// Linux has them, nothing where it has not. Drive C is the working folder, so
// the report lands in ./SystemInfo.ini; drive Z is the root, so the program's
// own folder has a Windows path too.
#pragma once

#include <memory>
#include <string>

#include "platform/absent_services.h"
#include "platform/memory_registry.h"
#include "platform/platform.h"
#include "platform/linux/linux_file_versions.h"
#include "platform/linux/linux_services.h"
#include "platform/posix/mapped_files.h"

namespace tarnwick {

class LinuxPlatform {
 public:
  // workingFolder and executable are host paths.
  LinuxPlatform(const std::string& workingFolder, const std::string& executable);

  Platform& Services() { return services_; }
  MappedReportFiles& Files() { return files_; }

 private:

  MemoryRegistry registry_;
  AbsentSystemFacts system_;
  LinuxMemoryPower memoryPower_;
  LinuxUserAccounts users_;
  AbsentLibraries libraries_;
  AbsentDevices devices_;
  AbsentWaveOutput waveOutput_;
  AbsentWmi wmi_;
  AbsentDirectShow directShow_;
  LinuxFileVersions fileVersions_;
  MappedReportFiles files_;
  FixedExecutablePath executable_;
  Platform services_;
};

// The host path of the running program (from /proc/self/exe).
std::string RunningExecutable(const char* argv0);

}  // namespace tarnwick
