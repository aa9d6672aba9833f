// The console front-end shared by the Linux program and tarnwick-cli.exe: the
// collection run, then the list as a table and where the report went.
#pragma once

#include <functional>
#include <ostream>
#include <string>
#include <string_view>

#include "platform/platform.h"

namespace tarnwick {

struct ConsoleOptions {
  std::string_view programName;
  bool utf8 = false;  // show the 8-bit texts in UTF-8
  // The path to show for a Windows path (the host path where drives are mapped).
  std::function<std::string(const std::string&)> shownPath = [](const std::string& path) { return path; };
};

// Reads no options besides --help and --version. Returns the exit status:
// 0, 1 when the report could not be written completely, 2 for bad arguments.
int RunFromConsole(Platform& platform, const ConsoleOptions& options, int argc, char** argv, std::ostream& out,
                   std::ostream& err);

}  // namespace tarnwick
