#include "app/console_table.h"

#include <algorithm>
#include <array>
#include <cstdio>

#include "app/result_list.h"
#include "platform/text.h"

namespace tarnwick {
namespace {

// A text made safe for one terminal line: control characters become escapes.
std::string Printable(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '\n') {
      out += "\\n";
    } else if (c == '\r') {
      out += "\\r";
    } else if (c == '\t') {
      out += "\\t";
    } else if (byte < 0x20 || byte == 0x7F) {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\x%02X", byte);
      out += escape;
    } else {
      out += c;
    }
  }
  return out;
}

std::string TsvField(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (const char c : text) {
    switch (c) {
      case '\\': out += "\\\\"; break;
      case '\t': out += "\\t"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      default: out += c;
    }
  }
  return out;
}

std::string JsonText(const std::string& text, const CodePage& codePage) {
  std::string json = "\"";
  for (const char c : codePage.ToUtf8(text)) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      json += '\\';
      json += c;
    } else if (c == '\n') {
      json += "\\n";
    } else if (c == '\r') {
      json += "\\r";
    } else if (c == '\t') {
      json += "\\t";
    } else if (byte < 0x20 || byte == 0x7F) {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\u%04x", byte);
      json += escape;
    } else {
      json += c;
    }
  }
  return json + '"';
}

}  // namespace

void PrintRowsJson(std::ostream& out, const std::vector<ReportEntry>& rows, const CodePage& codePage) {
  out << '[';
  for (std::size_t i = 0; i < rows.size(); ++i) {
    out << (i == 0 ? "\n" : ",\n") << "  {\"section\": " << JsonText(rows[i].section, codePage)
        << ", \"key\": " << JsonText(rows[i].key, codePage) << ", \"value\": " << JsonText(rows[i].value, codePage)
        << '}';
  }
  out << (rows.empty() ? "]\n" : "\n]\n");
}

void PrintRowTable(std::ostream& out, const std::vector<ReportEntry>& rows, bool utf8, const CodePage& codePage) {
  std::vector<std::array<std::string, 3>> cells;
  cells.reserve(rows.size() + 1);
  cells.push_back({std::string(kListColumns[0].heading), std::string(kListColumns[1].heading),
                   std::string(kListColumns[2].heading)});
  for (const ReportEntry& row : rows) cells.push_back({Printable(row.section), Printable(row.key), Printable(row.value)});
  std::array<std::size_t, 2> width{};
  for (const auto& line : cells) {
    for (std::size_t column = 0; column < width.size(); ++column) width[column] = std::max(width[column], line[column].size());
  }
  for (const auto& line : cells) {
    std::string text;
    for (std::size_t column = 0; column < width.size(); ++column) {
      text += line[column];
      text.append(width[column] - line[column].size() + 2, ' ');
    }
    text += line[2];
    while (!text.empty() && text.back() == ' ') text.pop_back();
    out << (utf8 ? codePage.ToUtf8(text) : text) << '\n';
  }
}

std::string RowsTsv(const std::vector<ReportEntry>& rows) {
  std::string out;
  for (const ReportEntry& row : rows) {
    out += TsvField(row.section);
    out += '\t';
    out += TsvField(row.key);
    out += '\t';
    out += TsvField(row.value);
    out += '\n';
  }
  return out;
}

}  // namespace tarnwick
