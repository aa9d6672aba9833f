// The section "Linux OS": the distribution, the kernel and the architecture
// of a Linux host, written after the run's last step. The facts come as
// texts read from the host; what they mean for the report is decided here.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "collectors/report_writer.h"

namespace tarnwick {

struct LinuxOsFacts {
  std::optional<std::string> osRelease = std::nullopt;    // the text of etc/os-release
  std::optional<std::string> kernel = std::nullopt;       // proc/sys/kernel/osrelease
  std::optional<std::string> kernelBuild = std::nullopt;  // proc/version
  // As the live host's uname names it, or the captured tree's
  // proc/sys/kernel/arch; nothing when neither could be read.
  std::optional<std::string> machine = std::nullopt;
  std::optional<std::string> capturedTree = std::nullopt;  // the --root folder as given
};

struct OsRelease {
  std::optional<std::string> prettyName = std::nullopt;  // PRETTY_NAME
  std::optional<std::string> id = std::nullopt;          // ID
  std::optional<std::string> versionId = std::nullopt;   // VERSION_ID
};

// The three keys of an os-release text (shell-style assignments, values
// plain or quoted); a key whose line is malformed is left out.
OsRelease ParseOsRelease(std::string_view text);

// The architecture as uname -m names it: a known alias ("amd64") is
// normalised; without a machine name, the kernel release's suffix
// ("6.1.0-18-amd64", "6.5.6-300.fc39.x86_64") tells it; nothing otherwise.
std::optional<std::string> LinuxArchitecture(const std::optional<std::string>& machine,
                                             const std::optional<std::string>& kernel);

void WriteLinuxOs(ReportWriter& report, const LinuxOsFacts& facts);

}  // namespace tarnwick
