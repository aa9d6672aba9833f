#include "desk/desk_output.h"

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <utility>
#include <string_view>

namespace tarnwick::desk {
namespace {

using json = nlohmann::ordered_json;

constexpr int kLabelWidth = 16;
constexpr std::string_view kReset = "\033[0m";
constexpr std::string_view kBold = "\033[1m";

std::string_view SeverityColour(const std::string& severity) {
  if (severity == "problem") return "\033[31m";  // red
  if (severity == "warning") return "\033[33m";  // yellow
  return "\033[36m";  // cyan
}

// Characters, not bytes, so UTF-8 texts line up.
std::size_t Width(std::string_view text) {
  std::size_t width = 0;
  for (const char c : text) width += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  return width;
}

std::string Pad(std::string_view text, std::size_t width) {
  std::string padded(text);
  for (std::size_t w = Width(text); w < width; ++w) padded += ' ';
  return padded;
}

std::string Coloured(std::string_view text, std::string_view colour, const OutputStyle& style) {
  if (!style.colour) return std::string(text);
  return std::string(colour) + std::string(text) + std::string(kReset);
}

void Line(std::ostream& out, std::string_view label, std::string_view value) {
  if (value.empty()) return;
  out << "  " << Pad(label, kLabelWidth) << value << '\n';
}

std::string Quoted(std::string_view text) { return "\"" + std::string(text) + "\""; }

json MailJson(const Report& report) {
  if (!report.mail) return nullptr;
  const MailHeader& mail = *report.mail;
  return {{"from", mail.from},
          {"date", mail.date.empty() ? json(nullptr) : json(mail.date)},
          {"subject", mail.subject},
          {"message_id", mail.messageId}};
}

json SummaryJson(const Summary& summary, const Report& report) {
  json tuners = json::array();
  for (const TunerDevice& tuner : summary.tuners) {
    tuners.push_back({{"group", tuner.group},
                      {"number", tuner.number},
                      {"hardware_id", tuner.hardwareId},
                      {"provider", tuner.provider},
                      {"version", tuner.version},
                      {"date", tuner.date}});
  }
  json linuxSystem = nullptr;
  if (summary.linuxSystem) {
    const LinuxSystem& system = *summary.linuxSystem;
    linuxSystem = {{"distribution", system.distribution},
                   {"distribution_id", system.distributionId},
                   {"kernel", system.kernel},
                   {"architecture", system.architecture},
                   {"captured_tree", system.capturedTree},
                   {"facts_of_this_computer", system.factsOfThisComputer}};
  }
  json settings = json::object();
  for (const NamedValue& setting : summary.tunerSettings) settings[setting.name] = setting.value;
  json applications = json::array();
  for (const NamedValue& app : summary.applications) applications.push_back({{"name", app.name}, {"version", app.value}});
  return {{"kind", summary.kind},
          {"code_page", report.codePage},
          {"windows", summary.windows},
          {"version", summary.version},
          {"edition", summary.edition},
          {"service_pack", summary.servicePack},
          {"directx", summary.directX},
          {"processor", summary.processor},
          {"memory", summary.memory},
          {"user", summary.user},
          {"administrator", summary.administrator ? json(*summary.administrator) : json(nullptr)},
          {"tuners", tuners},
          {"tuner_settings", settings},
          {"usb_type", summary.usbType},
          {"applications", applications},
          {"capture_filters", summary.captureFilters},
          {"bda_filters", summary.bdaFilters},
          {"linux", linuxSystem}};
}

json EvidenceJson(const Evidence& evidence) {
  return {{"section", evidence.section}, {"key", evidence.key}, {"value", evidence.value}};
}

json FindingJson(const Finding& finding) {
  json evidence = json::array();
  for (const Evidence& item : finding.evidence) evidence.push_back(EvidenceJson(item));
  return {{"id", finding.id},
          {"severity", finding.severity},
          {"title", finding.title},
          {"evidence", evidence},
          {"advice", finding.advice}};
}

json FindingsJson(const std::vector<Finding>& findings) {
  json list = json::array();
  for (const Finding& finding : findings) list.push_back(FindingJson(finding));
  return list;
}

void PrintSource(std::ostream& out, const Report& report, const OutputStyle& style) {
  out << Coloured(report.source, kBold, style) << '\n';
  if (!report.mail) return;
  Line(out, "From", report.mail->from);
  Line(out, "Date", report.mail->date);
  Line(out, "Subject", report.mail->subject);
  Line(out, "Message-ID", report.mail->messageId);
}

void PrintLinuxSystem(std::ostream& out, const LinuxSystem& system) {
  Line(out, "Distribution", system.distribution.empty() ? system.distributionId : system.distribution);
  Line(out, "Kernel", system.kernel);
  Line(out, "Architecture", system.architecture);
  // A captured tree was read on the desk's side: some sections describe the
  // computer that read it, not the customer's.
  Line(out, "Captured tree",
       system.capturedTree + (system.capturedTree.empty() || system.factsOfThisComputer.empty()
                                  ? ""
                                  : "; " + system.factsOfThisComputer + " read where the program ran"));
}

void PrintFindingList(std::ostream& out, const std::vector<Finding>& findings, const OutputStyle& style) {
  if (findings.empty()) {
    out << "  no findings\n";
    return;
  }
  for (const Finding& finding : findings) {
    out << "  " << Coloured(Pad(finding.severity, 8), SeverityColour(finding.severity), style) << ' '
        << Pad(finding.id, 22) << ' ' << finding.title << '\n';
    const std::string indent(2 + 8 + 1 + 22 + 1, ' ');
    for (const Evidence& item : finding.evidence) {
      out << indent << "[" << item.section << "] " << Quoted(item.key) << " = " << Quoted(item.value) << '\n';
    }
    out << indent << "Advice: " << finding.advice << '\n';
  }
}

}  // namespace

bool ColourWanted() {
  const char* noColour = std::getenv("NO_COLOR");
  return ::isatty(STDOUT_FILENO) == 1 && (noColour == nullptr || *noColour == '\0');
}

json ReportJson(const Report& report, const Summary& summary, const std::vector<Finding>& findings, bool allEntries) {
  json object = {{"source", report.source},
                 {"mail", MailJson(report)},
                 {"summary", SummaryJson(summary, report)},
                 {"findings", FindingsJson(findings)}};
  if (allEntries) {
    json entries = json::array();
    for (const ReportEntry& entry : report.entries) {
      entries.push_back({{"section", entry.section}, {"key", entry.key}, {"value", entry.value},
                         {"position", entry.position}, {"shadowed", entry.shadowed}});
    }
    object["entries"] = entries;
  }
  return object;
}

json DiffJson(const Report& oldReport, const Report& newReport, const ReportDiff& diff) {
  json added = json::array();
  for (const Evidence& item : diff.added) added.push_back(EvidenceJson(item));
  json removed = json::array();
  for (const Evidence& item : diff.removed) removed.push_back(EvidenceJson(item));
  json changed = json::array();
  for (const ChangedEntry& item : diff.changed) {
    changed.push_back({{"section", item.section}, {"key", item.key}, {"old", item.oldValue}, {"new", item.newValue}});
  }
  return {{"old", oldReport.source},
          {"new", newReport.source},
          {"added", added},
          {"removed", removed},
          {"changed", changed},
          {"findings_new", FindingsJson(diff.findingsNew)},
          {"findings_gone", FindingsJson(diff.findingsGone)}};
}

void PrintCard(std::ostream& out, const Report& report, const Summary& summary, const std::vector<Finding>& findings,
               const OutputStyle& style) {
  PrintSource(out, report, style);
  if (summary.kind == "linux") Line(out, "System", "Linux (report written by the Linux program)");
  if (summary.linuxSystem) PrintLinuxSystem(out, *summary.linuxSystem);
  Line(out, "Windows", summary.windows + (summary.version.empty() ? "" : " (" + summary.version + ")"));
  Line(out, "Edition", summary.edition);
  Line(out, "Service pack", summary.servicePack);
  Line(out, "DirectX", summary.directX);
  Line(out, "Processor", summary.processor);
  Line(out, "Memory", summary.memory);
  if (summary.administrator) {
    Line(out, "Administrator", std::string(*summary.administrator ? "yes" : "no") + " (" + summary.user + ")");
  }
  if (report.codePage != 1252) Line(out, "Code page", std::to_string(report.codePage));
  if (summary.tuners.empty()) Line(out, "Tuner", "none found");
  for (const TunerDevice& tuner : summary.tuners) {
    std::string driver = tuner.provider.empty() ? "no driver" : tuner.provider + " " + tuner.version + " " + tuner.date;
    Line(out, "Tuner", tuner.group + " #" + tuner.number + "  " + tuner.hardwareId + "  " + driver);
  }
  for (const NamedValue& setting : summary.tunerSettings) Line(out, "Tuner setting", setting.name + ": " + setting.value);
  Line(out, "USB type", summary.usbType);
  for (const NamedValue& app : summary.applications) Line(out, "Application", app.name + "  " + app.value);
  for (const std::string& filter : summary.captureFilters) Line(out, "Capture filter", filter);
  for (const std::string& filter : summary.bdaFilters) Line(out, "BDA filter", filter);
  out << "  Findings\n";
  PrintFindingList(out, findings, style);
  if (style.allEntries) {
    std::string section;
    bool first = true;
    std::size_t width = 0;
    for (const ReportEntry& entry : report.entries) width = std::max(width, Width(entry.key));
    for (const ReportEntry& entry : report.entries) {
      if (first || entry.section != section) {
        out << "  [" << entry.section << "]\n";
        section = entry.section;
        first = false;
      }
      out << "    " << Pad(entry.key, width) << "  " << entry.value << (entry.shadowed ? "  (hidden by an earlier one)" : "")
          << '\n';
    }
  }
  out << '\n';
}

void PrintFindings(std::ostream& out, const Report& report, const std::vector<Finding>& findings,
                   const OutputStyle& style) {
  PrintSource(out, report, style);
  PrintFindingList(out, findings, style);
}

void PrintDiff(std::ostream& out, const Report& oldReport, const Report& newReport, const ReportDiff& diff,
               const OutputStyle& style) {
  out << Coloured(oldReport.source + " -> " + newReport.source, kBold, style) << '\n';
  if (!diff.EntriesDiffer()) out << "  the entries are the same\n";
  // Section by section: the new report's sections in file order, then those
  // only the old one has.
  std::map<std::string, std::size_t> rank;
  for (const Report* report : {&newReport, &oldReport}) {
    for (const ReportEntry& item : report->entries) rank.emplace(LookupKey(item.section, ""), rank.size());
  }
  std::vector<std::pair<std::size_t, std::string>> lines;
  const auto entry = [&](std::string_view mark, std::string_view colour, const std::string& section,
                         const std::string& key, const std::string& value) {
    lines.emplace_back(rank[LookupKey(section, "")], "  " + Coloured(mark, colour, style) + " [" + section + "] " +
                                                         Quoted(key) + " = " + value + "\n");
  };
  for (const Evidence& item : diff.removed) entry("-", "\033[31m", item.section, item.key, Quoted(item.value));
  for (const Evidence& item : diff.added) entry("+", "\033[32m", item.section, item.key, Quoted(item.value));
  for (const ChangedEntry& item : diff.changed) {
    entry("~", "\033[33m", item.section, item.key, Quoted(item.oldValue) + " -> " + Quoted(item.newValue));
  }
  std::stable_sort(lines.begin(), lines.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
  for (const auto& [at, text] : lines) out << text;
  for (const Finding& finding : diff.findingsNew) out << "  finding new:  " << finding.id << "  " << finding.title << '\n';
  for (const Finding& finding : diff.findingsGone) out << "  finding gone: " << finding.id << "  " << finding.title << '\n';
}

}  // namespace tarnwick::desk
