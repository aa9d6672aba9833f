#include "desk/page/page_writer.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <numeric>
#include <sstream>

#include <nlohmann/json.hpp>

#include "desk/page/page_script.h"
#include "desk/report_diff.h"
#include "desk/table_rows.h"

namespace tarnwick::desk {
namespace {

using json = nlohmann::ordered_json;

constexpr const char* kColumns[] = {"Date", "From", "Windows", "Tuners", "USB", "Applications", "Findings"};
constexpr const char* kColumnWidths[] = {"11%", "15%", "14%", "22%", "5%", "20%", "13%"};

std::string ReportFile(std::int64_t id) {
  std::string name = std::to_string(id);
  name.insert(0, 1, 'r');
  return name.append(".html");
}
std::string ReportFile(const DeskRecord& record) { return ReportFile(record.id); }

// JSON inside a script element: no "<" may end the element early.
std::string ScriptJson(const json& value) {
  const std::string text = value.dump(-1, ' ', false, json::error_handler_t::replace);
  std::string safe;
  safe.reserve(text.size());
  for (const char c : text) safe += c == '<' ? std::string("\\u003c") : std::string(1, c);
  return safe;
}

void Head(std::ostream& out, const std::string& title) {
  out << "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\">"
      << "<meta http-equiv=\"Content-Security-Policy\" content=\"default-src 'none'; style-src 'unsafe-inline'; "
         "script-src 'unsafe-inline'; img-src data:\">"
      << "<title>" << HtmlEscape(title) << "</title><style>" << kPageStyle << "</style></head><body>\n";
}

void Cells(std::ostream& out, std::initializer_list<std::string_view> cells, const char* tag = "td") {
  out << "<tr>";
  for (std::string_view cell : cells) out << '<' << tag << '>' << HtmlEscape(cell) << "</" << tag << '>';
  out << "</tr>\n";
}

void CountTable(std::ostream& out, const std::string& title, const std::map<std::string, int>& counts) {
  out << "<div><h2>" << HtmlEscape(title) << "</h2><table>";
  for (const auto& [name, count] : counts) Cells(out, {name, std::to_string(count)});
  if (counts.empty()) out << "<tr><td>none</td></tr>";
  out << "</table></div>\n";
}

void WriteIndex(std::ostream& out, const std::vector<std::pair<std::int64_t, TableRow>>& rows) {
  std::map<std::string, int> byFinding, byDriver;
  json fleet = json::array();
  for (const auto& [id, row] : rows) {
    for (const std::string& id : row.findings) ++byFinding[id];
    for (const TableTuner& tuner : row.tuners) {
      ++byDriver[tuner.group + " " + (tuner.driverVersion.empty() ? "(no driver)" : tuner.driverVersion)];
    }
    std::string findings;
    for (const std::string& id : row.findings) findings += (findings.empty() ? "" : " ") + id;
    fleet.push_back({{"link", "reports/" + ReportFile(id)},
                     {"cells", {row.date, row.from, row.windows, TunersText(row.tuners), row.usbType,
                                ApplicationsText(row.applications), findings}},
                     {"findings", row.findings}});
  }
  Head(out, "Reports");
  out << "<h1>Reports</h1>\n<div class=\"counts\">";
  CountTable(out, "By finding", byFinding);
  CountTable(out, "By driver version", byDriver);
  out << "</div>\n<p><input id=\"filter\" type=\"search\" placeholder=\"Filter\" size=\"40\"> "
      << "<select id=\"finding\"><option value=\"\">every finding</option>";
  for (const auto& [id, count] : byFinding) out << "<option>" << HtmlEscape(id) << "</option>";
  out << "</select> <span id=\"count\"></span></p>\n";
  std::string columns = "<colgroup>";
  for (const char* width : kColumnWidths) columns += std::string("<col style=\"width:") + width + "\">";
  columns += "</colgroup>";
  out << "<table id=\"head\" style=\"width:100%;table-layout:fixed\">" << columns << "<thead><tr>";
  for (const char* column : kColumns) out << "<th>" << column << "</th>";
  out << "</tr></thead></table>\n<div id=\"viewport\"><div id=\"spacer\"></div><table id=\"fleet\">" << columns
      << "<tbody></tbody></table></div>\n<script id=\"fleet-data\" type=\"application/json\">" << ScriptJson(fleet)
      << "</script>\n<script>" << kPageScript << "</script>\n</body></html>\n";
}

void FindingList(std::ostream& out, const std::vector<Finding>& findings) {
  if (findings.empty()) out << "<p>No findings.</p>\n";
  for (const Finding& finding : findings) {
    out << "<div class=\"finding\"><h3 class=\"" << HtmlEscape(finding.severity) << "\">" << HtmlEscape(finding.severity)
        << ": " << HtmlEscape(finding.id) << " — " << HtmlEscape(finding.title) << "</h3>";
    if (!finding.evidence.empty()) {
      out << "<table>";
      for (const Evidence& item : finding.evidence) Cells(out, {item.section, item.key, item.value});
      out << "</table>";
    }
    out << "<p>Advice: " << HtmlEscape(finding.advice) << "</p></div>\n";
  }
}

void Card(std::ostream& out, const DeskRecord& record) {
  const Summary& s = record.summary;
  const Report& report = record.report;
  out << "<h2>Summary</h2><table id=\"card\">\n";
  const auto line = [&](std::string_view label, const std::string& value) {
    if (!value.empty()) Cells(out, {label, value});
  };
  line("Source", report.source);
  if (report.mail) {
    line("From", report.mail->from);
    line("Date", report.mail->date);
    line("Subject", report.mail->subject);
    line("Message-ID", report.mail->messageId);
  }
  line("Windows", s.kind == "linux" ? "Linux" : s.windows + (s.version.empty() ? "" : " (" + s.version + ")"));
  line("Edition", s.edition);
  line("Service pack", s.servicePack);
  line("DirectX", s.directX);
  line("Processor", s.processor);
  line("Memory", s.memory);
  if (s.administrator) line("Administrator", std::string(*s.administrator ? "yes" : "no") + " (" + s.user + ")");
  line("Code page", std::to_string(report.codePage));
  for (const TunerDevice& t : s.tuners) {
    line("Tuner", t.group + " #" + t.number + "  " + t.hardwareId + "  " +
                      (t.provider.empty() ? "no driver" : t.provider + " " + t.version + " " + t.date));
  }
  for (const NamedValue& setting : s.tunerSettings) line("Tuner setting", setting.name + ": " + setting.value);
  line("USB type", s.usbType);
  for (const NamedValue& app : s.applications) line("Application", app.name + "  " + app.value);
  for (const std::string& filter : s.captureFilters) line("Capture filter", filter);
  for (const std::string& filter : s.bdaFilters) line("BDA filter", filter);
  out << "</table>\n";
}

void Compare(std::ostream& out, const DeskRecord& previous, const DeskRecord& record) {
  const ReportDiff diff = DiffReports(previous.report, record.report, previous.findings, record.findings);
  out << "<h2 id=\"compare\">Compare with the previous report</h2>\n<p>The same sender's report of "
      << HtmlEscape(previous.date) << ": <a href=\"" << ReportFile(previous) << "\">" << HtmlEscape(previous.report.source)
      << "</a></p>\n";
  if (!diff.EntriesDiffer()) out << "<p>The entries are the same.</p>\n";
  else {
    out << "<table id=\"differences\"><tr><th></th><th>Section</th><th>Key</th><th>Before</th><th>Now</th></tr>\n";
    for (const Evidence& item : diff.removed) {
      out << "<tr class=\"removed\"><td>-</td><td>" << HtmlEscape(item.section) << "</td><td>" << HtmlEscape(item.key)
          << "</td><td>" << HtmlEscape(item.value) << "</td><td></td></tr>\n";
    }
    for (const Evidence& item : diff.added) {
      out << "<tr class=\"added\"><td>+</td><td>" << HtmlEscape(item.section) << "</td><td>" << HtmlEscape(item.key)
          << "</td><td></td><td>" << HtmlEscape(item.value) << "</td></tr>\n";
    }
    for (const ChangedEntry& item : diff.changed) {
      out << "<tr class=\"changed\"><td>~</td><td>" << HtmlEscape(item.section) << "</td><td>" << HtmlEscape(item.key)
          << "</td><td>" << HtmlEscape(item.oldValue) << "</td><td>" << HtmlEscape(item.newValue) << "</td></tr>\n";
    }
    out << "</table>\n";
  }
  for (const Finding& finding : diff.findingsNew) out << "<p>Finding new: " << HtmlEscape(finding.id) << " — " << HtmlEscape(finding.title) << "</p>\n";
  for (const Finding& finding : diff.findingsGone) out << "<p>Finding gone: " << HtmlEscape(finding.id) << " — " << HtmlEscape(finding.title) << "</p>\n";
}

void Sections(std::ostream& out, const Report& report) {
  out << "<h2>Every section</h2>\n";
  bool open = false;
  std::string section;
  for (const ReportEntry& entry : report.entries) {
    if (!open || entry.section != section) {
      if (open) out << "</table>\n";
      section = entry.section;
      out << "<h3>[" << HtmlEscape(section) << "]</h3><table class=\"section\">";
      open = true;
    }
    Cells(out, {std::to_string(entry.position), entry.key, entry.value, entry.shadowed ? "hidden by an earlier one" : ""});
  }
  if (open) out << "</table>\n";
}

void WriteReportPage(std::ostream& out, const DeskRecord& record, const DeskRecord* previous) {
  Head(out, record.report.source);
  out << "<p><a href=\"../index.html\">All reports</a></p>\n<h1>" << HtmlEscape(record.report.source) << "</h1>\n";
  out << "<h2>Findings</h2><div id=\"findings\">\n";
  FindingList(out, record.findings);
  out << "</div>\n";
  Card(out, record);
  if (previous != nullptr) Compare(out, *previous, record);
  Sections(out, record.report);
  out << "</body></html>\n";
}

bool WriteFile(const std::filesystem::path& path, const std::string& text, std::string& error) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
  out.close();
  if (out) return true;
  error = path.string() + ": cannot be written";
  return false;
}

}  // namespace

