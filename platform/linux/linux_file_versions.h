// Version resources and time stamps of this host's files, named by Windows
// paths through the layer's drive map. Version resources are read from PE
// files with the portable reader; time stamps are the files' modification
// times in the host's local time.
#pragma once

#include <cstdint>

#include "platform/file_versions.h"
#include "platform/posix/mapped_files.h"

namespace tarnwick {

// Larger files are not looked into: no program file of interest comes near.
inline constexpr std::uint64_t kMaxVersionedFileSize = std::uint64_t{256} << 20;

class LinuxFileVersions final : public FileVersions {
 public:
  explicit LinuxFileVersions(DriveMap drives) : drives_(std::move(drives)) {}

  std::unique_ptr<VersionBlock> LoadVersionBlock(std::string_view path) override;
  std::optional<LocalTime> LastWriteTime(std::string_view path) override;

 private:
  DriveMap drives_;
};

}  // namespace tarnwick
