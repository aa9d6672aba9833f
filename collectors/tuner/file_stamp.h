// The entry value that describes one program file: its file version, " Date:"
// and its last-write date, such as "2.1.0.57 Date:03/15/10 14:07:09".
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "collectors/collector_context.h"
#include "platform/file_versions.h"

namespace tarnwick {

// Paths are full paths of at most 259 characters; a longer one is refused.
inline constexpr std::size_t kMaxFilePath = 259;

// What follows " Date:" when the file's time stamp could not be had although
// its version could.
inline constexpr std::string_view kUnknownDate = "Unknown";

// On true, state.versionText holds the file version ("%d.%d.%d.%d").
bool FileVersionText(CollectorContext& context, std::string_view path);
// On true, state.dateText holds the local last-write time.
bool FileDateText(CollectorContext& context, std::string_view path);
// Nothing when the file has no readable version: the caller writes no entry.
std::optional<std::string> FileStampValue(CollectorContext& context, std::string_view path);

// month/day/year hour:minute:second, two digits each, the year as its last
// two digits: what "%c" gives in the "C" locale of the Windows runtime.
std::string DateText(const LocalTime& time);

}  // namespace tarnwick
