#include "desk/store/desk_records.h"

#include <algorithm>

#include <nlohmann/json.hpp>

#include "desk/inputs/input_walk.h"
#include "desk/store/store_sql.h"

namespace tarnwick::desk {
namespace {

// The findings stored for every report, by report id.
std::vector<std::pair<std::int64_t, Finding>> StoredFindings(ReportStore& store, std::ostream& errors) {
  std::string error;
  std::vector<std::pair<std::int64_t, Finding>> all;
  Statement query = Prepare(store.Handle(), "SELECT report, id, severity, title, evidence FROM findings ORDER BY report", error);
  if (!query) {
    errors << "tarnwick-desk: " << error << '\n';
    return all;
  }
  while (sqlite3_step(query.Get()) == SQLITE_ROW) {
    Finding finding{ColumnText(query.Get(), 1), ColumnText(query.Get(), 2), ColumnText(query.Get(), 3), {}, ""};
    const auto evidence = nlohmann::json::parse(ColumnText(query.Get(), 4), nullptr, false);
    if (evidence.is_array()) {
      for (const auto& item : evidence) {
        finding.evidence.push_back({item.value("section", ""), item.value("key", ""), item.value("value", "")});
      }
    }
    all.emplace_back(sqlite3_column_int64(query.Get(), 0), std::move(finding));
  }
  return all;
}

}  // namespace

void SortFindings(std::vector<Finding>& findings) {
  std::stable_sort(findings.begin(), findings.end(), [](const Finding& a, const Finding& b) {
    const int left = SeverityRank(a.severity);
    const int right = SeverityRank(b.severity);
    return left != right ? left < right : a.id < b.id;
  });
}

std::vector<DeskRecord> RecordsFromStore(ReportStore& store, std::ostream& errors) {
  std::vector<DeskRecord> records;
  auto findings = StoredFindings(store, errors);
  std::size_t next = 0;
  for (std::int64_t id : store.AllReports()) {
    std::string error;
    auto stored = store.Load(id, error);
    std::optional<Report> report;
    if (stored) report = ReadReport(stored->found, ReadOptions{.codePage = stored->codePageSet});
    if (!report) {
      errors << "tarnwick-desk: " << (stored ? "report " + std::to_string(id) + ": not read as a report" : error) << '\n';
      continue;
    }
    DeskRecord record{.id = id, .report = std::move(*report), .summary = {}, .findings = {}, .date = {}};
    record.summary = Summarise(record.report);
    record.report.lines = {};  // the checks' alone; a page of thousands of reports holds only the entries
    record.date = record.report.mail && !record.report.mail->date.empty() ? record.report.mail->date : stored->indexedAt;
    while (next < findings.size() && findings[next].first < id) ++next;
    while (next < findings.size() && findings[next].first == id) record.findings.push_back(std::move(findings[next++].second));
    SortFindings(record.findings);
    records.push_back(std::move(record));
  }
  return records;
}

std::vector<DeskRecord> RecordsFromInputs(const std::vector<std::string>& inputs, Checker& checker,
                                          const ReadOptions& read, std::ostream& errors) {
  std::vector<DeskRecord> records;
  for (const std::string& input : inputs) {
    const std::size_t before = records.size();
    bool complained = false;
    WalkInput(
        input,
        [&](FoundReport found) {
          auto report = ReadReport(found, read);
          if (!report) return;
          DeskRecord record{.id = static_cast<std::int64_t>(records.size() + 1), .report = std::move(*report),
                            .summary = {}, .findings = {}, .date = {}};
          record.summary = Summarise(record.report);
          record.findings = checker.RunChecks(record.report);
          SortFindings(record.findings);
          record.report.lines = {};
          if (record.report.mail) record.date = record.report.mail->date;
          records.push_back(std::move(record));
        },
        [&](InputProblem problem) {
          complained = true;
          errors << "tarnwick-desk: " << problem.input << ": " << problem.reason << '\n';
        });
    if (records.size() == before && !complained) errors << "tarnwick-desk: " << input << ": holds no report\n";
  }
  return records;
}

}  // namespace tarnwick::desk
