#include "desk/store/desk_records.h"

#include <algorithm>

#include <nlohmann/json.hpp>

#include "desk/inputs/input_walk.h"
#include "desk/store/store_sql.h"

namespace tarnwick::desk {
namespace {

Finding StoredFinding(sqlite3_stmt* query) {
  Finding finding{ColumnText(query, 0), ColumnText(query, 1), ColumnText(query, 2), {}, ""};
  const auto evidence = nlohmann::json::parse(ColumnText(query, 3), nullptr, false);
  if (evidence.is_array()) {
    for (const auto& item : evidence) {
      finding.evidence.push_back({item.value("section", ""), item.value("key", ""), item.value("value", "")});
    }
  }
  return finding;
}

}  // namespace

void SortFindings(std::vector<Finding>& findings) {
  std::stable_sort(findings.begin(), findings.end(), [](const Finding& a, const Finding& b) {
    const int left = SeverityRank(a.severity);
    const int right = SeverityRank(b.severity);
    return left != right ? left < right : a.id < b.id;
  });
}

StoredRecords::StoredRecords(ReportStore& store) : store_(store) {
  std::string error;
  findings_ = Prepare(store.Handle(), "SELECT id, severity, title, evidence FROM findings WHERE report = ?", error);
}

std::optional<DeskRecord> StoredRecords::Load(std::int64_t id, std::ostream& errors) {
  std::string error;
  auto stored = store_.Load(id, error);
  std::optional<Report> report;
  if (stored) report = ReadReport(stored->found, ReadOptions{.codePage = stored->codePageSet});
  if (!report || !findings_) {
    errors << "tarnwick-desk: " << (stored ? "report " + std::to_string(id) + ": not read as a report" : error) << '\n';
    return std::nullopt;
  }
  DeskRecord record{.id = id, .report = std::move(*report), .summary = {}, .findings = {}, .date = {}};
  record.summary = Summarise(record.report);
  record.report.lines = {};  // the checks' alone
  record.date = record.report.mail && !record.report.mail->date.empty() ? record.report.mail->date : stored->indexedAt;
  sqlite3_stmt* query = findings_.Get();
  sqlite3_bind_int64(query, 1, id);
  while (sqlite3_step(query) == SQLITE_ROW) record.findings.push_back(StoredFinding(query));
  sqlite3_reset(query);
  SortFindings(record.findings);
  return record;
}

std::vector<DeskRecord> RecordsFromStore(ReportStore& store, std::ostream& errors) {
  std::vector<DeskRecord> records;
  StoredRecords stored(store);
  for (std::int64_t id : store.AllReports()) {
    if (auto record = stored.Load(id, errors)) records.push_back(std::move(*record));
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
