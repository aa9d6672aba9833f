// The fleet as one table: one row per report, as CSV (RFC 4180) or JSON.
#pragma once

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
// Straight from the store's columns, without reading the reports again.
std::vector<TableRow> RowsFromStore(ReportStore& store, const TableFilter& filter, std::string& error);

void WriteCsv(std::ostream& out, const std::vector<TableRow>& rows);
void WriteJson(std::ostream& out, const std::vector<TableRow>& rows);
// Aligned columns for a terminal.
void WriteText(std::ostream& out, const std::vector<TableRow>& rows);

// "Empia USB\VID_EB1A&PID_2861 5.2.1.0 3-14-2008; ..."
std::string TunersText(const std::vector<TableTuner>& tuners);
std::string ApplicationsText(const std::vector<NamedValue>& applications);

}  // namespace tarnwick::desk
