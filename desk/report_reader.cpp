#include <string_view>

#include "app/report_lines.h"
#include "desk/code_pages.h"
#include "desk/report.h"

namespace tarnwick::desk {
namespace {

namespace lines = report_lines;

constexpr int kDefaultCodePage = 1252;  // Windows' ANSI code page of Western Europe and America

std::string_view EndingName(std::string_view ending) {
  if (ending == lines::kCrLf) return "CRLF";
  if (ending == lines::kLf) return "LF";
  if (ending == lines::kCr) return "CR";
  return "";
}

void AppendFolded(std::string& out, std::string_view text) {
  for (const char c : text) out += (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// Splits the bytes into lines and entries, texts still 8-bit. An entry is
// shadowed when the profile reader cannot reach it: it stands under a later
// header of a section name seen before (the reader stops at the first), or
// an earlier key of its name answers for it.
Report SplitReport(const FoundReport& found) {
  Report report;
  report.source = found.source;
  report.mail = found.mail;
  report.lineEndsAsWritten = found.lineEndsAsWritten;
  std::string section;
  bool inSection = false;
  bool laterBlock = false;
  int position = 0;
  lines::ForEachLine(found.bytes, [&](std::string_view text, std::string_view ending) {
    ++position;
    report.lines.push_back({.position = position, .text = std::string(text), .ending = std::string(EndingName(ending))});
    if (const auto name = lines::HeaderName(text)) {
      section = std::string(*name);
      inSection = true;
      std::string folded;
      AppendFolded(folded, section);
      laterBlock = !report.sections.insert(folded).second;
      return;
    }
    const auto key = lines::EntryKey(text);
    // Entries above the first header belong to no section: the profile
    // reader never returns them.
    if (!key || !inSection) return;
    report.entries.push_back({.position = position,
                              .section = section,
                              .key = std::string(*key),
                              .value = std::string(text.substr(key->size() + 1)),
                              .shadowed = laterBlock});
  });
  for (std::size_t i = 0; i < report.entries.size(); ++i) {
    ReportEntry& entry = report.entries[i];
    if (entry.shadowed) continue;
    entry.shadowed = !report.index.emplace(LookupKey(entry.section, entry.key), i).second;
  }
  return report;
}

}  // namespace

std::string LookupKey(std::string_view section, std::string_view key) {
  std::string folded;
  folded.reserve(section.size() + key.size() + 1);
  AppendFolded(folded, section);
  folded += '\0';
  AppendFolded(folded, key);
  return folded;
}

const ReportEntry* Report::Find(std::string_view section, std::string_view key) const {
  const auto found = index.find(LookupKey(section, key));
  return found == index.end() ? nullptr : &entries[found->second];
}

std::string Report::Value(std::string_view section, std::string_view key) const {
  const ReportEntry* entry = Find(section, key);
  return entry ? entry->value : std::string();
}

bool Report::HasSection(std::string_view section) const {
  std::string folded;
  AppendFolded(folded, section);
  return sections.count(folded) != 0;
}

int GuessCodePage(const Report& raw) {
  const ReportEntry* directX = raw.Find("DirectX", "DirectX Version");
  const bool linux = raw.HasSection("Linux OS") ||
                     (!raw.HasSection("Windows OS") && directX != nullptr && directX->value.empty());
  if (linux) return kDefaultCodePage;
  const LocaleRow* locale = FindLocale(raw.Value("SystemInfo", "Locale"));
  return locale != nullptr && locale->codePage > 0 ? locale->codePage : kDefaultCodePage;
}

std::optional<Report> ReadReport(const FoundReport& found, const ReadOptions& options) {
  Report report = SplitReport(found);
  if (!report.HasSection("Tool Version")) return std::nullopt;
  const ReportEntry* directX = report.Find("DirectX", "DirectX Version");
  report.kind = report.HasSection("Linux OS") ||
                        (!report.HasSection("Windows OS") && directX != nullptr && directX->value.empty())
                    ? ReportKind::kLinux
                    : ReportKind::kWindows;
  report.codePage = options.codePage.value_or(GuessCodePage(report));
  thread_local CodePageDecoder decoder;
  for (ReportLine& line : report.lines) line.text = decoder.Decode(report.codePage, line.text);
  for (ReportEntry& entry : report.entries) {
    entry.section = decoder.Decode(report.codePage, entry.section);
    entry.key = decoder.Decode(report.codePage, entry.key);
    entry.value = decoder.Decode(report.codePage, entry.value);
  }
  // The lookups are by the decoded names from here on. Two names the code
  // page does not define may decode alike; the first answers for both.
  report.index.clear();
  for (std::size_t i = 0; i < report.entries.size(); ++i) {
    ReportEntry& entry = report.entries[i];
    if (!entry.shadowed) entry.shadowed = !report.index.emplace(LookupKey(entry.section, entry.key), i).second;
  }
  return report;
}

}  // namespace tarnwick::desk
