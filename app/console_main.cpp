// tarnwick: the collection run on this Linux host. Writes ./SystemInfo.ini
// and its copy beside the program, then prints the list as a table.
#include <unistd.h>

#include <climits>
#include <cstring>
#include <iostream>
#include <string>

#include "app/console_table.h"
#include "app/report_dialog.h"
#include "app/result_list.h"
#include "platform/linux/linux_platform.h"

namespace {

constexpr const char* kUsage =
    "Usage: tarnwick [--help | --version]\n"
    "Takes a picture of this computer and writes it to SystemInfo.ini in the\n"
    "current folder, with a copy beside the program, then prints every entry.\n";

std::string WorkingFolder() {
  char buffer[PATH_MAX + 1];
  if (::getcwd(buffer, sizeof buffer) == nullptr) return ".";
  return buffer;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace tarnwick;
  if (argc > 1) {
    const std::string option = argv[1];
    if (argc == 2 && option == "--help") {
      std::cout << kUsage;
      return 0;
    }
    if (argc == 2 && option == "--version") {
      std::cout << "tarnwick " << kToolVersion << '\n';
      return 0;
    }
    std::cerr << "tarnwick: unknown argument '" << option << "'\n" << kUsage;
    return 2;
  }

  const std::string folder = WorkingFolder();
  LinuxPlatform platform(folder, RunningExecutable(argv[0]));
  RecordedRows rows;
  ReportDialog dialog(platform.Services(), rows, std::cout);
  dialog.RunCollection();

  PrintRowTable(std::cout, rows.Rows(), true);
  const std::string reportHost = platform.Files().Drives().HostPath(dialog.ReportPath()).value_or(folder);
  std::cout << '\n' << rows.Rows().size() << " entries\n";
  if (!dialog.ReportComplete()) {
    std::cerr << "tarnwick: the report could not be written completely to " << reportHost << '\n';
    return 1;
  }
  std::cout << "Report written to " << reportHost << '\n';
  if (const auto& copy = dialog.CopiedTo()) {
    std::cout << "Copy written to " << platform.Files().Drives().HostPath(*copy).value_or(*copy) << '\n';
  }
  return 0;
}
