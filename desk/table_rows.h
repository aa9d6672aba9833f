// The fleet as one table: one row per report, as CSV (RFC 4180) or JSON.
#pragma once

#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "desk/store/desk_records.h"
#include "desk/store/report_store.h"

namespace tarnwick::desk {

struct TableTuner {
  std::string group;
  std::string hardwareId;
  std::string driverVersion;
  std::string driverDate;
};

struct TableRow {
  std::string date;
  std::string from;
  std::string windows;
  std::vector<TableTuner> tuners;
  std::string usbType;
  std::vector<NamedValue> applications;
  std::vector<std::string> findings;  // ids, problems first
};

struct TableFilter {
  std::string finding;  // only rows with this finding id
  std::string since;    // only rows dated on or after this (RFC 3339 text, compared by its date and time)
  std::string from;     // only rows whose sender holds this text (ASCII case ignored)
  bool Keeps(const TableRow& row) const;
};

TableRow RowOf(const DeskRecord& record);
// Straight from the store's columns, without reading the reports again;
// each row kept by the filter is handed on as it is read.
bool EachRowFromStore(ReportStore& store, const TableFilter& filter, const std::function<void(TableRow)>& take,
                      std::string& error);
std::vector<TableRow> RowsFromStore(ReportStore& store, const TableFilter& filter, std::string& error);

// Writes rows as they come: CSV (RFC 4180, a header row), a JSON array, or
// plain text for a terminal.
class TableWriter {
 public:
  enum class Format { kText, kCsv, kJson };
  TableWriter(std::ostream& out, Format format);
  void Row(const TableRow& row);
  void Finish();

 private:
  std::ostream& out_;
  Format format_;
  bool first_ = true;
};

void WriteCsv(std::ostream& out, const std::vector<TableRow>& rows);
void WriteJson(std::ostream& out, const std::vector<TableRow>& rows);

// "Empia USB\VID_EB1A&PID_2861 5.2.1.0 3-14-2008; ..."
std::string TunersText(const std::vector<TableTuner>& tuners);
std::string ApplicationsText(const std::vector<NamedValue>& applications);

}  // namespace tarnwick::desk
