// The fleet as a folder of HTML files that works opened from disk: index.html
// with every report in one sortable, filterable table (only the rows in
// view are drawn), and one page per report. No file loads anything from the
// network; every text from a report is escaped.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "desk/store/desk_records.h"

namespace tarnwick::desk {

bool WritePage(const std::vector<DeskRecord>& records, const std::string& folder, std::string& error);

// The same for reports loaded one at a time by their position (from 0), so
// that a page of any number of reports never holds them all: each is loaded
// once for the fleet table and again for its own page (with its sender's
// previous report). A report that does not load is left out.
using RecordLoader = std::function<std::optional<DeskRecord>(std::size_t)>;
bool WritePage(std::size_t count, const RecordLoader& load, const std::string& folder, std::string& error);

// & < > " ' as character references.
std::string HtmlEscape(std::string_view text);

// The sender's address in lower case, the key under which a sender's
// reports are compared; empty without a mail.
std::string SenderKey(const DeskRecord& record);

// For each record, the index of the same sender's report just before it
// (by date, then id), or -1.
std::vector<int> PreviousReports(const std::vector<DeskRecord>& records);

struct PageKey {
  std::int64_t id;
  std::string sender;  // SenderKey
  std::string date;
};
std::vector<int> PreviousReports(const std::vector<PageKey>& keys);

}  // namespace tarnwick::desk
