#include "desk/store/store_schema.h"

#include "desk/store/store_sql.h"

namespace tarnwick::desk {
namespace {

// Version 1: the reports, where they came from, their entries and findings.
constexpr const char* kVersion1 = R"(
CREATE TABLE reports(
  id INTEGER PRIMARY KEY,
  sha256 TEXT NOT NULL UNIQUE,
  source TEXT NOT NULL,
  mail_from TEXT, mail_date TEXT, mail_subject TEXT, mail_message_id TEXT,
  code_page INTEGER NOT NULL,
  line_ends_as_written INTEGER NOT NULL,
  indexed_at TEXT NOT NULL,
  kind TEXT, windows TEXT, version TEXT, edition TEXT, service_pack TEXT, directx TEXT,
  processor TEXT, memory TEXT, user_name TEXT, administrator INTEGER, usb_type TEXT,
  tuners TEXT, tuner_settings TEXT, applications TEXT, capture_filters TEXT, bda_filters TEXT);
CREATE TABLE report_bytes(report INTEGER PRIMARY KEY REFERENCES reports(id), size INTEGER NOT NULL,
  zlib BLOB NOT NULL);
CREATE TABLE sources(report INTEGER NOT NULL REFERENCES reports(id), source TEXT NOT NULL,
  mail_from TEXT, mail_date TEXT, mail_subject TEXT, mail_message_id TEXT, added_at TEXT NOT NULL,
  PRIMARY KEY(report, source)) WITHOUT ROWID;
CREATE TABLE entries(report INTEGER NOT NULL, position INTEGER NOT NULL, section TEXT NOT NULL,
  key TEXT NOT NULL, value TEXT NOT NULL, PRIMARY KEY(report, position)) WITHOUT ROWID;
CREATE TABLE findings(report INTEGER NOT NULL, id TEXT NOT NULL, severity TEXT NOT NULL, title TEXT NOT NULL,
  evidence TEXT NOT NULL, PRIMARY KEY(report, id)) WITHOUT ROWID;
)";

// Version 2: a code page chosen by hand survives later rechecks, and the
// counts by finding ("how many reports have usb2-tuner-on-usb11") use an
// index.
constexpr const char* kVersion2 = R"(
ALTER TABLE reports ADD COLUMN code_page_set INTEGER;
CREATE INDEX findings_by_id ON findings(id);
)";

constexpr const char* kSteps[] = {kVersion1, kVersion2};

int UserVersion(sqlite3* db) {
  std::string ignored;
  Statement query = Prepare(db, "PRAGMA user_version", ignored);
  return query && sqlite3_step(query.Get()) == SQLITE_ROW ? sqlite3_column_int(query.Get(), 0) : -1;
}

}  // namespace

std::span<const char* const> SchemaSteps() { return kSteps; }
int SchemaVersion() { return static_cast<int>(std::size(kSteps)); }

bool MigrateSchema(sqlite3* db, std::string& error) {
  if (!Exec(db, "BEGIN IMMEDIATE", error)) return false;
  const int version = UserVersion(db);
  bool done = true;
  if (version < 0 || version > SchemaVersion()) {
    error = version < 0 ? std::string(sqlite3_errmsg(db))
                        : "the database is of version " + std::to_string(version) + ", newer than this program's " +
                              std::to_string(SchemaVersion());
    done = false;
  }
  for (int step = version; done && step < SchemaVersion(); ++step) done = Exec(db, kSteps[step], error);
  if (done && version != SchemaVersion()) {
    const std::string pragma = "PRAGMA user_version = " + std::to_string(SchemaVersion());
    done = Exec(db, pragma.c_str(), error);
  }
  std::string ignored;
  if (!done) Exec(db, "ROLLBACK", ignored);
  return done && Exec(db, "COMMIT", error);
}

}  // namespace tarnwick::desk
