// What every collector writes through: one entry to the report file and the
// list at once, and the empty line that closes a group.
#pragma once

#include <string>
#include <string_view>

namespace tarnwick {

// One (section, key, value) triple of 8-bit texts.
struct ReportEntry {
  std::string section;
  std::string key;
  std::string value;
  friend bool operator==(const ReportEntry&, const ReportEntry&) = default;
};

class ReportWriter {
 public:
  virtual ~ReportWriter() = default;
  virtual void AddReportEntry(std::string_view section, std::string_view key, std::string_view value) = 0;
  virtual void AppendGroupSeparator() = 0;
};

}  // namespace tarnwick
