// The main dialog's portable half: it owns the report file, the list and its
// row counter, and performs the collection run. The Windows dialog window
// wraps it; the console programs use it directly.
#pragma once

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>

#include "app/report_file.h"
#include "app/result_list.h"
#include "collectors/collector_context.h"
#include "collectors/report_writer.h"
#include "platform/platform.h"
#include "platform/registry_access.h"

namespace tarnwick {

inline constexpr std::string_view kToolVersion = "2.5";

// Told after every step of the run, so a waiting window can repaint. The run
// itself stays on the one thread and in its fixed order.
class RunObserver {
 public:
  virtual ~RunObserver() = default;
  virtual void StepFinished() = 0;
};

class ReportDialog final : public ReportWriter {
 public:
  ReportDialog(Platform& platform, ResultList& list, std::ostream& diagnostics);

  void SetRunObserver(RunObserver* observer) { observer_ = observer; }

  // Empties the report, writes the tool's version, calls every collector in
  // order with the group separators of the category step, and copies the
  // finished report beside the executable.
  void RunCollection();

  void AddReportEntry(std::string_view section, std::string_view key, std::string_view value) override;
  void AppendGroupSeparator() override;
  void CopyReportBesideExecutable();

  std::int32_t rowCount() const { return rowCount_; }
  const std::string& ReportPath() const { return report_.Path(); }
  // Whether every entry and separator reached the report file.
  bool ReportComplete() const { return !reportWriteFailed_; }
  // Where the copy went, when it was made.
  const std::optional<std::string>& CopiedTo() const { return copiedTo_; }

 private:
  void StepFinished();
  void ReleaseTunerDevice();

  Platform& platform_;
  RegistryAccess registry_;
  ResultList& list_;
  std::ostream& diagnostics_;
  ReportFile report_;
  CollectionState state_;
  CollectorContext context_;
  std::int32_t rowCount_ = 0;
  bool reportWriteFailed_ = false;
  std::optional<std::string> copiedTo_;
  RunObserver* observer_ = nullptr;
};

}  // namespace tarnwick
