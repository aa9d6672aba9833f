// The desk's database of reports: one row per distinct report (by the
// SHA-256 of its bytes), every source it came from, its entries and the
// findings of the checks. Opened in WAL mode with a busy timeout, so readers
// and a second indexer wait instead of failing.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "desk/checks.h"
#include "desk/found_report.h"
#include "desk/owned.h"
#include "desk/report.h"
#include "desk/report_summary.h"

namespace tarnwick::desk {

// A stored report's bytes and what it was read with.
struct StoredReport {
  std::int64_t id = 0;
  FoundReport found;  // first source, mail and bytes
  std::optional<int> codePageSet;  // chosen by hand with recheck --codepage
  std::string indexedAt;
};

// What the store keeps of a report besides its bytes; made apart from the
// store so that reading and checking can run beside the writing.
struct Derived {
  Report report;
  std::vector<Finding> findings;
  nlohmann::ordered_json summary;  // as show --json gives it
};
Derived Derive(Report report, Checker& checker);

class ReportStore {
 public:
  // Creates the database when missing and brings it to the current schema.
  static std::unique_ptr<ReportStore> Open(const std::string& path, std::string& error);

  sqlite3* Handle() const { return db_.Get(); }
  bool Begin(std::string& error);
  bool Commit(std::string& error);

  std::optional<std::int64_t> FindDigest(const std::string& sha256);
  // Records one more source of a stored report; a source seen before is
  // recorded once.
  bool AddSource(std::int64_t report, const FoundReport& found, const std::string& addedAt, std::string& error);
  std::optional<std::int64_t> AddReport(const FoundReport& found, const std::string& sha256, const Derived& derived,
                                        const std::string& indexedAt, std::string& error);
  // Replaces what was derived from a report's bytes: entries, findings, the
  // summary columns and the code page.
  bool Rederive(std::int64_t id, const Derived& derived, std::optional<int> codePageSet, std::string& error);

  // The ids of the reports a sender sent (the address in any source's From)
  // or that came from a source (the path, or anything inside it).
  std::vector<std::int64_t> ReportsFrom(const std::string& address);
  std::vector<std::int64_t> ReportsOfSource(const std::string& source);
  std::vector<std::int64_t> AllReports();
  std::optional<StoredReport> Load(std::int64_t id, std::string& error);

  // Deletes the reports and everything derived from them, then rewrites the
  // file (VACUUM) and empties the write-ahead log, so nothing of them stays
  // in free pages.
  bool Forget(const std::vector<std::int64_t>& ids, std::string& error);

 private:
  ReportStore() = default;
  bool Prepare(std::string& error);
  bool InsertDerived(std::int64_t id, const Derived& derived, std::string& error);
  std::vector<std::int64_t> Ids(sqlite3_stmt* query, const std::string& argument);

  Database db_;
  Statement findDigest_, addSource_, addReport_, addBytes_, addEntry_, addFinding_, updateSummary_;
  Statement dropEntries_, dropFindings_, loadReport_, allSources_, allReports_, ofSource_;
};

// True when a From header names the address: the part in angle brackets, or
// the whole header when it has none, ASCII case ignored.
bool FromMatches(const std::string& from, const std::string& address);

// Now as RFC 3339 in UTC ("2026-12-07T18:25:00Z").
std::string NowRfc3339();

}  // namespace tarnwick::desk
