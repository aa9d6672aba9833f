// tarnwick-cli.exe: the collection run of Tarnwick.exe without its notice and
// dialog; the list is printed to standard output.
#include <cstring>
#include <iostream>

#include "app/console_run.h"
#include "app/win32/console_output.h"
#include "platform/win32/win32_files.h"
#include "platform/win32/win32_platform.h"

int main(int argc, char** argv) {
  using namespace tarnwick::win32;
  // --json prints UTF-8; everything else is in the ANSI code page.
  bool json = false;
  for (int index = 1; index < argc; ++index) json = json || std::strcmp(argv[index], "--json") == 0;
  ConsoleStream out(STD_OUTPUT_HANDLE, json ? CP_UTF8 : CP_ACP, std::cout);
  ConsoleStream err(STD_ERROR_HANDLE, CP_ACP, std::cerr);

  Win32Platform platform;
  tarnwick::ConsoleOptions options;
  options.programName = "tarnwick-cli";
  // --output NUL: the run without a report, as the null device takes it.
  options.discards = [](const std::string& path) { return IsNullDevice(path); };
  RemoveTemporaryFilesOnConsoleEvents();
  const int status = tarnwick::RunFromConsole(platform.Services(), options, argc, argv, out.Stream(), err.Stream());
  out.Stream().flush();
  err.Stream().flush();
  return status;
}
