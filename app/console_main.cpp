// tarnwick: the collection run on this Linux host. Writes ./SystemInfo.ini
// and its copy beside the program, then prints the list as a table.
#include <unistd.h>

#include <climits>
#include <iostream>
#include <string>

#include "app/console_run.h"
#include "platform/linux/linux_platform.h"

namespace {

std::string WorkingFolder() {
  char buffer[PATH_MAX + 1];
  if (::getcwd(buffer, sizeof buffer) == nullptr) return ".";
  return buffer;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace tarnwick;
  LinuxPlatform platform(WorkingFolder(), RunningExecutable(argv[0]));
  ConsoleOptions options;
  options.programName = "tarnwick";
  options.utf8 = true;
  options.shownPath = [&platform](const std::string& path) {
    return platform.Files().Drives().HostPath(path).value_or(path);
  };
  // A host path, relative to the working folder or absolute, reached through
  // the drive that maps its folder.
  options.reportPathOf = [&platform](const std::string& path) {
    const std::string absolute = path.front() == '/' ? path : WorkingFolder() + "/" + path;
    return platform.Files().Drives().WindowsPath(absolute);
  };
  return RunFromConsole(platform.Services(), options, argc, argv, std::cout, std::cerr);
}
