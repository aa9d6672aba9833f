// The report's file operations on a POSIX file system, with Windows drive
// letters mapped to host folders (as Wine maps them): the replay harness maps
// C: to OUT/drive_c, the Linux program maps C: to the working folder and Z:
// to the root.
#pragma once

#include <cstdint>
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
  // Host names may hold backslashes (a Linux file "my\report.ini"): in the
  // Windows paths a '/' then stands for a host backslash, not a separator.
  void KeepBackslashesInNames() { hostBackslashes_ = true; }

 private:
  std::map<char, std::string> folders_;
  bool hostBackslashes_ = false;
};

class MappedReportFiles final : public ReportFiles {
 public:
  explicit MappedReportFiles(DriveMap drives) : drives_(std::move(drives)) {}
  // Removes what ReplaceAgain kept beside its files.
  ~MappedReportFiles() override;
  MappedReportFiles(MappedReportFiles&& other) noexcept;
  MappedReportFiles(const MappedReportFiles&) = delete;
  MappedReportFiles& operator=(const MappedReportFiles&) = delete;

  std::optional<std::string> Obstacle(std::string_view path) override;
  void RemoveLeftovers(std::string_view path) override;
  std::optional<std::string> Read(std::string_view path) override;
  // In pieces of 1 MiB.
  std::optional<std::vector<std::string>> ReadPieces(std::string_view path) override;
  std::optional<std::uint64_t> Size(std::string_view path) override;
  bool Append(std::string_view path, std::string_view bytes) override;
  bool ReplaceAtomically(std::string_view path, std::string_view content) override;
  // Swaps the new content in as ReplaceAtomically does, and keeps the old
  // content's file under its temporary name: the next replacement (or an
  // append that rewrites the file) overwrites it instead of making a new
  // file, which costs the file system far more than the bytes do.
  bool ReplaceAgain(std::string_view path, std::string_view content) override;
  bool ReplaceAgainInPieces(std::string_view path, std::span<const std::string_view> pieces) override;
  void Settle(std::string_view path) override;
  bool Delete(std::string_view path) override;
  bool Copy(std::string_view from, std::string_view to) override;

  const DriveMap& Drives() const { return drives_; }

 private:
  // The old content's file that a replacement left beside a file.
  struct Spare {
    std::string name;
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
  };
  bool ReplaceKeepingSpare(const std::string& hostPath, std::span<const std::string_view> pieces);
  bool Replace(const std::string& hostPath, std::string_view content);
  void RemoveSpare(const std::string& hostPath);

  DriveMap drives_;
  std::map<std::string, Spare> spares_;  // by the host path of the file
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
