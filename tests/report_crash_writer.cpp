// report_crash_writer FOLDER: deletes FOLDER/SystemInfo.ini, writes "R" to
// standard output when it starts writing, replays the crash test's sequence
// into the report (drive C: mapped onto FOLDER) and writes "D" when done.
// Exits 1 when a call fails. The crash test kills it at random moments.
#include <unistd.h>

#include <cstdio>

#include "app/report_file.h"
#include "platform/posix/mapped_files.h"
#include "report_crash_sequence.h"

int main(int argc, char** argv) {
  using namespace tarnwick;
  if (argc != 2) {
    std::fprintf(stderr, "usage: report_crash_writer FOLDER\n");
    return 2;
  }
  const auto calls = crash_sequence::Calls();
  DriveMap drives;
  drives.Map('C', argv[1]);
  MappedReportFiles files(std::move(drives));
  ReportFile report(files);
  if (!report.Clear()) return 1;
  if (::write(STDOUT_FILENO, "R", 1) != 1) return 1;
  for (const auto& call : calls) {
    if (!crash_sequence::Apply(report, call)) return 1;
  }
  report.Settle();
  return ::write(STDOUT_FILENO, "D", 1) == 1 ? 0 : 1;
}
