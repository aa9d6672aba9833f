#include "desk/store/report_store.h"

#include <algorithm>
#include <chrono>
#include <ctime>

#include "desk/desk_output.h"
#include "desk/store/store_bytes.h"
#include "desk/store/store_schema.h"
#include "desk/store/store_sql.h"

namespace tarnwick::desk {
namespace {

constexpr int kBusyTimeoutMs = 120000;  // a second indexer waits this long for the first

constexpr const char* kSummaryColumns[] = {"kind",      "windows",   "version",  "edition",       "service_pack",
                                           "directx",   "processor", "memory",   "user_name",     "administrator",
                                           "usb_type",  "tuners",    "tuner_settings", "applications",
                                           "capture_filters", "bda_filters"};
// The summary's JSON field of each column above, in order.
constexpr const char* kSummaryFields[] = {"kind",      "windows",   "version",  "edition",       "service_pack",
                                          "directx",   "processor", "memory",   "user",          "administrator",
                                          "usb_type",  "tuners",    "tuner_settings", "applications",
                                          "capture_filters", "bda_filters"};

std::string UpdateSummarySql() {
  std::string sql = "UPDATE reports SET code_page = ?1, code_page_set = ?2";
  int at = 3;
  for (const char* column : kSummaryColumns) sql += std::string(", ") + column + " = ?" + std::to_string(at++);
  return sql + " WHERE id = ?" + std::to_string(at);
}

std::string Lower(std::string text) {
  for (char& c : text) c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
  return text;
}

void BindMail(sqlite3_stmt* statement, int first, const std::optional<MailHeader>& mail) {
  if (!mail) return;  // left NULL
  Bind(statement, first, mail->from);
  Bind(statement, first + 1, mail->date);
  Bind(statement, first + 2, mail->subject);
  Bind(statement, first + 3, mail->messageId);
}

}  // namespace

bool FromMatches(const std::string& from, const std::string& address) {
  const std::size_t open = from.rfind('<');
  const std::size_t close = from.rfind('>');
  std::string named = open != std::string::npos && close != std::string::npos && close > open
                          ? from.substr(open + 1, close - open - 1)
                          : from;
  const auto trim = [](std::string text) {
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return std::string();
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
  };
  named = trim(named);
  return !named.empty() && Lower(named) == Lower(trim(address));
}

std::string NowRfc3339() {
  const std::time_t now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
  std::tm utc{};
  gmtime_r(&now, &utc);
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
  return text;
}

std::unique_ptr<ReportStore> ReportStore::Open(const std::string& path, std::string& error) {
  std::unique_ptr<ReportStore> store(new ReportStore());
  if (sqlite3_open_v2(path.c_str(), store->db_.Receive(), SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX,
                      nullptr) !=
      SQLITE_OK) {
    error = store->db_ ? sqlite3_errmsg(store->db_.Get()) : "out of memory";
    return nullptr;
  }
  sqlite3* db = store->db_.Get();
  sqlite3_busy_timeout(db, kBusyTimeoutMs);
  // WAL: readers go on while a batch is written; NORMAL is safe against a
  // killed process (only a power cut may lose the last batches).
  if (!Exec(db, "PRAGMA journal_mode = WAL; PRAGMA synchronous = NORMAL", error) || !MigrateSchema(db, error) ||
      !store->Prepare(error)) {
    return nullptr;
  }
  return store;
}

bool ReportStore::Prepare(std::string& error) {
  sqlite3* db = db_.Get();
  const auto prepare = [&](Statement& statement, std::string_view sql) {
    statement = desk::Prepare(db, sql, error);
    return static_cast<bool>(statement);
  };
  return prepare(findDigest_, "SELECT id FROM reports WHERE sha256 = ?") &&
         prepare(addSource_,
                 "INSERT OR IGNORE INTO sources(report, source, mail_from, mail_date, mail_subject, mail_message_id, "
                 "added_at) VALUES(?, ?, ?, ?, ?, ?, ?)") &&
         prepare(addReport_,
                 "INSERT INTO reports(sha256, source, mail_from, mail_date, mail_subject, mail_message_id, code_page, "
                 "line_ends_as_written, indexed_at) VALUES(?, ?, ?, ?, ?, ?, ?, ?, ?)") &&
         prepare(addBytes_, "INSERT INTO report_bytes(report, size, zlib) VALUES(?, ?, ?)") &&
         prepare(addEntry_, "INSERT INTO entries(report, position, section, key, value) VALUES(?, ?, ?, ?, ?)") &&
         prepare(addFinding_, "INSERT OR REPLACE INTO findings(report, id, severity, title, evidence) VALUES(?, ?, ?, ?, ?)") &&
         prepare(updateSummary_, UpdateSummarySql()) &&
         prepare(dropEntries_, "DELETE FROM entries WHERE report = ?") &&
         prepare(dropFindings_, "DELETE FROM findings WHERE report = ?") &&
         prepare(loadReport_,
                 "SELECT r.source, r.mail_from, r.mail_date, r.mail_subject, r.mail_message_id, r.line_ends_as_written, "
                 "r.code_page_set, r.indexed_at, b.size, b.zlib FROM reports r JOIN report_bytes b ON b.report = r.id "
                 "WHERE r.id = ?") &&
         prepare(allSources_,
                 "SELECT report, mail_from FROM sources WHERE mail_from IS NOT NULL "
                 "UNION SELECT id, mail_from FROM reports WHERE mail_from IS NOT NULL") &&
         prepare(allReports_, "SELECT id FROM reports ORDER BY id") &&
         prepare(ofSource_,
                 "SELECT DISTINCT report FROM sources WHERE source = ?1 OR substr(source, 1, length(?1) + 1) "
                 "IN (?1 || '/', ?1 || '#') ORDER BY report");
}

bool ReportStore::Begin(std::string& error) { return Exec(db_.Get(), "BEGIN IMMEDIATE", error); }
bool ReportStore::Commit(std::string& error) { return Exec(db_.Get(), "COMMIT", error); }

std::optional<std::int64_t> ReportStore::FindDigest(const std::string& sha256) {
  sqlite3_stmt* query = findDigest_.Get();
  Bind(query, 1, sha256);
  std::optional<std::int64_t> id;
  if (sqlite3_step(query) == SQLITE_ROW) id = sqlite3_column_int64(query, 0);
  sqlite3_reset(query);
  return id;
}

bool ReportStore::AddSource(std::int64_t report, const FoundReport& found, const std::string& addedAt,
                            std::string& error) {
  sqlite3_stmt* insert = addSource_.Get();
  Bind(insert, 1, report);
  Bind(insert, 2, found.source);
  BindMail(insert, 3, found.mail);
  Bind(insert, 7, addedAt);
  if (Run(insert)) return true;
  error = sqlite3_errmsg(db_.Get());
  return false;
}

Derived Derive(Report report, Checker& checker) {
  Derived derived;
  derived.findings = checker.RunChecks(report);
  derived.summary = ReportJson(report, Summarise(report), {}, false)["summary"];
  derived.report = std::move(report);
  return derived;
}

std::optional<std::int64_t> ReportStore::AddReport(const FoundReport& found, const std::string& sha256,
                                                   const Derived& derived, const std::string& indexedAt,
                                                   std::string& error) {
  const Report& report = derived.report;
  sqlite3_stmt* insert = addReport_.Get();
  Bind(insert, 1, sha256);
  Bind(insert, 2, found.source);
  BindMail(insert, 3, found.mail);
  Bind(insert, 7, std::int64_t{report.codePage});
  Bind(insert, 8, std::int64_t{found.lineEndsAsWritten});
  Bind(insert, 9, indexedAt);
  if (!Run(insert)) {
    error = sqlite3_errmsg(db_.Get());
    return std::nullopt;
  }
  const std::int64_t id = sqlite3_last_insert_rowid(db_.Get());
  sqlite3_stmt* bytes = addBytes_.Get();
  Bind(bytes, 1, id);
  Bind(bytes, 2, static_cast<std::int64_t>(found.bytes.size()));
  const std::string blob = Compress(found.bytes);
  sqlite3_bind_blob(bytes, 3, blob.data(), static_cast<int>(blob.size()), SQLITE_STATIC);
  if (blob.empty() && !found.bytes.empty()) {
    error = "the report's bytes could not be compressed";
    return std::nullopt;
  }
  if (!Run(bytes) || !AddSource(id, found, indexedAt, error) || !Rederive(id, derived, std::nullopt, error)) {
    if (error.empty()) error = sqlite3_errmsg(db_.Get());
    return std::nullopt;
  }
  return id;
}

bool ReportStore::Rederive(std::int64_t id, const Derived& derived, std::optional<int> codePageSet,
                           std::string& error) {
  for (Statement* drop : {&dropEntries_, &dropFindings_}) {
    Bind(drop->Get(), 1, id);
    if (!Run(drop->Get())) {
      error = sqlite3_errmsg(db_.Get());
      return false;
    }
  }
  return InsertDerived(id, derived, error) && [&] {
    sqlite3_stmt* update = updateSummary_.Get();
    Bind(update, 1, std::int64_t{derived.report.codePage});
    if (codePageSet) Bind(update, 2, std::int64_t{*codePageSet});
    int at = 3;
    for (const char* field : kSummaryFields) {
      const auto& value = derived.summary.contains(field) ? derived.summary[field] : nlohmann::ordered_json();
      if (value.is_string()) Bind(update, at, value.get<std::string>());
      else if (value.is_boolean()) Bind(update, at, std::int64_t{value.get<bool>()});
      else if (!value.is_null()) Bind(update, at, value.dump());
      ++at;
    }
    Bind(update, at, id);
    if (Run(update)) return true;
    error = sqlite3_errmsg(db_.Get());
    return false;
  }();
}

bool ReportStore::InsertDerived(std::int64_t id, const Derived& derived, std::string& error) {
  sqlite3_stmt* entry = addEntry_.Get();
  // The texts outlive each step: bound without a copy.
  const auto text = [&](int at, const std::string& value) {
    sqlite3_bind_text(entry, at, value.data(), static_cast<int>(value.size()), SQLITE_STATIC);
  };
  for (const ReportEntry& item : derived.report.entries) {
    Bind(entry, 1, id);
    Bind(entry, 2, std::int64_t{item.position});
    text(3, item.section);
    text(4, item.key);
    text(5, item.value);
    if (!Run(entry)) {
      error = sqlite3_errmsg(db_.Get());
      return false;
    }
  }
  sqlite3_stmt* finding = addFinding_.Get();
  for (const Finding& item : derived.findings) {
    nlohmann::ordered_json evidence = nlohmann::ordered_json::array();
    for (const Evidence& piece : item.evidence) {
      evidence.push_back({{"section", piece.section}, {"key", piece.key}, {"value", piece.value}});
    }
    Bind(finding, 1, id);
    Bind(finding, 2, item.id);
    Bind(finding, 3, item.severity);
    Bind(finding, 4, item.title);
    Bind(finding, 5, evidence.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace));
    if (!Run(finding)) {
      error = sqlite3_errmsg(db_.Get());
      return false;
    }
  }
  return true;
}

