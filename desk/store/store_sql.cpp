#include "desk/store/store_sql.h"

namespace tarnwick::desk {

bool Exec(sqlite3* db, const char* sql, std::string& error) {
  char* message = nullptr;
  if (sqlite3_exec(db, sql, nullptr, nullptr, &message) == SQLITE_OK) return true;
  error = message != nullptr ? message : sqlite3_errmsg(db);
  sqlite3_free(message);
  return false;
}

Statement Prepare(sqlite3* db, std::string_view sql, std::string& error) {
  Statement statement;
  if (sqlite3_prepare_v3(db, sql.data(), static_cast<int>(sql.size()), SQLITE_PREPARE_PERSISTENT, statement.Receive(),
                         nullptr) != SQLITE_OK) {
    error = sqlite3_errmsg(db);
    return Statement();
  }
  return statement;
}

void Bind(sqlite3_stmt* statement, int at, std::string_view text) {
  sqlite3_bind_text(statement, at, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
}

void Bind(sqlite3_stmt* statement, int at, std::int64_t number) { sqlite3_bind_int64(statement, at, number); }

void BindNull(sqlite3_stmt* statement, int at) { sqlite3_bind_null(statement, at); }

bool Run(sqlite3_stmt* statement) {
  const int status = sqlite3_step(statement);
  sqlite3_reset(statement);
  sqlite3_clear_bindings(statement);
  return status == SQLITE_DONE || status == SQLITE_ROW;
}

std::string ColumnText(sqlite3_stmt* statement, int at) {
  const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, at));
  return text ? std::string(text, static_cast<std::size_t>(sqlite3_column_bytes(statement, at))) : std::string();
}

std::string ColumnBlob(sqlite3_stmt* statement, int at) {
  const auto* bytes = static_cast<const char*>(sqlite3_column_blob(statement, at));
  return bytes ? std::string(bytes, static_cast<std::size_t>(sqlite3_column_bytes(statement, at))) : std::string();
}

}  // namespace tarnwick::desk
