// What changed between two reports of one customer: entries added, removed
// and changed, section by section, keys compared as the profile reader
// compares them and order ignored; and the findings that came and went.
#pragma once

#include <string>
#include <vector>

#include "desk/checks.h"
#include "desk/report.h"

namespace tarnwick::desk {

struct ChangedEntry {
  std::string section;
  std::string key;
  std::string oldValue;
  std::string newValue;
};

struct ReportDiff {
  std::vector<Evidence> added;
  std::vector<Evidence> removed;
  std::vector<ChangedEntry> changed;
  std::vector<Finding> findingsNew;
  std::vector<Finding> findingsGone;

  bool EntriesDiffer() const { return !added.empty() || !removed.empty() || !changed.empty(); }
};

// Entries come in the order of the new report's sections (then the sections
// only the old one has), each section's entries in file order.
ReportDiff DiffReports(const Report& oldReport, const Report& newReport, const std::vector<Finding>& oldFindings,
                       const std::vector<Finding>& newFindings);

}  // namespace tarnwick::desk
