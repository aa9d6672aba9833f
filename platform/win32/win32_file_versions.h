// Version resources of files and their last-write times, from Windows.
#pragma once

#include "platform/file_versions.h"

namespace tarnwick::win32 {

class Win32FileVersions final : public FileVersions {
 public:
  std::unique_ptr<VersionBlock> LoadVersionBlock(std::string_view path) override;
  std::optional<LocalTime> LastWriteTime(std::string_view path) override;
};

}  // namespace tarnwick::win32
