// Paths below a root folder resolved as if that folder were "/": a symbolic
// link's absolute target and ".." at the top stay inside it, so a copied
// tree whose links lead elsewhere (to /etc/shadow, to ../../../home/…)
// never makes the program read a file of the computer it runs on.
#pragma once

#include <sys/stat.h>

#include <optional>
#include <string>
#include <string_view>

#include "platform/posix/descriptor.h"

namespace tarnwick {

// Who resolves: the kernel, confined to the root (Linux 5.6 and later), or
// this code one name at a time, as it must on older kernels.
enum class PathWalk { kernel, byName };

// A folder below root as a path-only descriptor (nothing can be read or
// set off by opening it); negative when the path names no folder. An empty
// path is the root itself.
Descriptor OpenFolderBelow(int root, std::string_view path, PathWalk walk);

// The text of the regular file at path below root, links on the way and at
// the end resolved below root. Anything else (a named pipe, a device node, a
// socket) is told apart before it is opened and is never opened. attribute:
// read one piece, as the kernel hands out a one-line attribute.
std::optional<std::string> ReadRegularBelow(int root, std::string_view path, bool attribute, PathWalk walk);

// The text of a name directly in an open folder whose status (the link's own
// for a link) was just taken: nothing unless it is a regular file.
std::optional<std::string> ReadIfRegular(int folder, const std::string& name, const struct stat& status,
                                         bool attribute);

// The target text of the symbolic link at path below root (not followed);
// nothing when it is no link.
std::optional<std::string> LinkTargetBelow(int root, std::string_view path, PathWalk walk);
std::optional<std::string> LinkTargetIn(int folder, const std::string& name);

// A path's folder part and last name: "a/b/c" gives "a/b" and "c".
std::pair<std::string_view, std::string_view> SplitLastName(std::string_view path);

constexpr std::size_t kMaxTreeFileSize = 8u << 20;

}  // namespace tarnwick
