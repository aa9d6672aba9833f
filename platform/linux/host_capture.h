// A capture of what one run read below the root, as one .tar.gz a Linux
// customer sends to the support desk, which unpacks it and runs
// `tarnwick --root` on it. Files come with their contents, links as links
// (the kernel's layout of /sys kept), folders a run lists with the links in
// them; device nodes and firmware files become stand-ins: a node a small
// text "c 0660 0 44" (kind, permissions, owner and group ids), a firmware
// file an empty file.
#pragma once

#include <map>
#include <optional>
#include <set>
#include <string>

#include "platform/linux/host_tree.h"

namespace tarnwick {

// The entries of a capture, path below the root to what stands there.
struct CaptureEntry {
  enum class Kind { File, Link, Folder };
  Kind kind = Kind::File;
  std::string content;  // a file's bytes or a link's target
};
using CaptureEntries = std::map<std::string, CaptureEntry>;

// The entries that hold the paths read: each path's links on the way, its
// folders, and what stands at its end.
CaptureEntries CollectCapture(const HostTree& tree, const std::set<std::string>& read);

// Writes the entries as a gzip-compressed tar file; an error text when the
// file could not be written whole.
std::optional<std::string> WriteCaptureArchive(const std::string& path, const CaptureEntries& entries);

}  // namespace tarnwick
