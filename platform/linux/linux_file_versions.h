// Version resources and time stamps of this host's files, named by Windows
// paths through the layer's drive map: a run of backslashes counts as one,
// and a path without a drive letter lies on the current drive, as Windows
// resolves them. Version resources are read from PE files with the portable
// reader; time stamps are the files' modification times in the host's local
// time.
#pragma once

#include <cstdint>

#include "platform/file_versions.h"
#include "platform/posix/mapped_files.h"

namespace tarnwick {

// Larger files are not looked into: no program file of interest comes near.
inline constexpr std::uint64_t kMaxVersionedFileSize = std::uint64_t{256} << 20;

class LinuxFileVersions final : public FileVersions {
 public:
  // currentDrive: the drive of the running program's Windows path.
  LinuxFileVersions(DriveMap drives, char currentDrive) : drives_(std::move(drives)), currentDrive_(currentDrive) {}

  std::unique_ptr<VersionBlock> LoadVersionBlock(std::string_view path) override;
  std::optional<LocalTime> LastWriteTime(std::string_view path) override;

 private:
  std::optional<std::string> HostPath(std::string_view path) const;

  DriveMap drives_;
  char currentDrive_;
};

}  // namespace tarnwick
