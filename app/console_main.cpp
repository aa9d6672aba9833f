// tarnwick: the collection run on this Linux host, or on a copy of another
// host's /sys and /proc named by --root. Writes ./SystemInfo.ini (a copy
// beside the program only with --copy-beside), then prints the list as a
// table.
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <iostream>
#include <optional>
#include <set>
#include <string>
#include <variant>

#include "app/console_run.h"
#include "collectors/collectors.h"
#include "platform/linux/host_capture.h"
#include "platform/linux/linux_platform.h"
#include "platform/posix/temporary_files.h"

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
  std::optional<std::string> capture;
  bool json = false;
  const auto parsed = ParseConsoleArguments(argc, argv, true);
  if (const auto* arguments = std::get_if<ConsoleArguments>(&parsed); arguments && arguments->root) {
    root = *arguments->root;
    if (!IsFolder(root)) {
      std::cerr << "tarnwick: --root: no folder '" << root << "'\n";
      return 2;
    }
  }
  if (const auto* arguments = std::get_if<ConsoleArguments>(&parsed); arguments && !arguments->help && !arguments->version) {
    capture = arguments->capture;
    json = arguments->json;
  }

  std::set<std::string> read;
  LinuxPlatform platform(WorkingFolder(), RunningExecutable(argv[0]), root, capture ? &read : nullptr);
  ConsoleOptions options;
  options.programName = "tarnwick";
  options.utf8 = true;
  options.takesRoot = true;
  options.closingStep = [&platform](CollectorContext& context) {
    CollectLinuxSections(context, platform.OsFacts(), platform.TunerFacts());
  };
  options.defaultReport = "./SystemInfo.ini";
  // The copy beside the program is a Windows habit: on Linux it would land
  // in the folder of an installed binary.
  options.copiesByDefault = false;
  options.shownPath = [&platform](const std::string& path) {
    return platform.Files().Drives().HostPath(path).value_or(path);
  };
  // A host path, relative to the working folder or absolute, reached through
  // the drive that maps its folder.
  options.reportPathOf = [&platform](const std::string& path) {
    const std::string absolute = path.front() == '/' ? path : WorkingFolder() + "/" + path;
    return platform.Files().Drives().WindowsPath(absolute);
  };
  // Ctrl-C, a kill or a closed terminal takes the temporary files along.
  temporary_files::RemoveOnSignals();
  const int status = RunFromConsole(platform.Services(), options, argc, argv, std::cout, std::cerr);
  if (!capture || status == 2) return status;
  // What the run read, and what libkmod read for it, as the run found it.
  read.merge(platform.TunerFacts().ModuleFilesRead());
  if (const auto problem = WriteCaptureArchive(*capture, CollectCapture(HostTree(root), read))) {
    std::cerr << "tarnwick: --capture: " << *problem << '\n';
    return 1;
  }
  // With --json standard output holds the JSON alone.
  if (!json) std::cout << "Capture written to " << *capture << '\n';
  return status;
}
