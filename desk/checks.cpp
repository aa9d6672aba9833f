#include "desk/checks.h"

#include <algorithm>
#include <charconv>
#include <iostream>
#include <string_view>

#include "app/filter_categories.h"
#include "desk/check_data.h"
#include "desk/code_pages.h"

namespace tarnwick::desk {
namespace {

constexpr const char* kSchema = R"(
CREATE TABLE report(kind TEXT, code_page INTEGER, line_ends_as_written INTEGER, source TEXT);
CREATE TABLE entries(position INTEGER PRIMARY KEY, section TEXT COLLATE NOCASE, key TEXT COLLATE NOCASE, value TEXT);
CREATE INDEX entries_by_name ON entries(section, key);
CREATE TABLE lines(position INTEGER PRIMARY KEY, text TEXT, ending TEXT);
CREATE TABLE lcids(locale TEXT COLLATE NOCASE PRIMARY KEY, code_page INTEGER, language TEXT);
CREATE TABLE countries(code TEXT PRIMARY KEY, name TEXT, tv_standard TEXT);
CREATE TABLE run_sections(position INTEGER PRIMARY KEY, section TEXT COLLATE NOCASE);
CREATE TABLE tuner_groups(position INTEGER PRIMARY KEY, label TEXT COLLATE NOCASE);
CREATE TABLE filter_categories(position INTEGER PRIMARY KEY, label TEXT COLLATE NOCASE);
CREATE VIEW tuner_devices AS
  SELECT e.position, e.section, e.key, e.value, g.label, substr(e.key, length(g.label) + 1) AS number
  FROM entries e JOIN tuner_groups g ON instr(upper(e.key), upper(g.label)) = 1
  WHERE e.section = 'DeviceInfo' AND substr(e.key, length(g.label) + 1) <> ''
    AND substr(e.key, length(g.label) + 1) NOT GLOB '*[^0-9]*';
)";

bool Exec(sqlite3* db, const char* sql, std::string& error) {
  char* message = nullptr;
  if (sqlite3_exec(db, sql, nullptr, nullptr, &message) == SQLITE_OK) return true;
  error = message != nullptr ? message : "unknown error";
  sqlite3_free(message);
  return false;
}

Statement Prepare(sqlite3* db, std::string_view sql, std::string& error) {
  Statement statement;
  const char* rest = nullptr;
  if (sqlite3_prepare_v3(db, sql.data(), static_cast<int>(sql.size()), SQLITE_PREPARE_PERSISTENT, statement.Receive(),
                         &rest) != SQLITE_OK) {
    error = sqlite3_errmsg(db);
    return Statement();
  }
  if (!statement) {
    error = "no query";
  } else if (rest != nullptr && std::string_view(rest).find_first_not_of(" \t\r\n;") != std::string_view::npos) {
    error = "a check holds one query only";
    return Statement();
  }
  return statement;
}

void BindText(sqlite3_stmt* statement, int at, std::string_view text) {
  sqlite3_bind_text(statement, at, text.data(), static_cast<int>(text.size()), SQLITE_STATIC);
}

// Runs an insert with the texts and numbers bound in order.
bool Step(sqlite3_stmt* statement) {
  const int status = sqlite3_step(statement);
  sqlite3_reset(statement);
  sqlite3_clear_bindings(statement);
  return status == SQLITE_DONE;
}

// Leading decimal digits of one part of a version, 0 when there are none.
long long VersionPart(std::string_view part) {
  while (!part.empty() && part.front() == ' ') part.remove_prefix(1);
  long long number = 0;
  std::from_chars(part.data(), part.data() + part.size(), number);
  return number;
}

// compare_versions(a, b): -1, 0 or 1, comparing the dot-separated numbers
// one by one; a missing part counts as 0, so "10" is newer than "4.09".
void CompareVersions(sqlite3_context* context, int, sqlite3_value** values) {
  const auto text = [&](int at) {
    const auto* bytes = reinterpret_cast<const char*>(sqlite3_value_text(values[at]));
    return bytes ? std::string_view(bytes, static_cast<std::size_t>(sqlite3_value_bytes(values[at]))) : std::string_view();
  };
  std::string_view a = text(0);
  std::string_view b = text(1);
  while (!a.empty() || !b.empty()) {
    const std::size_t aDot = std::min(a.find('.'), a.size());
    const std::size_t bDot = std::min(b.find('.'), b.size());
    const long long left = VersionPart(a.substr(0, aDot));
    const long long right = VersionPart(b.substr(0, bDot));
    if (left != right) {
      sqlite3_result_int(context, left < right ? -1 : 1);
      return;
    }
    a.remove_prefix(std::min(aDot + 1, a.size()));
    b.remove_prefix(std::min(bDot + 1, b.size()));
  }
  sqlite3_result_int(context, 0);
}

bool FillDataTables(sqlite3* db, std::string& error) {
  if (!Exec(db, "BEGIN", error)) return false;
  Statement lcid = Prepare(db, "INSERT INTO lcids VALUES(?, ?, ?)", error);
  Statement country = Prepare(db, "INSERT INTO countries VALUES(?, ?, ?)", error);
  Statement section = Prepare(db, "INSERT INTO run_sections VALUES(?, ?)", error);
  Statement group = Prepare(db, "INSERT INTO tuner_groups VALUES(?, ?)", error);
  Statement category = Prepare(db, "INSERT INTO filter_categories VALUES(?, ?)", error);
  if (!lcid || !country || !section || !group || !category) return false;
  bool done = true;
  for (const LocaleRow& row : Locales()) {
    char locale[9];
    std::snprintf(locale, sizeof locale, "%08X", row.lcid);
    BindText(lcid.Get(), 1, locale);
    sqlite3_bind_int(lcid.Get(), 2, row.codePage);
    BindText(lcid.Get(), 3, row.language);
    done = Step(lcid.Get()) && done;
  }
  for (const CountryRow& row : Countries()) {
    BindText(country.Get(), 1, row.code);
    BindText(country.Get(), 2, row.name);
    BindText(country.Get(), 3, row.tvStandard);
    done = Step(country.Get()) && done;
  }
  const auto numbered = [&](sqlite3_stmt* insert, int position, std::string_view text) {
    sqlite3_bind_int(insert, 1, position);
    BindText(insert, 2, text);
    done = Step(insert) && done;
  };
  int position = 0;
  for (std::string_view name : RunSections()) numbered(section.Get(), ++position, name);
  position = 0;
  for (std::string_view label : TunerGroupLabels()) numbered(group.Get(), ++position, label);
  position = 0;
  for (const FilterCategory& row : kFilterCategories) numbered(category.Get(), ++position, row.label);
  if (!done) error = sqlite3_errmsg(db);
  return done && Exec(db, "COMMIT", error);
}

int Column(sqlite3_stmt* statement, std::string_view name) {
  for (int i = 0; i < sqlite3_column_count(statement); ++i) {
    if (name == sqlite3_column_name(statement, i)) return i;
  }
  return -1;
}

std::string ColumnText(sqlite3_stmt* statement, int column) {
  if (column < 0 || sqlite3_column_type(statement, column) == SQLITE_NULL) return {};
  const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, column));
  return std::string(text, static_cast<std::size_t>(sqlite3_column_bytes(statement, column)));
}

}  // namespace

