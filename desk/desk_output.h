// What the desk prints: the card and the findings in plain words for a
// terminal (aligned, coloured only when asked), or JSON.
#pragma once

#include <nlohmann/json.hpp>
#include <ostream>
#include <vector>

#include "desk/checks.h"
#include "desk/report.h"
#include "desk/report_diff.h"
#include "desk/report_summary.h"

namespace tarnwick::desk {

struct OutputStyle {
  bool colour = false;
  bool allEntries = false;  // show --all
};

// True when standard output is a terminal and NO_COLOR is not set.
bool ColourWanted();

nlohmann::ordered_json ReportJson(const Report& report, const Summary& summary, const std::vector<Finding>& findings,
                          bool allEntries);
nlohmann::ordered_json DiffJson(const Report& oldReport, const Report& newReport, const ReportDiff& diff);

void PrintCard(std::ostream& out, const Report& report, const Summary& summary, const std::vector<Finding>& findings,
               const OutputStyle& style);
void PrintFindings(std::ostream& out, const Report& report, const std::vector<Finding>& findings,
                   const OutputStyle& style);
void PrintDiff(std::ostream& out, const Report& oldReport, const Report& newReport, const ReportDiff& diff,
               const OutputStyle& style);

}  // namespace tarnwick::desk
