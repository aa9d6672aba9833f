// The checks as data: one SQL file per check in a rules folder, with a header
// of "-- name: value" lines (id, severity, title, advice, and optionally
// applies: windows, linux or all). A line "--   text" continues the field
// above it. Everything after the header is the check's one query.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tarnwick::desk {

enum class RuleScope { kAll, kWindows, kLinux };

struct Rule {
  std::string id;
  std::string severity;  // "problem", "warning" or "note"
  std::string title;
  std::string advice;
  RuleScope applies = RuleScope::kAll;
  std::string query;
  std::string file;  // where it was read, for messages
};

struct RulesOrError {
  std::vector<Rule> rules;
  std::string error;  // empty when every file was read
};

// Parses one rule file; the error names what is wrong.
std::optional<Rule> ParseRule(std::string_view text, const std::string& file, std::string& error);

// Reads every "*.sql" of the folders, in name order, folder after folder; a
// rule of a later folder replaces an earlier one with the same id.
RulesOrError LoadRules(const std::vector<std::string>& folders);

// The rules folder installed with the program, or the source tree's.
std::string DefaultRulesFolder();

}  // namespace tarnwick::desk