std::vector<std::int64_t> ReportStore::Ids(sqlite3_stmt* query, const std::string& argument) {
  if (!argument.empty()) Bind(query, 1, argument);
  std::vector<std::int64_t> ids;
  while (sqlite3_step(query) == SQLITE_ROW) ids.push_back(sqlite3_column_int64(query, 0));
  sqlite3_reset(query);
  sqlite3_clear_bindings(query);
  return ids;
}

std::vector<std::int64_t> ReportStore::ReportsFrom(const std::string& address) {
  sqlite3_stmt* query = allSources_.Get();
  std::vector<std::int64_t> ids;
  while (sqlite3_step(query) == SQLITE_ROW) {
    if (FromMatches(ColumnText(query, 1), address)) ids.push_back(sqlite3_column_int64(query, 0));
  }
  sqlite3_reset(query);
  std::sort(ids.begin(), ids.end());
  ids.erase(std::unique(ids.begin(), ids.end()), ids.end());
  return ids;
}

std::vector<std::int64_t> ReportStore::ReportsOfSource(const std::string& source) { return Ids(ofSource_.Get(), source); }
std::vector<std::int64_t> ReportStore::AllReports() { return Ids(allReports_.Get(), ""); }

std::optional<StoredReport> ReportStore::Load(std::int64_t id, std::string& error) {
  sqlite3_stmt* query = loadReport_.Get();
  Bind(query, 1, id);
  std::optional<StoredReport> stored;
  if (sqlite3_step(query) == SQLITE_ROW) {
    stored.emplace();
    stored->id = id;
    stored->found.source = ColumnText(query, 0);
    if (sqlite3_column_type(query, 1) != SQLITE_NULL) {
      stored->found.mail = MailHeader{ColumnText(query, 1), ColumnText(query, 2), ColumnText(query, 3),
                                      ColumnText(query, 4)};
    }
    stored->found.lineEndsAsWritten = sqlite3_column_int(query, 5) != 0;
    if (sqlite3_column_type(query, 6) != SQLITE_NULL) stored->codePageSet = sqlite3_column_int(query, 6);
    stored->indexedAt = ColumnText(query, 7);
    auto bytes = Expand(ColumnBlob(query, 9), static_cast<std::size_t>(sqlite3_column_int64(query, 8)));
    if (bytes) {
      stored->found.bytes = std::move(*bytes);
    } else {
      error = "report " + std::to_string(id) + ": its stored bytes are damaged";
      stored.reset();
    }
  } else {
    error = "no report " + std::to_string(id);
  }
  sqlite3_reset(query);
  return stored;
}

