#include "app/report_dialog.h"

#include "app/filter_categories.h"
#include "app/report_copy.h"
#include "app/run_progress.h"
#include "collectors/collectors.h"
#include "collectors/tuner/tuner_device_access.h"

namespace tarnwick {
namespace {

// One file in memory: the complete report of a run is made here before it is
// written as a whole.
class MemoryReport final : public ReportFiles {
 public:
  std::optional<std::string> Read(std::string_view) override { return exists ? std::optional(content) : std::nullopt; }
  std::optional<std::uint64_t> Size(std::string_view) override {
    return exists ? std::optional<std::uint64_t>(content.size()) : std::nullopt;
  }
  bool Append(std::string_view, std::string_view bytes) override {
    content.append(bytes);
    exists = true;
    return true;
  }
  bool ReplaceAtomically(std::string_view, std::string_view whole) override {
    content = whole;
    exists = true;
    return true;
  }
  bool Delete(std::string_view) override { return false; }
  bool Copy(std::string_view, std::string_view) override { return false; }

  std::string content;
  bool exists = false;
};

}  // namespace

const CollectionSteps& StandardCollectionSteps() {
  static const CollectionSteps steps{
      {CollectUserAccount, CollectWindowsOs, CollectDirectX, CollectProcessor, CollectMemory, CollectDisplayAdapter,
       CollectAudioDevice, CollectRegionalAndPower, CollectMotherboard, CollectSystemDevices, CollectTunerSettings},
      {CollectTvApplications, CollectInstalledProgramFiles, CollectMceEncoder, CollectTuningSpaces},
      CollectFilterCategory,
  };
  return steps;
}

namespace {

std::string Shown(const ShownPath& shown, const std::string& path) { return shown ? shown(path) : path; }

// " (what failed: the system's reason)", or nothing when the layer gave none.
std::string Why(const std::optional<ReportDialog::FileProblem>& problem) {
  if (!problem || !problem->failure) return "";
  return " (" + problem->failure->action + ": " + problem->failure->reason + ")";
}

std::string CopyProblem(const ReportDialog::FileProblem& problem, const ShownPath& shown) {
  const std::string path = Shown(shown, problem.path);
  const std::string what = problem.staleKept ? "the old copy " + path + " could not be removed"
                                             : "the copy " + path + " could not be written";
  return what + Why(problem);
}

}  // namespace

std::vector<std::string> ReportProblems(const ReportDialog& dialog, const std::string& report, const ShownPath& shown) {
  std::vector<std::string> problems;
  const std::string removal = Why(dialog.RemovalFailure());
  const std::string write = Why(dialog.ReportFailure());
  if (dialog.OldReportKept() && dialog.EveryWriteMade()) {
    problems.push_back("the old report " + report + " could not be removed" + removal +
                       "; this run's entries were merged into it");
  } else if (dialog.OldReportKept()) {
    problems.push_back("the old report " + report + " could not be removed, and this run's entries could not all be "
                       "written into it" + removal + write);
  } else if (!dialog.EveryWriteMade()) {
    problems.push_back("the report could not be written completely to " + report + write);
  }
  if (problems.empty()) return problems;
  for (const auto& copy : dialog.CopyFailures()) problems.push_back(CopyProblem(copy, shown));
  if (const auto send = dialog.FileToSend()) {
    problems.push_back("the complete report of this run is " + Shown(shown, *send) + ": send that file");
  } else if (!dialog.CopyFailures().empty()) {
    problems.push_back("no complete report of this run could be written");
  }
  return problems;
}

std::vector<std::string> CopyProblems(const ReportDialog& dialog, const ShownPath& shown) {
  std::vector<std::string> problems;
  if (!dialog.ReportComplete()) return problems;  // said with the report's problems
  for (const auto& copy : dialog.CopyFailures()) problems.push_back(CopyProblem(copy, shown));
  return problems;
}

ReportDialog::ReportDialog(Platform& platform, ResultList& list, std::ostream& diagnostics,
                           const CollectionSteps& steps, ReportPlacement placement)
    : platform_(platform),
      steps_(steps),
      registry_(platform.registry),
      list_(list),
      diagnostics_(diagnostics),
      report_(platform.files, std::move(placement.path)),
      copyBesideExecutable_(placement.copyBesideExecutable),
      redact_(placement.redact),
      diagnosticsBuffer_(diagnostics),
      collectorDiagnostics_(&diagnosticsBuffer_),
      context_{*this, registry_, platform_, collectorDiagnostics_, state_} {}

void ReportDialog::RunCollection() {
  rowCount_ = 0;
  stepRunning_ = false;
  reportWriteFailed_ = false;
  copiedTo_.reset();
  reportFailure_.reset();
  removalFailure_.reset();
  copyFailures_.clear();
  runWrites_.clear();
  // What an earlier run that was killed left beside the report and the copy.
  platform_.files.RemoveLeftovers(report_.Path());
  const auto copyPath = ReportCopyPath(platform_.executable.Path(), report_.Path());
  if (copyBesideExecutable_ && copyPath) platform_.files.RemoveLeftovers(*copyPath);
  // A missing file is the normal case; one that cannot be deleted gets the
  // run's entries merged into it.
  oldReportKept_ = !report_.Clear();
  if (oldReportKept_) removalFailure_ = FileProblem{report_.Path(), platform_.files.LastFailure()};
  if (redact_) {
    redaction_.emplace(GatherRedactionFacts(platform_));
    diagnosticsBuffer_.Use(&*redaction_);
  }
  list_.SetUpColumns();

  AddReportEntry("Tool Version", "Tool Version", kToolVersion);
  AppendGroupSeparator();
  StepFinished();

  for (const Collector collect : steps_.beforeTunerRelease) {
    StepStarted(StepDescription(collect));
    collect(context_);
    StepFinished();
  }
  ReleaseTunerDevice();
  for (const Collector collect : steps_.afterTunerRelease) {
    StepStarted(StepDescription(collect));
    collect(context_);
    StepFinished();
  }
  // One COM initialisation held over the 22 category steps: each step's own
  // then only counts, so the filters' libraries stay loaded from one
  // category to the next instead of being unloaded by each step's balancing
  // CoUninitialize. Balanced like every other.
  const std::int32_t categoriesCom = platform_.directShow.ComInitialize();
  for (const FilterCategory& category : kFilterCategories) {
    StepStarted(CategoryStepDescription(category.label));
    steps_.filterCategory(context_, category.label, category.id);
    AppendGroupSeparator();
    StepFinished();
  }
  if (Succeeded(categoriesCom)) platform_.directShow.ComUninitialize();
  if (closingStep_) {
    closingStep_(context_);
    StepFinished();
  }
  if (!report_.Settle()) NoteReportFailure();
  if (copyBesideExecutable_) CopyReportBesideExecutable();
  collectorDiagnostics_.flush();
}

void ReportDialog::ReleaseTunerDevice() {
  // An empty member means the tuner collector already undid its own COM
  // initialisation.
  if (!state_.tunerDevice) return;
  // Undone only when the collector's own initialisation succeeded.
  const bool comInitialised = state_.tunerDevice->ComInitialised();
  state_.tunerDevice->Release();
  state_.tunerDevice.reset();
  if (comInitialised) platform_.directShow.ComUninitialize();
}

void ReportDialog::AddReportEntry(std::string_view section, std::string_view key, std::string_view value) {
  ReportEntry entry{std::string(section), std::string(key), std::string(value)};
  if (redaction_) entry = redaction_->Apply(std::move(entry));
  // The row is added even when the file cannot be written.
  if (!report_.WriteEntry(entry.section, entry.key, entry.value)) NoteReportFailure();
  if (copyBesideExecutable_) runWrites_.emplace_back(entry);
  list_.InsertRow(rowCount_, entry);
  ++rowCount_;
  ++stepEntries_;
  if (observer_ != nullptr && stepRunning_) observer_->EntriesWritten(stepEntries_);
}

void ReportDialog::AppendGroupSeparator() {
  if (!report_.AppendSeparator()) NoteReportFailure();
  if (copyBesideExecutable_) runWrites_.emplace_back();
}

void ReportDialog::NoteReportFailure() {
  if (!reportWriteFailed_) reportFailure_ = FileProblem{report_.Path(), platform_.files.LastFailure()};
  reportWriteFailed_ = true;
}

std::string ReportDialog::RunReport() const {
  MemoryReport memory;
  ReportFile file(memory, std::string(kReportPath));
  for (const auto& write : runWrites_) {
    if (write) {
      file.WriteEntry(write->section, write->key, write->value);
    } else {
      file.AppendSeparator();
    }
  }
  // Past the rewrite budget the writer keeps changes for the step's end.
  file.Settle();
  return memory.content;
}

bool ReportDialog::WriteCopy(const std::string& path, const std::string* content) {
  ReportFiles& files = platform_.files;
  const bool written = content ? files.ReplaceAtomically(path, *content) : files.Copy(report_.Path(), path);
  if (written) {
    copiedTo_ = path;
    return true;
  }
  copyFailures_.push_back({path, files.LastFailure()});
  // A stale copy must not be mailed by mistake for this run's report.
  if (files.Size(path) && !files.Delete(path)) copyFailures_.push_back({path, files.LastFailure(), true});
  return false;
}

std::optional<std::string> ReportDialog::FileToSend() const {
  if (ReportComplete()) return report_.Path();
  return copiedTo_;
}

void ReportDialog::CopyReportBesideExecutable() {
  const auto target = ReportCopyPath(platform_.executable.Path(), report_.Path());
  if (ReportComplete()) {
    if (target) WriteCopy(*target, nullptr);
    return;
  }
  // The report file does not hold this run alone, or not all of it: the copy
  // is this run's own report, complete, and where the program's folder
  // cannot take it, the Desktop does.
  const std::string content = RunReport();
  if (target && WriteCopy(*target, &content)) return;
  const auto desktop = platform_.executable.DesktopFolder();
  if (!desktop) return;
  const std::string onDesktop = *desktop + "\\SystemInfo.ini";
  if (!SameWindowsPath(onDesktop, report_.Path())) WriteCopy(onDesktop, &content);
}

void ReportDialog::StepFinished() {
  // The end of a step is one of the run's states: the changes that waited
  // reach the file.
  if (!report_.Persist()) NoteReportFailure();
  if (observer_ != nullptr) observer_->StepFinished();
}

void ReportDialog::StepStarted(std::string_view step) {
  stepRunning_ = true;
  stepEntries_ = 0;
  if (observer_ != nullptr) observer_->StepStarted(step);
}

}  // namespace tarnwick
