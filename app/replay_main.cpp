// tarnwick-replay MACHINE OUT: the collection run against a computer
// described by the files in MACHINE, writing what the real program would
// write into OUT (the report under OUT/drive_c, the list as OUT/rows.tsv).
// A malformed machine is refused before anything is written.
#include <iostream>
#include <string>

#include "app/console_run.h"
#include "app/console_table.h"
#include "app/report_copy.h"
#include "app/report_dialog.h"
#include "app/result_list.h"
#include "platform/posix/mapped_files.h"
#include "platform/posix/temporary_files.h"
#include "platform/replay/machine_folder.h"
#include "platform/replay/replay_platform.h"

namespace {

constexpr const char* kUsage =
    "Usage: tarnwick-replay MACHINE OUT\n"
    "Runs the collection against the computer described by MACHINE/registry.reg\n"
    "and MACHINE/machine.json and writes the report below OUT (drive C: is\n"
    "OUT/drive_c) and the list as OUT/rows.tsv. Exits with 2 when something\n"
    "other than a file stands where the report or its copy would go.\n";

int Refuse(const std::string& problem) {
  std::cerr << "tarnwick-replay: " << problem << '\n';
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace tarnwick;
  if (argc != 3) {
    std::cerr << kUsage;
    return 2;
  }
  const std::string machineFolder = argv[1];
  const std::string outFolder = argv[2];

  ReplayMachine machine;
  if (const auto error = LoadMachineFolder(machineFolder, machine)) return Refuse(Describe(*error));

  ReplayPlatform platform(machine, outFolder);
  if (const auto problem = platform.CreateOutputFolders()) return Refuse(*problem);
  const auto shown = [&platform](const std::string& path) {
    return platform.Files().Drives().HostPath(path).value_or(path);
  };
  Platform& services = platform.Services();
  const std::string reportPath(kReportPath);
  if (const auto refusal = ReportPlaceRefusal(services.files, reportPath,
                                              ReportCopyPath(services.executable.Path(), reportPath), shown)) {
    Refuse(*refusal);
    return 2;
  }
  // Ctrl-C, a kill or a closed terminal takes the temporary files along.
  temporary_files::RemoveOnSignals();
  RecordedRows rows;
  ReportDialog dialog(services, rows, std::cout);
  dialog.RunCollection();
  std::cout.flush();

  const std::string rowsPath = outFolder + "/rows.tsv";
  if (!ReplaceHostFile(rowsPath, RowsTsv(rows.Rows()))) return Refuse("cannot write " + rowsPath);
  const auto problems = ReportProblems(dialog, shown(dialog.ReportPath()), shown);
  for (const std::string& problem : problems) Refuse(problem);
  for (const std::string& problem : CopyProblems(dialog, shown)) Refuse(problem);
  return problems.empty() ? 0 : 1;
}
