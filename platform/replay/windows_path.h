// Windows paths as the replayed computer resolves them: without regard to
// case, a run of backslashes counting as one.
#pragma once

#include <string>
#include <string_view>

namespace tarnwick {

// Equal keys name the same file.
std::string WindowsPathKey(std::string_view path);

// True for "X:\..." whose names are all real names (no "." or ".."), so
// that its folder maps to a folder inside the drive's host folder.
bool IsPlainDrivePath(std::string_view path);

}  // namespace tarnwick
