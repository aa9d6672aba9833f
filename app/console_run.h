// The console front-end shared by the Linux program and tarnwick-cli.exe: the
// collection run, then the list as a table and where the report went.
#pragma once

#include <functional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "app/report_dialog.h"

#include "platform/platform.h"

namespace tarnwick {

struct ConsoleOptions {
  std::string_view programName;
  bool utf8 = false;  // show the 8-bit texts in UTF-8
  // The path to show for a Windows path (the host path where drives are mapped).
  std::function<std::string(const std::string&)> shownPath = [](const std::string& path) { return path; };
};

// What went wrong with the report of a finished run, one sentence each
// (nothing for a clean report); report is the path to show.
std::vector<std::string> ReportProblems(const ReportDialog& dialog, const std::string& report);

// Reads no options besides --help and --version. Returns the exit status:
// 0, 1 when the report is not a clean picture of this run, 2 for bad arguments.
int RunFromConsole(Platform& platform, const ConsoleOptions& options, int argc, char** argv, std::ostream& out,
                   std::ostream& err);

}  // namespace tarnwick
