// tarnwick: the collection run on this Linux host, or on a copy of another
// host's /sys and /proc named by --root. Writes ./SystemInfo.ini and its copy
// beside the program, then prints the list as a table.
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <iostream>
#include <string>
#include <variant>

#include "app/console_run.h"
#include "collectors/collectors.h"
#include "platform/linux/linux_platform.h"

namespace {

std::string WorkingFolder() {
  char buffer[PATH_MAX + 1];
  if (::getcwd(buffer, sizeof buffer) == nullptr) return ".";
  return buffer;
}

bool IsFolder(const std::string& path) {
  struct stat status {};
  return ::stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

}  // namespace

int main(int argc, char** argv) {
  using namespace tarnwick;
  // The folder the facts are read below is needed before the platform is
  // made; the run parses the arguments again and reports what is wrong.
  std::string root = "/";
  const auto parsed = ParseConsoleArguments(argc, argv, true);
  if (const auto* arguments = std::get_if<ConsoleArguments>(&parsed); arguments && arguments->root) {
    root = *arguments->root;
    if (!IsFolder(root)) {
      std::cerr << "tarnwick: --root: no folder '" << root << "'\n";
      return 2;
    }
  }

  LinuxPlatform platform(WorkingFolder(), RunningExecutable(argv[0]), root);
  ConsoleOptions options;
  options.programName = "tarnwick";
  options.utf8 = true;
  options.takesRoot = true;
  options.closingStep = [&platform](CollectorContext& context) {
    CollectLinuxSections(context, platform.OsFacts(), platform.TunerFacts());
  };
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
