// One report as the desk reads it: its lines as the file holds them, its
// entries in file order, and the lookups Windows' profile reader answers.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "desk/found_report.h"

namespace tarnwick::desk {

// Reports written on Linux carry a "Linux OS" section; the rest are Windows'.
enum class ReportKind { kWindows, kLinux };

struct ReportEntry {
  int position = 0;  // line number of the entry line, from 1
  std::string section;  // as the header spells it, UTF-8
  std::string key;
  std::string value;
  // Hidden from the profile reader: an earlier section or key of the same
  // name (ASCII case ignored) answers for it.
  bool shadowed = false;
};

struct ReportLine {
  int position = 0;  // from 1
  std::string text;  // UTF-8
  std::string ending;  // "CRLF", "LF", "CR", or empty for an unterminated last line
};

struct Report {
  std::string source;
  std::optional<MailHeader> mail;
  bool lineEndsAsWritten = true;
  ReportKind kind = ReportKind::kWindows;
  int codePage = 1252;
  std::vector<ReportEntry> entries;  // every entry, in file order
  std::vector<ReportLine> lines;

  // The value the profile reader returns: the first key of that name in the
  // first section of that name.
  const ReportEntry* Find(std::string_view section, std::string_view key) const;
  std::string Value(std::string_view section, std::string_view key) const;
  bool HasSection(std::string_view section) const;

  // Keys are the section and key folded to ASCII lower case, joined by a zero.
  std::unordered_map<std::string, std::size_t> index;
  // Every section name a header holds, folded; a section may hold no entry.
  std::unordered_set<std::string> sections;
};

struct ReadOptions {
  std::optional<int> codePage;  // overrides the guess from the report's locale
};

// The ANSI code page the customer's computer wrote the report in.
int GuessCodePage(const Report& rawReport);

// Reads one found report; nothing when it is not a report (no "Tool Version"
// section). Texts come out as UTF-8.
std::optional<Report> ReadReport(const FoundReport& found, const ReadOptions& options = {});

// The lookup key of a section and key: both folded to ASCII lower case.
std::string LookupKey(std::string_view section, std::string_view key);

}  // namespace tarnwick::desk
