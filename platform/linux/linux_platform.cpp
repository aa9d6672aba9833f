#include "platform/linux/linux_platform.h"

#include <unistd.h>

#include <climits>
#include <cstdlib>

#include "platform/linux/device_registry.h"
#include "platform/linux/host_ids.h"
#include "platform/linux/host_os.h"

namespace tarnwick {
namespace {

DriveMap HostDrives(const std::string& workingFolder) {
  DriveMap drives;
  drives.Map('C', workingFolder);
  drives.Map('Z', "/");
  return drives;
}

// The report's drives: a host file name may hold a backslash.
DriveMap ReportDrives(const std::string& workingFolder) {
  DriveMap drives = HostDrives(workingFolder);
  drives.KeepBackslashesInNames();
  return drives;
}

// The drive of the program's Windows path; C when it has none.
char ProgramDrive(const std::string& workingFolder, const std::string& executable) {
  const auto path = HostDrives(workingFolder).WindowsPath(executable);
  return path ? path->front() : 'C';
}

}  // namespace

LinuxPlatform::LinuxPlatform(const std::string& workingFolder, const std::string& executable,
                             const std::string& root, std::set<std::string>* read)
    : capturedTree_(root == "/" ? std::nullopt : std::optional<std::string>(root)),
      tree_(root, read),
      sound_(ReadHostSound(tree_)),
      hostDevices_(ReadHostDevices(tree_, sound_,
                                   IdDatabaseNamer(capturedTree_ ? std::vector<const HostTree*>{&tree_, &thisHost_}
                                                                 : std::vector<const HostTree*>{&tree_}))),
      memoryPower_(tree_),
      devices_(hostDevices_),
      waveOutput_(sound_, hostDevices_),
      wmi_(tree_),
      directShow_(sound_, hostDevices_),
      fileVersions_(HostDrives(workingFolder), ProgramDrive(workingFolder, executable)),
      files_(ReportDrives(workingFolder)),
      executable_(files_.Drives().WindowsPath(executable).value_or(std::string())),
      services_{registry_,   system_,       memoryPower_, users_, libraries_, devices_,
                waveOutput_, wmi_,          directShow_,  fileVersions_, executable_, files_},
      tunerFacts_(tree_, hostDevices_, capturedTree_.has_value()) {
  FillHostRegistry(registry_, tree_);
  FillDeviceRegistry(registry_, hostDevices_, tree_);
}

LinuxOsFacts LinuxPlatform::OsFacts() const { return ReadLinuxOs(tree_, capturedTree_); }

std::string RunningExecutable(const char* argv0) {
  char buffer[PATH_MAX + 1];
  const ssize_t length = ::readlink("/proc/self/exe", buffer, PATH_MAX);
  if (length > 0) return std::string(buffer, static_cast<std::size_t>(length));
  char* resolved = ::realpath(argv0, nullptr);
  if (resolved == nullptr) return std::string();
  std::string path(resolved);
  std::free(resolved);
  return path;
}

}  // namespace tarnwick
