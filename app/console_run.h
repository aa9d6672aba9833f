// The console front-end shared by the Linux program and tarnwick-cli.exe: the
// collection run, then the list as a table (or JSON) and where the report went.
#pragma once

#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "app/report_dialog.h"
#include "platform/platform.h"

namespace tarnwick {

struct ConsoleOptions {
  std::string_view programName;
  bool utf8 = false;  // show the 8-bit texts in UTF-8
  // The path to show for a Windows path (the host path where drives are mapped).
  std::function<std::string(const std::string&)> shownPath = [](const std::string& path) { return path; };
  // The Windows path of the report for a path the user named (--output);
  // nothing when it names no place the program can write.
  std::function<std::optional<std::string>(const std::string&)> reportPathOf =
      [](const std::string& path) { return std::optional<std::string>(path); };
  // The program reads its facts below a folder that --root names (the Linux
  // program only).
  bool takesRoot = false;
  // The host's own sections after the run's last step.
  std::function<void(CollectorContext&)> closingStep = nullptr;
  // Where the report goes without --output, as the help says it.
  std::string_view defaultReport = "C:\\SystemInfo.ini";
  // Whether the report is copied beside the program unless --no-copy says
  // otherwise; the Linux program copies only with --copy-beside.
  bool copiesByDefault = true;
  // Whether an --output path names the null device, which discards the
  // report (Windows: NUL).
  std::function<bool(const std::string&)> discards = [](const std::string&) { return false; };
};

// What the user asked for on the command line.
struct ConsoleArguments {
  bool help = false;
  bool version = false;
  bool verbose = false;  // the collectors' diagnostics on standard error
  bool json = false;     // the rows as JSON instead of the table
  bool noCopy = false;   // no copy beside the program
  bool copyBeside = false;  // a copy beside the program
  bool redact = false;   // user name, board serial and device instance parts taken out
  std::optional<std::string> output;  // the report elsewhere than C:\SystemInfo.ini
  std::optional<std::string> root;    // the folder the facts are read below
  std::optional<std::string> capture;  // the archive of the files a run reads
};

// The arguments, or a message saying what is wrong with them. --root is an
// argument only for a program that takes it.
std::variant<ConsoleArguments, std::string> ParseConsoleArguments(int argc, char** argv, bool takesRoot = false);

// Returns the exit status: 0, 1 when the report is not a clean picture of
// this run, 2 for bad arguments and for a report or copy path where something
// other than a file or a link stands (nothing is written then).
int RunFromConsole(Platform& platform, const ConsoleOptions& options, int argc, char** argv, std::ostream& out,
                   std::ostream& err);

}  // namespace tarnwick
