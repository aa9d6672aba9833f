// Small helpers over SQLite's C API for the store: run a script, prepare a
// statement, bind texts, read a text column.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "desk/owned.h"

namespace tarnwick::desk {

bool Exec(sqlite3* db, const char* sql, std::string& error);
Statement Prepare(sqlite3* db, std::string_view sql, std::string& error);
// The text is copied: the statement may outlive it.
void Bind(sqlite3_stmt* statement, int at, std::string_view text);
void Bind(sqlite3_stmt* statement, int at, std::int64_t number);
void BindNull(sqlite3_stmt* statement, int at);
// Steps a statement that returns no rows and resets it for the next use.
bool Run(sqlite3_stmt* statement);
std::string ColumnText(sqlite3_stmt* statement, int at);
std::string ColumnBlob(sqlite3_stmt* statement, int at);

}  // namespace tarnwick::desk
