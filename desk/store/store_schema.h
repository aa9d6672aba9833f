// The store's tables, versioned by PRAGMA user_version: each step brings a
// database from one version to the next, so a database of any earlier
// version opens at the current one.
#pragma once

#include <span>
#include <string>

#include <sqlite3.h>

namespace tarnwick::desk {

// Step N (from 0) brings version N to N + 1.
std::span<const char* const> SchemaSteps();
int SchemaVersion();

// Brings the database to the current version in one transaction; refuses a
// database of a later version than this program knows.
bool MigrateSchema(sqlite3* db, std::string& error);

}  // namespace tarnwick::desk
