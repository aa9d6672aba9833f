// The report's file operations on Windows.
#pragma once

#include "platform/executable_path.h"
#include "platform/report_files.h"

namespace tarnwick::win32 {

class Win32ReportFiles final : public ReportFiles {
 public:
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
};

}  // namespace tarnwick::win32
