// The kernel's files of a Linux host below a root folder: "/" for this host,
// or a copy of another host's /sys and /proc handed to support staff. Every
// fact of the Linux layer is read through it, by a path relative to the root,
// so a captured tree runs the whole program as the host itself would. Every
// path is resolved inside the root as a chroot would resolve it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/linux/tree_walk.h"
#include "platform/posix/descriptor.h"

namespace tarnwick {

class HostFolder;

class HostTree {
 public:
  // root: a host folder; empty means "/". walk: PathWalk::byName makes
  // this code resolve the paths, as on kernels without a confined walk.
  explicit HostTree(const std::string& root = "/", PathWalk walk = PathWalk::kernel);
  HostTree(const HostTree&) = delete;
  HostTree& operator=(const HostTree&) = delete;

  // The text of a regular file, or nothing (missing, unreadable, not a
  // regular file, or larger than kMaxFileSize). Named pipes and device nodes
  // in a captured tree are never opened.
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

  static constexpr std::uint64_t kMaxFileSize = kMaxTreeFileSize;

 private:
  friend class HostFolder;
  std::optional<std::string> Read(std::string_view relative, bool attribute) const;

  Descriptor root_;
  PathWalk walk_;
};

// A folder below the root, opened once so that the attributes in it are
// read without walking the whole path again (a device's folder: its vendor,
// class, driver link…). Reads answer nothing when the folder is missing.
class HostFolder {
 public:
  HostFolder(const HostTree& tree, std::string_view relative);
  // A folder inside another one (a USB interface's inside its device's).
  HostFolder(const HostFolder& parent, std::string_view relative);
  HostFolder(const HostFolder&) = delete;
  HostFolder& operator=(const HostFolder&) = delete;

  explicit operator bool() const { return descriptor_.get() >= 0; }
  // As the tree's reads, by a path relative to this folder.
  std::optional<std::string> ReadFile(std::string_view relative) const;
  std::optional<std::string> ReadAttribute(std::string_view relative) const;
  std::optional<std::string> LinkName(std::string_view relative) const;

 private:
  std::optional<std::string> Read(std::string_view relative, bool attribute) const;

  const HostTree& tree_;
  std::string path_;  // below the tree's root, as given
  Descriptor descriptor_;
};

// Natural order of kernel names: runs of digits compare by their value, so
// "video2" comes before "video10" and "card1" before "card10".
bool NaturalLess(std::string_view a, std::string_view b);

}  // namespace tarnwick
