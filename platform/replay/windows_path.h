// Windows paths as the replayed computer resolves them: without regard to
// case, a run of backslashes counting as one, a path without a drive letter
// lying on the current drive.
#pragma once

#include <string>
#include <string_view>

namespace tarnwick {

// The current drive of a run: that of the running program, C when its path
// names none.
char CurrentDrive(std::string_view executablePath);

// Equal keys name the same file. A path that starts with one backslash (or
// slash) lies on currentDrive; one that starts with two names a network
// share and keeps them; elsewhere a run of separators counts as one, as
// Windows resolves it.
std::string WindowsPathKey(std::string_view path, char currentDrive = 'C');

// True for "X:\..." whose names are all real names (no "." or ".."), so
// that its folder maps to a folder inside the drive's host folder.
bool IsPlainDrivePath(std::string_view path);

}  // namespace tarnwick
