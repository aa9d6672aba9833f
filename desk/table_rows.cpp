#include "desk/table_rows.h"

#include <algorithm>

#include <nlohmann/json.hpp>

#include "desk/store/store_sql.h"

namespace tarnwick::desk {
namespace {

using json = nlohmann::ordered_json;

constexpr const char* kColumns[] = {"date", "from", "windows", "tuners", "usb_type", "applications", "findings"};

std::string Lower(std::string_view text) {
  std::string lower(text);
  for (char& c : lower) c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
  return lower;
}

std::string Joined(const std::vector<std::string>& parts, std::string_view between) {
  std::string text;
  for (const std::string& part : parts) text += (text.empty() ? "" : std::string(between)) + part;
  return text;
}

// RFC 4180: a field with a comma, quote or line break is quoted, its quotes doubled.
std::string CsvField(const std::string& text) {
  if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
  std::string quoted = "\"";
  for (const char c : text) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
  return quoted + "\"";
}

std::vector<std::string> Cells(const TableRow& row) {
  return {row.date, row.from, row.windows, TunersText(row.tuners), row.usbType, ApplicationsText(row.applications),
          Joined(row.findings, " ")};
}

std::string WindowsText(const std::string& kind, const std::string& windows) {
  return kind == "linux" ? "Linux" : windows;
}

}  // namespace

bool TableFilter::Keeps(const TableRow& row) const {
  if (!finding.empty() && std::find(row.findings.begin(), row.findings.end(), finding) == row.findings.end()) {
    return false;
  }
  // RFC 3339 texts of one form sort as their dates do; "2026-03" keeps March on.
  if (!since.empty() && row.date.compare(0, since.size(), since) < 0) return false;
  return from.empty() || Lower(row.from).find(Lower(from)) != std::string::npos;
}

TableRow RowOf(const DeskRecord& record) {
  TableRow row;
  row.date = record.date;
  if (record.report.mail) row.from = record.report.mail->from;
  row.windows = WindowsText(record.summary.kind, record.summary.windows);
  for (const TunerDevice& tuner : record.summary.tuners) {
    row.tuners.push_back({tuner.group, tuner.hardwareId, tuner.version, tuner.date});
  }
  row.usbType = record.summary.usbType;
  row.applications = record.summary.applications;
  for (const Finding& finding : record.findings) row.findings.push_back(finding.id);
  return row;
}

std::vector<TableRow> RowsFromStore(ReportStore& store, const TableFilter& filter, std::string& error) {
  std::vector<TableRow> rows;
  EachRowFromStore(store, filter, [&](TableRow row) { rows.push_back(std::move(row)); }, error);
  return rows;
}

bool EachRowFromStore(ReportStore& store, const TableFilter& filter, const std::function<void(TableRow)>& take,
                      std::string& error) {
  Statement query = Prepare(store.Handle(),
                            "SELECT coalesce(nullif(mail_date, ''), indexed_at), coalesce(mail_from, ''), kind, "
                            "coalesce(windows, ''), coalesce(tuners, '[]'), coalesce(usb_type, ''), "
                            "coalesce(applications, '[]'), (SELECT group_concat(id, ' ') FROM (SELECT id FROM findings "
                            "WHERE report = r.id ORDER BY CASE severity WHEN 'problem' THEN 0 WHEN 'warning' THEN 1 "
                            "ELSE 2 END, id)) FROM reports r ORDER BY 1, id",
                            error);
  if (!query) return false;
  sqlite3_stmt* q = query.Get();
  int status;
  while ((status = sqlite3_step(q)) == SQLITE_ROW) {
    TableRow row;
    row.date = ColumnText(q, 0);
    row.from = ColumnText(q, 1);
    row.windows = WindowsText(ColumnText(q, 2), ColumnText(q, 3));
    const auto tuners = json::parse(ColumnText(q, 4), nullptr, false);
    if (tuners.is_array()) {
      for (const auto& tuner : tuners) {
        row.tuners.push_back({tuner.value("group", ""), tuner.value("hardware_id", ""), tuner.value("version", ""),
                              tuner.value("date", "")});
      }
    }
    row.usbType = ColumnText(q, 5);
    const auto applications = json::parse(ColumnText(q, 6), nullptr, false);
    if (applications.is_array()) {
      for (const auto& app : applications) row.applications.push_back({app.value("name", ""), app.value("version", "")});
    }
    const std::string findings = ColumnText(q, 7);
    for (std::size_t at = 0; at < findings.size();) {
      const std::size_t end = std::min(findings.find(' ', at), findings.size());
      row.findings.push_back(findings.substr(at, end - at));
      at = end + 1;
    }
    if (filter.Keeps(row)) take(std::move(row));
  }
  if (status == SQLITE_DONE) return true;
  error = sqlite3_errmsg(store.Handle());
  return false;
}

std::string TunersText(const std::vector<TableTuner>& tuners) {
  std::vector<std::string> parts;
  for (const TableTuner& tuner : tuners) {
    std::string part = tuner.group + " " + tuner.hardwareId;
    for (const std::string* more : {&tuner.driverVersion, &tuner.driverDate}) {
      if (!more->empty()) part += " " + *more;
    }
    parts.push_back(part);
  }
  return Joined(parts, "; ");
}

std::string ApplicationsText(const std::vector<NamedValue>& applications) {
  std::vector<std::string> parts;
  for (const NamedValue& app : applications) parts.push_back(app.value.empty() ? app.name : app.name + " " + app.value);
  return Joined(parts, "; ");
}

TableWriter::TableWriter(std::ostream& out, Format format) : out_(out), format_(format) {
  if (format_ == Format::kCsv) {
    std::string line;
    for (const char* column : kColumns) line += std::string(line.empty() ? "" : ",") + column;
    out_ << line << "\r\n";
  } else if (format_ == Format::kJson) {
    out_ << '[';
  }
}

void TableWriter::Row(const TableRow& row) {
  if (format_ == Format::kCsv) {
    std::string line;
    bool first = true;
    for (const std::string& cell : Cells(row)) {
      line += (first ? "" : ",") + CsvField(cell);
      first = false;
    }
    out_ << line << "\r\n";
  } else if (format_ == Format::kJson) {
    json tuners = json::array();
    for (const TableTuner& tuner : row.tuners) {
      tuners.push_back({{"group", tuner.group}, {"hardware_id", tuner.hardwareId},
                        {"driver_version", tuner.driverVersion}, {"driver_date", tuner.driverDate}});
    }
    json applications = json::array();
    for (const NamedValue& app : row.applications) applications.push_back({{"name", app.name}, {"version", app.value}});
    const json object = {{"date", row.date}, {"from", row.from}, {"windows", row.windows}, {"tuners", tuners},
                         {"usb_type", row.usbType}, {"applications", applications}, {"findings", row.findings}};
    out_ << (first_ ? "\n" : ",\n") << object.dump(-1, ' ', false, json::error_handler_t::replace);
  } else {
    const std::vector<std::string> cells = Cells(row);
    out_ << cells[0] << "  " << cells[1] << "\n    " << cells[2] << " | USB " << cells[4] << " | " << cells[3];
    out_ << "\n    " << cells[5] << (cells[6].empty() ? "" : "\n    findings: " + cells[6]) << '\n';
  }
  first_ = false;
}

void TableWriter::Finish() {
  if (format_ == Format::kJson) out_ << (first_ ? "]\n" : "\n]\n");
}

void WriteCsv(std::ostream& out, const std::vector<TableRow>& rows) {
  TableWriter writer(out, TableWriter::Format::kCsv);
  for (const TableRow& row : rows) writer.Row(row);
  writer.Finish();
}

void WriteJson(std::ostream& out, const std::vector<TableRow>& rows) {
  TableWriter writer(out, TableWriter::Format::kJson);
  for (const TableRow& row : rows) writer.Row(row);
  writer.Finish();
}

}  // namespace tarnwick::desk
