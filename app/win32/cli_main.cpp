// tarnwick-cli.exe: the collection run of Tarnwick.exe without its notice and
// dialog; the list is printed to standard output.
#include <iostream>

#include "app/console_run.h"
#include "platform/win32/win32_files.h"
#include "platform/win32/win32_platform.h"

int main(int argc, char** argv) {
  tarnwick::win32::Win32Platform platform;
  tarnwick::ConsoleOptions options;
  options.programName = "tarnwick-cli";
  // --output NUL: the run without a report, as the null device takes it.
  options.discards = [](const std::string& path) { return tarnwick::win32::IsNullDevice(path); };
  tarnwick::win32::RemoveTemporaryFilesOnConsoleEvents();
  return tarnwick::RunFromConsole(platform.Services(), options, argc, argv, std::cout, std::cerr);
}
