// One console run for the tests: the options of tarnwick-cli.exe (NUL
// discards the report) or of the Linux program, the arguments after the
// program's name, and what came out.
#pragma once

#include <sstream>
#include <string>
#include <vector>

#include "app/console_run.h"

namespace tarnwick::testing_support {

struct ConsoleOutcome {
  int status;
  std::string out;
  std::string err;
};

inline ConsoleOutcome RunConsole(Platform& platform, bool linuxProgram, std::vector<std::string> arguments,
                                 ConsoleOptions options = {}) {
  options.programName = "tarnwick";
  options.discards = [](const std::string& path) { return path == "NUL"; };
  if (linuxProgram) {
    options.takesRoot = true;
    options.defaultReport = "./SystemInfo.ini";
    options.copiesByDefault = false;
  }
  arguments.insert(arguments.begin(), "tarnwick");
  std::vector<char*> argv;
  for (std::string& word : arguments) argv.push_back(word.data());
  std::ostringstream out;
  std::ostringstream err;
  const int status = RunFromConsole(platform, options, static_cast<int>(argv.size()), argv.data(), out, err);
  return {status, out.str(), err.str()};
}

}  // namespace tarnwick::testing_support
