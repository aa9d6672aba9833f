// The report's file operations on a POSIX file system, with Windows drive
// letters mapped to host folders (as Wine maps them): the replay harness maps
// C: to OUT/drive_c, the Linux program maps C: to the working folder and Z:
// to the root.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "platform/report_files.h"

namespace tarnwick {

class DriveMap {
 public:
  // folder is a host folder; a drive not mapped names no file.
  void Map(char driveLetter, std::string folder);
  // The host path of a Windows path "X:\a\b" (runs of backslashes count as
  // one); nothing for a path without a mapped drive.
  std::optional<std::string> HostPath(std::string_view windowsPath) const;
  // The Windows path of a host path, through the first drive whose folder
  // holds it (the longest match wins).
  std::optional<std::string> WindowsPath(std::string_view hostPath) const;

 private:
  std::map<char, std::string> folders_;
};

class MappedReportFiles final : public ReportFiles {
 public:
  explicit MappedReportFiles(DriveMap drives) : drives_(std::move(drives)) {}

  std::optional<std::string> Read(std::string_view path) override;
  std::optional<std::uint64_t> Size(std::string_view path) override;
  bool Append(std::string_view path, std::string_view bytes) override;
  bool ReplaceAtomically(std::string_view path, std::string_view content) override;
  bool Delete(std::string_view path) override;
  bool Copy(std::string_view from, std::string_view to) override;

  const DriveMap& Drives() const { return drives_; }

 private:
  DriveMap drives_;
};

// Writes content to a host file through a temporary file beside it and a
// rename, so the file holds either its old or its new content.
bool ReplaceHostFile(const std::string& hostPath, std::string_view content);
// Appends so that a process killed at any instant leaves the old or the new
// content: a plain append within one page; a new file, or an append that
// would cross a page boundary (where the system may stop a killed writer),
// goes through ReplaceHostFile. A write cut short is taken back.
bool AppendHostFile(const std::string& hostPath, std::string_view bytes);

}  // namespace tarnwick
