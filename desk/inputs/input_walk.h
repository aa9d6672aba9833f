// Finds the reports in one input the desk is given: a report file, a mail
// message, an mbox, a maildir, a zip, an Outlook TNEF part, or a folder of
// any of these.
#pragma once

#include <functional>
#include <string>

#include "desk/found_report.h"
#include "desk/inputs/walk_limits.h"

namespace tarnwick::desk {

using InputProblemSink = std::function<void(InputProblem)>;

// Calls found for every part that may be a report (the reader decides whether
// it is one), and problem for the input itself when it cannot be read or
// holds nothing that may be a report, and for every part refused on the way
// (too large, nested too deep, unreadable), named by its source.
void WalkInput(const std::string& path, const FoundReportSink& found, const InputProblemSink& problem);

// The same within other bounds than the desk's own.
void WalkInput(const std::string& path, const WalkLimits& limits, const FoundReportSink& found,
               const InputProblemSink& problem);

}  // namespace tarnwick::desk