std::string HtmlEscape(std::string_view text) {
  std::string escaped;
  escaped.reserve(text.size());
  for (const char c : text) {
    switch (c) {
      case '&': escaped += "&amp;"; break;
      case '<': escaped += "&lt;"; break;
      case '>': escaped += "&gt;"; break;
      case '"': escaped += "&quot;"; break;
      case '\'': escaped += "&#39;"; break;
      default: escaped += c;
    }
  }
  return escaped;
}

std::string SenderKey(const DeskRecord& record) {
  if (!record.report.mail) return {};
  const std::string& from = record.report.mail->from;
  const std::size_t open = from.rfind('<');
  const std::size_t close = from.rfind('>');
  std::string key = open != std::string::npos && close != std::string::npos && close > open
                        ? from.substr(open + 1, close - open - 1)
                        : from;
  for (char& c : key) c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
  return key;
}

std::vector<int> PreviousReports(const std::vector<PageKey>& keys) {
  std::vector<int> order(keys.size());
  std::iota(order.begin(), order.end(), 0);
  std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
    const PageKey& x = keys[static_cast<std::size_t>(a)];
    const PageKey& y = keys[static_cast<std::size_t>(b)];
    return x.date != y.date ? x.date < y.date : x.id < y.id;
  });
  std::vector<int> previous(keys.size(), -1);
  std::map<std::string, int> last;
  for (int at : order) {
    const std::string& key = keys[static_cast<std::size_t>(at)].sender;
    if (key.empty()) continue;
    const auto seen = last.find(key);
    if (seen != last.end()) previous[static_cast<std::size_t>(at)] = seen->second;
    last[key] = at;
  }
  return previous;
}

