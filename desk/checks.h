// Runs the checks over reports: each report is loaded into the tables
// entries(position, section, key, value), lines(position, text, ending) and
// report(kind, code_page, line_ends_as_written, source) of an in-memory
// database beside the data tables, and each check's one query is run there.
// A check raises its finding when its query returns a row; each row with a
// section is one piece of evidence. Optional columns "severity" and "detail"
// let a row lower the severity or add to the title.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "desk/owned.h"
#include "desk/report.h"
#include "desk/rules.h"

namespace tarnwick::desk {

struct Evidence {
  std::string section;
  std::string key;
  std::string value;
};

struct Finding {
  std::string id;
  std::string severity;
  std::string title;
  std::vector<Evidence> evidence;
  std::string advice;
};

class Checker {
 public:
  // Opens the database and prepares every rule's query once; the error names
  // the rule file whose query SQLite refused.
  static std::unique_ptr<Checker> Open(std::vector<Rule> rules, std::string& error);

  // The findings of one report, problems first, then warnings, then notes.
  std::vector<Finding> RunChecks(const Report& report);

 private:
  struct PreparedRule {
    Rule rule;
    Statement query;
    int section = -1, key = -1, value = -1, severity = -1, detail = -1;  // result columns
  };
  Checker() = default;
  bool Load(const Report& report);

  Database db_;
  Statement clear_[3];
  Statement insertReport_, insertEntry_, insertLine_, begin_, commit_;
  std::vector<PreparedRule> rules_;
};

// A checker over the installed rules and the desk's own folders after them;
// nothing, with the reason said on standard error, when a rule is refused.
std::unique_ptr<Checker> OpenInstalledChecker(const std::vector<std::string>& ownFolders);

// The rank of a severity, problem first.
int SeverityRank(const std::string& severity);

}  // namespace tarnwick::desk
