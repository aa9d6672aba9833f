// The report's line model, shared by the writer and the desk's reader: a line
// ends at CR LF, at a lone LF or at a lone CR and keeps its own ending. A line
// whose first non-blank character is '[' and that holds ']' is a section
// header; a line holding '=' is an entry whose key is the text before the
// first '='. This is how Windows' private-profile reader sees the file.
#pragma once

#include <optional>
#include <string_view>

namespace tarnwick::report_lines {

inline constexpr std::string_view kCrLf = "\r\n";
inline constexpr std::string_view kLf = "\n";
inline constexpr std::string_view kCr = "\r";

// Calls take(text, ending) for each line of the bytes, split as a reader
// splits them; the ending is empty for an unterminated last line.
template <typename Take>
void ForEachLine(std::string_view bytes, Take&& take) {
  std::size_t start = 0;
  while (start < bytes.size()) {
    // A plain scan: find_first_of looks each byte up in the set by a call.
    std::size_t stop = start;
    while (stop < bytes.size() && bytes[stop] != '\r' && bytes[stop] != '\n') ++stop;
    if (stop == bytes.size()) {
      take(bytes.substr(start), std::string_view());
      return;
    }
    std::string_view ending = kLf;
    if (bytes[stop] == '\r') ending = bytes.substr(stop, 2) == kCrLf ? kCrLf : kCr;
    take(bytes.substr(start, stop - start), ending);
    start = stop + ending.size();
  }
}

// The section name of a header line "[name]", or nothing for another line.
inline std::optional<std::string_view> HeaderName(std::string_view line) {
  const std::size_t first = line.find_first_not_of(" \t");
  if (first == std::string_view::npos || line[first] != '[') return std::nullopt;
  const std::size_t close = line.find(']', first + 1);
  if (close == std::string_view::npos) return std::nullopt;
  return line.substr(first + 1, close - first - 1);
}

// The key of an entry line: everything before the first '='.
inline std::optional<std::string_view> EntryKey(std::string_view line) {
  const std::size_t equals = line.find('=');
  if (equals == std::string_view::npos) return std::nullopt;
  return line.substr(0, equals);
}

inline bool IsEmptyLine(std::string_view line) { return line.find_first_not_of(" \t") == std::string_view::npos; }

}  // namespace tarnwick::report_lines
