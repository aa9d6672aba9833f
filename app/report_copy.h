// Where the finished report is copied: "SystemInfo.ini" in the executable's
// own folder, whatever the executable is called.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "platform/report_files.h"

namespace tarnwick {

inline constexpr std::size_t kMaxPathLength = 259;

// Nothing when the path names no folder, when the copy would not fit in 259
// characters, or when it would be the report itself.
std::optional<std::string> ReportCopyPath(std::string_view executablePath, std::string_view reportPath);

// Windows paths compare without regard to case, a run of backslashes
// counting as one.
bool SameWindowsPath(std::string_view a, std::string_view b);

// Why the report, or its copy when there is one, cannot be put where the run
// would write it: a message that names the path (as shown) and says what
// stands there; nothing when both places can take a file.
std::optional<std::string> ReportPlaceRefusal(ReportFiles& files, const std::string& report,
                                              const std::optional<std::string>& copy,
                                              const std::function<std::string(const std::string&)>& shown);

}  // namespace tarnwick
