#include "app/console_run.h"

#include "app/console_table.h"
#include "app/report_dialog.h"
#include "app/result_list.h"

namespace tarnwick {

std::vector<std::string> ReportProblems(const ReportDialog& dialog, const std::string& report) {
  std::vector<std::string> problems;
  if (dialog.OldReportKept()) {
    problems.push_back("the old report " + report + " could not be removed; this run's entries were merged into it");
  }
  if (!dialog.EveryWriteMade()) problems.push_back("the report could not be written completely to " + report);
  return problems;
}

int RunFromConsole(Platform& platform, const ConsoleOptions& options, int argc, char** argv, std::ostream& out,
                   std::ostream& err) {
  const std::string name(options.programName);
  const std::string usage = "Usage: " + name +
                            " [--help | --version]\n"
                            "Takes a picture of this computer, writes it to the report C:\\SystemInfo.ini\n"
                            "with a copy beside the program, and prints every entry.\n";
  if (argc > 1) {
    const std::string option = argv[1];
    if (argc == 2 && option == "--help") {
      out << usage;
      return 0;
    }
    if (argc == 2 && option == "--version") {
      out << name << ' ' << kToolVersion << '\n';
      return 0;
    }
    err << name << ": unknown argument '" << option << "'\n" << usage;
    return 2;
  }

  RecordedRows rows;
  ReportDialog dialog(platform, rows, out);
  dialog.RunCollection();

  PrintRowTable(out, rows.Rows(), options.utf8);
  out << '\n' << rows.Rows().size() << " entries\n";
  const std::string report = options.shownPath(dialog.ReportPath());
  if (const auto problems = ReportProblems(dialog, report); !problems.empty()) {
    out.flush();
    for (const std::string& problem : problems) err << name << ": " << problem << '\n';
    return 1;
  }
  out << "Report written to " << report << '\n';
  if (const auto& copy = dialog.CopiedTo()) {
    const std::string shown = options.shownPath(*copy);
    if (shown != report) out << "Copy written to " << shown << '\n';
  }
  return 0;
}

}  // namespace tarnwick
