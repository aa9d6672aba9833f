// The main dialog's portable half: it owns the report file, the list and its
// row counter, and performs the collection run. The Windows dialog window
// wraps it; the console programs use it directly.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "app/report_file.h"
#include "app/report_redaction.h"
#include "app/result_list.h"
#include "collectors/collector_context.h"
#include "collectors/report_writer.h"
#include "platform/platform.h"
#include "platform/registry_access.h"

namespace tarnwick {

inline constexpr std::string_view kToolVersion = "2.5";

using Collector = void (*)(CollectorContext&);
using CategoryCollector = void (*)(CollectorContext&, std::string_view label, const Guid& category);

// The collectors of the run in their fixed order: those before the tuner is
// released, those after it, and the one called for each filter category.
struct CollectionSteps {
  std::vector<Collector> beforeTunerRelease;
  std::vector<Collector> afterTunerRelease;
  CategoryCollector filterCategory;
};

const CollectionSteps& StandardCollectionSteps();

class ReportDialog;

// The path to show for a path of the run (the host path where drives are
// mapped).
using ShownPath = std::function<std::string(const std::string&)>;

// What went wrong with the report of a finished run, one sentence each
// beginning in lower case, with the system's reason (nothing for a clean
// report), and which file to send instead; report is the path to show.
std::vector<std::string> ReportProblems(const ReportDialog& dialog, const std::string& report,
                                        const ShownPath& shown = {});
// What went wrong with the copy while the report itself is fine.
std::vector<std::string> CopyProblems(const ReportDialog& dialog, const ShownPath& shown = {});

// Told which step runs and how many entries it has written, so a waiting
// window can show where the run is. The run itself stays on the one thread
// and in its fixed order; nothing stored depends on the observer.
class RunObserver {
 public:
  virtual ~RunObserver() = default;
  // The step about to run, in plain words.
  virtual void StepStarted(std::string_view step) = 0;
  // Entries written by the running step so far.
  virtual void EntriesWritten(int count) = 0;
  // After every step.
  virtual void StepFinished() {}
};

// Where the report goes. The Windows program always writes C:\SystemInfo.ini
// and its copy; the console programs can choose.
struct ReportPlacement {
  std::string path{kReportPath};
  bool copyBesideExecutable = true;
  // Take the user's name, the board's serial number and device instance
  // parts out of the rows and the report.
  bool redact = false;
};

class ReportDialog final : public ReportWriter {
 public:
  ReportDialog(Platform& platform, ResultList& list, std::ostream& diagnostics,
               const CollectionSteps& steps = StandardCollectionSteps(), ReportPlacement placement = {});

  void SetRunObserver(RunObserver* observer) { observer_ = observer; }
  // A step of the host's own after the last filter category (the Linux
  // program's sections).
  void SetClosingStep(std::function<void(CollectorContext&)> step) { closingStep_ = std::move(step); }

  // Empties the report, writes the tool's version, calls every collector in
  // order with the group separators of the category step, and copies the
  // finished report beside the executable.
  void RunCollection();

  void AddReportEntry(std::string_view section, std::string_view key, std::string_view value) override;
  void AppendGroupSeparator() override;
  void CopyReportBesideExecutable();

  std::int32_t rowCount() const { return rowCount_; }
  const std::string& ReportPath() const { return report_.Path(); }
  // Whether the report is a clean picture of this run: the old report was
  // removed and every entry and separator reached the file.
  bool ReportComplete() const { return !reportWriteFailed_ && !oldReportKept_; }
  // Whether every entry and separator reached the file.
  bool EveryWriteMade() const { return !reportWriteFailed_; }
  // Whether the old report could not be removed, so this run's entries were
  // merged into it.
  bool OldReportKept() const { return oldReportKept_; }
  // Where the copy went, when it was made.
  const std::optional<std::string>& CopiedTo() const { return copiedTo_; }
  // The file the customer should send: the report, or, when the report is
  // not a clean picture of this run, the complete copy written instead.
  std::optional<std::string> FileToSend() const;

  // A file that could not be written, and why.
  struct FileProblem {
    std::string path;
    std::optional<FileFailure> failure;
    bool staleKept = false;  // an old copy that could not be removed
  };
  // The first failed write of the report, and the failed removal of the old
  // one.
  const std::optional<FileProblem>& ReportFailure() const { return reportFailure_; }
  const std::optional<FileProblem>& RemovalFailure() const { return removalFailure_; }
  // The copies that could not be written (beside the program, then the
  // Desktop), and a stale copy that could not be removed.
  const std::vector<FileProblem>& CopyFailures() const { return copyFailures_; }

 private:
  void StepStarted(std::string_view step);
  void StepFinished();
  void ReleaseTunerDevice();
  void NoteReportFailure();
  // The report of this run's own entries, as the report file would hold it.
  std::string RunReport() const;
  // Writes a copy to the path; a failure is noted.
  bool WriteCopy(const std::string& path, const std::string* content);

  Platform& platform_;
  const CollectionSteps& steps_;
  RegistryAccess registry_;
  ResultList& list_;
  std::ostream& diagnostics_;
  ReportFile report_;
  bool copyBesideExecutable_ = true;
  bool redact_ = false;
  std::optional<Redaction> redaction_;
  // What the collectors print: redacted the same way as the entries.
  RedactingBuffer diagnosticsBuffer_;
  std::ostream collectorDiagnostics_;
  CollectionState state_;
  CollectorContext context_;
  std::int32_t rowCount_ = 0;
  bool reportWriteFailed_ = false;
  bool oldReportKept_ = false;
  std::optional<std::string> copiedTo_;
  std::optional<FileProblem> reportFailure_;
  std::optional<FileProblem> removalFailure_;
  std::vector<FileProblem> copyFailures_;
  // This run's own entries and separators (nothing), for the complete copy
  // when the report file is not.
  std::vector<std::optional<ReportEntry>> runWrites_;
  RunObserver* observer_ = nullptr;
  std::function<void(CollectorContext&)> closingStep_;
  // The tool's version is written before any step runs.
  bool stepRunning_ = false;
  int stepEntries_ = 0;
};

}  // namespace tarnwick