std::vector<int> PreviousReports(const std::vector<DeskRecord>& records) {
  std::vector<PageKey> keys;
  for (const DeskRecord& record : records) keys.push_back({record.id, SenderKey(record), record.date});
  return PreviousReports(keys);
}

bool WritePage(const std::vector<DeskRecord>& records, const std::string& folder, std::string& error) {
  return WritePage(records.size(), [&](std::size_t at) { return std::optional<DeskRecord>(records[at]); }, folder, error);
}

bool WritePage(std::size_t count, const RecordLoader& load, const std::string& folder, std::string& error) {
  const std::filesystem::path root(folder);
  std::error_code failed;
  std::filesystem::create_directories(root / "reports", failed);
  if (failed) {
    error = failed.message();
    return false;
  }
  // First pass: the fleet table and who sent what when.
  std::vector<std::pair<std::int64_t, TableRow>> rows;
  std::vector<PageKey> keys;
  std::vector<std::size_t> positions;  // of the reports that loaded
  for (std::size_t at = 0; at < count; ++at) {
    const auto record = load(at);
    if (!record) continue;
    rows.emplace_back(record->id, RowOf(*record));
    keys.push_back({record->id, SenderKey(*record), record->date});
    positions.push_back(at);
  }
  std::ostringstream index;
  WriteIndex(index, rows);
  if (!WriteFile(root / "index.html", index.str(), error)) return false;
  const std::vector<int> previous = PreviousReports(keys);
  for (std::size_t i = 0; i < positions.size(); ++i) {
    const auto record = load(positions[i]);
    if (!record) continue;
    std::optional<DeskRecord> before;
    if (previous[i] >= 0) before = load(positions[static_cast<std::size_t>(previous[i])]);
    std::ostringstream page;
    WriteReportPage(page, *record, before ? &*before : nullptr);
    if (!WriteFile(root / "reports" / ReportFile(*record), page.str(), error)) return false;
  }
  return true;
}

}  // namespace tarnwick::desk
