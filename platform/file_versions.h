// Version resources of files and their last-write times.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace tarnwick {

// One file's whole version data block, queried by sub-block name ("\" for the
// fixed record, "\VarFileInfo\Translation" for the translation table).
class VersionBlock {
 public:
  virtual ~VersionBlock() = default;
  virtual std::optional<std::span<const std::uint8_t>> Query(std::string_view subBlock) const = 0;
};

// A local time as the calendar gives it.
struct LocalTime {
  int year = 0;
  int month = 0;
  int day = 0;
  int hour = 0;
  int minute = 0;
  int second = 0;
};

class FileVersions {
 public:
  virtual ~FileVersions() = default;
  // Nothing when the file has no version resource or cannot be read.
  virtual std::unique_ptr<VersionBlock> LoadVersionBlock(std::string_view path) = 0;
  // The file's last-write time as local time; nothing when it cannot be had.
  virtual std::optional<LocalTime> LastWriteTime(std::string_view path) = 0;
};

}  // namespace tarnwick
