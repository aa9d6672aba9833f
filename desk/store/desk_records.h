// Every report the table and the page show, read either from a store or
// from the inputs, with its card and findings.
#pragma once

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "desk/checks.h"
#include "desk/report.h"
#include "desk/report_summary.h"
#include "desk/store/report_store.h"

namespace tarnwick::desk {

struct DeskRecord {
  std::int64_t id = 0;  // the store's id, or the order found in the inputs (from 1)
  Report report;
  Summary summary;
  std::vector<Finding> findings;
  std::string date;  // the mail's, else the time it was indexed (none for an input outside mail)
};

// Reads a stored report again from its bytes, with the findings stored for
// it; a report whose bytes cannot be read is named on errors.
class StoredRecords {
 public:
  explicit StoredRecords(ReportStore& store);
  std::optional<DeskRecord> Load(std::int64_t id, std::ostream& errors);

 private:
  ReportStore& store_;
  Statement findings_;
};

// Every stored report, those that cannot be read left out.
std::vector<DeskRecord> RecordsFromStore(ReportStore& store, std::ostream& errors);

// Reads the inputs and runs the checks; an input that holds no report is
// named on errors.
std::vector<DeskRecord> RecordsFromInputs(const std::vector<std::string>& inputs, Checker& checker,
                                          const ReadOptions& read, std::ostream& errors);

// Problems first, then warnings, then notes; by id within each.
void SortFindings(std::vector<Finding>& findings);

}  // namespace tarnwick::desk
