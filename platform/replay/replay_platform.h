// The replay layer: every platform service of a computer described by a
// machine folder. Drive letters map to folders below OUT: C:\ is
// OUT/drive_c, D:\ is OUT/drive_d, and so on.
#pragma once

#include <optional>
#include <string>

#include "platform/platform.h"
#include "platform/posix/mapped_files.h"
#include "platform/replay/machine_folder.h"
#include "platform/replay/replay_direct_show.h"
#include "platform/replay/replay_file_versions.h"
#include "platform/replay/replay_services.h"

namespace tarnwick {

// OUT/drive_a .. OUT/drive_z for A: .. Z:.
DriveMap ReplayDrives(const std::string& outFolder);

class ReplayPlatform {
 public:
  // The machine must outlive the platform.
  ReplayPlatform(ReplayMachine& machine, const std::string& outFolder);

  Platform& Services() { return services_; }
  MappedReportFiles& Files() { return files_; }

  // Creates OUT/drive_c, where the report goes, and the folder of the
  // executable path, where its copy goes; the problem when one cannot be made.
  std::optional<std::string> CreateOutputFolders() const;

 private:
  const MachineFacts& facts_;
  ReplaySystemFacts system_;
  ReplayMemoryPower memoryPower_;
  ReplayUsers users_;
  ReplayLibraries libraries_;
  ReplayDevices devices_;
  ReplayWaveOutput waveOutput_;
  ReplayWmi wmi_;
  ReplayDirectShow directShow_;
  ReplayFileVersions fileVersions_;
  ReplayExecutable executable_;
  MappedReportFiles files_;
  Platform services_;
};

}  // namespace tarnwick