bool ReportStore::Forget(const std::vector<std::int64_t>& ids, std::string& error) {
  sqlite3* db = db_.Get();
  // Deleted pages are overwritten with zeros, and VACUUM rebuilds the file.
  if (!Exec(db, "PRAGMA secure_delete = ON", error) || !Begin(error)) return false;
  std::string sqlError;
  Statement drops[] = {desk::Prepare(db, "DELETE FROM entries WHERE report = ?", sqlError),
                       desk::Prepare(db, "DELETE FROM findings WHERE report = ?", sqlError),
                       desk::Prepare(db, "DELETE FROM sources WHERE report = ?", sqlError),
                       desk::Prepare(db, "DELETE FROM report_bytes WHERE report = ?", sqlError),
                       desk::Prepare(db, "DELETE FROM reports WHERE id = ?", sqlError)};
  bool done = sqlError.empty();
  for (std::int64_t id : ids) {
    for (Statement& drop : drops) {
      if (!done) break;
      Bind(drop.Get(), 1, id);
      done = Run(drop.Get());
    }
  }
  std::string ignored;
  if (!done) {
    error = sqlError.empty() ? sqlite3_errmsg(db) : sqlError;
    Exec(db, "ROLLBACK", ignored);
    return false;
  }
  return Commit(error) && Exec(db, "VACUUM", error) && Exec(db, "PRAGMA wal_checkpoint(TRUNCATE)", error);
}

}  // namespace tarnwick::desk
