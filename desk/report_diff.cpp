#include "desk/report_diff.h"

#include <algorithm>
#include <map>

namespace tarnwick::desk {
namespace {

// Orders the changes by section: the new report's sections first, in file order.
struct SectionOrder {
  std::map<std::string, int> rank;
  int Of(const std::string& section) {
    return rank.emplace(LookupKey(section, ""), static_cast<int>(rank.size())).first->second;
  }
};

bool HasId(const std::vector<Finding>& findings, const std::string& id) {
  return std::any_of(findings.begin(), findings.end(), [&](const Finding& f) { return f.id == id; });
}

}  // namespace

ReportDiff DiffReports(const Report& oldReport, const Report& newReport, const std::vector<Finding>& oldFindings,
                       const std::vector<Finding>& newFindings) {
  ReportDiff diff;
  SectionOrder order;
  struct Ranked {
    int section;
    int position;
    int kind;  // 0 added, 1 removed, 2 changed
    std::size_t at;
  };
  std::vector<Ranked> ranked;
  for (const ReportEntry& entry : newReport.entries) {
    if (entry.shadowed) continue;
    const int section = order.Of(entry.section);
    const ReportEntry* before = oldReport.Find(entry.section, entry.key);
    if (before == nullptr) {
      ranked.push_back({section, entry.position, 0, diff.added.size()});
      diff.added.push_back({entry.section, entry.key, entry.value});
    } else if (before->value != entry.value) {
      ranked.push_back({section, entry.position, 2, diff.changed.size()});
      diff.changed.push_back({entry.section, entry.key, before->value, entry.value});
    }
  }
  for (const ReportEntry& entry : oldReport.entries) {
    if (entry.shadowed || newReport.Find(entry.section, entry.key) != nullptr) continue;
    ranked.push_back({order.Of(entry.section), entry.position, 1, diff.removed.size()});
    diff.removed.push_back({entry.section, entry.key, entry.value});
  }
  // Each list is already in report order within a section; bring the
  // sections into one order across the three lists.
  const auto sortBySection = [&](auto& list, int kind) {
    std::vector<Ranked> own;
    for (const Ranked& r : ranked) {
      if (r.kind == kind) own.push_back(r);
    }
    std::stable_sort(own.begin(), own.end(), [](const Ranked& a, const Ranked& b) { return a.section < b.section; });
    std::remove_reference_t<decltype(list)> sorted;
    for (const Ranked& r : own) sorted.push_back(list[r.at]);
    list = std::move(sorted);
  };
  sortBySection(diff.added, 0);
  sortBySection(diff.removed, 1);
  sortBySection(diff.changed, 2);
  for (const Finding& finding : newFindings) {
    if (!HasId(oldFindings, finding.id)) diff.findingsNew.push_back(finding);
  }
  for (const Finding& finding : oldFindings) {
    if (!HasId(newFindings, finding.id)) diff.findingsGone.push_back(finding);
  }
  return diff;
}

}  // namespace tarnwick::desk
