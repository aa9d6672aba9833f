// The Linux host's own facts for the section "Linux OS" and the section
// "Linux Tuner Check": gathered below the root, decided in collectors/linux.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "collectors/linux/linux_os.h"
#include "collectors/linux/tuner_check.h"
#include "platform/linux/host_tree.h"

namespace tarnwick {

// capturedTree: the --root folder as given; nothing for this host, whose
// architecture then comes from uname.
LinuxOsFacts ReadLinuxOs(const HostTree& tree, const std::optional<std::string>& capturedTree);

// The groups of an etc/group text; malformed lines are passed over.
std::vector<HostGroup> ParseGroupFile(std::string_view text);
// The user a captured tree's proc/self/status describes (real uid and gid,
// supplementary groups); nothing without a readable "Uid:" line.
std::optional<CheckUser> ParseProcessStatus(std::string_view status);
// A device node's stand-in in a captured tree: one line "c 0660 0 44"
// (kind, permissions in octal, owner and group ids).
std::optional<EntryStatus> ParseNodeStandIn(std::string_view text);

}  // namespace tarnwick
