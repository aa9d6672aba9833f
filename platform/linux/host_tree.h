// The kernel's files of a Linux host below a root folder: "/" for this host,
// or a copy of another host's /sys and /proc handed to support staff. Every
// fact of the Linux layer is read through it, by a path relative to the root,
// so a captured tree runs the whole program as the host itself would.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/posix/descriptor.h"

namespace tarnwick {

class HostFolder;

class HostTree {
 public:
  // root: a host folder; empty means "/".
  explicit HostTree(std::string root = "/");

  // The host path of a path below the root ("proc/cpuinfo").
  std::string HostPath(std::string_view relative) const;

  // The text of a regular file, or nothing (missing, unreadable, not a
  // regular file, or larger than kMaxFileSize). Named pipes and device nodes
  // in a captured tree are never opened for reading.
  std::optional<std::string> ReadFile(std::string_view relative) const;
  // A one-line attribute as the kernel writes it, without its line end and
  // the blanks around it; nothing when it cannot be read.
  std::optional<std::string> ReadAttribute(std::string_view relative) const;
  // The last name of a symbolic link's target: "ehci-pci" for a driver link
  // to "../../../bus/pci/drivers/ehci-pci"; nothing when it is no link.
  std::optional<std::string> LinkName(std::string_view relative) const;
  // The name before that: "0000:00:1d.7" for a link to
  // "../../../devices/pci0000:00/0000:00:1d.7/usb1".
  std::optional<std::string> LinkParentName(std::string_view relative) const;
  // The names in a folder, sorted; empty when it cannot be listed.
  std::vector<std::string> List(std::string_view relative) const;

  static constexpr std::uint64_t kMaxFileSize = 8u << 20;

 private:
  std::string root_;
};

// A folder below the root, opened once so that the attributes in it are
// read without walking the whole path again (a device's folder: its vendor,
// class, driver link…). Reads answer nothing when the folder is missing.
class HostFolder {
 public:
  HostFolder(const HostTree& tree, std::string_view relative);
  // A folder inside another one (a USB interface's inside its device's).
  HostFolder(const HostFolder& parent, std::string_view relative);

  explicit operator bool() const { return descriptor_.Valid(); }
  // As the tree's reads, by a path relative to this folder.
  std::optional<std::string> ReadFile(std::string_view relative) const;
  std::optional<std::string> ReadAttribute(std::string_view relative) const;
  std::optional<std::string> LinkName(std::string_view relative) const;

 private:
  Descriptor descriptor_;
};

// Natural order of kernel names: runs of digits compare by their value, so
// "video2" comes before "video10" and "card1" before "card10".
bool NaturalLess(std::string_view a, std::string_view b);

}  // namespace tarnwick