int SeverityRank(const std::string& severity) {
  if (severity == "problem") return 0;
  if (severity == "warning") return 1;
  return 2;
}

std::unique_ptr<Checker> Checker::Open(std::vector<Rule> rules, std::string& error) {
  error.clear();
  std::unique_ptr<Checker> checker(new Checker());
  // SQLite hands out a handle even when the open fails; the owner closes it.
  const int opened =
      sqlite3_open_v2(":memory:", checker->db_.Receive(), SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
  if (opened != SQLITE_OK) {
    error = "cannot open the checks' database";
    return nullptr;
  }
  sqlite3* handle = checker->db_.Get();
  sqlite3_create_function(handle, "compare_versions", 2, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr,
                          CompareVersions, nullptr, nullptr);
  if (!Exec(handle, kSchema, error) || !FillDataTables(handle, error)) return nullptr;
  const char* clears[] = {"DELETE FROM report", "DELETE FROM entries", "DELETE FROM lines"};
  for (int i = 0; i < 3; ++i) checker->clear_[i] = Prepare(handle, clears[i], error);
  checker->insertReport_ = Prepare(handle, "INSERT INTO report VALUES(?, ?, ?, ?)", error);
  checker->insertEntry_ = Prepare(handle, "INSERT INTO entries VALUES(?, ?, ?, ?)", error);
  checker->insertLine_ = Prepare(handle, "INSERT INTO lines VALUES(?, ?, ?)", error);
  checker->begin_ = Prepare(handle, "BEGIN", error);
  checker->commit_ = Prepare(handle, "COMMIT", error);
  if (!error.empty()) return nullptr;
  for (Rule& rule : rules) {
    std::string refused;
    Statement query = Prepare(handle, rule.query, refused);
    if (!query) {
      error = rule.file + ": " + refused;
      return nullptr;
    }
    PreparedRule prepared{.rule = std::move(rule), .query = std::move(query)};
    sqlite3_stmt* statement = prepared.query.Get();
    prepared.section = Column(statement, "section");
    prepared.key = Column(statement, "key");
    prepared.value = Column(statement, "value");
    prepared.severity = Column(statement, "severity");
    prepared.detail = Column(statement, "detail");
    checker->rules_.push_back(std::move(prepared));
  }
  return checker;
}

bool Checker::Load(const Report& report) {
  bool done = Step(begin_.Get());
  for (Statement& clear : clear_) done = Step(clear.Get()) && done;
  sqlite3_stmt* insert = insertReport_.Get();
  BindText(insert, 1, report.kind == ReportKind::kLinux ? "linux" : "windows");
  sqlite3_bind_int(insert, 2, report.codePage);
  sqlite3_bind_int(insert, 3, report.lineEndsAsWritten ? 1 : 0);
  BindText(insert, 4, report.source);
  done = Step(insert) && done;
  insert = insertEntry_.Get();
  for (const ReportEntry& entry : report.entries) {
    if (entry.shadowed) continue;
    sqlite3_bind_int(insert, 1, entry.position);
    BindText(insert, 2, entry.section);
    BindText(insert, 3, entry.key);
    BindText(insert, 4, entry.value);
    done = Step(insert) && done;
  }
  insert = insertLine_.Get();
  for (const ReportLine& line : report.lines) {
    sqlite3_bind_int(insert, 1, line.position);
    BindText(insert, 2, line.text);
    BindText(insert, 3, line.ending);
    done = Step(insert) && done;
  }
  return Step(commit_.Get()) && done;
}

std::vector<Finding> Checker::RunChecks(const Report& report) {
  std::vector<Finding> findings;
  if (!Load(report)) {
    findings.push_back({.id = "desk-error",
                        .severity = "note",
                        .title = std::string("The checks could not read this report: ") + sqlite3_errmsg(db_.Get()),
                        .evidence = {},
                        .advice = "Check the report by hand."});
    return findings;
  }
  const RuleScope kind = report.kind == ReportKind::kLinux ? RuleScope::kLinux : RuleScope::kWindows;
  for (PreparedRule& prepared : rules_) {
    if (prepared.rule.applies != RuleScope::kAll && prepared.rule.applies != kind) continue;
    sqlite3_stmt* query = prepared.query.Get();
    std::optional<Finding> finding;
    int status = SQLITE_ROW;
    while ((status = sqlite3_step(query)) == SQLITE_ROW) {
      if (!finding) {
        finding = Finding{.id = prepared.rule.id,
                          .severity = prepared.rule.severity,
                          .title = prepared.rule.title,
                        .evidence = {},
                          .advice = prepared.rule.advice};
        const std::string severity = ColumnText(query, prepared.severity);
        if (!severity.empty()) finding->severity = severity;
      }
      const std::string detail = ColumnText(query, prepared.detail);
      if (!detail.empty() && finding->title == prepared.rule.title) finding->title += ": " + detail;
      if (prepared.section >= 0 && sqlite3_column_type(query, prepared.section) != SQLITE_NULL) {
        finding->evidence.push_back({.section = ColumnText(query, prepared.section),
                                     .key = ColumnText(query, prepared.key),
                                     .value = ColumnText(query, prepared.value)});
      }
    }
    if (status != SQLITE_DONE) {
      finding = Finding{.id = prepared.rule.id,
                        .severity = "note",
                        .title = "The check failed: " + std::string(sqlite3_errmsg(db_.Get())),
                        .evidence = {},
                        .advice = "Mend the check in " + prepared.rule.file + "."};
    }
    sqlite3_reset(query);
    if (finding) findings.push_back(std::move(*finding));
  }
  std::stable_sort(findings.begin(), findings.end(), [](const Finding& a, const Finding& b) {
    return SeverityRank(a.severity) < SeverityRank(b.severity);
  });
  return findings;
}

std::unique_ptr<Checker> OpenInstalledChecker(const std::vector<std::string>& ownFolders) {
  std::vector<std::string> folders{DefaultRulesFolder()};
  folders.insert(folders.end(), ownFolders.begin(), ownFolders.end());
  RulesOrError rules = LoadRules(folders);
  std::string error = rules.error;
  std::unique_ptr<Checker> checker;
  if (error.empty()) checker = Checker::Open(std::move(rules.rules), error);
  if (!checker) std::cerr << "tarnwick-desk: " << error << '\n';
  return checker;
}

}  // namespace tarnwick::desk
