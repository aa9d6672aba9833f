// The report's file operations on Windows.
#pragma once

#include "platform/executable_path.h"
#include "platform/report_files.h"

namespace tarnwick::win32 {

class Win32ReportFiles final : public ReportFiles {
 public:
  // A folder, or a device name (NUL, CON, COM1...) that every folder holds.
  std::optional<std::string> Obstacle(std::string_view path) override;
  // Temporary files of runs that are gone (no process has their id).
  void RemoveLeftovers(std::string_view path) override;
  std::optional<std::string> Read(std::string_view path) override;
  std::optional<std::uint64_t> Size(std::string_view path) override;
  bool Append(std::string_view path, std::string_view bytes) override;
  bool ReplaceAtomically(std::string_view path, std::string_view content) override;
  bool Delete(std::string_view path) override;
  bool Copy(std::string_view from, std::string_view to) override;
};

class Win32ExecutablePath final : public ExecutablePath {
 public:
  std::string Path() override;
  std::optional<std::string> DesktopFolder() override;
};

// Whether the path names a device rather than a file: a name such as NUL,
// CON or COM1 (with any extension, in any folder), or a "\\.\" path.
bool IsDeviceName(std::string_view path);
// Whether the path is the null device: NUL or \\.\NUL, in any letter case.
bool IsNullDevice(std::string_view path);

// Ctrl-C, Ctrl-Break and closing the console remove the temporary files of
// the report and end the process with 128 + the matching signal's number.
void RemoveTemporaryFilesOnConsoleEvents();

}  // namespace tarnwick::win32
