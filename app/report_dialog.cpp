#include "app/report_dialog.h"

#include "app/filter_categories.h"
#include "app/report_copy.h"
#include "collectors/collectors.h"
#include "collectors/tuner/tuner_device_access.h"

namespace tarnwick {

const CollectionSteps& StandardCollectionSteps() {
  static const CollectionSteps steps{
      {CollectUserAccount, CollectWindowsOs, CollectDirectX, CollectProcessor, CollectMemory, CollectDisplayAdapter,
       CollectAudioDevice, CollectRegionalAndPower, CollectMotherboard, CollectSystemDevices, CollectTunerSettings},
      {CollectTvApplications, CollectInstalledProgramFiles, CollectMceEncoder, CollectTuningSpaces},
      CollectFilterCategory,
  };
  return steps;
}

std::vector<std::string> ReportProblems(const ReportDialog& dialog, const std::string& report) {
  if (dialog.OldReportKept() && dialog.EveryWriteMade()) {
    return {"the old report " + report + " could not be removed; this run's entries were merged into it"};
  }
  if (dialog.OldReportKept()) {
    return {"the old report " + report + " could not be removed, and this run's entries could not all be written into it"};
  }
  if (!dialog.EveryWriteMade()) return {"the report could not be written completely to " + report};
  return {};
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
      context_{*this, registry_, platform_, diagnostics_, state_} {}

void ReportDialog::RunCollection() {
  rowCount_ = 0;
  reportWriteFailed_ = false;
  copiedTo_.reset();
  // A missing file is the normal case; one that cannot be deleted gets the
  // run's entries merged into it.
  oldReportKept_ = !report_.Clear();
  if (redact_) redaction_.emplace(platform_.users.UserName().value_or(""));
  list_.SetUpColumns();

  AddReportEntry("Tool Version", "Tool Version", kToolVersion);
  AppendGroupSeparator();
  StepFinished();

  for (const Collector collect : steps_.beforeTunerRelease) {
    collect(context_);
    StepFinished();
  }
  ReleaseTunerDevice();
  for (const Collector collect : steps_.afterTunerRelease) {
    collect(context_);
    StepFinished();
  }
  // One COM initialisation held over the 22 category steps: each step's own
  // then only counts, so the filters' libraries stay loaded from one
  // category to the next instead of being unloaded by each step's balancing
  // CoUninitialize. Balanced like every other.
  const std::int32_t categoriesCom = platform_.directShow.ComInitialize();
  for (const FilterCategory& category : kFilterCategories) {
    steps_.filterCategory(context_, category.label, category.id);
    AppendGroupSeparator();
    StepFinished();
  }
  if (Succeeded(categoriesCom)) platform_.directShow.ComUninitialize();
  if (!report_.Settle()) reportWriteFailed_ = true;
  if (copyBesideExecutable_) CopyReportBesideExecutable();
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
  if (!report_.WriteEntry(entry.section, entry.key, entry.value)) reportWriteFailed_ = true;
  list_.InsertRow(rowCount_, entry);
  ++rowCount_;
}

void ReportDialog::AppendGroupSeparator() {
  if (!report_.AppendSeparator()) reportWriteFailed_ = true;
}

void ReportDialog::CopyReportBesideExecutable() {
  const auto target = ReportCopyPath(platform_.executable.Path(), report_.Path());
  if (target && platform_.files.Copy(report_.Path(), *target)) copiedTo_ = target;
}

void ReportDialog::StepFinished() {
  // The end of a step is one of the run's states: the changes that waited
  // reach the file.
  if (!report_.Persist()) reportWriteFailed_ = true;
  if (observer_ != nullptr) observer_->StepFinished();
}

}  // namespace tarnwick
